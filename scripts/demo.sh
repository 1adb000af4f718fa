#!/usr/bin/env bash
# Installs what is needed, builds, and starts both programs on a copy of the sample
# database in a demo profile of their own (the real per-user settings are not touched).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
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
