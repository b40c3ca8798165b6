#!/usr/bin/env bash
# Makes examples/sample.dbf and examples/sample.dbt anew with the plug-in
# itself: runs examples/make-sample.qh through quillon-host in a scratch
# folder and keeps the table it made. Needs the native build first
# (scripts/demo.sh or scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

repo=$PWD
host=$repo/build/native/quillon-host
[ -x "$host" ] || { echo "make-sample.sh: build the native preset first" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp examples/import.txt "$scratch/"
(cd "$scratch" && "$host" --input-encoding utf-8 "$repo/examples/make-sample.qh")
cp "$scratch/newbase.dbf" examples/sample.dbf
cp "$scratch/newbase.dbt" examples/sample.dbt
echo "make-sample.sh: examples/sample.dbf and examples/sample.dbt made"
