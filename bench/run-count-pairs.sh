#!/usr/bin/env bash
# The background count of a long result beside the sqlcipher shell's full read of it, in
# alternating pairs: on a shared machine the pace changes from minute to minute, so each
# count is set against the shell's read just before it, and the ratios' median reported.
# Usage: bench/run-count-pairs.sh DATABASE [PAIRS]   (programs from $LEVY_BUILD_DIR, else build-release)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
db=${1:?usage: run-count-pairs.sh DATABASE [PAIRS]}
pairs=${2:-15}
build=${LEVY_BUILD_DIR:-$repo/build-release}
shell_script=$repo/../shared/bench/shell-reference.sh
[ -x "$build/bench/results_bench" ] || { echo "no results_bench in $build/bench" >&2; exit 2; }
# The query worker is named by its absolute path, wherever the script was started from.
build=$(cd "$build" && pwd)
[ -f "$shell_script" ] || { echo "the shell reference $shell_script is missing" >&2; exit 2; }
sql="SELECT * FROM Ledger"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
shells=() counts=() ratios=()
for i in $(seq "$pairs"); do
  shell=$(bash "$shell_script" "$db" "$sql" 1 | sed -n 's/^full read to nothing: \([0-9.]*\) s$/\1/p')
  count=$(LEVY_QUERY_WORKER="$build/bin/levy-query-worker" QT_QPA_PLATFORM=offscreen "$build/bench/results_bench" "$db" --window-sort --runs 1 --page-runs 1 2>/dev/null |
          sed -n 's/^figure count \([0-9.]*\)$/\1/p')
  ratio=$(echo "scale=3; $count / $shell" | bc)
  printf "  pair %2d: shell %s s, count %s s, %sx\n" "$i" "$shell" "$count" "$ratio"
  shells+=("$shell") counts+=("$count") ratios+=("$ratio")
done
echo "median of $pairs pairs: shell $(printf '%s\n' "${shells[@]}" | median) s," \
     "count $(printf '%s\n' "${counts[@]}" | median) s, ratio $(printf '%s\n' "${ratios[@]}" | median)x (target <= 1.0x)"
