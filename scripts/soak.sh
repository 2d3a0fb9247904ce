#!/usr/bin/env bash
# Long run: Q4 Config offscreen, connected to the device simulator and showing
# the monitoring page (live poll and curves), for MINUTES. Prints the program's
# resident memory and CPU use every 30 s, then one summary line.
#
#   scripts/soak.sh MINUTES          (uses build/, or $BUILD_DIR, building what is missing)
#
# Targets: under 5 MB growth over 30 minutes, under 3 % of one core. The growth
# is counted from the first sample (30 s in, after start-up); the exit status is
# 1 when a target is missed or the program stops.
set -euo pipefail
minutes=${1:?usage: scripts/soak.sh MINUTES}
case "$minutes" in '' | *[!0-9]*) echo "MINUTES must be a whole number" >&2; exit 2 ;; esac
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
interval=30

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target q4config q4sim >/dev/null

work=$(mktemp -d)
sim=
app=
cleanup() {
  for pid in $app $sim; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The file exists before the simulator writes to it: the wait below reads it at once.
: >"$work/sim.out"
"$build/sim/q4sim" --tcp 127.0.0.1:0 --log "$work/requests.log" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do
  grep -q '^listening ' "$work/sim.out" && break
  sleep 0.1
done
endpoint=$(sed -n 's/^listening //p' "$work/sim.out")
[ -n "$endpoint" ] || { echo "the simulator did not start: $(cat "$work/sim.out")" >&2; exit 1; }

mkdir -p "$work/data/Setting"
cat >"$work/data/Setting/setting.ini" <<INI
[Q4]
connectType=1
EditHostIP=${endpoint%:*}
EditPort=${endpoint##*:}
spinboxSlaveId=1
DwordFormat=0
timeoutSpinner=1000
Language=0
INI
cp -r "$build/Template" "$work/data/Template" 2>/dev/null || true

QT_QPA_PLATFORM=offscreen "$build/q4config" --data-dir "$work/data" --connect \
  >"$work/q4config.log" 2>&1 &
app=$!

tick=$(getconf CLK_TCK)
page_kb=$(($(getconf PAGESIZE) / 1024))
# Resident memory in kB and CPU time in clock ticks of the program.
rss_kb() { echo $(($(awk '{print $2}' "/proc/$app/statm") * page_kb)); }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
requests() { wc -l <"$work/requests.log"; }
alive() { kill -0 "$app" 2>/dev/null; }

echo "soak: q4config against q4sim on $endpoint for $minutes min, a sample every $interval s"
start=$(date +%s)
first_rss=
first_cpu=
first_time=
status=0
samples=$((minutes * 60 / interval))
for i in $(seq "$samples"); do
  wait_s=$((start + i * interval - $(date +%s)))
  [ "$wait_s" -le 0 ] || sleep "$wait_s"
  if ! alive; then
    echo "q4config stopped after $((i * interval)) s:" >&2
    tail -20 "$work/q4config.log" >&2
    exit 1
  fi
  now=$(date +%s%N)
  rss=$(rss_kb)
  cpu=$(cpu_ticks)
  if [ -z "$first_rss" ]; then
    first_rss=$rss first_cpu=$cpu first_time=$now first_requests=$(requests)
    echo "$(printf '%5d s' $((i * interval)))  RSS $(awk -v k="$rss" 'BEGIN{printf "%.1f", k/1024}') MB  (start-up; growth and CPU count from here)"
  else
    echo "$(printf '%5d s' $((i * interval)))  RSS $(awk -v k="$rss" 'BEGIN{printf "%.1f", k/1024}') MB" \
      " CPU $(awk -v c=$((cpu - last_cpu)) -v t="$tick" -v d=$((now - last_time)) 'BEGIN{printf "%.2f", 100*c/t/(d/1e9)}') %" \
      " requests $(requests)"
  fi
  last_cpu=$cpu last_time=$now
done
[ -n "$first_rss" ] || { echo "MINUTES too short for one sample" >&2; exit 2; }
if ! grep -q '^read-hr 0 ' "$work/requests.log"; then
  echo "q4config did not poll the simulator:" >&2
  tail -20 "$work/q4config.log" >&2
  status=1
fi

growth=$(awk -v a="$first_rss" -v b="$rss" 'BEGIN{printf "%.2f", (b-a)/1024}')
mean_cpu=$(awk -v c=$((cpu - first_cpu)) -v t="$tick" -v d=$((now - first_time)) \
  'BEGIN{ if (d > 0) printf "%.2f", 100*c/t/(d/1e9); else print "0" }')
rate=$(awk -v n=$(($(requests) - first_requests)) -v d=$((now - first_time)) \
  'BEGIN{ if (d > 0) printf "%.1f", n/(d/1e9); else print "0" }')
echo "summary: $minutes min, RSS $(awk -v k="$first_rss" 'BEGIN{printf "%.1f", k/1024}') -> $(awk -v k="$rss" 'BEGIN{printf "%.1f", k/1024}') MB," \
  "growth $growth MB, mean CPU $mean_cpu % of a core, $rate requests/s (targets: < 5 MB over 30 min, < 3 %)"
awk -v g="$growth" -v c="$mean_cpu" 'BEGIN{ exit !(g < 5 && c < 3) }' || status=1
exit $status
