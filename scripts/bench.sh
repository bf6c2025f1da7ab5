#!/usr/bin/env bash
# Builds and runs every benchmark; prints the figures, asserts nothing.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/build.sh"
build="${MOX_BUILD_DIR:-$here/build}"
export QT_QPA_PLATFORM=offscreen MOX_PROGRAM_DIR="$build/program"
for b in "$build"/bench/*_bench; do
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
