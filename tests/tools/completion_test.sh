#!/usr/bin/env bash
# completion_test.sh COMPLETION PCK: what bash offers for pck at each point of a command line:
# commands, the options of the command at hand (read from its help, so a new option is offered
# without a change here), the values of options, and directories where a directory is wanted.
completion=$1 pck=$2
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
. "$completion"
mkdir -p dirs/inner && touch dirs/file.pck

# offers WORDS...: what _pck offers for the command line WORDS, the last one being completed.
offers() {
  COMP_WORDS=("$pck" "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _pck "$pck" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() {
  local want=$1
  shift
  local got
  got=$(offers "$@")
  [ "$got" = "$want" ] || fail "pck $*<TAB>: offered \"$got\", wanted \"$want\""
}

expect "create " cr
expect "compress create " c
expect "--help --version " --
expect "expand extract " help ex
expect "--directory " extract a.pck --dir
expect "--json " list a.pck --j
expect "--quiet " test a.pck --q
expect "fast " create a.pck --mode f
expect "auto fast good " compress --mode ""
expect "fast " compress --mode = f
expect "dirs/inner " extract a.pck -C dirs/
expect "dirs/file.pck dirs/inner " create a.pck -T dirs/
expect "dirs/file.pck dirs/inner " create a.pck --files-from dirs/
expect "" create a.pck --jobs ""
# Every option of every command's help is offered for it.
for command in $("$pck" --help | sed -n 's/^  pck \([a-z]*\).*/\1/p'); do
  offered=$(offers "$command" -)
  for option in $("$pck" "$command" --help | grep -oE '^  (-[a-zA-Z], )?--[a-z-]+' | grep -oE -- '--?[a-z-]+'); do
    [[ " $offered" == *" $option "* ]] || fail "$command: $option is not offered ($offered)"
  done
done
echo "completion: all checks passed"
