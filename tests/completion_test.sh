#!/usr/bin/env bash
# qmx's bash completion driven as bash drives it, held with the manual page
# against `qmx --help` and against the registry of the edits as REGISTRY (a
# test program) prints it.
# Usage: completion_test.sh COMPLETION_SCRIPT QMX MANUAL REGISTRY
set -uo pipefail
export LC_ALL=C  # the order sort gives the rows
script=$(realpath "$1") qmx=$(realpath "$2") manual=$(realpath "$3")
registry=$("$4") || { echo "FAIL: $4"; exit 1; }
work=$(mktemp -d) && cd "$work" || exit 1
trap 'rm -rf "$work"' EXIT
mkdir dir && touch a.qmx b.QMXbak qmxfile qmx.txt notes.txt -- -w.qmx
# shellcheck source=/dev/null
source "$script"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

complete_words() {  # the words of the line; the last one is being typed
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _qmx
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

# Each row: the words as bash splits them | the sorted completions.
while IFS='|' read -r words expected; do
  eval "words=($words)"
  got=$(complete_words "${words[@]}")
  [[ "${got% }" == "$(echo $expected)" ]] ||
    fail "${words[*]}: got '${got% }', expected '$(echo $expected)'"
done <<'EOF'
qmx ''                        | cut help info mirror move plot rotate
qmx --v                       | --version
qmx -q r                      | rotate
qmx help ''                   | cut info mirror move plot rotate
qmx help move ''              |
qmx cut --f                   | --front
qmx rotate --by ''            |
qmx info ''                   | -w.qmx a.qmx b.QMXbak dir qmxfile
qmx mirror a.qmx -- -         | -w.qmx
qmx move -o ''                | dir
qmx move --output-dir = ''    | dir
qmx plot -o n                 | notes.txt
qmx plot --n                  | --null
EOF

# Help either way fits 80 columns; all it lists is completed and in the manual.
for subcommand in '' move rotate cut mirror info plot; do
  help=$("$qmx" $subcommand --help) || { echo "FAIL: qmx $subcommand --help"; exit 1; }
  [[ $("$qmx" help $subcommand) == "$help" && $help == *"Usage: qmx"* ]] || fail "qmx help $subcommand"
  ! grep -n '.\{81\}' <<<"$help" || fail "qmx $subcommand --help is wider than 80 columns"
  listed=$(sed -n 's/^  \(-[^ ]*\).*/\1/p' <<<"$help" | tr ',' '\n')
  [ -n "$subcommand" ] || listed+=$'\n'$(sed -n '/^Subcommands:/,/^$/s/^  \([a-z]\+\) .*/\1/p' <<<"$help")
  [ -n "$listed" ] || { echo "FAIL: no options in qmx $subcommand --help"; exit 1; }
  offered=" $(complete_words qmx $subcommand -) $(complete_words qmx $subcommand '')"
  for item in $listed; do
    [[ $offered == *" $item "* ]] || fail "qmx $subcommand: '$item' is not completed"
    [[ $item != -* ]] || grep -qF -- "*$item*" "$manual" || fail "'$item' is not in the manual page"
  done
done
# The edits as the registry lists them: the completion offers each
# subcommand, and exactly its options, and no name for an option's value;
# the manual page shows each with its options, its program and its ranges.
edits=$(awk 'NF == 2 {print $1}' <<<"$registry")
subcommands=$(printf '%s\n' "$edits" info plot help | sort | tr '\n' ' ')
[[ $(complete_words qmx '') == "$subcommands" ]] ||
  fail "qmx: completes '$(complete_words qmx '')', the registry has '$subcommands'"
for edit in $edits; do
  program=$(awk -v e="$edit" '$1 == e && NF == 2 {print $2}' <<<"$registry")
  given=$(awk -v e="$edit" '$1 == e && NF > 2' <<<"$registry")
  options=$(awk '{print $2}' <<<"$given")
  expected=$(printf '%s\n' -o --output-dir -q --quiet -0 --null --skip-existing \
    -h --help "$options" | grep . | sort | tr '\n' ' ')
  [[ $(complete_words qmx "$edit" -) == "$expected" ]] ||
    fail "qmx $edit: completes '$(complete_words qmx "$edit" -)', the registry gives '$expected'"
  grep -qF -- "*$program*(1)" "$manual" || fail "'$program' is not in the manual page"
  synopsis=
  while read -r _ option type ranges; do
    [ -n "$option" ] || continue
    [[ $(complete_words qmx "$edit" "$option" '') == " " ]] ||
      fail "qmx $edit $option: its value is completed"
    synopsis+=" *$option* _${type}_"
    for range in $ranges; do
      grep -qF -- "$range" "$manual" || fail "$edit $option: $range is not in the manual page"
    done
  done <<<"$given"
  grep -qxF -- "*qmx $edit*$synopsis [_EDIT OPTIONS_] _FILE_...++" "$manual" ||
    fail "the manual page's synopsis has no '*qmx $edit*$synopsis'"
  grep -qxF -- "*$edit*$synopsis" "$manual" ||
    fail "the manual page's subcommands have no '*$edit*$synopsis'"
done
exit $((failures > 0))
