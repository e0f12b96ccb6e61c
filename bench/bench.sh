#!/usr/bin/env bash
# Times each tool against cp of the same files and measures its peak memory:
#
#   largest  the largest animation the format can describe (65535 keyframes
#            of 15 meshes after 8191 header records: about 7.3 MB), one file;
#   batch    1000 typical animations (60 keyframes of 15 meshes, 6.7 kB
#            each) in one run, answered as a user would: Gyrel and Shovan
#            once, with "y" to the use-for-all question, Snipla for every
#            file, Flipta not at all;
#   huge     (memory only) the largest animation followed by 2 GiB of
#            trailing data, a sparse file.
#
# Runs come in pairs, cp and the tool one right after the other (which one
# first alternates), so that both meet the machine in the same state. Prints
# the median wall time of each, its ratio to the median of cp, the peak
# resident memory (getrusage, through /usr/bin/time) and whether the targets
# hold: at most 1.2x cp, at most 32 MB. Exits non-zero when one is missed.
#
#   bench/bench.sh [runs]        (default 21 pairs of each)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-21}
source tools/setup.sh
qmx_install time bc
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQMX_BUILD_TESTS=OFF \
  >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null
bin=$PWD/build-bench/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/largest" "$work/batch" "$work/huge" "$work/copy"
"$bin/qmxgen" largest "$work/largest/largest.qmx"
cp "$work/largest/largest.qmx" "$work/huge/huge.qmx"
truncate -s +2G "$work/huge/huge.qmx"
batch=()
for ((i = 1000; i < 2000; i++)); do
  "$bin/qmxgen" shape "$work/batch/a$i.qmx" records=2 keyframes=60 meshes=15 \
    seed=$i
  batch+=("a$i.qmx")
done
batch_bytes=$(stat -c %s "$work/batch/a1000.qmx")

answers() {  # tool, files: what a user types for that many files
  case $1 in
    gyrel) printf '90\ny\n' ;;
    shovan) printf '256 0 -512\ny\n' ;;
    snipla) for ((i = 0; i < $2; i++)); do printf '1 1\n'; done ;;
    flipta) ;;
  esac
}

# Removes what a run left: results and copies.
clean() {
  find "$work/largest" "$work/batch" "$work/huge" -mindepth 1 \
    ! -name 'largest.qmx' ! -name 'huge.qmx' ! -name 'a[0-9][0-9][0-9][0-9].qmx' \
    -delete
  find "$work/copy" -mindepth 1 -delete
}

# Wall time in microseconds of one run of a command in directory $1 with
# input from $2; what it leaves is removed afterwards, outside the timing.
time_us() {
  local dir=$1 input=$2 start end
  shift 2
  cd "$dir"
  start=$EPOCHREALTIME
  "$@" <"$input" >/dev/null
  end=$EPOCHREALTIME
  cd - >/dev/null
  clean
  echo $((${end/./} - ${start/./}))
}

median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }

# Times `runs` pairs of cp and a tool on the same files and sets cp_us and
# tool_us to their medians. $1: the files' directory; $2: the tool's input;
# then cp's arguments, "--", and the tool's command.
compare() {
  local dir=$1 input=$2 cp_args=() cp_times=() tool_times=() i
  shift 2
  while [ "$1" != -- ]; do
    cp_args+=("$1")
    shift
  done
  shift
  for ((i = 0; i < runs; i++)); do
    if ((i % 2 == 0)); then
      cp_times+=("$(time_us "$dir" "$work/none" cp "${cp_args[@]}")")
      tool_times+=("$(time_us "$dir" "$input" "$@")")
    else
      tool_times+=("$(time_us "$dir" "$input" "$@")")
      cp_times+=("$(time_us "$dir" "$work/none" cp "${cp_args[@]}")")
    fi
  done
  cp_us=$(printf '%s\n' "${cp_times[@]}" | median)
  tool_us=$(printf '%s\n' "${tool_times[@]}" | median)
}

# Peak resident memory in kB of one run.
peak_kb() {
  local dir=$1 input=$2 kb
  shift 2
  kb=$(cd "$dir" && /usr/bin/time -f %M "$@" <"$input" 2>&1 >/dev/null | tail -n 1)
  clean
  echo "$kb"
}

ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
within() { [ "$(echo "$1 <= $2" | bc -l)" -eq 1 ]; }
ms() { printf '%.1f' "$(echo "$1 / 1000" | bc -l)"; }

printf '' >"$work/none"
max_ratio=1.2
max_kb=$((32 * 1024))
missed=0

echo "largest file: $(stat -c %s "$work/largest/largest.qmx") bytes;" \
  "batch: 1000 files of $batch_bytes bytes; huge: $(stat -c %s "$work/huge/huge.qmx") bytes"
echo "median of $runs pairs with cp; peak memory in kB (limit $max_kb)"
printf '%-7s %8s %8s %6s %8s %8s %6s %8s %8s %8s %7s\n' tool \
  largest cp ratio batch cp ratio peak peak peak targets
printf '%-7s %8s %8s %6s %8s %8s %6s %8s %8s %8s %7s\n' '' \
  ms ms '' ms ms '' largest batch huge met
for tool in gyrel shovan snipla flipta; do
  answers "$tool" 1 >"$work/one"
  answers "$tool" 1000 >"$work/all"
  compare "$work/largest" "$work/one" largest.qmx ../copy/ -- \
    "$bin/$tool" largest.qmx
  largest_us=$tool_us cp_largest=$cp_us
  compare "$work/batch" "$work/all" "${batch[@]}" ../copy/ -- \
    "$bin/$tool" "${batch[@]}"
  batch_us=$tool_us cp_batch=$cp_us
  largest_kb=$(peak_kb "$work/largest" "$work/one" "$bin/$tool" largest.qmx)
  batch_kb=$(peak_kb "$work/batch" "$work/all" "$bin/$tool" "${batch[@]}")
  huge_kb=$(peak_kb "$work/huge" "$work/one" "$bin/$tool" huge.qmx)
  met=yes
  within "$largest_us" "$max_ratio * $cp_largest" || met=NO
  within "$batch_us" "$max_ratio * $cp_batch" || met=NO
  for kb in "$largest_kb" "$batch_kb" "$huge_kb"; do
    within "$kb" "$max_kb" || met=NO
  done
  [ "$met" = yes ] || missed=1
  printf '%-7s %8s %8s %6s %8s %8s %6s %8s %8s %8s %7s\n' "$tool" \
    "$(ms "$largest_us")" "$(ms "$cp_largest")" \
    "$(ratio "$largest_us" "$cp_largest")" \
    "$(ms "$batch_us")" "$(ms "$cp_batch")" "$(ratio "$batch_us" "$cp_batch")" \
    "$largest_kb" "$batch_kb" "$huge_kb" "$met"
done
exit "$missed"
