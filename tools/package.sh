#!/usr/bin/env bash
# Makes the Linux packages as a user's plain build makes them and checks
# them: builds the programs with a plain CMake build (optimised, with the
# manual pages and the page; tests left out to save time), checks what
# `cmake --install` lays out, makes the .deb and the .tar.gz with cpack,
# and checks the .deb: lintian finds no error or warning in it, its file
# list, its dependency on the C library (as the README states it), that
# qmx runs from it, and, installed here with apt (then removed again),
# that `man qmx` shows qmx's page and bash finds qmx's completion. Installs
# what all this needs when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
# cpack finds the dependencies with dpkg-dev's dpkg-shlibdeps and reads the
# programs with file(1); emscripten builds the page; man-db shows the
# manual pages.
qmx_install dpkg-dev file man-db lintian emscripten
build=build-package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# QMX_STUDIO_PAGE in the environment names a page already built from these
# sources (CI's, built once for every package), packaged instead of
# building one here.
cmake -S . -B "$build" -DQMX_BUILD_TESTS=OFF -DQMX_BUILD_MAN=ON \
  -DQMX_STUDIO_PAGE="${QMX_STUDIO_PAGE:-}"
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" ||
  { echo "package: a plain build is not a Release build" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)"

programs="flipta gyrel qmx shovan snipla"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sort) >"$work/installed"
{ for p in $programs; do echo "./bin/$p" "./share/man/man1/$p.1.gz"; done
  echo ./share/doc/qmx-tools/README.md ./share/doc/qmx-tools/copyright
  echo ./share/doc/qmx-tools/changelog.gz ./share/bash-completion/completions/qmx
  echo ./share/qmx-tools/qmx-studio.html
} | tr ' ' '\n' | sort >"$work/expected"
diff -u "$work/expected" "$work/installed"

rm -f "$build"/qmx-tools_*.deb
(cd "$build" && cpack -G "DEB;TGZ")
deb=$(echo "$build"/qmx-tools_*.deb)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$work/listed"
sed 's|^\./|./usr/|' "$work/expected" >"$work/expected-deb"
diff -u "$work/expected-deb" "$work/listed"

# Debian's own checks, with no overrides: no error and no warning.
echo "Checking $deb with lintian"
lintian --fail-on error,warning "$deb"

# The programs load the C library (libc, libm and the loader) and nothing
# else; the package depends on it as dpkg-shlibdeps finds it, and the
# README says so.
depends=$(dpkg-deb -f "$deb" Depends)
dpkg-deb -x "$deb" "$work/root"
for p in $programs; do
  needed=$(readelf -d "$work/root/usr/bin/$p" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  others=$(grep -Ev '^(libc\.so\.6|libm\.so\.6|ld-linux-.*\.so\.[0-9]+)$' <<<"$needed" || true)
  [[ $needed == *libc.so.6* && -z $others ]] ||
    { echo "package: $p loads" $needed "- not the C library alone" >&2; exit 1; }
done
[[ $depends =~ ^libc6\ \(\>=\ [0-9.]+\)$ ]] ||
  { echo "package: the .deb depends on '$depends', not on libc6 alone" >&2; exit 1; }
grep -qF "\`Depends: $depends\`" README.md ||
  { echo "package: README.md does not say 'Depends: $depends'" >&2; exit 1; }
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
echo "Installing $deb with apt-get, to try man and the completion"
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
