#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, runs and tests with, and fetches the
# pinned source of the database engine (scripts/fetch-engine.sh). Packages named as
# arguments are installed in the same pass: the scripts that need more tools than the
# test suite (the fuzz targets' clang) name them, so that one package-list update serves.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build pkg-config \
    qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl-dev libx11-dev libssl-dev sqlcipher libxlsxwriter-dev \
    xvfb xauth python3-openpyxl fonts-liberation fonts-urw-base35 \
    dpkg-dev file \
    "$@" >/dev/null
# The engine's source comes from the npm registry; Debian's client unless one is here.
if ! command -v npm >/dev/null; then
    $SUDO apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
"$(dirname "$0")"/fetch-engine.sh
