#!/usr/bin/env bash
# Sets up, builds and runs every test (unit tests and the end-to-end GUI tests) under Wine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
source scripts/wine.sh
wine_prefix_ready
screen_up
wine_server_up
trap 'wine_server_down; screen_down' EXIT
ctest --test-dir "$VANTOR_BUILD" --output-on-failure "$@"
