# Sourced: functions that prepare the Wine prefix, its server and a screen.
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

wine_prefix_ready() {
  mkdir -p "$VANTOR_BUILD" "$XDG_DATA_HOME"
  if [ ! -f "$WINEPREFIX/.vantor-ready" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX (about ten seconds)..."
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
    wine winecfg -v win10 >/dev/null 2>&1 </dev/null
    wineserver -w
    touch "$WINEPREFIX/.vantor-ready"
  fi
}

# A persistent server and one warm-up process whose inherited output goes nowhere,
# so that runners reading a child's pipe do not wait for Wine's background services.
wine_server_up() {
  # A server left over from a run without a screen would keep a desktop that has none.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  # With a screen, let the desktop process start once too (any program that looks for
  # windows starts it), so that the first test does not race it.
  if [ -n "${DISPLAY:-}" ] && [ -f "$VANTOR_BUILD/tests/vdriver.exe" ]; then
    wine "$VANTOR_BUILD/tests/vdriver.exe" close 1 >/dev/null 2>&1 </dev/null || true
  fi
}

wine_server_down() {
  wineserver -k >/dev/null 2>&1 || true
}

# Starts Xvfb when there is no screen; sets DISPLAY and VANTOR_XVFB_PID.
screen_up() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    VANTOR_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.05
    done
    kill "$VANTOR_XVFB_PID" 2>/dev/null || true
  done
  echo "Could not start Xvfb" >&2
  return 1
}

screen_down() {
  if [ -n "${VANTOR_XVFB_PID:-}" ]; then kill "$VANTOR_XVFB_PID" 2>/dev/null || true; fi
}
