#!/usr/bin/env bash
# Installs what is missing, builds, and starts VXMOX from its program folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
build="${MOX_BUILD_DIR:-$here/build}"
cd "$build/program"
exec ./VXMOX "$@"
