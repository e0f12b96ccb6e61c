#!/usr/bin/env bash
# Builds the Linux programs the way a user does (a plain CMake build, which
# is optimised; tests left out here to save time, manual pages required),
# checks what `cmake --install` lays out, makes the packages (.deb and
# .tar.gz), and checks the .deb: its file list, that qmx runs from it, and,
# installed here with apt (then removed again), that `man qmx` shows qmx's
# page and bash finds qmx's completion.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
# cpack reads the programs with file(1); emscripten builds the page.
qmx_install dpkg-dev file man-db emscripten
build=build-package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# QMX_STUDIO_PAGE in the environment names a page already built from these
# sources (CI's, built once for every package), packaged instead of
# building one here.
cmake -S . -B "$build" -DQMX_BUILD_TESTS=OFF -DQMX_BUILD_MAN=ON \
  -DQMX_STUDIO_PAGE="${QMX_STUDIO_PAGE:-}" >/dev/null
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" ||
  { echo "package: a plain build is not a Release build" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)"

programs="flipta gyrel qmx shovan snipla"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sort) >"$work/installed"
{ for p in $programs; do echo "./bin/$p" "./share/man/man1/$p.1.gz"; done
  echo ./share/doc/qmx-tools/README.md ./share/bash-completion/completions/qmx
  echo ./share/qmx-tools/qmx-studio.html
} | tr ' ' '\n' | sort >"$work/expected"
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
version=$("$work/root/usr/bin/qmx" --version)
[ "$version" = "qmx $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ] ||
  { echo "package: qmx --version said '$version'" >&2; exit 1; }

# Each page as man shows it, from the package.
for p in $programs; do
  page=$(MANWIDTH=80 man -l "$work/root/usr/share/man/man1/$p.1.gz" 2>&1)
  grep -q "^NAME" <<<"$page" ||
    { echo "package: the manual page of $p does not render: $page" >&2; exit 1; }
done

# Installed as a user installs it: `man qmx` and the completion work. The
# package is removed again unless it was installed before.
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 ||
    { echo "package: installing the .deb needs root or sudo" >&2; exit 1; }
  sudo=(sudo)
fi
if ! dpkg-query -W -f='${Status}' qmx-tools 2>/dev/null | grep -q "install ok installed"; then
  trap '"${sudo[@]}" dpkg --remove qmx-tools >/dev/null; rm -rf "$work"' EXIT
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
  -o DPkg::Lock::Timeout=120 "./$deb" >/dev/null
[ -f /usr/share/man/man1/qmx.1.gz ] ||
  { echo "package: /usr/share/man/man1/qmx.1.gz was not installed (does dpkg exclude manual pages here?)" >&2; exit 1; }
page=$(MANPAGER=cat MANWIDTH=80 man qmx 2>&1)
grep -q "^ *qmx - rotate, move, cut, mirror and inspect" <<<"$page" ||
  { echo "package: 'man qmx' does not show qmx's page: $page" >&2; exit 1; }
completed=$(bash -c 'source /usr/share/bash-completion/completions/qmx &&
  COMP_WORDS=(qmx ro) COMP_CWORD=1 && _qmx && echo "${COMPREPLY[*]}"')
[ "$completed" = rotate ] ||
  { echo "package: the installed completion gave '$completed' for 'qmx ro'" >&2; exit 1; }

printf '%s, %s bytes: %s; Depends: %s\n' "$deb" "$(stat -c %s "$deb")" \
  "$(tr '\n' ' ' <"$work/listed")" "${depends:-(none)}"
