#!/usr/bin/env bash
# Builds the page qmx-studio.html with Emscripten (installed when missing)
# in the default build tree and prints its path. With --test it also
# installs Chromium, its driver, selenium and watchdog when missing, and
# tests the page in the browser.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
browser=()
[ "${1:-}" = "--test" ] && browser=(chromium chromium-driver python3-selenium python3-watchdog)
qmx_install emscripten "${browser[@]}"
# CMake's lines go to standard error: standard output gets the page's path.
cmake --preset default >&2
cmake --build --preset default -j "$(nproc)" --target studio qmx qmxgen >&2
if [ ${#browser[@]} -gt 0 ]; then
  ctest --preset default -R '^studio_(page|save)$' >&2
fi
echo "$PWD/build/studio/qmx-studio.html"
