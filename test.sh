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
# A Wine process now and then fails to start at all (no output, within milliseconds);
# such a test gets one more run. Failures of the test itself fail both runs.
ctest --test-dir "$VANTOR_BUILD" --output-on-failure --repeat until-pass:2 "$@"
