#!/usr/bin/env bash
# Builds everything and runs every test. Installs what is missing first
# (Debian packages through apt-get when run as root). Exits non-zero on any
# failure, and when a test suite cannot run at all.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/build_packages.sh
. scripts/moved_checkout.sh
install_build_packages test.sh

for preset in native asan; do
  cmake --preset "$preset" $(fresh_if_moved "build/$preset" .)
  cmake --build --preset "$preset"
  ctest --preset "$preset" --output-on-failure
done

bash scripts/fuzz.sh
bash scripts/win32_tests.sh
