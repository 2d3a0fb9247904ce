#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
#
#   scripts/test.sh [CTEST-ARGUMENTS]         with Qt 5, in build/ (or $BUILD_DIR)
#   scripts/test.sh --qt6 [CTEST-ARGUMENTS]   with Qt 6, in build-qt6/ (or $BUILD_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--qt6" ]; then
  shift
  bash scripts/deps.sh --qt6
  export Q4_QT_MAJOR=6 BUILD_DIR=${BUILD_DIR:-build-qt6}
else
  bash scripts/deps.sh
fi
bash scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
cd "$BUILD_DIR"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
