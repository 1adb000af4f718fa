#!/usr/bin/env bash
# Builds the fuzz targets in fuzz/ with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30), one after another,
# on a copy of its seeds in fuzz/corpus/<target>/. Fails on any finding; the inputs that
# caused one are kept in <build folder>/fuzz-findings/.
#   LEVY_FUZZ_BUILD_DIR  build folder (default build-fuzz)
#   LEVY_JOBS            parallel build jobs (default 2)
#   LEVY_FUZZ_TARGETS    the targets to run, blank-separated (default all)
#   LEVY_FUZZ_MERGE=1    merge what each run found that reaches new code back into
#                        fuzz/corpus/<target>/ (the named seeds stay), for a long campaign
# Installs what the project needs and clang's tool chain: the compiler, its sanitizer and
# libFuzzer runtimes (libclang-rt-14-dev) and llvm-symbolizer (llvm) for the reports' stacks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh clang libclang-rt-14-dev llvm
seconds=${1:-30}
build_dir=${LEVY_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${LEVY_JOBS:-2}
targets=${LEVY_FUZZ_TARGETS:-$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')}

# -O1 keeps the sanitizers' reports exact and runs several times faster than -O0.
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DLEVY_WARNINGS_AS_ERRORS=ON -DLEVY_FUZZ=ON -DBUILD_TESTING=OFF -DLEVY_BUILD_BENCHMARKS=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$build_dir" -j"$jobs" --target $targets

findings_dir="$PWD/$build_dir/fuzz-findings"
mkdir -p "$findings_dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
summary=""
for target in $targets; do
    mkdir -p "$work/$target/corpus" "$work/$target/tmp"
    cp -r "fuzz/corpus/$target/." "$work/$target/corpus/"
    max_len=4096
    case $target in
        fuzz_levy_database) max_len=32768 ;;  # a database of a few small pages
    esac
    options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -max_len=$max_len -print_final_stats=1
             -artifact_prefix="$findings_dir/$target-")
    case $target in
        fuzz_sql_classifier | fuzz_jet_query) options+=(-dict=fuzz/sql.dict) ;;
    esac
    echo "== $target: ${seconds} s"
    status=0
    # Temporary files of the target (settings stores, databases) stay in its own folder.
    TMPDIR="$work/$target/tmp" "$build_dir/fuzz/$target" "${options[@]}" "$work/$target/corpus" \
        >"$work/$target/log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target/log" | tail -1)
    if [ "$status" -eq 0 ] && [ "${LEVY_FUZZ_MERGE:-0}" = 1 ]; then
        TMPDIR="$work/$target/tmp" "$build_dir/fuzz/$target" -merge=1 -max_len=$max_len -timeout=25 \
            -rss_limit_mb=2560 "fuzz/corpus/$target" "$work/$target/corpus" >"$work/$target/merge.log" 2>&1 ||
            { echo "merge of $target failed:"; tail -5 "$work/$target/merge.log"; }
    fi
    if [ "$status" -ne 0 ]; then
        failed=1
        cp "$work/$target/log" "$findings_dir/$target.log"
        grep -E -A3 'property broken|ERROR: (Address|Leak|libFuzzer)|runtime error|SUMMARY' "$work/$target/log" | head -40
        summary+=$(printf '%-22s %12s executions  FINDING (see %s)' "$target" "${runs:-?}" "$findings_dir/$target.log")$'\n'
    else
        summary+=$(printf '%-22s %12s executions  no finding' "$target" "${runs:-?}")$'\n'
    fi
done
echo
printf '%s' "$summary"
exit "$failed"
