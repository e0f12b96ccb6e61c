#!/usr/bin/env bash
# Builds the Linux programs the way a user does (a plain CMake build, which
# is optimised; tests left out here to save time), checks what
# `cmake --install` lays out, makes the packages (.deb and .tar.gz), and
# checks the .deb: its file list, that apt can install it here with its
# dependencies, and that qmx runs from it.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
# cpack reads the programs with file(1); emscripten builds the page.
qmx_install dpkg-dev file emscripten
build=build-package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S . -B "$build" -DQMX_BUILD_TESTS=OFF >/dev/null
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" ||
  { echo "package: a plain build is not a Release build" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)"

programs="flipta gyrel qmx shovan snipla"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sort) >"$work/installed"
{ for p in $programs; do echo "./bin/$p"; done
  echo ./share/doc/qmx-tools/README.md
  echo ./share/qmx-tools/qmx-studio.html; } >"$work/expected"
diff -u "$work/expected" "$work/installed"

rm -f "$build"/qmx-tools_*.deb
(cd "$build" && cpack -G "DEB;TGZ" >/dev/null)
deb=$(echo "$build"/qmx-tools_*.deb)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$work/listed"
sed 's|^\./|./usr/|' "$work/expected" >"$work/expected-deb"
diff -u "$work/expected-deb" "$work/listed"

# Every shared library the programs load is the business of a dependency;
# programs linked statically need none.
depends=$(dpkg-deb -f "$deb" Depends)
dpkg-deb -x "$deb" "$work/root"
for p in $programs; do
  if readelf -d "$work/root/usr/bin/$p" | grep -q NEEDED && [[ $depends != *libc6* ]]; then
    echo "package: $p loads shared libraries but the .deb depends on '$depends'" >&2
    exit 1
  fi
done
apt-get install --simulate -qq "./$deb" >/dev/null
version=$("$work/root/usr/bin/qmx" --version)
[ "$version" = "qmx $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ] ||
  { echo "package: qmx --version said '$version'" >&2; exit 1; }

printf '%s, %s bytes: %s; Depends: %s\n' "$deb" "$(stat -c %s "$deb")" \
  "$(tr '\n' ' ' <"$work/listed")" "${depends:-(none)}"
