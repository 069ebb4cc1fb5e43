#!/usr/bin/env bash
# Configures (once) and builds everything into build/, the install layout into build/dist.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cjson_dir=$(ls -d "$VANTOR_CACHE"/cjson/cjson-*/ 2>/dev/null | head -n 1)
if [ ! -f "$VANTOR_BUILD/build.ninja" ]; then
  cmake -S "$VANTOR_ROOT" -B "$VANTOR_BUILD" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$VANTOR_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCJSON_SOURCE_DIR="${cjson_dir%/}" >/dev/null
fi
cmake --build "$VANTOR_BUILD" -- -j"$(nproc)" "$@"
