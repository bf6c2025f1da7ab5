#!/usr/bin/env bash
# Configures and builds everything into build/; the program folder is
# build/program (executables, control modules, template database, clips).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${MOX_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOX_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" -j"$(nproc)"
