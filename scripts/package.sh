#!/usr/bin/env bash
# Builds Q4 Config into build/ (or $BUILD_DIR) and makes its Debian package
# there: q4config_<version>_<arch>.deb. Install it with
#   sudo apt install ./build/q4config_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
cd "$BUILD_DIR"
cpack -G DEB
