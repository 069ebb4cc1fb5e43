#!/usr/bin/env bash
# Sets up, builds and shows a picture (the bundled sample when none is given). Without a
# screen it runs on a virtual one and saves vantor-screenshot.png of the window.
set -euo pipefail
cd "$(dirname "$0")"
picture="${1:-resources/sample/sample.jpg}"
if [ ! -e "$picture" ]; then
  echo "No such picture: $picture" >&2
  exit 1
fi
picture_path=$(realpath "$picture")
scripts/setup.sh
scripts/build.sh
source scripts/wine.sh
wine_prefix_ready

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  unset DISPLAY
  screen_up
fi
wine_server_up
windows_path=$(winepath -w "$picture_path" 2>/dev/null)
dist="$VANTOR_BUILD/dist"

if [ "$headless" = 0 ]; then
  exec wine "$dist/Vantor.exe" "$windows_path"
fi

trap 'wine_server_down; screen_down' EXIT
wine "$dist/Vantor.exe" "$windows_path" >/dev/null 2>&1 &
viewer=$!
if ! geometry=$(wine "$VANTOR_BUILD/tests/vdriver.exe" wait 30 2>/dev/null | tr -d '\r'); then
  echo "The viewer window did not appear." >&2
  kill "$viewer" 2>/dev/null || true
  exit 1
fi
sleep 1.5  # let the picture finish painting
read -r x y w h <<<"$geometry"
[ "$x" -lt 0 ] && { w=$((w + x)); x=0; }
[ "$y" -lt 0 ] && { h=$((h + y)); y=0; }
import -window root -crop "${w}x${h}+${x}+${y}" +repage vantor-screenshot.png
wine "$VANTOR_BUILD/tests/vdriver.exe" close 15 >/dev/null 2>&1 || kill "$viewer" 2>/dev/null || true
wait "$viewer" 2>/dev/null || true
echo "Saved the window to $(pwd)/vantor-screenshot.png"
