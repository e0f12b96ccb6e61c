#!/usr/bin/env bash
# Builds everything (warnings are errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
qmx_install
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
ctest --preset default -j "$(nproc)"
