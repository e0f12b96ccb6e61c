#!/usr/bin/env bash
# qmx's bash completion driven as bash drives it, held with the manual page
# against `qmx --help`.  Usage: completion_test.sh COMPLETION_SCRIPT QMX MANUAL
set -uo pipefail
export LC_ALL=C  # the order sort gives the rows
script=$(realpath "$1") qmx=$(realpath "$2") manual=$(realpath "$3")
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
exit $((failures > 0))
