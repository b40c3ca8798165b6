#!/usr/bin/env bash
# fresh_if_moved: a build folder configured for a checkout in another place
# is configured afresh; one configured here, and a new one, are left alone.
set -euo pipefail
. "$(dirname "$0")/../../scripts/moved_checkout.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/build" "$scratch/checkout"

expect() {
  local got
  got=$(fresh_if_moved "$scratch/build" "$scratch/checkout" 2>/dev/null)
  [ "$got" = "$1" ] || { echo "moved_checkout_test: $2: '$got' instead of '$1'" >&2; exit 1; }
}

expect "" "a new build folder"
echo "CMAKE_HOME_DIRECTORY:INTERNAL=$scratch/checkout/" >"$scratch/build/CMakeCache.txt"
expect "" "a build folder configured here"
echo "CMAKE_HOME_DIRECTORY:INTERNAL=/somewhere/else" >"$scratch/build/CMakeCache.txt"
expect "--fresh" "a build folder configured for another place"
