#!/usr/bin/env bash
# Builds Quillon.dll for 32-bit Windows with its tests, checks the DLL's
# export directory and its imports, runs the tests under wine (ctest --preset
# win32: the engine and export tests on the Win32 layer, and whole sessions
# through Quillon.dll under the code pages 1251 and 1252), then the console
# host quillon-host.exe. Installs what is missing first when run as root.
# Exits non-zero on any failure, and when something cannot run at all: it
# never passes by skipping.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "win32_tests.sh: $*" >&2
  exit 1
}

. scripts/build_packages.sh
install_win32_packages win32_tests.sh

. scripts/moved_checkout.sh
cmake --preset win32 $(fresh_if_moved build/win32 .)
cmake --build --preset win32

dll=build/win32/Quillon.dll
console_host=build/win32/quillon-host.exe
[ -f "$dll" ] && [ -f "$console_host" ] ||
  fail "the build did not produce $dll and $console_host"

# The export directory: its name, and exactly the exports of the .def file,
# each at its ordinal.
dump=$(i686-w64-mingw32-objdump -p "$dll")
exports=$(awk '
  /^There is an export table/ { in_exports = 1 }
  in_exports && /^Name[ \t]/ { print "name " $NF }
  in_exports && /^Ordinal Base/ { base = $NF }
  in_exports && /\+base\[/ { addresses++ }
  /^\[Ordinal\/Name Pointer\] Table/ { in_names = 1; next }
  in_names && NF == 0 { in_names = 0; in_exports = 0 }
  in_names { gsub(/[][]/, " "); print $1 + base, $2 }
  END { print "addresses " addresses + 0 }
' <<<"$dump")
grep -qx 'name Quillon.dll' <<<"$exports" ||
  fail "the export directory is not named Quillon.dll"
expected=$(sed -nE 's/^[[:space:]]+([A-Za-z_0-9]+)[[:space:]]+@([0-9]+).*/\2 \1/p' \
  src/host/Quillon.def | sort -n)
[ -n "$expected" ] || fail "no exports found in src/host/Quillon.def"
actual=$(grep -E '^[0-9]+ ' <<<"$exports" | sort -n)
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  fail "the exports differ from src/host/Quillon.def (< expected, > found)"
fi
grep -qx "addresses $(wc -l <<<"$expected")" <<<"$exports" ||
  fail "the DLL exports entries without a name"

imports=$(sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' <<<"$dump" | sort | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll USER32.dll msvcrt.dll " ] ||
  fail "the DLL imports ${imports}instead of only KERNEL32.dll, USER32.dll and msvcrt.dll"
echo "win32_tests.sh: Quillon.dll exports and imports as expected"

# The tests: each program writes how many of its cases ran to
# test-results/, which scripts/test.sh counts.
results=build/win32/test-results
rm -rf "$results"
ctest --preset win32 || fail "the tests failed under wine"
for program in quillon_tests quillon_plugin_tests quillon_plugin_tests_1252; do
  [ -f "$results/$program.xml" ] || fail "$program wrote no results to $results"
done

# quillon-host.exe, the console host, in wine set up as the tests' preset
# sets it up: first a short session on the exports every build has, in
# which the message box of a missing table is caught and printed instead of
# shown; then the tour of examples/, which must print the Linux tests'
# golden transcript.
export WINEPREFIX="$PWD/build/win32/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ru_RU.UTF-8
unset DISPLAY WAYLAND_DISPLAY
scratch=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
repo=$PWD
cp examples/import.txt "$scratch/"
run_console_host() {
  (cd "$scratch" && wine "$repo/$console_host" "$@") >"$log.raw" 2>&1 || return 1
  tr -d '\r' <"$log.raw" >"$log"
}
log=build/win32/console_host.log
run_console_host -c GetShortInfo -c 'SetFile нет.dbf' -c loaddb ||
  fail "quillon-host.exe failed: $(cat "$log.raw")"
expected="= Tervola Merrowkit
message: НЕ ПОНЯЛ!! Базы данных по указанному пути нет.dbf НЕТ!
Проверьте правильность пути и наличие ТАМ файла!
file: нет.dbf"
if [ "$(cat "$log")" != "$expected" ]; then
  diff <(echo "$expected") "$log" >&2 || true
  fail "quillon-host.exe printed another session (< expected, > printed)"
fi
echo "win32_tests.sh: quillon-host.exe loads Quillon.dll and catches its message boxes"

golden=tests/tools/tour.golden
[ -f "$golden" ] || fail "$golden is missing"
log=build/win32/tour.log
run_console_host --echo --input-encoding utf-8 "$(winepath -w "$repo/examples/tour.qh")" ||
  fail "the tour failed under wine: $(tail -n 5 "$log.raw")"
diff -u "$golden" "$log" >&2 || fail "the tour under wine differs from $golden"
echo "win32_tests.sh: the tour prints its golden transcript under wine"

# The commands for people, Cyrillic file names and values among them.
QUILLON_WINE=1 QUILLON_HOST="$repo/$console_host" /usr/bin/python3 tests/tools/host_test.py People ||
  fail "quillon-host.exe failed its tests for people under wine"

# The kit for Windows host developers: the zip, the DLL's version resource,
# and the kit's README followed from the unpacked zip alone: its commands
# build hosts with each import library and at run time, and run them.
cmake --build --preset win32 --target package
/usr/bin/python3 tests/package/zip_test.py build/win32 || fail "the Windows package is not as described"

echo "win32_tests.sh: all Windows checks passed"
