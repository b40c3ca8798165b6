#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz/ with clang (libFuzzer, address and
# undefined-behaviour checks), runs each over its seed corpus and its kept
# regression inputs, then fuzzes each for SECONDS (default 20) from a fixed
# seed. Installs clang when it is missing and this runs as root.
#
#   scripts/fuzz.sh            the bounded run scripts/test.sh makes
#   scripts/fuzz.sh 3600       an hour for each target
#
# An input that breaks a target is written to build/fuzz/findings/TARGET/;
# once it is mended, keep it in tests/fuzz/regressions/TARGET/ so that every
# later run tries it again. Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2; }

fail() {
  echo "fuzz.sh: $*" >&2
  exit 1
}

# libFuzzer's runtime comes with Debian's clang runtime package.
links_a_fuzzer() {
  command -v clang++ >/dev/null 2>&1 &&
    echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer,address -o /dev/null - >/dev/null 2>&1
}
if ! links_a_fuzzer; then
  [ "$(id -u)" -eq 0 ] || fail "clang with libFuzzer is missing; install clang and libclang-rt-dev, or run as root."
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q clang libclang-rt-dev
  links_a_fuzzer || fail "clang cannot link a libFuzzer program even after installing clang"
fi

build=build/fuzz
. scripts/moved_checkout.sh
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILLON_WARNINGS_AS_ERRORS=ON \
  $(fresh_if_moved "$build" tests/fuzz) >/dev/null
cmake --build "$build"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
options=(-max_len=16384 -timeout=20 -rss_limit_mb=2048 -print_final_stats=0)

for target in open_read write_exports import_text slot_requests; do
  program=$build/$target
  [ -x "$program" ] || fail "the build made no $program"
  inputs=("$build/seeds/$target")
  [ -d "tests/fuzz/regressions/$target" ] && inputs+=("tests/fuzz/regressions/$target")
  findings=$build/findings/$target
  mkdir -p "$findings"
  log=$build/$target.log

  # Every seed and every kept input, once.
  "$program" "${options[@]}" -runs=0 "${inputs[@]}" >"$log" 2>&1 ||
    { tail -n 40 "$log" >&2; fail "$target breaks on a seed or a kept regression input"; }
  tried=$(find "${inputs[@]}" -type f | wc -l)

  # Then new inputs, grown in a corpus of the build's own.
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  "$program" "${options[@]}" -seed=1 -max_total_time="$seconds" \
    -artifact_prefix="$findings/" "$corpus" "${inputs[@]}" >"$log" 2>&1 ||
    { tail -n 40 "$log" >&2; fail "$target found a fault: see $findings/ and $log"; }
  runs=$(grep -oE 'Done [0-9]+ runs' "$log" | tail -n 1 || true)
  echo "fuzz.sh: $target: $tried seeds and regression inputs pass; ${runs:-no run count} in ${seconds}s, no finding"
done
echo "fuzz.sh: all fuzz targets passed"
