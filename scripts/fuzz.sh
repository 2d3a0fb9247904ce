#!/usr/bin/env bash
# Fuzzes the workbook reader and the group decoders with libFuzzer:
#
#     scripts/fuzz.sh SECONDS [HARNESS...]
#
# Builds the harnesses of fuzz/ with clang, AddressSanitizer and UBSan into
# build-fuzz/ (or $FUZZ_DIR), makes the seed corpus (fuzz/makeseeds.cpp: the
# workbook templates, their sheet parts, hand-made workbooks and sheets, and the
# simulated device's register blocks), and runs each harness (fuzz_workbook, fuzz_sheet,
# fuzz_decoders; all three unless named) for SECONDS. The reader harnesses run
# under a 200 MB memory limit, which the reader promises for any input. A crash,
# an input over the memory limit or one that hangs is saved under
# build-fuzz/artifacts/HARNESS/ and the fuzzer is started again for the time
# left. The corpus grows in build-fuzz/corpus/HARNESS/ from run to run. Prints
# per harness the executions, executions per second, crashes and peak memory;
# the exit status is 1 when something was found.
#
# Reproduce a finding: build-fuzz/fuzz/HARNESS build-fuzz/artifacts/HARNESS/crash-...
#
# With Q4_QT_MAJOR=6 the harnesses are built with Qt 6, into build-fuzz-qt6/.
set -euo pipefail
cd "$(dirname "$0")/.."

DURATION=${1:-}
if ! [[ "$DURATION" =~ ^[0-9]+$ ]] || [ "$DURATION" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh SECONDS [fuzz_workbook|fuzz_sheet|fuzz_decoders ...]" >&2
  exit 2
fi
shift
HARNESSES=("$@")
if [ ${#HARNESSES[@]} -eq 0 ]; then
  HARNESSES=(fuzz_workbook fuzz_sheet fuzz_decoders)
fi
for h in "${HARNESSES[@]}"; do
  case "$h" in
    fuzz_workbook | fuzz_sheet | fuzz_decoders) ;;
    *) echo "unknown harness $h" >&2; exit 2 ;;
  esac
done
QT_MAJOR=${Q4_QT_MAJOR:-5}
case "$QT_MAJOR" in
  5) FUZZ_DIR=${FUZZ_DIR:-build-fuzz} DEPS_ARGS=() ;;
  6) FUZZ_DIR=${FUZZ_DIR:-build-fuzz-qt6} DEPS_ARGS=(--qt6) ;;
  *) echo "Q4_QT_MAJOR must be 5 or 6" >&2; exit 2 ;;
esac

# The project's packages, then clang with libFuzzer and the sanitizer runtimes
# (and llvm-symbolizer for readable reports), installed only when missing.
bash scripts/deps.sh "${DEPS_ARGS[@]}"
FUZZ_PACKAGES=(clang libclang-rt-14-dev llvm)
missing=()
for p in "${FUZZ_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$FUZZ_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQ4_FUZZ=ON \
  -DQ4_QT_MAJOR="$QT_MAJOR" -DBUILD_TESTING=OFF "${LAUNCHER[@]}" >/dev/null
echo "Building the harnesses in $FUZZ_DIR (log: $FUZZ_DIR/build.log)"
if ! cmake --build "$FUZZ_DIR" -j"$(nproc)" --target "${HARNESSES[@]}" q4fuzzseeds >"$FUZZ_DIR/build.log" 2>&1; then
  tail -40 "$FUZZ_DIR/build.log"
  exit 1
fi

SEEDS="$FUZZ_DIR/seeds"
rm -rf "$SEEDS"
# The seed maker runs under the sanitizers too; Qt's allocations that live
# until exit are not leaks of ours.
ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$FUZZ_DIR/fuzz/q4fuzzseeds" "$SEEDS"
echo "Seeds: $(ls "$SEEDS/workbook" | wc -l) workbooks, $(ls "$SEEDS/sheet" | wc -l) sheets," \
  "$(ls "$SEEDS/decoders" | wc -l) register blocks"
# Inputs may be as long as the longest seed (the template sheets), and more.
max_len() {
  local longest=$2 size f
  for f in "$1"/*; do
    size=$(stat -c %s "$f")
    if [ "$size" -gt "$longest" ]; then longest=$size; fi
  done
  echo $((longest + longest / 2))
}

# The harnesses save and reopen a workbook on every input: in memory when possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR="/dev/shm/q4fuzz-$$"
else
  export TMPDIR="$PWD/$FUZZ_DIR/tmp"
fi
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
trap 'rm -rf "$TMPDIR"' EXIT
# A small quarantine keeps the sanitizer's own memory out of the reader's budget.
export ASAN_OPTIONS="quarantine_size_mb=16:malloc_context_size=20:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

findings() { find "$1" -maxdepth 1 \( -name 'crash-*' -o -name 'oom-*' -o -name 'leak-*' -o -name 'timeout-*' \) | wc -l; }

REPORT=()
FOUND=0
run_harness() {
  local name=$1 seeds=$2 rss=$3 max_len=$4
  shift 4
  local corpus="$FUZZ_DIR/corpus/$name" artifacts="$FUZZ_DIR/artifacts/$name" logs="$FUZZ_DIR/logs"
  mkdir -p "$corpus" "$artifacts" "$logs"
  local before start deadline now runs=0 executions=0 peak=0 n r status
  before=$(findings "$artifacts")
  start=$(date +%s)
  deadline=$((start + DURATION))
  now=$start
  while [ "$now" -lt "$deadline" ] && [ "$runs" -lt 10 ]; do
    local log="$logs/$name-$(date +%Y%m%d-%H%M%S)-$runs.log"
    status=0
    "$FUZZ_DIR/fuzz/$name" -max_total_time=$((deadline - now)) -rss_limit_mb="$rss" -max_len="$max_len" \
      -timeout=30 -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus" "$seeds" \
      >"$log" 2>&1 || status=$?
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ -z "$n" ]; then
      # No final statistics: take the last status line ("#1234 ... exec/s").
      n=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$log" | tail -1)
    fi
    r=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
    if [ -z "$r" ]; then r=$(sed -n 's/.*rss: \([0-9][0-9]*\)Mb.*/\1/p' "$log" | tail -1); fi
    executions=$((executions + ${n:-0}))
    if [ "${r:-0}" -gt "$peak" ]; then peak=${r:-0}; fi
    runs=$((runs + 1))
    now=$(date +%s)
    if [ "$status" -eq 0 ]; then break; fi
    echo "$name: finding (status $status), log $log"
    grep -m1 -E '^==[0-9]+==ERROR|^SUMMARY|check failed|out-of-memory|timeout after|deadly signal' "$log" || true
  done
  local crashes elapsed
  crashes=$(($(findings "$artifacts") - before))
  elapsed=$((now - start))
  if [ "$elapsed" -lt 1 ]; then elapsed=1; fi
  if [ "$crashes" -gt 0 ]; then FOUND=1; fi
  REPORT+=("$(printf '%-14s %8d %12d %8d %8d %9d MB' "$name" "$elapsed" "$executions" \
    $((executions / elapsed)) "$crashes" "$peak")")
}

for h in "${HARNESSES[@]}"; do
  case "$h" in
    fuzz_workbook) run_harness fuzz_workbook "$SEEDS/workbook" 200 "$(max_len "$SEEDS/workbook" 65536)" ;;
    fuzz_sheet)
      run_harness fuzz_sheet "$SEEDS/sheet" 200 "$(max_len "$SEEDS/sheet" 65536)" -dict=fuzz/sheet.dict ;;
    fuzz_decoders) run_harness fuzz_decoders "$SEEDS/decoders" 2048 "$(max_len "$SEEDS/decoders" 1024)" ;;
  esac
done

echo
printf '%-14s %8s %12s %8s %8s %12s\n' harness seconds executions exec/s crashes "peak RSS"
for line in "${REPORT[@]}"; do echo "$line"; done
if [ "$FOUND" -ne 0 ]; then
  echo "Findings are in $FUZZ_DIR/artifacts/ (logs in $FUZZ_DIR/logs/)."
  exit 1
fi
