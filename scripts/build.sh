#!/usr/bin/env bash
# Configures and builds Q4 Config into build/ (or $BUILD_DIR), with Qt 5 or,
# when Q4_QT_MAJOR=6, with Qt 6.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ4_QT_MAJOR="${Q4_QT_MAJOR:-5}" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
