#!/usr/bin/env bash
# CPU cost of the whole program under Wine, next to a bare layered window of our own, measured in
# one run: velmora.exe and bare_layered_window.exe (bench/win32) run in a private Xvfb 1280x1024
# and a prefix of their own, one case at a time, in interleaved rounds. Prints, per case, the
# median over the rounds of the CPU per mille of one core used by the program, the wineserver
# and the X server. A benchmark, not a test: it asserts nothing about speed.
#
#   bash bench/whole_program.sh [--rounds N] [--seconds S]     (defaults: 3 rounds of 20 s)
#
# Cases: the gadget animating, measured right after the bare hand-off of the same round (their ratio
# is printed per round, with its median); side by side with the bare hand-off, both running at once
# in opposite corners, then with the corners swapped (the ratio of the two programs' own CPU over
# both per round, with its median: on a shared machine whose speed drifts, the steadiest comparison
# there is); paused (by the session lock notification: Wine keeps the screen-saver state per
# process, so no other program can start one for the gadget, and every cause pauses in the same
# way); covered by a topmost window (the gadget taken out of the topmost band first); the bare
# window paced by a window timer; the bare window paced by a worker's hand-off to the main thread
# (the gadget's architecture); an idle message loop with one 500 ms timer, the floor of any program
# under Wine; no program at all (the wineserver's own floor: it wakes by itself).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
# shellcheck source=../scripts/lib/wine.sh
. "$root/scripts/lib/wine.sh"
cd "$root"

rounds=3; seconds=20; settle=3
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    *) echo "usage: $0 [--rounds N] [--seconds S]" >&2; exit 2 ;;
  esac
done

export CMAKE_BUILD_PARALLEL_LEVEL=2
arch="$(velmora_test_arch)"
tree="$root/build/mingw-$arch"
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-toolchain.cmake" -DVELMORA_WIN_ARCH="$arch" \
  -DVELMORA_WIN_DEPS="${VELMORA_CACHE:-$HOME/.cache/velmora}/$arch" >/dev/null
cmake --build "$tree" --target velmora bare_layered_window >/dev/null

xvfb_pid=""; program_pid=""; helper_pid=""
cleanup() {
  for pid in "$helper_pid" "$program_pid"; do
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  done
  if [ -n "${WINESERVER:-}" ]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

velmora_start_xvfb
xvfb_pid="$VELMORA_XVFB_PID"
velmora_wine_env "$root/build/bench-wine-$arch" "$arch"
velmora_prepare_prefix
"$WINESERVER" -p
"$WINE" wineboot </dev/null >/dev/null 2>&1

# The wineserver of this prefix: the one working in the server folder named after the prefix's
# device and inode (other prefixes may have servers running too).
server_dir="server-$(stat -c '%D' "$WINEPREFIX")-$(printf '%x' "$(stat -c '%i' "$WINEPREFIX")")"
wineserver_pid=""
for pid in $(pgrep -x "$(basename "$WINESERVER")" || true); do
  if [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$server_dir" ]; then wineserver_pid="$pid"; fi
done
[ -n "$wineserver_pid" ] || { echo "bench: cannot find the wineserver of $WINEPREFIX" >&2; exit 1; }

ticks() { # PID (or - for none): user + system CPU ticks so far, or "gone"
  if [ "$1" = - ]; then echo 0; else awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo gone; fi
}
# Prints the per mille of one core over $seconds of each program given (in that order, all
# running at once), then of the wineserver and of the X server; or "lost" when one of them ended
# before the time was up.
measure() { # PROGRAM-PID...
  local hz before after t1 t2
  hz="$(getconf CLK_TCK)"
  snapshot() { for pid in "$@" "$wineserver_pid" "$xvfb_pid"; do printf '%s ' "$(ticks "$pid")"; done; }
  before="$(snapshot "$@")"; t1="$(date +%s.%N)"
  sleep "$seconds"
  after="$(snapshot "$@")"; t2="$(date +%s.%N)"
  awk -v before="$before" -v after="$after" -v hz="$hz" -v t="$t1" -v u="$t2" 'BEGIN {
    n = split(before, b, " "); split(after, a, " "); s = (u - t) * hz / 1000
    if (before ~ /gone/ || after ~ /gone/) { print "lost"; exit }
    for (i = 1; i <= n; i++) printf "%.1f%s", (a[i] - b[i]) / s, i < n ? " " : "\n"
  }'
}

helper() { "$WINE" "$tree/bench/bare_layered_window.exe" "$@" </dev/null; }
results="$(mktemp)"
record() { # CASE READINGS: a lost reading is reported and left out of the medians
  if [ "$2" != lost ]; then echo "$1 $2" >>"$results"; fi
  echo "bench:   $1: $2" >&2
}

bare_window() { # MODE: one measured run of the bare window
  local mode="$1"
  "$WINE" "$tree/bench/bare_layered_window.exe" "$mode" $((seconds + 2 * settle)) </dev/null >"$results.$mode" &
  program_pid=$!
  sleep "$settle"
  record "bare-$mode" "$(measure "$program_pid")"
  wait "$program_pid" || true; program_pid=""
  if [ -s "$results.$mode" ]; then echo "bench: bare window ($mode): $(cat "$results.$mode")" >&2; fi
}

for round in $(seq "$rounds"); do
  echo "bench: round $round of $rounds" >&2
  # The bare hand-off runs right before the gadget animating, so that the two readings the goal
  # compares are taken as close together as the machine allows.
  bare_window handoff
  "$WINE" "$tree/velmora.exe" </dev/null >/dev/null 2>&1 &
  program_pid=$!
  sleep "$settle"
  record animating "$(measure "$program_pid")"
  # Side by side: the gadget and the bare hand-off at the same time, so that both programs' own
  # readings come from the same moments of the machine. The two corners need not cost Wine the
  # same (two bare windows side by side differ by a per cent or two), so each program takes both
  # in turn; a case is named after the gadget's corner.
  for corner in bottom-right top-left; do
    helper corner "$corner"
    "$WINE" "$tree/bench/bare_layered_window.exe" beside $((seconds + 2 * settle)) </dev/null >"$results.beside" &
    helper_pid=$!
    sleep "$settle"
    record "side-by-side-$corner" "$(measure "$program_pid" "$helper_pid")"
    wait "$helper_pid" || true; helper_pid=""
  done
  helper corner bottom-right
  helper lock >/dev/null
  sleep "$settle"
  record paused-locked "$(measure "$program_pid")"
  helper unlock >/dev/null
  "$WINE" "$tree/bench/bare_layered_window.exe" cover $((seconds + 2 * settle)) </dev/null >"$results.cover" &
  helper_pid=$!
  sleep "$settle"
  grep -q covered "$results.cover" || echo "bench: the gadget could not be covered: $(cat "$results.cover")" >&2
  record covered "$(measure "$program_pid")"
  wait "$helper_pid" || true; helper_pid=""
  kill "$program_pid"; wait "$program_pid" 2>/dev/null || true; program_pid=""

  # No program of ours at all: the wineserver's own floor (it wakes by itself, with no requests).
  record wine-alone "$(measure -)"

  bare_window timer
  bare_window idle
done

# The median of v[1..n] (v is sorted in place), for the summaries below.
median_awk='function median(v, n,   i, j, t) {
  for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
  return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}'
echo
echo "CPU per mille of one core, median of $rounds rounds of $seconds s ($arch, Wine $("$WINE" --version), Xvfb 1280x1024)"
printf '%-16s %8s %11s %9s %18s\n' case gadget wineserver "X server" "gadget+wineserver"
for case in animating paused-locked covered bare-timer bare-handoff bare-idle wine-alone; do
  awk -v c="$case" "$median_awk"'
    $1 == c { n++; a[n] = $2; b[n] = $3; x[n] = $4; s[n] = $2 + $3 }
    END { if (n) printf "%-16s %8.1f %11.1f %9.1f %18.1f\n", c, median(a, n), median(b, n), median(x, n), median(s, n) }' "$results"
done
# What the gadget adds while nobody sees it, above the wineserver's own floor with no program of
# ours (on some machines that floor alone is several per mille).
awk "$median_awk"'
  $1 == "paused-locked" { p[++np] = $2 + $3 } $1 == "covered" { c[++nc] = $2 + $3 } $1 == "wine-alone" { w[++nw] = $3 }
  END { if (np && nc && nw) { f = median(w, nw)
    printf "above the wineserver alone (%.1f), gadget+wineserver: paused %.1f, covered %.1f\n", f, median(p, np) - f, median(c, nc) - f } }' "$results"
# The animating gadget against the bare hand-off just before it, round by round (gadget + wineserver).
awk "$median_awk"'
  $1 == "bare-handoff" { bare[++nb] = $2 + $3 } $1 == "animating" { gadget[++ng] = $2 + $3 }
  END {
    n = ng < nb ? ng : nb
    for (i = 1; i <= n; i++) { r[i] = bare[i] > 0 ? gadget[i] / bare[i] : 0; list = list sprintf(" %.2f", r[i]) }
    if (n) printf "animating / bare-handoff, gadget+wineserver, per round:%s; median %.2f\n", list, median(r, n)
  }' "$results"
# The programs' own CPU side by side, round by round, over both corners (their shared wineserver
# and X server are in the per-round readings above).
awk "$median_awk"'
  $1 == "side-by-side-bottom-right" || $1 == "side-by-side-top-left" { g[$1] += $2; b[$1] += $3 }
  $1 == "side-by-side-top-left" {
    n++; s = b["side-by-side-bottom-right"] + b[$1]
    r[n] = s > 0 ? (g["side-by-side-bottom-right"] + g[$1]) / s : 0; list = list sprintf(" %.2f", r[n])
    delete g; delete b
  }
  END { if (n) printf "side by side, gadget / bare hand-off, programs only, both corners, per round:%s; median %.2f\n", list, median(r, n) }' "$results"
rm -f "$results" "$results".*
