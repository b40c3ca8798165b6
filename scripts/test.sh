#!/usr/bin/env bash
# Builds everything and runs every test: the suite natively and under
# address and undefined-behaviour checks, the fuzz targets, then the Windows
# build, whose suite runs under wine on the Win32 layer beside the sessions
# through Quillon.dll. Installs what is missing first (Debian packages
# through apt-get when run as root). Prints how many tests ran on each
# build. Exits non-zero on any failure, and when a test suite cannot run at
# all.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/build_packages.sh
. scripts/moved_checkout.sh
install_build_packages test.sh
install_win32_packages test.sh

declare -A ran
for preset in native asan; do
  cmake --preset "$preset" $(fresh_if_moved "build/$preset" .)
  cmake --build --preset "$preset"
  log=build/$preset/ctest.log
  ctest --preset "$preset" --output-on-failure | tee "$log"
  # ctest ends with "100% tests passed, 0 tests failed out of N".
  ran[$preset]=$(sed -nE 's/^100% tests passed, 0 tests failed out of ([0-9]+)$/\1/p' "$log")
  [ -n "${ran[$preset]}" ] || { echo "test.sh: no test count from the $preset run" >&2; exit 1; }
done

bash scripts/fuzz.sh
bash scripts/win32_tests.sh

# How many cases a GoogleTest program says it ran in its XML results.
cases_in() {
  sed -nE 's/^<testsuites tests="([0-9]+)".*/\1/p' "build/win32/test-results/$1.xml"
}
echo "test.sh: tests run on each build, all passed:"
echo "test.sh:   native             ${ran[native]} CTest tests"
echo "test.sh:   asan               ${ran[asan]} CTest tests"
echo "test.sh:   win32 under wine   $(cases_in quillon_tests) GoogleTest cases on the Win32 layer"
echo "test.sh:   Quillon.dll        $(cases_in quillon_plugin_tests) GoogleTest cases," \
  "then $(cases_in quillon_plugin_tests_1252) again under code page 1252"
