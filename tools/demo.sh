#!/usr/bin/env bash
# Builds the tools and moves the bundled walk animation with Shovan, answers
# piped in, then shows what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
qmx_install
cmake --preset release
cmake --build --preset release -j "$(nproc)" --target shovan
demo=build-release/demo
rm -rf "$demo" && mkdir -p "$demo" && cp samples/walk.qmx "$demo/"
cd "$demo"
printf '256 0 -512\n\n' | ../bin/shovan walk.qmx
printf '\n\nFiles in %s:\n' "$demo"
ls -l
# walk.qmx has 2 header records, so its first keyframe starts at byte 82:
# bounding box (min X, max X, min Y, max Y, min Z, max Z) and root offset.
echo "First keyframe, box and root offset, before and after:"
printf '%7s%27s%15s%16s\n' "" "bounding box" "" "root offset"
printf '%-7s%7s%7s%7s%7s%7s%7s%7s%7s%7s\n' "" "min X" "max X" "min Y" "max Y" \
  "min Z" "max Z" X Y Z
for file in walk.qmx 'walk_Repositioned(256,0,-512).qmx'; do
  label=before
  [ "$file" = walk.qmx ] || label=after
  # shellcheck disable=SC2046  # the nine numbers, one argument each
  printf '%-7s%7d%7d%7d%7d%7d%7d%7d%7d%7d\n' "$label" \
    $(od -An -w18 -t d2 -j 82 -N 18 "$file")
done
