#!/usr/bin/env bash
# A long fault campaign: the fault-injection tests with ROUNDS kills at random moments
# per operation and ROUNDS failing reads, writes, syncs and locks of each kind per
# operation (CI runs a few of each, the README's test command a sample of those), from a
# seed of its own unless LEVY_FAULT_SEED is set. Uses the Debug build that scripts/test.sh
# makes (build/).
# Prints how many faults were injected and fails on the first one that lost anything.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-100}
build_dir=${LEVY_BUILD_DIR:-build}
cmake --build "$build_dir" -j"${LEVY_JOBS:-2}" --target test_fault_injection test_query_worker levy-query-worker >/dev/null
worker="$(cd "$build_dir" && pwd)/bin/levy-query-worker"
seed=${LEVY_FAULT_SEED:-$(date +%s)}
# The whole log stays beside the test, for the faults a failure names.
log="$(cd "$build_dir/tests" && pwd)/faults-$seed.log"
echo "fault campaign: $rounds rounds of each fault, seed $seed"
start=$(date +%s)
status=0
# One test function runs all rounds of its faults: far longer than QtTest's five minutes.
(cd "$build_dir/tests" && QTEST_FUNCTION_TIMEOUT=${QTEST_FUNCTION_TIMEOUT:-86400000} \
    QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME="$PWD/cache/faults-$seed" \
    LEVY_FULL_CAMPAIGNS=1 LEVY_FAULT_SEED=$seed LEVY_FAULT_ROUNDS=$rounds LEVY_IO_FAULT_POINTS=$rounds LEVY_QUERY_WORKER="$worker" \
    ./test_fault_injection -maxwarnings 0 >"$log" 2>&1) || status=$?
# The query worker killed at random moments while statements are checked, read and
# copied: Delver stays, nothing is left behind, the next statement runs.
(cd "$build_dir/tests" && QTEST_FUNCTION_TIMEOUT=${QTEST_FUNCTION_TIMEOUT:-86400000} \
    QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME="$PWD/cache/worker-faults-$seed" \
    LEVY_FULL_CAMPAIGNS=1 LEVY_FAULT_SEED=$seed LEVY_FAULT_ROUNDS=$rounds LEVY_QUERY_WORKER="$worker" \
    ./test_query_worker killedAtRandomMoments -maxwarnings 0 >>"$log" 2>&1) || status=$?
kills=$(grep -c 'killed [0-9]* ms after start' "$log" || true)
worker_kills=$(grep -c 'worker killed [0-9]* ms after the run started' "$log" || true)
io=$(grep -E 'ioErrors\(' "$log" | grep 'QINFO' | grep -vc 'never reached' || true)
full=$(grep -c 'bytes free:' "$log" || true)
grep -E '^(FAIL|Totals)' -A3 "$log" | cut -c1-400 || true
grep 'to repeat this run' "$log" | cut -c1-400 || true
echo "injected: $kills kills, $worker_kills query workers killed, $io I/O errors, $full full disks: $((kills + worker_kills + io + full)) faults in $(( $(date +%s) - start )) s"
exit $status
