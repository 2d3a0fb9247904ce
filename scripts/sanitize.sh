#!/usr/bin/env bash
# Builds Q4 Config with AddressSanitizer and UndefinedBehaviorSanitizer
# (-DQ4_SANITIZE=ON) into build-sanitize/ (or $SANITIZE_BUILD_DIR) and runs the
# whole ctest suite there twice:
#
#   1. tests: memory errors and undefined behaviour, with ASan's fast unwinder,
#      so that the suite runs at its usual pace and every test must pass;
#   2. leaks: the suite again with leak checking on and ASan's slow unwinder.
#      Qt is built without frame pointers: only the slow unwinder records whole
#      allocation stacks, and only whole stacks show which code of ours made a
#      leak and let scripts/lsan.supp match Qt's own allocations by name. It
#      makes every allocation some ten times slower, so a test that waits a
#      fixed time may fail in this pass; the pass counts the reports only.
#
#   scripts/sanitize.sh [ctest arguments, e.g. -R tst_simulator]
#
# Every process of the suite (the tests and the programs and simulators they
# start) writes its reports to <build>/sanitizer-logs/{tests,leaks}/; the script
# sums them up at the end. Known leaks of Qt (and fontconfig, should it show
# any) themselves are suppressed by scripts/lsan.supp, nothing of this project. Exit status 0 only
# when every test passed in the first pass and no process reported anything.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${SANITIZE_BUILD_DIR:-build-sanitize}
case "$build" in /*) ;; *) build=$root/$build ;; esac
logs=$build/sanitizer-logs

bash scripts/deps.sh

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# The build runs the template generator: no leak checking there, its exit status
# would stop the build.
ASAN_OPTIONS=detect_leaks=0 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ4_SANITIZE=ON \
  "${launcher[@]}" >/dev/null
ASAN_OPTIONS=detect_leaks=0 cmake --build "$build" -j"$(nproc)"

rm -rf "$logs"
mkdir -p "$logs/tests" "$logs/leaks"
checks=detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

echo "sanitize: pass 1 of 2, memory errors and undefined behaviour"
status=0
(
  cd "$build"
  export ASAN_OPTIONS="detect_leaks=0:$checks:log_path=$logs/tests/asan"
  export UBSAN_OPTIONS="print_stacktrace=1:log_path=$logs/tests/ubsan"
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
) || status=1

echo "sanitize: pass 2 of 2, leaks (slow unwinder: only the reports count)"
leak_tests=$logs/leak-pass.txt
(
  cd "$build"
  export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0:malloc_context_size=40:log_path=$logs/leaks/asan"
  export UBSAN_OPTIONS="print_stacktrace=1:log_path=$logs/leaks/ubsan"
  QT_QPA_PLATFORM=offscreen ctest -j2 "$@" >"$leak_tests" 2>&1
) || true
failed_slow=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' "$leak_tests" | tr '\n' ' ')
if [ -n "$failed_slow" ]; then
  echo "sanitize: failed under the slow unwinder (waits or leaks, see $leak_tests): $failed_slow"
fi

# The reports: one file per process that found something.
for pass in tests leaks; do
  n=$(find "$logs/$pass" -type f | wc -l)
  if [ "$n" -gt 0 ]; then
    status=1
    echo "sanitize: $pass pass, $n processes reported (full reports in $logs/$pass):"
    /usr/bin/python3 scripts/sanitizer-summary.py "$logs/$pass" "$root"
  else
    echo "sanitize: $pass pass, no reports"
  fi
done
exit $status
