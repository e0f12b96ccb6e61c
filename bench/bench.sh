#!/usr/bin/env bash
# Times each tool on the largest animation the format can describe (65535
# keyframes of 15 meshes, 8191 header records: about 7.3 MB) against cp of
# the same file, and prints the median wall times and their ratio.
#
#   bench/bench.sh [runs]        (default 21 runs each)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-21}
source tools/setup.sh
qmx_install
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQMX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null
bin=$PWD/build-bench/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$bin/qmxgen" largest largest.qmx

now() { date +%s%N; }

# Median of the wall times, in microseconds, of `runs` runs of a command;
# the files a run leaves are removed between runs, outside the timing.
median_us() {
  local times=() i start end
  for ((i = 0; i < runs; i++)); do
    start=$(now)
    "$@" >/dev/null
    end=$(now)
    times+=($(((end - start) / 1000)))
    find . -mindepth 1 ! -name largest.qmx ! -name answers -delete
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

run_tool() { "$bin/$1" largest.qmx <answers; }

cp_us=$(median_us cp largest.qmx copy.qmx)
printf '%-8s %10s %8s\n' tool median_us ratio
printf '%-8s %10d %8s\n' cp "$cp_us" 1.00
for spec in "shovan:256 0 -512" "gyrel:90" "snipla:0 0" "flipta:"; do
  tool=${spec%%:*}
  [ -x "$bin/$tool" ] || continue
  printf '%s\n\n' "${spec#*:}" >answers
  us=$(median_us run_tool "$tool")
  printf '%-8s %10d %8.2f\n' "$tool" "$us" "$(echo "$us / $cp_us" | bc -l)"
done
