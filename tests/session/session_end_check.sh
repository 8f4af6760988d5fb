#!/usr/bin/env bash
# Log off and shut down for real, in a throwaway copy of the test prefix with its own Wine
# server on the current X display: a refused request shows the error box, and an accepted log-off
# ends the session's programs, the gadget included.
# Usage: session_end_check.sh BUILD_DIR   (the Windows tree; WINE, WINESERVER, WINEPREFIX set)
set -uo pipefail
tree="$1"
source_prefix="$WINEPREFIX"
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/prefix"
server_up=0
cleanup() {
  [ "$server_up" = 1 ] && "$WINESERVER" -k >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "session end: $*" >&2; exit 1; }

cp -a "$source_prefix" "$WINEPREFIX" || fail "cannot copy the prefix"
"$WINESERVER" -p && server_up=1
"$WINE" wineboot </dev/null >/dev/null 2>&1

# 1. Without the program that ends the session, the system refuses both requests.
hidden="$scratch/hidden"
mkdir -p "$hidden"
for dir in system32 syswow64; do
  [ -f "$WINEPREFIX/drive_c/windows/$dir/wineboot.exe" ] && mkdir -p "$hidden/$dir" &&
    mv "$WINEPREFIX/drive_c/windows/$dir/wineboot.exe" "$hidden/$dir/"
done
VELMORA_THROWAWAY_SESSION=1 "$WINE" "$tree/tests/session_end_tests.exe" \
  --gtest_filter=SessionEnd.RefusedLogOffAndShutDownReportTheErrorCode </dev/null ||
  fail "the refused requests were not reported as expected"
for dir in system32 syswow64; do
  [ -d "$hidden/$dir" ] && mv "$hidden/$dir/wineboot.exe" "$WINEPREFIX/drive_c/windows/$dir/"
done

# 2. With it, a log-off ends the gadget and the program that asked for it.
(cd "$tree" && exec "$WINE" ./velmora.exe </dev/null >/dev/null 2>&1) &
gadget=$!
sleep 5
kill -0 "$gadget" 2>/dev/null || fail "the gadget did not start"
VELMORA_THROWAWAY_SESSION=1 timeout 90 "$WINE" "$tree/tests/session_end_tests.exe" \
  --gtest_filter=SessionEnd.LogOffEndsTheSessionsPrograms </dev/null >"$scratch/logoff.txt" 2>&1
status=$?
grep -q 'asking for the log-off' "$scratch/logoff.txt" || fail "the log-off was not asked for: $(cat "$scratch/logoff.txt")"
if grep -q 'still running a minute' "$scratch/logoff.txt"; then fail "the log-off did not end the asking program"; fi
[ "$status" = 124 ] && fail "the asking program hung"
for _ in $(seq 60); do kill -0 "$gadget" 2>/dev/null || break; sleep 0.5; done
if kill -0 "$gadget" 2>/dev/null; then kill "$gadget"; fail "the gadget survived the log-off"; fi
echo "session end: refused requests reported; the log-off ended the gadget and the asking program"
