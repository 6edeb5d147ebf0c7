#!/usr/bin/env bash
# pck_language_test.sh PCK [ARGS...]: pck in the user's language and answers that point at the
# fix: English by default and Portuguese when the locale asks for it (the Linux program by
# LC_ALL, LC_MESSAGES, LANG and LANGUAGE; the Windows one by the user's interface language, which
# Wine takes from LANG), every message "pck COMMAND: FILE: problem" with the file named once, and
# the hints: a disk of a set read alone names --media, a protected archive read without a
# password names --password-file, expand of an archive names extract, a size limit is no full
# disk.
runner=("$@")
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
mkdir tmp
export TMPDIR="$work/tmp"
native() { [ ${#runner[@]} -eq 1 ]; }
unset LC_ALL LC_MESSAGES LANGUAGE
export LANG=C.UTF-8

# pck with the environment given before it; stdout in out.txt and stderr in err.txt as UTF-8
# with LF line ends and "/" in paths (the Windows program writes Windows-1252, CR LF and "\");
# the exit status.
run() {
  local env=() rc=0
  while [ $# -gt 0 ] && [[ $1 == *=* ]]; do env+=("$1"); shift; done
  env "${env[@]}" "${runner[@]}" "$@" >out.raw 2>err.raw </dev/null || rc=$?
  if native; then cp out.raw out.txt; cp err.raw err.txt
  else
    tr -d '\r' <out.raw | tr '\\' / | iconv -f WINDOWS-1252 -t UTF-8 >out.txt
    tr -d '\r' <err.raw | tr '\\' / | iconv -f WINDOWS-1252 -t UTF-8 >err.txt
  fi
  return $rc
}
# expect STATUS TEXT [ENV...] ARGS...: the run ends with STATUS and stderr holds TEXT.
expect() {
  local status=$1 text=$2 rc=0
  shift 2
  run "$@" || rc=$?
  [ "$rc" -eq "$status" ] || fail "pck $*: exit $rc, not $status: $(cat err.txt)"
  grep -qF -- "$text" err.txt || fail "pck $*: no \"$text\" in: $(cat err.txt)"
}
PT=LANG=pt_BR.UTF-8

mkdir -p tree/sub
printf 'texto\n' > tree/a.txt
head -c 40000 /dev/urandom > tree/sub/r.bin
run create a.pck -C tree || fail "create: $(cat err.txt)"
run create p.pck -C tree --password segredo || fail "create -p: $(cat err.txt)"

# English by default, Portuguese when asked, in every message of pck's own and the engine's.
expect 1 "pck list: nosuch.pck: cannot open" list nosuch.pck
expect 1 "pck list: nosuch.pck: não é possível abrir" "$PT" list nosuch.pck
expect 1 "pck expand: tree/a.txt: not a compressed file" expand tree/a.txt o
expect 1 "pck expand: tree/a.txt: não é um arquivo comprimido" "$PT" expand tree/a.txt o
expect 1 "pck list: tree/sub/r.bin: not a .PCK archive" list tree/sub/r.bin
expect 1 "pck list: tree/sub/r.bin: não é um pacote .PCK" "$PT" list tree/sub/r.bin
expect 2 "Tente 'pck --help'" "$PT" bogus
run "$PT" help extract && grep -q "^Uso: pck extract" out.txt && grep -q "^Opções:" out.txt &&
  grep -q "padrão: a pasta atual" out.txt || fail "help in Portuguese: $(cat out.txt)"
run "$PT" list a.pck && grep -q "^Pacote: a.pck  (versão 2, 1 volume)" out.txt &&
  grep -q "2 entradas" out.txt || fail "listing in Portuguese: $(cat out.txt)"
if native; then
  # The platform's conventions: LC_ALL over LANG, LC_MESSAGES alone, LANGUAGE first of all.
  expect 1 "não é um pacote .PCK" LC_ALL=pt_BR.UTF-8 LANG=C list tree/sub/r.bin
  expect 1 "não é um pacote .PCK" LC_MESSAGES=pt_BR.UTF-8 list tree/sub/r.bin
  expect 1 "not a .PCK archive" LANGUAGE=en "$PT" list tree/sub/r.bin
  expect 1 "not a .PCK archive" LC_ALL=C "$PT" list tree/sub/r.bin
  # Numbers as scripts read them, whatever the language.
  run "$PT" list a.pck --json && grep -q '"version": 2,' out.txt || fail "JSON: $(cat out.txt)"
fi

# Each message names its file once.
run list nosuch.pck || true
[ "$(grep -o 'nosuch.pck' err.txt | wc -l)" -eq 1 ] || fail "the file named twice: $(cat err.txt)"

# A protected archive without a password and without a terminal: how to give it; and a wrong one.
expect 1 "p.pck: the archive is protected by a password, and none was given: give it with --password-file" list p.pck
expect 1 "dê-a com --password-file" "$PT" test p.pck
expect 1 "pck extract: p.pck: wrong password" extract p.pck -C out -p errada
expect 1 "senha errada" "$PT" list p.pck -p errada
printf 'segredo\n' > pw.txt
run list p.pck --password-file pw.txt || fail "password file: $(cat err.txt)"

# expand of an archive: use extract.
expect 1 "pck expand: a.pck: is a .PCK archive, not a compressed file: list it with \"pck list\" and unpack it with \"pck extract\"" expand a.pck o
expect 1 "extraia-o com \"pck extract\"" "$PT" expand a.pck o
[ ! -e o ] || fail "expand left an output"

# Disk 1 of a set read where the others are not: read the set with --media.
head -c 30000 /dev/urandom > tree/sub/r2.bin
run create s.pck -C tree --media m --volume-size 20K || fail "set: $(cat err.txt)"
[ -e m/DISK2/s.pck ] || fail "the set has one disk"
expect 1 "pck test: m/DISK1/s.pck: this is one disk of a set, and an entry goes on on the next disk: read the whole set with --media m s.pck" test m/DISK1/s.pck
expect 1 "leia o conjunto inteiro com --media m s.pck" "$PT" extract m/DISK1/s.pck -C d1
cp m/DISK1/s.pck first.pck
expect 1 "if it is the first disk of a set, give the folder that holds DISK1, DISK2, ... with --media DIR" extract first.pck -C d1
run test --media m s.pck || fail "the whole set: $(cat err.txt)"

# A size limit is called one, not a full disk (only the Linux program has a size limit to test).
if native; then
  head -c 300000 /dev/urandom > big.bin
  run compress big.bin big.z || fail "compress: $(cat err.txt)"
  rc=0; (ulimit -f 100; "${runner[@]}" expand big.z big.out) 2>err.txt || rc=$?
  [ $rc -eq 1 ] && grep -q "pck expand: big.out: cannot write: the file would grow past the size limit" err.txt ||
    fail "expand under a size limit: $rc $(cat err.txt)"
  [ ! -e big.out ] || fail "a partial output was left"
  cp big.bin tree/big.bin
  run create big.pck -C tree || fail "create: $(cat err.txt)"
  rc=0; (ulimit -f 100; LANG=pt_BR.UTF-8 "${runner[@]}" extract big.pck -C lim) 2>err.txt || rc=$?
  [ $rc -eq 1 ] && grep -q "big.bin: não é possível gravar: o arquivo passaria do limite de tamanho" err.txt ||
    fail "extract under a size limit: $rc $(cat err.txt)"
  rc=0; (ulimit -f 100; "${runner[@]}" create limited.pck -C tree) 2>err.txt || rc=$?
  [ $rc -eq 1 ] && grep -q "size limit for files" err.txt && ! grep -qi "disk is full" err.txt ||
    fail "create under a size limit: $rc $(cat err.txt)"
fi
echo "PASS"
