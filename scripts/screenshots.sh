#!/usr/bin/env bash
# Renders Q4 Config's connection page, the six pages connected to the simulator,
# the traffic log and Help windows, the link dialog and the popups, in English
# and in Chinese, to
# docs/screenshots/en/ and docs/screenshots/zh/.
#
#   scripts/screenshots.sh [BUILD_DIR]     (default: build)
#
# Builds q4sim and q4screenshots in BUILD_DIR when needed, starts the simulator
# on a free loopback port and renders offscreen (no display needed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
case "$build" in /*) ;; *) build=$root/$build ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target q4sim q4screenshots >/dev/null

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
scratch=$(mktemp -d)
"$build/sim/q4sim" --tcp "127.0.0.1:$port" --id 1,3,7 >"$scratch/sim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true; rm -rf "$scratch"' EXIT

for _ in $(seq 50); do
    if /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2)" 2>/dev/null; then
        break
    fi
    sleep 0.1
done

export QT_QPA_PLATFORM=offscreen Q4_MODBUS_LOG=0
status=0
for lang in en zh; do
    code=0
    [ "$lang" = zh ] && code=1
    out="$root/docs/screenshots/$lang"
    mkdir -p "$out"
    "$build/tools/screenshots/q4screenshots" --out "$out" --port "$port" --language "$code" \
        --data-dir "$scratch/data-$lang" 2>"$scratch/$lang.err" || {
        status=1
        echo "rendering $lang failed:" >&2
        grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR "$scratch/$lang.err" | tail -20 >&2
    }
done
exit $status
