# Sourced by the set-up scripts: installs the Debian packages that building
# the native preset and running its tests need (g++, CMake, Ninja,
# GoogleTest, Google Benchmark, shapelib, Python, dbfread and pkg-config for
# the tests) when any is missing. Installing needs root; without it the
# calling script stops and says what to install.

# install_build_packages NAME: NAME is the calling script, for its messages.
install_build_packages() {
  local who=$1
  local need=()
  command -v cmake >/dev/null 2>&1 || need+=(cmake)
  command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
  command -v g++ >/dev/null 2>&1 || need+=(g++)
  [ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
  # The table benchmark reads the same tables with shapelib for comparison.
  [ -f /usr/include/shapefil.h ] || need+=(libshp-dev)
  [ -x /usr/bin/python3 ] || need+=(python3)
  # The package test builds a C host against the installed pkg-config file.
  command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
  # The interoperability test reads tables back with Debian's dbfread.
  /usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1 || need+=(python3-dbfread)
  [ ${#need[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "$who: missing packages: ${need[*]}" >&2
    echo "$who: install them (apt-get install ${need[*]}) or run as root." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${need[@]}"
}
