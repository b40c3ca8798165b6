#!/usr/bin/env bash
# Builds Quillon.dll for 32-bit Windows, checks its export directory and its
# imports, and runs the Windows test host against it under wine with the
# Russian code page (1251). Installs what is missing first when run as root.
# Exits non-zero on any failure, and when something cannot run at all: it
# never passes by skipping.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "win32_tests.sh: $*" >&2
  exit 1
}

need_packages=()
need_i386=false
have() { command -v "$1" >/dev/null 2>&1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
have cmake || need_packages+=(cmake)
have ninja || need_packages+=(ninja-build)
have i686-w64-mingw32-g++ || need_packages+=(g++-mingw-w64-i686)
have i686-w64-mingw32-objdump || need_packages+=(binutils-mingw-w64-i686)
have wine || need_packages+=(wine)
if ! installed wine32:i386; then
  need_packages+=(wine32:i386)
  need_i386=true
fi
[ -f /usr/share/i18n/locales/ru_RU ] || need_packages+=(locales)

if [ ${#need_packages[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] ||
    fail "missing packages: ${need_packages[*]}; install them or run as root."
  export DEBIAN_FRONTEND=noninteractive
  if $need_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  apt-get install -y -q "${need_packages[@]}"
fi

# Wine takes its ANSI code page from the locale: Russian gives 1251.
if ! locale -a | grep -qiE '^ru_RU\.utf-?8$'; then
  [ "$(id -u)" -eq 0 ] || fail "the ru_RU.UTF-8 locale is missing; generate it or run as root."
  localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

. scripts/moved_checkout.sh
cmake --preset win32 $(fresh_if_moved build/win32 .)
cmake --build --preset win32

dll=build/win32/Quillon.dll
host=build/win32/quillon_host_test.exe
console_host=build/win32/quillon-host.exe
[ -f "$dll" ] && [ -f "$host" ] && [ -f "$console_host" ] ||
  fail "the build did not produce $dll, $host and $console_host"

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

# Wine in a prefix of its own inside the build folder, without a display:
# the test host captures the DLL's message boxes, so no window is needed.
export WINEPREFIX="$PWD/build/win32/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ru_RU.UTF-8
unset DISPLAY WAYLAND_DISPLAY
scratch=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "win32_tests.sh: creating the wine prefix (the first start can take a minute)"
  wineboot -i >/dev/null 2>&1 || fail "wine cannot start (wineboot -i failed)"
  wineserver -w
fi
[ -f "$WINEPREFIX/system.reg" ] || fail "wine made no prefix in $WINEPREFIX"

fixtures=$(winepath -w "$PWD/tests/fixtures" 2>/dev/null) ||
  fail "wine cannot name the fixture folder"
log=build/win32/host_test.log
status=0
wine "$host" "$fixtures" >"$log.raw" 2>&1 || status=$?
tr -d '\r' <"$log.raw" >"$log"
rm -f "$log.raw"
cat "$log"
summary=$(tail -n 1 "$log")
[[ "$summary" =~ ^[0-9]+\ passed,\ 0\ failed$ ]] && [ "${summary%% *}" -gt 0 ] ||
  fail "the Windows test host failed (last line: '$summary', exit status $status)"
[ "$status" -eq 0 ] || fail "the Windows test host exited with status $status"

# The search again under code page 1252: case folding must not depend on it.
log=build/win32/search_1252.log
status=0
LC_ALL=C.UTF-8 wine "$host" "$fixtures" search >"$log.raw" 2>&1 || status=$?
tr -d '\r' <"$log.raw" >"$log"
rm -f "$log.raw"
summary=$(tail -n 1 "$log")
[[ "$summary" =~ ^[0-9]+\ passed,\ 0\ failed$ ]] && [ "${summary%% *}" -gt 0 ] && [ "$status" -eq 0 ] ||
  fail "the search under code page 1252 failed (last line: '$summary', exit status $status; see $log)"
echo "win32_tests.sh: the search under code page 1252: $summary"

# quillon-host.exe, the console host: first a short session on the exports
# every build has, in which the message box of a missing table is caught and
# printed instead of shown; then the tour of examples/, which must print the
# Linux tests' golden transcript.
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
# and hosts built from the unpacked zip alone.
cmake --build --preset win32 --target package
/usr/bin/python3 tests/package/zip_test.py build/win32 || fail "the Windows package is not as described"

echo "win32_tests.sh: all Windows checks passed"
