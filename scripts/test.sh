#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite. The long
# campaigns (faults, attacks, the query corpus) run a sample drawn from a seed, with cases
# of every family in it; LEVY_FULL_CAMPAIGNS=1 runs them whole, as CI does.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
scripts/configure.sh
cmake --build build -j2
cd build
ctest --output-on-failure -j2
