#!/usr/bin/env bash
# Measures Delver's results window on a 1,000,000-record levy database beside the sqlcipher
# shell reading the same result, in one run, so that both see the same machine state:
# opening and paging (results_bench), then both exports (export_bench) beside the shell's
# CSV export and a bare libxlsxwriter loop.
# Builds nothing: the programs come from $LEVY_BUILD_DIR, or else from the most recently
# built build*/bench of this repository that is a Release build without sanitizers.
# Usage: bench/run-results-bench.sh [--records N] [FOLDER] [results_bench options...]
#   N records in the benchmark database (1000000 when not given);
#   FOLDER holds the benchmark database (created when missing); /tmp when not given.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
records=1000000
if [ "${1:-}" = --records ]; then
  records=${2:-}
  [[ "$records" =~ ^[1-9][0-9]*$ ]] || { echo "--records needs a whole number of records" >&2; exit 2; }
  shift 2
fi
folder=/tmp
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then folder=$1; shift; fi
[ -d "$folder" ] || { echo "no such folder: $folder" >&2; exit 2; }
db=$(cd "$folder" && pwd)/levy-bench-$records.mdb

build=${LEVY_BUILD_DIR:-}
if [ -z "$build" ]; then
  # Timings of a debug or instrumented build say nothing about the program.
  for candidate in $(ls -t "$repo"/build*/bench/results_bench 2>/dev/null || true); do
    dir=$(dirname "$(dirname "$candidate")")
    if grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$dir/CMakeCache.txt" 2>/dev/null &&
       ! grep -Eq 'fsanitize|^LEVY_SANITIZE:BOOL=ON$' "$dir/CMakeCache.txt"; then
      build=$dir
      break
    fi
  done
fi
if [ -z "$build" ] || [ ! -x "$build/bench/results_bench" ] || [ ! -x "$build/bench/export_bench" ] ||
   [ ! -x "$build/bench/make_bench_database" ]; then
  echo "no Release build of the benchmarks (set LEVY_BUILD_DIR to a build folder)" >&2
  exit 2
fi
build=$(cd "$build" && pwd)
echo "programs: $build/bench"
# The benchmarks run statements in the query worker, which lies in bin/, not beside them in
# bench/: every one of them is told where it is, by its absolute path.
export LEVY_QUERY_WORKER="$build/bin/levy-query-worker"
[ -x "$LEVY_QUERY_WORKER" ] || { echo "no query worker at $LEVY_QUERY_WORKER" >&2; exit 2; }

if [ ! -f "$db" ]; then
  echo "creating $db"
  "$build/bench/make_bench_database" "$db" "$records"
fi
echo "database: $db ($(du -h "$db" | cut -f1))"

unsorted="SELECT * FROM Ledger"
sorted="SELECT * FROM Ledger ORDER BY Amount"

shell_script=$repo/../shared/bench/shell-reference.sh
declare -A shell_read shell_csv
if [ -f "$shell_script" ]; then
  for name in unsorted sorted; do
    sql=${!name}
    echo "shell reference, $name: $sql"
    out=$(bash "$shell_script" "$db" "$sql")
    echo "$out" | sed 's/^/  /'
    shell_read[$name]=$(echo "$out" | sed -n 's/^full read to nothing: \([0-9.]*\) s$/\1/p')
    shell_csv[$name]=$(echo "$out" | sed -n 's/^CSV export to a file: \([0-9.]*\) s$/\1/p')
  done
else
  echo "the shell reference ../shared/bench/shell-reference.sh is missing: no reference figures"
fi

echo "results window benchmark (offscreen)"
report=$(mktemp); trap 'rm -f "$report"' EXIT
QT_QPA_PLATFORM=offscreen "$build/bench/results_bench" "$db" "$@" | tee "$report"

echo
echo "Open until page 1 is filled, beside the shell reading the same result to nothing"
printf "  %-10s %16s %16s %10s  %s\n" "" "shell full read" "results window" "ratio" "target"
for name in unsorted sorted; do
  ours=$(sed -n "s/^figure open-$name \([0-9.]*\)$/\1/p" "$report")
  shell=${shell_read[$name]:-}
  if [ -n "$shell" ] && [ -n "$ours" ]; then
    ratio=$(echo "scale=2; $ours / $shell" | bc)
    printf "  %-10s %14s s %14s s %9sx  %s\n" "$name" "$shell" "$ours" "$ratio" "<= 1.5x"
  else
    printf "  %-10s %16s %14s s %10s\n" "$name" "missing" "${ours:-?}" "-"
  fi
done

echo
echo "exports benchmark (offscreen)"
exports=$(mktemp -d); trap 'rm -f "$report"; rm -rf "$exports"' EXIT
QT_QPA_PLATFORM=offscreen "$build/bench/export_bench" "$db" "$exports" | tee -a "$report"

echo
echo "Exports of the unsorted result, beside their references"
printf "  %-10s %16s %16s %10s  %s\n" "" "reference" "results window" "ratio" "target"
text=$(sed -n "s/^figure text-export \([0-9.]*\)$/\1/p" "$report")
book=$(sed -n "s/^figure workbook-export \([0-9.]*\)$/\1/p" "$report")
bare=$(sed -n "s/^figure bare-workbook \([0-9.]*\)$/\1/p" "$report")
csv=${shell_csv[unsorted]:-}
if [ -n "$csv" ] && [ -n "$text" ]; then
  printf "  %-10s %14s s %14s s %9sx  %s\n" "text" "$csv" "$text" "$(echo "scale=2; $text / $csv" | bc)" \
    "<= 1.0x the shell's .mode csv"
fi
if [ -n "$bare" ] && [ -n "$book" ]; then
  printf "  %-10s %14s s %14s s %9sx  %s\n" "workbook" "$bare" "$book" "$(echo "scale=2; $book / $bare" | bc)" \
    "<= 1.1x a bare libxlsxwriter loop"
fi

echo
echo "page 1 at once, the count and the window's own sort (offscreen)"
QT_QPA_PLATFORM=offscreen "$build/bench/results_bench" "$db" --window-sort | tee -a "$report"
echo
echo "The count and the window's sort, beside the shell reading the result to nothing"
printf "  %-10s %16s %16s %10s  %s\n" "" "shell" "results window" "ratio" "target"
for pair in "count:unsorted" "window-sort:sorted"; do
  figure=${pair%%:*}; name=${pair##*:}
  ours=$(sed -n "s/^figure $figure \([0-9.]*\)$/\1/p" "$report" | tail -1)
  shell=${shell_read[$name]:-}
  if [ -n "$shell" ] && [ -n "$ours" ]; then
    printf "  %-10s %14s s %14s s %9sx  %s\n" "$figure" "$shell" "$ours" "$(echo "scale=2; $ours / $shell" | bc)" "<= 1.0x"
  fi
done

# The count moves most with the machine's pace: set beside the shell's read pair by pair.
if [ -f "$shell_script" ]; then
  echo
  echo "the count beside the shell's full read, in alternating pairs"
  LEVY_BUILD_DIR=$build bash "$repo/bench/run-count-pairs.sh" "$db" "${LEVY_COUNT_PAIRS:-9}"
fi

if [ -x "$build/bench/filter_bench" ]; then
  echo
  echo "the results window's filter (offscreen)"
  QT_QPA_PLATFORM=offscreen "$build/bench/filter_bench" "$db"
fi

if [ -x "$build/bench/chart_bench" ]; then
  echo
  echo "the chart of 10,000 records (offscreen)"
  QT_QPA_PLATFORM=offscreen "$build/bench/chart_bench" "$db"
fi

# The memory of a sorted result must not grow with it: the same at five million records.
if [ "${LEVY_BENCH_5M:-0}" = 1 ]; then
  big=$(cd "$folder" && pwd)/levy-bench-5000000.mdb
  [ -f "$big" ] || "$build/bench/make_bench_database" "$big" 5000000
  echo
  echo "the window's sort at 5,000,000 records: $big"
  QT_QPA_PLATFORM=offscreen "$build/bench/results_bench" "$big" --window-sort --runs 1 --page-runs 5
fi
