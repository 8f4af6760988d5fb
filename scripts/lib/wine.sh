# Shared by scripts/setup, scripts/test and scripts/run (source it): the choice of the Windows
# architecture, the private Wine prefix, and an Xvfb display.

# The architecture the Windows programs run as on this machine: i686 where the 32-bit Wine loader
# works, else x86_64 (some kernels refuse 32-bit executables). VELMORA_WIN_ARCH overrides.
velmora_test_arch() {
  if [ -n "${VELMORA_WIN_ARCH:-}" ]; then
    echo "$VELMORA_WIN_ARCH"
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo i686
  else
    echo x86_64
  fi
}

velmora_wine_loader() { # ARCH
  if [ "$1" = x86_64 ]; then echo /usr/lib/wine/wine64; else echo /usr/lib/wine/wine; fi
}

velmora_wineserver() { # ARCH
  if [ "$1" = x86_64 ]; then echo /usr/lib/wine/wineserver64; else echo /usr/lib/wine/wineserver32; fi
}

# Exports the Wine environment for prefix $1 and architecture $2 (WINE, WINESERVER, WINEPREFIX, ...).
velmora_wine_env() { # PREFIX ARCH
  export WINEPREFIX="$1"
  if [ "$2" = x86_64 ]; then export WINEARCH=win64; else export WINEARCH=win32; fi
  WINE="$(velmora_wine_loader "$2")"
  WINESERVER="$(velmora_wineserver "$2")"
  export WINE WINESERVER WINELOADER="$WINE"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine takes file names and arguments in the locale's encoding.
  if [ -z "${LC_ALL:-}${LANG:-}" ] || [ "${LANG:-}" = C ] || [ "${LANG:-}" = POSIX ]; then
    export LANG=C.UTF-8
  fi
}

# The registry settings of the prefix: no window-manager hand-shake (every hide or destroy of a
# managed window would wait 2 s without a window manager), and Chinese text through WenQuanYi.
velmora_write_prefix_reg() { # FILE
  python3 - "$1" <<'PY'
import sys
def s(v): return '"' + v.replace('\\', '\\\\').replace('"', '\\"') + '"'
def multi(v):
    data = (v + '\0\0').encode('utf-16-le')
    return 'hex(7):' + ','.join('%02x' % b for b in data)
nt = r'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion'
link = 'wqy-microhei.ttc,WenQuanYi Micro Hei'
lines = [
    'Windows Registry Editor Version 5.00', '',
    r'[HKEY_CURRENT_USER\Software\Wine\X11 Driver]', '"Managed"="N"', '',
    '[' + nt + r'\FontSubstitutes]',
    s('宋体') + '=' + s('WenQuanYi Micro Hei'),
    s('SimSun') + '=' + s('WenQuanYi Micro Hei'), '',
    '[' + nt + r'\FontLink\SystemLink]',
    s('Tahoma') + '=' + multi(link),
    s('Tahoma Bold') + '=' + multi(link),
    s('MS Shell Dlg') + '=' + multi(link), '',
]
with open(sys.argv[1], 'w', encoding='utf-16') as f:
    f.write('\r\n'.join(lines) + '\r\n')
PY
}

# Creates the prefix (after velmora_wine_env) unless a complete one of the same set-up is there.
velmora_prepare_prefix() {
  local stamp want
  want="$(printf '%s\n' "$WINEARCH" "$("$WINE" --version)" "$(declare -f velmora_write_prefix_reg velmora_prepare_prefix | sha256sum)")"
  stamp="$WINEPREFIX/velmora-prefix.stamp"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && [ -f "$WINEPREFIX/system.reg" ]; then
    return 0
  fi
  echo "wine: creating the prefix $WINEPREFIX" >&2
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$WINE" wineboot -i >/dev/null 2>&1
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/* "$fonts/"
  cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/"
  velmora_write_prefix_reg "$WINEPREFIX/drive_c/velmora.reg"
  "$WINE" regedit /S 'C:\velmora.reg' >/dev/null 2>&1
  "$WINESERVER" -w
  printf '%s\n' "$want" >"$stamp"
}

# Starts Xvfb 1280x1024x24 on a free display; sets DISPLAY and VELMORA_XVFB_PID.
velmora_start_xvfb() {
  local fdfile
  fdfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" >/dev/null 2>&1 &
  VELMORA_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    kill -0 "$VELMORA_XVFB_PID" 2>/dev/null || { echo "Xvfb did not start" >&2; rm -f "$fdfile"; return 1; }
    sleep 0.1
  done
  [ -s "$fdfile" ] || { echo "Xvfb did not report a display" >&2; rm -f "$fdfile"; return 1; }
  export DISPLAY=":$(tr -d '[:space:]' <"$fdfile")"
  rm -f "$fdfile"
}
