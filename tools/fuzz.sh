#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each from its seed corpus for a
# bounded time. Fails on the first target that finds anything: a crash, a
# sanitizer report, a broken invariant, a leak or an input slower than 10 s.
# The input that did it is kept in build-fuzz/findings/.
#
#   tools/fuzz.sh [seconds per target]      (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
source tools/setup.sh
qmx_install clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

findings=$PWD/build-fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-22s %12s %8s\n' target executions seconds
for target in edit console_reader; do
  fuzzer=build-fuzz/bin/${target}_fuzz
  # New inputs go to a scratch corpus; the seeds in the repository stay as
  # they are.
  mkdir -p "$work/$target"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/$target-" \
      "$work/$target" "tests/fuzz/corpus/${target}_fuzz" \
      >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    echo "fuzz: $target found a fault; the input is in $findings/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 \2/p' \
    "$work/$target.log")
  printf '%-22s %12s %8s\n' "${target}_fuzz" ${runs:-? ?}
done
