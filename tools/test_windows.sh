#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64, runs every test against
# them under wine, and makes the Windows zip. Installs the cross compiler and
# wine when they are missing (Debian or Ubuntu).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
# locales: the sources of the Unix locales that give wine the ANSI code
# pages the tests run under; python3: the console test on a pseudo-terminal.
qmx_install g++-mingw-w64-x86-64 wine64 unzip locales python3
cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross -j "$(nproc)"
# One warm wine server for the whole run (the tests' fixture would start one
# too); stopped however the run ends.
cmake/wine-run.sh build-windows/wine --start
trap 'cmake/wine-run.sh build-windows/wine --stop' EXIT
cpack --preset windows-cross
# The zip holds the five programs.
listing=$(unzip -Z1 build-windows/qmx_tools-*-win64.zip)
for program in flipta gyrel qmx shovan snipla; do
  grep -qx "qmx_tools-[0-9.]*-win64/bin/$program.exe" <<<"$listing" ||
    { echo "test_windows: the zip lacks $program.exe" >&2; exit 1; }
done
ctest --preset windows-cross -j "$(nproc)"
