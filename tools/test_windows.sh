#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64, runs every test against
# them under wine, and makes the Windows zip. Installs the cross compiler and
# wine when they are missing (Debian or Ubuntu).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
# locales: the sources of the Unix locales that give wine the ANSI code
# pages the tests run under.
# emscripten: the zip holds the page, which the default tree builds.
qmx_install g++-mingw-w64-x86-64 wine64 unzip locales emscripten
cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross -j "$(nproc)"
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target studio
# One warm wine server for the whole run (the tests' fixture would start one
# too); stopped however the run ends.
cmake/wine-run.sh build-windows/wine --start
trap 'cmake/wine-run.sh build-windows/wine --stop' EXIT
cpack --preset windows-cross
# The zip holds the five programs and the page.
listing=$(unzip -Z1 build-windows/qmx_tools-*-win64.zip)
for file in bin/flipta.exe bin/gyrel.exe bin/qmx.exe bin/shovan.exe \
            bin/snipla.exe qmx-studio.html; do
  grep -qx "qmx_tools-[0-9.]*-win64/$file" <<<"$listing" ||
    { echo "test_windows: the zip lacks $file" >&2; exit 1; }
done
# Each program holds the manifest, and needs no DLL that Windows lacks and
# no ANSI function for names; each but qmx, a command-line program, holds
# its own icon. The check tells a wrong icon, a program without resources
# (with or without an icon asked for) and one that takes ANSI names apart.
check() {  # program, icon or "" for none, and the error expected or nothing
  local out
  out=$(cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DEXE="$1" \
    ${2:+-DICON="$2"} -DMANIFEST=os/app.manifest \
    -P cmake/check_windows_exe.cmake 2>&1) &&
    [ -z "$3" ] && return 0
  [ -n "$3" ] && grep -q "$3" <<<"$out" && return 0
  echo "test_windows: check of $1 gave: $out" >&2
  exit 1
}
for program in flipta gyrel shovan snipla; do
  check "build-windows/bin/$program.exe" "$program/$program.ico" ""
done
check build-windows/bin/qmx.exe "" ""
check build-windows/bin/gyrel.exe shovan/shovan.ico "does not hold picture 1 of shovan.ico"
check build-windows/bin/qmxgen.exe gyrel/gyrel.ico "no group icon named MAINICON"
check build-windows/bin/qmxgen.exe "" "no manifest resource 1"
x86_64-w64-mingw32-g++-posix -o build-windows/ansi_names_sample.exe cmake/ansi_names_sample.cc
check build-windows/ansi_names_sample.exe gyrel/gyrel.ico "imports CreateFileA"
ctest --preset windows-cross -j "$(nproc)"
# The transcripts through the Windows programs, run by the Linux build's
# runner with wine; then the cases of names outside ASCII (Gyrel's degree
# sign, qmx's folders) again under the ANSI code pages 1252, 932 and 65001,
# which wine takes from the Unix locale.
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target e2e_tests
export QMX_TOOL_DIR=$PWD/build-windows/bin
export QMX_TOOL_LAUNCHER="$PWD/cmake/wine-run.sh $PWD/build-windows/wine"
build/bin/e2e_tests --gtest_filter='Transcript.*' --gtest_brief=1
sh tools/make_locales.sh build-windows/locales en_US ja_JP hi_IN
named=(gyrel_takes_a_result_with_the_degree_sign_in_its_name_as_input
  qmx_writes_into_folders_named_in_any_script)
filter=$(printf 'Transcript.Case/%s:' "${named[@]}")
for locale in en_US ja_JP hi_IN; do
  if [ ! -f "build-windows/locales/$locale.UTF-8/LC_CTYPE" ]; then
    echo "test_windows: no $locale.UTF-8 locale; its code page is not tested"
    continue
  fi
  out=$(QMX_WINE_LOCALE=$locale.UTF-8 LOCPATH=$PWD/build-windows/locales \
    build/bin/e2e_tests --gtest_brief=1 --gtest_filter="$filter") ||
    { echo "$out"; exit 1; }
  echo "$out"
  grep -q "^\[  PASSED  \] ${#named[@]} tests\.\$" <<<"$out" ||
    { echo "test_windows: the cases of names did not all run under $locale" >&2; exit 1; }
done
