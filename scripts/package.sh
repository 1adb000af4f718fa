#!/usr/bin/env bash
# Installs what is needed, builds a release in build-package/ and makes the Debian
# package there; prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DLEVY_BUILD_BENCHMARKS=OFF -DLEVY_PACKAGE_BUILD=ON >/dev/null
cmake --build build-package -j"${LEVY_BUILD_JOBS:-$(nproc)}"
rm -f build-package/levy-office_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls "$PWD"/build-package/levy-office_*.deb
