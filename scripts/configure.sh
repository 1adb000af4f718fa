#!/usr/bin/env bash
# Configures build/, the one build folder of scripts/test.sh and scripts/demo.sh: a Debug
# build with warnings as errors. Both commands configure it the same way, so that either
# one after the other rebuilds nothing. The benchmarks are timed from a Release build of
# their own (bench/run-results-bench.sh); the sanitizer build in CI still compiles them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLEVY_WARNINGS_AS_ERRORS=ON -DLEVY_BUILD_BENCHMARKS=OFF >/dev/null
