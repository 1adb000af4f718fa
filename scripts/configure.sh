#!/usr/bin/env bash
# Configures build/, the one build folder of scripts/test.sh and scripts/demo.sh: a Debug
# build with warnings as errors. Both commands configure it the same way, so that either
# one after the other rebuilds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLEVY_WARNINGS_AS_ERRORS=ON >/dev/null
