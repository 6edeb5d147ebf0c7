#!/usr/bin/env bash
# install_test.sh CMAKE BUILD_DIR: "cmake --install" into a fresh prefix gives bin/pck, its
# manual page and its bash completion and nothing else; the program runs from there, the
# completion completes with it, and the manual renders cleanly and names every command, option
# and environment variable the program's help does.
cmake=$1 build=$(readlink -f "$2")
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"

"$cmake" --install "$build" --prefix "$work/prefix" >/dev/null
files=$(cd "$work/prefix" && find . -type f -o -type l | sort | tr '\n' ' ')
[ "$files" = "./bin/pck ./share/bash-completion/completions/pck ./share/locale/pt/LC_MESSAGES/pck.mo ./share/man/man1/pck.1 " ] ||
  fail "installed files: $files"
pck=$work/prefix/bin/pck
grep -q "^Usage: pck COMMAND" <<<"$(LANG=C.UTF-8 "$pck" --help)" || fail "the installed pck does not run"
grep -q "^Uso: pck COMANDO" <<<"$(LANG=pt_BR.UTF-8 "$pck" --help)" ||
  fail "the installed pck does not find its Portuguese messages"
completed=$(bash -c '. "$1"; COMP_WORDS=("$2" ext); COMP_CWORD=1; _pck "$2" ext "$2"
                     printf "%s\n" "${COMPREPLY[@]}"' - \
              "$work/prefix/share/bash-completion/completions/pck" "$pck")
[ "$completed" = extract ] || fail "the installed completion offers: $completed"

man=$work/prefix/share/man/man1/pck.1
groff -man -ww -z "$man" 2>"$work/warnings" || fail "groff failed on the manual"
[ ! -s "$work/warnings" ] || fail "the manual has warnings: $(cat "$work/warnings")"
groff -man -Tascii -P-cbou "$man" 2>/dev/null > "$work/manual.txt"
commands=$("$pck" --help | sed -n 's/^  pck \([a-z]*\).*/\1/p')
[ "$(echo "$commands" | wc -l)" -ge 6 ] || fail "too few commands in the help: $commands"
for c in $commands; do
  grep -q "pck $c" "$work/manual.txt" || fail "the manual lacks the command $c"
  for option in $("$pck" "$c" --help | grep -oE -- '(^| |\[)--?[a-z][a-z-]*' | tr -d ' [' | sort -u); do
    grep -q -- "$option" "$work/manual.txt" || fail "the manual lacks $option of $c"
  done
done
for word in SOURCE_DATE_EPOCH TMPDIR "EXIT STATUS" "encrypts nothing" DISK1 --version \
  bash-completion LC_MESSAGES LANGUAGE Portuguese; do
  grep -q "$word" "$work/manual.txt" || fail "the manual lacks $word"
done
echo "install tree: bin/pck, its manual page and its completion"
