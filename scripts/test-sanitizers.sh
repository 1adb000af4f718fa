#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole
# test suite under them. Built by gcc, whose sanitizer runtimes (libasan8, libubsan1) come
# with g++; clang is only for the fuzz targets. Installs what it needs first.
#   LEVY_ASAN_BUILD_DIR  build folder (default build-asan)
#   LEVY_JOBS            parallel build and test jobs (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh libasan8 libubsan1
build_dir=${LEVY_ASAN_BUILD_DIR:-build-asan}
jobs=${LEVY_JOBS:-2}

# The build runs instrumented programs too (the sample-database generator), so the
# options hold from here on. Leak detection stays on: every test program, Qt included,
# ends without a leak report (widgets run on the offscreen platform).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# gcc by name: clang++ (installed by scripts/fuzz.sh) may stand behind c++ on some machines.
CC=gcc CXX=g++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLEVY_WARNINGS_AS_ERRORS=ON -DLEVY_SANITIZE=ON >/dev/null
cmake --build "$build_dir" -j"$jobs"
cd "$build_dir"
ctest --output-on-failure -j"$jobs"
