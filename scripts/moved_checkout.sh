# Sourced by the scripts that configure a build. A build folder that came
# with a checkout that was copied or moved holds a CMake cache made for the
# old place, which CMake refuses; such a folder is configured afresh.

# fresh_if_moved BUILD SOURCE: prints --fresh when the cache in BUILD was
# made for a source folder other than SOURCE, and says so on standard error.
fresh_if_moved() {
  local cache=$1/CMakeCache.txt home
  [ -f "$cache" ] || return 0
  home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
  if [ "$(realpath -m "$home")" != "$(realpath -m "$2")" ]; then
    echo "$1 was configured for the checkout in $home: configuring it afresh" >&2
    echo --fresh
  fi
}
