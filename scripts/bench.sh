#!/usr/bin/env bash
# Builds the native preset and runs the table-scale benchmark: it generates
# tables of up to 10^6 records (up to about 750 MB in the temporary folder
# at once, removed afterwards), checks every answer against one computed
# from the file's bytes, and prints each target with its measured ratio and
# pass or fail.
# Exits non-zero when a target fails. Installs what is missing first when
# run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/build_packages.sh
install_build_packages bench.sh

. scripts/moved_checkout.sh
cmake --preset native $(fresh_if_moved build/native .) >/dev/null
cmake --build --preset native --target quillon_table_benchmark
exec build/native/quillon_table_benchmark
