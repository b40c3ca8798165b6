# Sourced by the set-up scripts: installs the Debian packages that building
# the native preset and running its tests need (g++, CMake, Ninja,
# GoogleTest, Google Benchmark, shapelib, Python, dbfread and pkg-config for
# the tests), and those of the Windows build, when any is missing. Installing
# needs root; without it the calling script stops and says what to install.

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

# install_win32_packages NAME: what the Windows build and its run under wine
# need besides: the mingw-w64 i686 toolchain, GoogleTest's sources to build
# with it, LLVM's lld (the kit's README links a host with it), 32-bit wine,
# and the Russian locale that gives wine its ANSI code page 1251.
install_win32_packages() {
  local who=$1
  local need=()
  local need_i386=false
  command -v cmake >/dev/null 2>&1 || need+=(cmake)
  command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
  command -v i686-w64-mingw32-g++ >/dev/null 2>&1 || need+=(g++-mingw-w64-i686)
  command -v i686-w64-mingw32-objdump >/dev/null 2>&1 || need+=(binutils-mingw-w64-i686)
  command -v ld.lld >/dev/null 2>&1 || need+=(lld)
  [ -f /usr/src/googletest/googletest/CMakeLists.txt ] || need+=(googletest)
  command -v wine >/dev/null 2>&1 || need+=(wine)
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    need+=(wine32:i386)
    need_i386=true
  fi
  [ -f /usr/share/i18n/locales/ru_RU ] || need+=(locales)
  if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "$who: missing packages: ${need[*]}; install them or run as root." >&2
      exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    if $need_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
    fi
    apt-get update -q
    apt-get install -y -q "${need[@]}"
  fi
  if ! locale -a | grep -qiE '^ru_RU\.utf-?8$'; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "$who: the ru_RU.UTF-8 locale is missing; generate it or run as root." >&2
      exit 1
    fi
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
  fi
}
