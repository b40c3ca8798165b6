#!/usr/bin/env bash
# Builds everything and runs every test. Installs what is missing first
# (Debian packages through apt-get when run as root). Exits non-zero on any
# failure, and when a test suite cannot run at all.
set -euo pipefail
cd "$(dirname "$0")/.."

need_packages=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need_packages+=(cmake)
have ninja || need_packages+=(ninja-build)
have g++ || need_packages+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need_packages+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need_packages+=(libbenchmark-dev)
# The interoperability test reads tables back with Debian's dbfread.
/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1 || need_packages+=(python3-dbfread)

if [ ${#need_packages[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "test.sh: missing packages: ${need_packages[*]}" >&2
    echo "test.sh: install them (apt-get install ${need_packages[*]}) or run as root." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${need_packages[@]}"
fi

for preset in native asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset" --output-on-failure
done

bash scripts/win32_tests.sh
