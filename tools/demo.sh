#!/usr/bin/env bash
# Builds the tools and moves the bundled walk animation with Shovan, answers
# piped in, then shows what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
qmx_install
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target shovan >/dev/null
demo=build-release/demo
rm -rf "$demo" && mkdir -p "$demo" && cp samples/walk.qmx "$demo/"
cd "$demo"
printf '256 0 -512\n\n' | ../bin/shovan walk.qmx
printf '\n\nFiles in %s:\n' "$demo"
ls -l
# walk.qmx has 2 header records, so its first keyframe starts at byte 82:
# bounding box (min X, max X, min Y, max Y, min Z, max Z) and root offset.
echo "First keyframe, box and root offset, before and after:"
od -An -w18 -t d2 -j 82 -N 18 walk.qmx
od -An -w18 -t d2 -j 82 -N 18 'walk_Repositioned(256,0,-512).qmx'
