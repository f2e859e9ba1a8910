#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer with the optional file.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
exec ./build/vextrel-viewer "$@"
