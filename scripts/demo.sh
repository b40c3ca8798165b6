#!/usr/bin/env bash
# Shows the plug-in at work on a fresh Debian machine: installs what is
# missing (as root), builds the plug-in and quillon-host with the native
# preset (not its tests and benchmarks), and runs examples/tour.qh
# through quillon-host in a new scratch folder, so no file of yours is read
# or written. The folder, with the table the tour made, is left for a look.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/build_packages.sh
install_build_packages demo.sh
. scripts/moved_checkout.sh

cmake --preset native $(fresh_if_moved build/native .)
cmake --build --preset native --target quillon quillon_host

repo=$PWD
host=$repo/build/native/quillon-host
scratch=$(mktemp -d)
cp examples/import.txt "$scratch/"
echo
echo "demo.sh: running examples/tour.qh in $scratch"
echo
cd "$scratch"
"$host" --echo --input-encoding utf-8 "$repo/examples/tour.qh"
echo
echo "demo.sh: the tour's table is in $scratch; look at it with"
echo "  $host -c 'open $scratch/newbase.dbf' -c list"
