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
# Runs come in pairs, cp and the tool one right after the other, which one
# first alternating, so that both meet the machine in the same state; the
# ratio tool time / cp time is taken pair by pair and reported as its median
# with its interquartile range. A drift in the machine's load between pairs
# moves both halves of a pair alike, so the ratios hold still where the
# times do not.
#
# cp does the same file work as the tool: it reads the same inputs (through
# hard links to them), writes the same number of files under the very names
# the tool gives its results, into the same directory, beside the inputs, so
# that both start from the same directory state. A first, untimed run of
# each tool names its results and warms the caches; after every run its
# results are counted and removed, outside the timing. A run that leaves
# the wrong number of files counts as a miss.
#
# Targets: the median ratio at most 1.15 on the largest animation and 1.10
# on the batch; peak resident memory (getrusage, through /usr/bin/time) at
# most 4 MB on each input. Exit status: 0 when every target holds over at
# least 21 pairs, 1 when one is missed (the misses are listed), 2 for a
# trial of fewer pairs that holds, or for a usage error.
#
#   bench/bench.sh [pairs [tool...]]     (default: 21 pairs, all four tools)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

all_tools=(gyrel shovan snipla flipta)
min_pairs=21
max_ratio_largest=1.15
max_ratio_batch=1.10
max_kb=$((4 * 1024))

usage() {
  echo "usage: bench/bench.sh [pairs [tool...]]   (tools: ${all_tools[*]})" >&2
  exit 2
}
pairs=${1:-$min_pairs}
[[ $pairs =~ ^[1-9][0-9]*$ ]] || usage
tools=("${@:2}")
[ ${#tools[@]} -gt 0 ] || tools=("${all_tools[@]}")
for tool in "${tools[@]}"; do
  [[ " ${all_tools[*]} " == *" $tool "* ]] || usage
done

source tools/setup.sh
qmx_install time
# The programs as the .deb has them: a Linux Release build. CMake's lines
# go to standard error, the figures to standard output.
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQMX_BUILD_TESTS=OFF \
  -DQMX_BUILD_MAN=OFF -DQMX_BUILD_STUDIO=OFF >&2
cmake --build build-bench -j "$(nproc)" >&2
bin=$root/build-bench/bin

work=$(mktemp -d)
trap 'cd "$root"; rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# What is being measured, on one line of a terminal that the next one
# replaces (the table's rows stay as they are, ready to copy): a run of all
# four tools takes minutes.
progress() {
  if [ -t 2 ]; then printf '\r\033[K%s' "$*" >&2; fi
}

# Each input directory holds its inputs only; everything else in it is what
# a run left.
progress "Making the inputs"
mkdir "$work/largest" "$work/batch" "$work/huge"
"$bin/qmxgen" largest "$work/largest/largest.qmx"
cp "$work/largest/largest.qmx" "$work/huge/huge.qmx"
truncate -s +2G "$work/huge/huge.qmx"
batch=()
for ((i = 1000; i < 2000; i++)); do
  "$bin/qmxgen" shape "$work/batch/a$i.qmx" records=2 keyframes=60 meshes=15 \
    seed=$i
  batch+=("a$i.qmx")
done
: >"$work/none"

answers() {  # tool, files: what a user types for that many files
  case $1 in
    gyrel) printf '90\ny\n' ;;
    shovan) printf '256 0 -512\ny\n' ;;
    snipla) for ((i = 0; i < $2; i++)); do printf '1 1\n'; done ;;
    flipta) ;;
  esac
}

# Runs find on what directory $1 holds beside its inputs, with the actions
# that follow.
find_leftovers() {
  local dir=$1
  shift
  find "$dir" -mindepth 1 -maxdepth 1 -regextype posix-extended \
    ! -regex '.*/(a[0-9]{4}|largest|huge)\.qmx' "$@"
}

# Prints the names in directory $1 that are not inputs, sorted.
leftovers() { find_leftovers "$1" -printf '%f\n' | LC_ALL=C sort; }

misses=()

# Checks that directory $1 holds $2 files beside its inputs, notes a miss
# naming $3 when not, and removes them.
collect() {
  local count
  count=$(leftovers "$1" | wc -l)
  [ "$count" -eq "$2" ] || misses+=("$3 left $count files instead of $2")
  find_leftovers "$1" -exec rm -rf {} +
}

# Runs a command in directory $1 with standard input from $2 and sets run_us
# to its wall time in microseconds.
timed() {
  local dir=$1 input=$2 start end
  shift 2
  cd "$dir"
  start=$EPOCHREALTIME
  "$@" <"$input" >/dev/null 2>&1 || true
  end=$EPOCHREALTIME
  cd "$root"
  # The seconds' separator follows the locale.
  run_us=$((${end//[.,]/} - ${start//[.,]/}))
}

# Runs a tool on the inputs in directory $1 with standard input from $2,
# sets kb to its peak resident memory in kB and expects one result per input
# (see collect); $3 names the input.
peak() {
  local dir=$1 input=$2 label="${4##*/} on the $3 input (memory)"
  shift 3
  : >"$work/rss"
  (cd "$dir" && /usr/bin/time -o "$work/rss" -f %M "$@" <"$input" \
    >/dev/null 2>&1) || true
  kb=$(tail -n 1 "$work/rss")
  kb=${kb:-unknown}
  collect "$dir" $(($# - 1)) "$label"
}

# Prints the median and the first and third quartile of the numbers on
# standard input, one a line (linear interpolation between the sorted
# values: for 21 of them the 11th, the 6th and the 16th).
quartiles() {
  LC_ALL=C sort -g | LC_ALL=C awk '
    function q(p, at, lo) {
      at = 1 + p * (NR - 1); lo = int(at)
      return lo >= NR ? v[NR] : v[lo] + (at - lo) * (v[lo + 1] - v[lo])
    }
    { v[NR] = $1 }
    END { print q(0.5), q(0.25), q(0.75) }'
}

# Times `pairs` pairs of cp and a tool on the inputs of one directory and
# sets figures to "cp-ms tool-ms ratio q1 q3" (the medians, and the ratio's
# quartiles), or to dashes when the tool's results cannot be paired.
# $1: tool; $2: the directory; $3: the input's label; then the inputs.
compare() {
  local tool=$1 dir=$2 label="$1 on $3" answers=$work/answers results=()
  local links=() times=$work/times i cp_us tool_us
  shift 3
  local inputs=("$@") n=$#
  figures="- - - - -"
  answers "$tool" "$n" >"$answers"
  progress "Timing $label against cp, $pairs pairs"
  timed "$dir" "$answers" "$bin/$tool" "${inputs[@]}"
  mapfile -t results < <(leftovers "$dir")
  collect "$dir" "$n" "$label"
  [ ${#results[@]} -eq "$n" ] || return 0
  # Sorted, a result sits where its input does: its name starts with the
  # input's stem.
  rm -rf "$work/links"
  mkdir "$work/links"
  for i in "${!inputs[@]}"; do
    if [[ ${results[i]} != "${inputs[i]%.qmx}"* ]]; then
      misses+=("$label: no result for ${inputs[i]}")
      return 0
    fi
    ln "$dir/${inputs[i]}" "$work/links/${results[i]}"
    links+=("$work/links/${results[i]}")
  done
  : >"$times"
  for ((i = 0; i < pairs; i++)); do
    if ((i % 2 == 0)); then
      timed "$dir" "$work/none" cp -- "${links[@]}" .
      cp_us=$run_us
      collect "$dir" "$n" "cp for $label"
    fi
    timed "$dir" "$answers" "$bin/$tool" "${inputs[@]}"
    tool_us=$run_us
    collect "$dir" "$n" "$label"
    if ((i % 2 == 1)); then
      timed "$dir" "$work/none" cp -- "${links[@]}" .
      cp_us=$run_us
      collect "$dir" "$n" "cp for $label"
    fi
    echo "$cp_us $tool_us" >>"$times"
  done
  figures="$(LC_ALL=C awk '{ print $1 / 1000 }' "$times" | quartiles | cut -d' ' -f1)"
  figures+=" $(LC_ALL=C awk '{ print $2 / 1000 }' "$times" | quartiles | cut -d' ' -f1)"
  figures+=" $(LC_ALL=C awk '{ print $2 / $1 }' "$times" | quartiles)"
}

# Checks a median ratio $1 against its target $2; $3 names the run. A run
# without figures has its miss noted already.
hold() {
  [ "$1" != - ] || return 0
  LC_ALL=C awk -v r="$1" -v max="$2" 'BEGIN { exit !(r <= max) }' ||
    misses+=("$3: median ratio $(LC_ALL=C awk -v r="$1" \
      'BEGIN { printf "%.2f", r }'), target at most $2")
}

size() { stat -c %s "$1"; }
load() { cut -d' ' -f1 /proc/loadavg; }
load_start=$(load)
progress
echo "Inputs: largest $(size "$work/largest/largest.qmx") bytes;" \
  "batch 1000 files of $(size "$work/batch/a1000.qmx") bytes;" \
  "huge $(size "$work/huge/huge.qmx") bytes (sparse)."
echo "$pairs pairs with cp per tool and input; times are medians; ratio is" \
  "tool time / cp time of the same pair, median (interquartile range)."
echo "Targets: ratio at most $max_ratio_largest on the largest file and" \
  "$max_ratio_batch on the batch; peak memory at most $max_kb kB."
echo
echo "| Tool | Largest file | \`cp\` | Ratio | Batch of 1000 | \`cp\` | Ratio | Peak memory (largest, batch, 2 GiB) |"
echo "|------|-------------:|-----:|------:|--------------:|-----:|------:|------------------------------------:|"
for tool in "${tools[@]}"; do
  compare "$tool" "$work/largest" "the largest file" largest.qmx
  read -r cp_large tool_large ratio_large q1_large q3_large <<<"$figures"
  hold "$ratio_large" "$max_ratio_largest" "$tool on the largest file"
  compare "$tool" "$work/batch" "the batch" "${batch[@]}"
  read -r cp_batch tool_batch ratio_batch q1_batch q3_batch <<<"$figures"
  hold "$ratio_batch" "$max_ratio_batch" "$tool on the batch"
  peaks=()
  progress "Peak memory of $tool"
  for input in largest batch huge; do
    files=("$input.qmx")
    [ "$input" != batch ] || files=("${batch[@]}")
    answers "$tool" ${#files[@]} >"$work/answers"
    peak "$work/$input" "$work/answers" "$input" "$bin/$tool" "${files[@]}"
    [ "$kb" -le "$max_kb" ] 2>/dev/null ||
      misses+=("$tool on the $input input: peak memory $kb kB, target at most $max_kb kB")
    peaks+=("$kb")
  done
  progress
  LC_ALL=C awk -v t="$tool" \
    -v cl="$cp_large" -v tl="$tool_large" -v rl="$ratio_large" \
    -v al="$q1_large" -v bl="$q3_large" \
    -v cb="$cp_batch" -v tb="$tool_batch" -v rb="$ratio_batch" \
    -v ab="$q1_batch" -v bb="$q3_batch" -v peaks="${peaks[*]}" '
    function ms(x) { return x == "-" ? "-" : sprintf("%.1f ms", x) }
    function ratio(r, a, b) {
      return r == "-" ? "-" : sprintf("%.2f (%.2f-%.2f)", r, a, b)
    }
    BEGIN {
      gsub(/ /, ", ", peaks)
      printf "| `%s` | %s | %s | %s | %s | %s | %s | %s kB |\n", t, ms(tl),
        ms(cl), ratio(rl, al, bl), ms(tb), ms(cb), ratio(rb, ab, bb), peaks
    }'
done
echo
# Pairs keep the ratios steady under a moderate drift of load; on a machine
# busier than its cores, single runs are delayed at random and the ratios
# spread, so the figures deserve a note. The benchmark itself adds about 1
# to the load.
echo "Load average (1 minute): $load_start at the start, $(load) at the end," \
  "on $(nproc) cores."
LC_ALL=C awk -v a="$load_start" -v b="$(load)" -v n="$(nproc)" \
  'BEGIN { exit !(a > n + 1 || b > n + 1) }' &&
  echo "The machine was busy: take the figures again when it is quiet."
if [ ${#misses[@]} -gt 0 ]; then
  echo "Missed:"
  printf '  %s\n' "${misses[@]}" | awk '!seen[$0]++'
  exit 1
fi
if [ "$pairs" -lt "$min_pairs" ]; then
  echo "Every target holds over $pairs pairs: a trial; a verdict takes $min_pairs."
  exit 2
fi
echo "Every target holds."
