#!/usr/bin/env bash
# The installer under Wine in a throwaway prefix: a silent install puts the files, the shortcut and
# the Uninstall entry in place and the installed gadget starts; a second install over a running
# gadget replaces it; a silent uninstall removes everything but the settings.
# Usage: install_test.sh ARCH SETUP.EXE PREFIX   (DISPLAY must name a running X server)
# Ends with "N passed, N failed"; exits non-zero when a check failed.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=../../scripts/lib/wine.sh
. "$here/../../scripts/lib/wine.sh"
arch="$1"; setup="$(realpath "$2")"; prefix="$(realpath -m "$3")"

passed=0; failed=0
check() { # DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); echo "  ok   $what"
  else failed=$((failed + 1)); echo "  FAIL $what"; fi
}
# Waits up to $1 seconds for the command to succeed.
eventually() { local until=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $until ] && return 1; sleep 0.5; done; }

velmora_wine_env "$prefix" "$arch"
"$WINESERVER" -k >/dev/null 2>&1 || true
rm -rf "$prefix"
"$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -p
trap '"$WINESERVER" -k >/dev/null 2>&1 || true; rm -rf "$prefix"' EXIT

user="$("$WINE" cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')"
appdata="$prefix/drive_c/users/$user/AppData"
install_dir="$appdata/Local/Programs/Velmora"
shortcut="$appdata/Roaming/Microsoft/Windows/Start Menu/Programs/Velmora.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Norvect Software\Velmora Desktop Gadget\Appearance'

reg_has() { "$WINE" reg query "$1" /v "$2" >/dev/null 2>&1; }
reg_value() { "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -nE "s/^ *$2 +REG_[A-Z_]+ +//p"; }
files_present() { [ -f "$install_dir/velmora.exe" ] && [ -f "$install_dir/sample.jpg" ] && [ -f "$install_dir/uninstall.exe" ]; }
files_gone() { [ ! -e "$install_dir" ]; }
gadget_window() { xdotool search --classname '^velmora\.exe$' >/dev/null 2>&1; }
no_gadget_window() { ! gadget_window; }

echo "install: silent install"
"$WINE" "$setup" /S >/dev/null 2>&1
check "installer exits" eventually 60 files_present
check "shortcut in the Start menu" test -f "$shortcut"
check "Uninstall entry names the product" test "$(reg_value "$uninstall_key" DisplayName)" = Velmora
for value in DisplayVersion Publisher DisplayIcon UninstallString EstimatedSize; do
  check "Uninstall entry has $value" reg_has "$uninstall_key" "$value"
done
check "Uninstall entry's publisher" test "$(reg_value "$uninstall_key" Publisher)" = "Norvect Software"

echo "install: the installed gadget starts"
"$WINE" "$install_dir/velmora.exe" >/dev/null 2>&1 &
gadget=$!
check "its window shows" eventually 30 gadget_window

echo "install: a second install over the running gadget"
printf 'old' >"$install_dir/sample.jpg"
"$WINE" "$setup" /S >/dev/null 2>&1
check "the running gadget was closed" eventually 30 no_gadget_window
wait "$gadget" 2>/dev/null
check "the files were written again" test "$(head -c 3 "$install_dir/sample.jpg" | od -An -tx1 | tr -d ' ')" = ffd8ff

echo "install: silent uninstall keeps the settings"
"$WINE" reg add "$run_key" /v Velmora /t REG_SZ /d 'C:\velmora.exe' /f >/dev/null 2>&1
"$WINE" reg add "$settings_key" /v Reflection /t REG_DWORD /d 1 /f >/dev/null 2>&1
"$WINE" "$install_dir/uninstall.exe" /S >/dev/null 2>&1
check "program files removed" eventually 60 files_gone
check "shortcut removed" test ! -e "$shortcut"
check "Uninstall entry removed" eventually 10 bash -c "! '$WINE' reg query '$uninstall_key' >/dev/null 2>&1"
check "autorun value removed" bash -c "! '$WINE' reg query '$run_key' /v Velmora >/dev/null 2>&1"
check "settings kept" reg_has "$settings_key" Reflection

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
