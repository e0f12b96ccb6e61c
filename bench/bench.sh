#!/usr/bin/env bash
# Times each tool against cp of the same files and measures its peak memory:
#
#   largest  the largest animation the format can describe (65535 keyframes
#            of 15 meshes after 8191 header records: about 7.3 MB), one file;
#   batch    1000 typical animations (60 keyframes of 15 meshes, 6.7 kB
#            each) in one run, answered as a user would: Gyrel and Shovan
#            once, with "y" to the use-for-all question, Snipla for every
#            file, Flipta not at all.
#
# Prints the median wall time of each, its ratio to the median of cp, the
# peak resident memory (getrusage, through /usr/bin/time) and whether the
# targets hold: at most 2x cp, and at most the largest input plus 8 MB.
# cp and the tool take turns, run by run: removing the 1000 files of one run
# slows the next one down, so both must meet the file system in one state.
#
#   bench/bench.sh [runs]        (default 21 runs of each)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-21}
source tools/setup.sh
qmx_install time bc
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQMX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" >/dev/null
bin=$PWD/build-bench/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/largest" "$work/batch" "$work/copy"
"$bin/qmxgen" largest "$work/largest/largest.qmx"
batch=()
for ((i = 1000; i < 2000; i++)); do
  "$bin/qmxgen" shape "$work/batch/a$i.qmx" records=2 keyframes=60 meshes=15 \
    seed=$i
  batch+=("a$i.qmx")
done
largest_bytes=$(stat -c %s "$work/largest/largest.qmx")
batch_bytes=$(stat -c %s "$work/batch/a1000.qmx")

answers() {  # tool, files: what a user types for that many files
  case $1 in
    gyrel) printf '90\ny\n' ;;
    shovan) printf '256 0 -512\ny\n' ;;
    snipla) for ((i = 0; i < $2; i++)); do printf '1 1\n'; done ;;
    flipta) ;;
  esac
}

# Removes what a run left: results, the working copy, copies.
clean() {
  find "$work/largest" "$work/batch" -mindepth 1 ! -name 'largest.qmx' \
    ! -name 'a[0-9][0-9][0-9][0-9].qmx' -delete
  find "$work/copy" -mindepth 1 -delete
}

now() { date +%s%N; }

# Wall time in microseconds of a command run in directory $1 with input
# from $2; the files it leaves are removed afterwards, outside the timing.
time_us() {
  local dir=$1 input=$2 start end
  shift 2
  start=$(now)
  (cd "$dir" && "$@" <"$input" >/dev/null)
  end=$(now)
  clean
  echo $(((end - start) / 1000))
}

median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }

# Times `runs` runs of cp and of a tool on the same files in turn, so that
# both see the file system in the same state, and sets cp_us and tool_us to
# their medians. $1: the files' directory; $2: the tool's input; then cp's
# arguments, "--", and the tool's command.
compare() {
  local dir=$1 input=$2 cp_args=() cp_times=() tool_times=() i
  shift 2
  while [ "$1" != -- ]; do
    cp_args+=("$1")
    shift
  done
  shift
  for ((i = 0; i < runs; i++)); do
    cp_times+=("$(time_us "$dir" "$work/none" cp "${cp_args[@]}")")
    tool_times+=("$(time_us "$dir" "$input" "$@")")
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
verdict() { [ "$(echo "$1 <= $2" | bc -l)" -eq 1 ] && echo yes || echo NO; }

printf '' >"$work/none"
limit_largest=$((largest_bytes / 1024 + 8192))
limit_batch=$((batch_bytes / 1024 + 8192))
ms() { printf '%.1f' "$(echo "$1 / 1000" | bc -l)"; }

echo "largest file: $largest_bytes bytes; batch: 1000 files of $batch_bytes bytes"
echo "median of $runs runs each, cp timed in turn with every tool; peak memory in kB"
printf '%-7s %8s %8s %6s %8s %8s %6s %8s %8s %8s %8s %7s\n' tool \
  largest cp ratio batch cp ratio peak limit peak limit targets
printf '%-7s %8s %8s %6s %8s %8s %6s %8s %8s %8s %8s %7s\n' '' \
  ms ms '' ms ms '' largest '' batch '' met
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
  met=yes
  [ "$(verdict "$largest_us" "2 * $cp_largest")" = yes ] || met=NO
  [ "$(verdict "$batch_us" "2 * $cp_batch")" = yes ] || met=NO
  [ "$(verdict "$largest_kb" "$limit_largest")" = yes ] || met=NO
  [ "$(verdict "$batch_kb" "$limit_batch")" = yes ] || met=NO
  printf '%-7s %8s %8s %6s %8s %8s %6s %8s %8s %8s %8s %7s\n' "$tool" \
    "$(ms "$largest_us")" "$(ms "$cp_largest")" \
    "$(ratio "$largest_us" "$cp_largest")" \
    "$(ms "$batch_us")" "$(ms "$cp_batch")" "$(ratio "$batch_us" "$cp_batch")" \
    "$largest_kb" "$limit_largest" "$batch_kb" "$limit_batch" "$met"
done
