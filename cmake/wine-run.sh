#!/bin/sh
# Runs a Windows program of the cross build under wine, in a wine prefix of
# its own below ROOT (normally the build directory's wine/ folder), so that
# builds neither share nor touch the user's ~/.wine.
#
#   wine-run.sh ROOT PROGRAM [ARG...]  run PROGRAM; its exit status is ours
#   wine-run.sh ROOT --start           start a wineserver and warm it up
#                                      (creates the prefix on first use)
#   wine-run.sh ROOT --stop            stop that wineserver
#
# Without a running server every wine start waits about 3 s for wine's
# services, and the services it leaves behind keep the caller's output pipes
# open; the first start of all also creates the prefix (about 7 s) and says so
# on standard error. So a server is started and warmed, quietly, before the
# first program runs: by --start, or else by the first run that finds none.
# It stays until --stop, or until no wine program has run for a minute.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: $0 ROOT PROGRAM [ARG...] | ROOT --start | ROOT --stop" >&2
  exit 2
fi

root=$1
shift
# wineserver refuses a prefix folder that does not exist; wine fills an empty
# one on its first run. Wine wants the prefix as an absolute path.
mkdir -p "$root/home" "$root/prefix"
root=$(cd "$root" && pwd)

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

# Wine takes the ANSI code page and the encoding of Unix file names from the
# locale: C.UTF-8 gives code page 1252 and names in UTF-8 on disk. A test
# that runs under another code page names its locale in QMX_WINE_LOCALE
# (one that LOCPATH holds, see tools/make_locales.sh); without it, wine
# would fall back to code page 1252 unseen.
if [ -n "${QMX_WINE_LOCALE:-}" ] && [ ! -f "${LOCPATH:-}/$QMX_WINE_LOCALE/LC_CTYPE" ]; then
  echo "wine-run.sh: no locale $QMX_WINE_LOCALE in LOCPATH" >&2
  exit 2
fi
LANG=${QMX_WINE_LOCALE:-C.UTF-8}
LC_ALL=$LANG
WINEPREFIX=$root/prefix
HOME=$root/home
WINEARCH=win64
WINEDEBUG=-all
# No Mono or Gecko download prompts, no menu entries or file associations.
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG LC_ALL WINEPREFIX HOME WINEARCH WINEDEBUG WINEDLLOVERRIDES
export WINESERVER
# Console programs need no display; never try to open a window.
unset DISPLAY WAYLAND_DISPLAY

# Seconds a server stays after its last wine process has ended.
LINGER=60

# Starts and warms a server unless one is running. The server and the
# services that the warm-up starts live on, so they get none of our streams:
# whoever reads those would never see their end. The lock keeps a second
# caller from running wine while the first is still warming up; no wine
# process may inherit it either.
ensure_server() {
  exec 9>"$root/lock"
  flock 9
  if "$WINESERVER" -p$LINGER </dev/null >/dev/null 2>&1 9>&-; then
    "$WINE" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 9>&-
  fi
  exec 9>&-
}

case $1 in
  --start)
    ensure_server
    ;;
  --stop)
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    ensure_server
    exec "$WINE" "$@"
    ;;
esac
