#!/usr/bin/env bash
# catalogue_test.sh SOURCE_DIR: every text pck marks for translation in its sources has a
# Portuguese translation in po/pt.po, and po/pck.pot holds every one of them.
src=$1
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
(cd "$src" && xgettext --language=C++ --keyword=_ --keyword=N_ --from-code=UTF-8 \
   -o "$work/now.pot" tools/pck/*.cpp) || fail "xgettext failed"
msgcmp "$src/po/pt.po" "$work/now.pot" 2>msgcmp.txt ||
  fail "texts without a Portuguese translation in po/pt.po: $(cat msgcmp.txt)"
msgcmp --use-untranslated "$src/po/pck.pot" "$work/now.pot" 2>msgcmp.txt ||
  fail "po/pck.pot lacks texts (cmake --build --target pck-pot): $(cat msgcmp.txt)"
# Untranslated or fuzzy entries would show English among the Portuguese.
stats=$(msgfmt --check --statistics -o /dev/null "$src/po/pt.po" 2>&1)
case $stats in *untranslated*|*fuzzy*) fail "po/pt.po: $stats" ;; esac
echo "catalogue: $stats"
