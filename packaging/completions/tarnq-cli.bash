# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for tarnq-cli

_tarnq_cli() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null; then
    _init_completion -n = || return
  else
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
  fi

  local commands="find info load play similarity preset help"
  local list="--settings --sort --reverse --select-dupes --keep --keep-in --select-in --prefer
    --protect --copy-to --move-to --trash --delete --wipe --all-copies --dry-run --yes --quiet --save
    --export --format --columns --json --paths -0 --help"
  local find_only="--preset --exclude --no-recurse --similar --artist --title --duration-tolerance
    --same --filter --cache --no-cache --verbose"

  # The command is the first word that is not an option.
  local command="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      -*) ;;
      *) command=${words[i]}; break ;;
    esac
  done

  # A value of `--opt=value` is completed like the value after `--opt`.
  if [[ $cur == --*=* ]]; then
    prev=${cur%%=*}
    cur=${cur#*=}
  fi

  case $prev in
    --preset) COMPREPLY=($(compgen -f -X '!*.[tT][nN][qQ]' -- "$cur") $(compgen -d -- "$cur")); return ;;
    --save) COMPREPLY=($(compgen -f -X '!*.[tT][aA][rR][nN][qQ]' -- "$cur") $(compgen -d -- "$cur")); return ;;
    --exclude | --keep-in | --select-in | --prefer | --protect | --copy-to | --move-to)
      COMPREPLY=($(compgen -d -- "$cur")); return ;;
    --cache | --settings | --export | --output) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --sort)
      COMPREPLY=($(compgen -W "name ext path artist title album track genre bitrate duration type
        comment bpm size time none" -- "$cur")); return ;;
    --keep) COMPREPLY=($(compgen -W "best first newest oldest" -- "$cur")); return ;;
    --format)
      COMPREPLY=($(compgen -W "txt txt-utf16 csv csv-utf16 html html-utf16 html-utf8 txt-utf8 csv-utf8" \
        -- "$cur")); return ;;
    --same) COMPREPLY=($(compgen -W "album track genre bitrate bpm type" -- "$cur")); return ;;
    --columns) COMPREPLY=($(compgen -W "+group +selected +size" -- "$cur")); return ;;
    --artist | --title | --duration-tolerance | --filter | --start | --seconds | --volume) return ;;
  esac

  case $command in
    "")
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--version --help" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
      fi ;;
    find)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$find_only $list" -- "$cur"))
      else
        COMPREPLY=($(compgen -f -- "$cur"))
      fi ;;
    load)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$list" -- "$cur"))
      else
        COMPREPLY=($(compgen -f -X '!*.[tT][aA][rR][nN][qQ]' -- "$cur") $(compgen -d -- "$cur"))
      fi ;;
    info)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--json --help" -- "$cur"))
      else
        COMPREPLY=($(compgen -f -- "$cur"))
      fi ;;
    play)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--start --seconds --volume --output --help" -- "$cur"))
      else
        COMPREPLY=($(compgen -f -- "$cur"))
      fi ;;
    preset)
      if [[ ${words[cword - 1]} == preset ]]; then
        COMPREPLY=($(compgen -W "show" -- "$cur"))
      else
        COMPREPLY=($(compgen -f -X '!*.[tT][nN][qQ]' -- "$cur") $(compgen -d -- "$cur"))
      fi ;;
    help) COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
  esac
}

complete -o filenames -F _tarnq_cli tarnq-cli
