#!/bin/sh
# Builds Unix locales into DIR for the Windows tests: wine takes the ANSI
# code page from the locale it runs under (en_US 1252, ja_JP 932, hi_IN
# 65001), and with LOCPATH pointing at DIR nothing outside the build tree
# changes. A locale that cannot be built is left out with a message, and
# tools/test_windows.sh skips the runs that need it.
#
#   make_locales.sh DIR LANGUAGE_TERRITORY...
set -u
dir=$1
shift
mkdir -p "$dir"
for locale in "$@"; do
  target=$dir/$locale.UTF-8
  [ -f "$target/LC_CTYPE" ] && continue
  rm -rf "$target"
  localedef -i "$locale" -f UTF-8 "$target" >/dev/null 2>&1
  if [ ! -f "$target/LC_CTYPE" ]; then
    rm -rf "$target"
    echo "make_locales.sh: cannot build $locale.UTF-8; its tests are skipped" >&2
  fi
done
exit 0
