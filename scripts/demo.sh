#!/usr/bin/env bash
# Demo: installs the dependencies, builds, starts the device simulator on
# 127.0.0.1:1502 (or on another free port when 1502 is taken) and opens Q4
# Config connected to it. The simulator stops when the program exits (or when
# this script is interrupted).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
DATA_DIR="$BUILD_DIR/demo-data"

# DEMO_SKIP_BUILD=1 reuses an existing build in $BUILD_DIR.
if [ "${DEMO_SKIP_BUILD:-0}" != 1 ]; then
  scripts/deps.sh
  BUILD_DIR="$BUILD_DIR" scripts/build.sh
fi

SIM_PID=
SIM_OUT=$(mktemp)
cleanup() {
  if [ -n "$SIM_PID" ]; then
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
  fi
  rm -f "$SIM_OUT"
}
trap cleanup EXIT INT TERM

# Starts the simulator on 127.0.0.1:$1 and waits for its "listening
# HOST:PORT" line: sets SIM_PID and SIM_PORT, or fails when it stopped.
start_simulator() {
  : >"$SIM_OUT"
  "$BUILD_DIR/sim/q4sim" --tcp "127.0.0.1:$1" >"$SIM_OUT" 2>&1 &
  SIM_PID=$!
  for _ in $(seq 100); do
    SIM_PORT=$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$SIM_OUT")
    [ -n "$SIM_PORT" ] && return 0
    kill -0 "$SIM_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill "$SIM_PID" 2>/dev/null || true
  wait "$SIM_PID" 2>/dev/null || true
  SIM_PID=
  return 1
}

# Port 1502 when it is free, otherwise any free port (port 0).
if ! start_simulator 1502; then
  if ! grep -q 'cannot listen' "$SIM_OUT"; then
    echo "The simulator did not start: $(cat "$SIM_OUT")" >&2
    exit 1
  fi
  echo "Port 1502 is in use: starting the simulator on another free port."
  if ! start_simulator 0; then
    echo "The simulator did not start: $(cat "$SIM_OUT")" >&2
    exit 1
  fi
fi
echo "Simulator listening on 127.0.0.1:$SIM_PORT"

# Data folder: settings that point at the simulator over TCP, and the templates.
mkdir -p "$DATA_DIR/Setting" "$DATA_DIR/Export"
cat > "$DATA_DIR/Setting/setting.ini" <<INI
[Q4]
connectType=1
EditHostIP=127.0.0.1
EditPort=$SIM_PORT
spinboxSlaveId=1
DwordFormat=0
baudCombo=3
dataBitsCombo=1
parityCombo=1
stopBitsCombo=0
timeoutSpinner=1000
Language=0

[Config]
Startup=0
INI
if [ -d "$BUILD_DIR/Template" ]; then
  rm -rf "$DATA_DIR/Template"
  cp -r "$BUILD_DIR/Template" "$DATA_DIR/Template"
fi

RUN=("$BUILD_DIR/q4config" --data-dir "$DATA_DIR" --connect)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running under xvfb-run (nothing will be visible)."
  xvfb-run -a -s "-screen 0 1400x1000x24" "${RUN[@]}"
else
  "${RUN[@]}"
fi
