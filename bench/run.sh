#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; they print their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
source scripts/wine.sh
wine_prefix_ready
screen_up  # rendering needs a screen
wine_server_up
trap 'wine_server_down; screen_down' EXIT
for bench in "$VANTOR_BUILD"/bench/*.exe; do
  echo "== $(basename "$bench")"
  wine "$bench"
done
