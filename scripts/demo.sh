#!/usr/bin/env bash
# Installs what is needed, builds, and starts both programs on a copy of the sample
# database in a demo profile of their own (the real per-user settings are not touched).
# Builds only the programs, in the test command's build folder and configuration
# (scripts/configure.sh): whichever of the two runs second builds only what is left.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
scripts/configure.sh
cmake --build build -j2 --target steward delver levy-query-worker levy-setup sample_database
demo=${LEVY_DEMO_HOME:-$PWD/build/demo}
mkdir -p "$demo"
export XDG_CONFIG_HOME="$demo/config"
if [ -x build/bin/levy-setup ] && [ -f build/bin/setup/SampleDB.mdb ]; then
    [ -f "$demo/levy.mdb" ] || cp build/bin/setup/SampleDB.mdb "$demo/levy.mdb"
    printf 'admin\n' | build/bin/levy-setup --password-stdin --database "$demo/levy.mdb"
fi
build/bin/steward &
build/bin/delver &
wait
