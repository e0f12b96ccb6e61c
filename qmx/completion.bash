# Bash completion for qmx: its subcommands, their options, and for the file
# arguments the names qmx takes (an extension starting with qmx or QMX; a
# name without a dot must start so itself) and directories. Needs bash
# alone, not the bash-completion package.

# Adds to COMPREPLY the names starting with $1 that are directories or, with
# $2 = qmx, animation files; with $2 = any, every name.
_qmx_names() {
  local name base extension
  while IFS= read -r name; do
    if [[ $2 == qmx && ! -d $name ]]; then
      base=${name##*/}
      extension=${base##*.}
      [[ $extension == qmx* || $extension == QMX* ]] || continue
    fi
    COMPREPLY+=("$name")
  done < <(compgen -f -- "$1")
  # Quoting of special characters and a slash after a directory, as for
  # any file name (only inside a completion: a direct call has no compopt).
  compopt -o filenames 2>/dev/null
  return 0
}

_qmx() {
  COMPREPLY=()
  local current=${COMP_WORDS[COMP_CWORD]} previous=
  ((COMP_CWORD > 1)) && previous=${COMP_WORDS[COMP_CWORD - 1]}
  # `--output-dir=DIR`: bash splits the word at '=' (COMP_WORDBREAKS).
  if [[ $current == = ]]; then
    previous=${COMP_WORDS[COMP_CWORD - 1]}
    current=
  elif [[ $previous == = ]] && ((COMP_CWORD > 2)); then
    previous=${COMP_WORDS[COMP_CWORD - 2]}
  fi

  local subcommands="move rotate cut mirror info plot help"
  local subcommand= subcommand_at=0 options_ended= i
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ -z $subcommand ]]; then
      [[ ${COMP_WORDS[i]} == -* ]] && continue
      subcommand=${COMP_WORDS[i]}
      subcommand_at=$i
    elif [[ ${COMP_WORDS[i]} == -- ]]; then
      options_ended=1
      break
    fi
  done

  local edit="-o --output-dir -q --quiet -0 --null --skip-existing -h --help"
  local options
  case $subcommand in
    "")
      if [[ $current == -* ]]; then
        options="-h --help --version"
      else
        options=$subcommands
      fi
      mapfile -t COMPREPLY < <(compgen -W "$options" -- "$current")
      return 0
      ;;
    help)
      # One subcommand after `help`.
      ((COMP_CWORD == subcommand_at + 1)) || return 0
      mapfile -t COMPREPLY < <(compgen -W "${subcommands% help}" -- "$current")
      return 0
      ;;
    move | rotate) options="--by $edit" ;;
    cut) options="--front --back $edit" ;;
    mirror) options=$edit ;;
    info) options="--json -h --help" ;;
    plot) options="-o --output -q --quiet -0 --null -h --help" ;;
    *) return 0 ;;
  esac

  if [[ -z $options_ended ]]; then
    case $previous in
      --by | --front | --back) return 0 ;;
      -o | --output-dir | --output)
        # A directory for the results; plot's picture may be any name.
        if [[ $subcommand == plot ]]; then
          _qmx_names "$current" any
        else
          mapfile -t COMPREPLY < <(compgen -d -- "$current")
          compopt -o filenames 2>/dev/null
        fi
        return 0
        ;;
    esac
    if [[ $current == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W "$options" -- "$current")
      return 0
    fi
  fi
  _qmx_names "$current" qmx
}

complete -F _qmx qmx
