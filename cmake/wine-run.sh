#!/bin/sh
# Runs a Windows program of the cross build under wine, in a wine prefix of
# its own below ROOT (normally the build directory's wine/ folder), so that
# builds neither share nor touch the user's ~/.wine.
#
#   wine-run.sh ROOT PROGRAM [ARG...]  run PROGRAM; its exit status is ours
#   wine-run.sh ROOT --start           start a persistent wineserver and warm
#                                      it up (creates the prefix on first use)
#   wine-run.sh ROOT --stop            stop that wineserver
#
# Without a running server every wine start waits about 3 s for wine's
# services, and the services it leaves behind keep the caller's output pipes
# open; so start the server once before a batch of runs and stop it after.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: $0 ROOT PROGRAM [ARG...] | ROOT --start | ROOT --stop" >&2
  exit 2
fi

root=$1
shift
# wineserver refuses a prefix folder that does not exist; wine fills an empty
# one on its first run.
mkdir -p "$root/home" "$root/prefix"

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

# Wine takes the ANSI code page and the encoding of Unix file names from the
# locale: with C.UTF-8 the ANSI byte 0xB0 becomes the degree sign in UTF-8 on
# disk. A plain C or POSIX locale makes such names fail to open.
LANG=C.UTF-8
LC_ALL=C.UTF-8
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

case $1 in
  --start)
    # The server and the services the first run starts live on: none of them
    # may inherit our standard streams, or whoever reads them never sees EOF.
    # A server that is still there (left by an earlier run, or started on
    # demand and not yet gone) cannot be made persistent: replace it.
    if ! "$WINESERVER" -p </dev/null >/dev/null 2>&1; then
      "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
      "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
      "$WINESERVER" -p </dev/null >/dev/null 2>&1
    fi
    "$WINE" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1
    ;;
  --stop)
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    exec "$WINE" "$@"
    ;;
esac
