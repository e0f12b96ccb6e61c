#!/usr/bin/env bash
# Checks that the README's examples print what the README shows. An example
# is marked in README.md by the lines "<!-- example..." and
# "<!-- end of example -->" around it: its first code block holds the
# commands, its last one what they print (standard output and standard
# error, as a terminal shows them). The marked examples run in the README's
# order, one after the other, from a fresh folder that holds a copy of
# samples/ and the programs of the default build as build/bin/ (built here
# when missing), as they run from the repository root after tools/test.sh.
#
#   tools/check_readme.sh            check; lists every example that differs
#   tools/check_readme.sh --update   write what the examples print into README.md
set -euo pipefail
cd "$(dirname "$0")/.."
mode=check
case "${1:-}" in
  "") ;;
  --update) mode=update ;;
  *) echo "usage: tools/check_readme.sh [--update]" >&2; exit 2 ;;
esac
source tools/setup.sh
qmx_install python3
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target gyrel shovan snipla flipta qmx

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r samples "$work/samples"
mkdir "$work/build"
ln -s "$PWD/build/bin" "$work/build/bin"

python3 - "$mode" README.md "$work" <<'PY'
import difflib, subprocess, sys

mode, readme, work = sys.argv[1:]
lines = open(readme, encoding="utf-8").read().split("\n")

# Each example: the line numbers of its marker, its commands and the lines
# of its output block (start and end, exclusive).
examples, i = [], 0
while i < len(lines):
    if not lines[i].startswith("<!-- example"):
        i += 1
        continue
    marker, blocks = i, []
    i += 1
    while not lines[i].startswith("<!-- end of example"):
        if lines[i].startswith("```"):
            start = i + 1
            i += 1
            while not lines[i].startswith("```"):
                i += 1
            blocks.append((start, i))
        i += 1
        if i == len(lines):
            sys.exit(f"{readme}:{marker + 1}: an example without its end marker")
    if len(blocks) < 2:
        sys.exit(f"{readme}:{marker + 1}: an example needs a block of commands and one of output")
    examples.append((marker, blocks[0], blocks[-1]))

failed, results = 0, []
for marker, (cs, ce), (os_, oe) in examples:
    commands = "\n".join(lines[cs:ce]) + "\n"
    run = subprocess.run(["bash", "-c", commands], cwd=work, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    printed = run.stdout.decode("utf-8", "replace").rstrip("\n").split("\n")
    results.append((os_, oe, printed))
    shown = lines[os_:oe]
    if printed != shown:
        failed += 1
        if mode == "check":
            print(f"{readme}:{marker + 1}: the example's output differs "
                  f"(exit status {run.returncode}); - README, + printed:")
            print(commands.rstrip("\n"))
            for line in difflib.unified_diff(shown, printed, "README", "printed", lineterm="", n=2):
                print(line)
            print()

if mode == "update":
    for os_, oe, printed in reversed(results):
        lines[os_:oe] = printed
    open(readme, "w", encoding="utf-8").write("\n".join(lines))
    print(f"{len(examples)} examples run, {failed} outputs written into {readme}")
elif failed:
    print(f"{failed} of {len(examples)} examples in {readme} print something else than it "
          f"shows.\nIf what they print now is right, tools/check_readme.sh --update "
          f"writes it into {readme}.")
    sys.exit(1)
else:
    print(f"{len(examples)} examples in {readme} print what it shows")
PY
