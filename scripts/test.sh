#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLEVY_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build -j2
cd build
ctest --output-on-failure -j2
