#!/usr/bin/env bash
# pck_masks_test.sh PCK [ARGS...]: one mask rule for every command, on the shared table of cases
# (tests/tools/mask_cases.txt): create, extract, list, test and --exclude select the same files.
# Then the options people reach for: -k, -O, -T, --keep-going, and masks that select nothing.
runner=("$@")  # the program, possibly behind a runner such as winerun
cases="$(dirname "$(readlink -f "$0")")/../tools/mask_cases.txt"
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
mkdir tmp
export TMPDIR="$work/tmp"
native=$([ ${#runner[@]} -eq 1 ] && echo 1 || echo "")
pck() { "${runner[@]}" "$@"; }
leftovers() { { ls -A tmp | grep -v '^wine-'; find . -name '~pck*'; } || true; }
expect_status() {  # expect_status STATUS ERRFILE PCK-ARGS...
  local want=$1 err=$2 rc=0
  shift 2
  pck "$@" 2>"$err" >/dev/null || rc=$?
  [ "$rc" -eq "$want" ] || fail "pck $*: status $rc, wanted $want: $(cat "$err")"
}

all="README notes.txt .hidden docs/c.TXT docs/deep/big.txt docs/deep/x.dat usb/a.txt usb/sub/b
     usb/sub/c.d/e"
mkdir -p tree/docs/deep tree/usb/sub/c.d
for f in $all; do echo "$f" > "tree/$f"; done
pck create all.pck -C tree >/dev/null

sorted() { tr ' ' '\n' | grep -v '^-\?$' | LC_ALL=C sort || true; }
files_in() { [ ! -d "$1" ] || (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
listed() {  # the names pck list gives, one a line, sorted
  { pck list --json "$@" 2>/dev/null || true; } |
    sed -n 's/.*"name": "\([^"]*\)".*/\1/p' | LC_ALL=C sort
}
tested() {  # the names pck test -v names
  { pck test -v "$@" 2>/dev/null || true; } | tr -d '\r' | sed -n 's/^testing //p' | tr '\\' '/' |
    LC_ALL=C sort
}
everything=$(echo $all | sorted)

# --- The table: every command selects the same files with the same mask ---------------------
n=0
while IFS=$'\t' read -r mask want; do
  case $mask in '' | '#'*) continue ;; esac
  n=$((n + 1))
  want=$(echo "$want" | sorted)
  others=$(comm -23 <(echo "$everything") <(echo "$want"))
  rm -rf out c.pck
  if [ -n "$want" ]; then
    pck extract all.pck -C out -- "$mask" 2>err.txt || fail "extract '$mask': $(cat err.txt)"
  else
    expect_status 1 err.txt extract all.pck -C out -- "$mask"
    grep -qF "pck extract: $mask: not found in the archive" err.txt ||
      fail "extract '$mask' does not name the mask: $(cat err.txt)"
  fi
  [ "$(files_in out)" = "$want" ] || fail "extract '$mask' gave: $(files_in out | tr '\n' ' ')"
  [ "$(listed all.pck -- "$mask")" = "$want" ] ||
    fail "list '$mask' gave: $(listed all.pck -- "$mask" | tr '\n' ' ')"
  # Under Wine every start costs a second: the Windows program's own paths are extract and
  # list; create, test and --exclude share their code on both systems.
  [ -n "$native" ] || continue
  [ "$(tested all.pck -- "$mask")" = "$want" ] || fail "test '$mask' gave: $(tested all.pck -- "$mask")"
  if [ -n "$want" ]; then
    pck create c.pck -C tree -- "$mask" >/dev/null 2>err.txt || fail "create '$mask': $(cat err.txt)"
    [ "$(listed c.pck)" = "$want" ] || fail "create '$mask' stored: $(listed c.pck | tr '\n' ' ')"
  else
    expect_status 1 err.txt create c.pck -C tree -- "$mask"
    grep -qF "pck create: $mask: no file matches it under tree" err.txt ||
      fail "create '$mask' does not name the mask: $(cat err.txt)"
    [ ! -e c.pck ] || fail "create '$mask' wrote an archive"
  fi
  rm -rf out c.pck
  pck extract all.pck -C out --exclude "$mask"
  [ "$(files_in out)" = "$others" ] || fail "extract -x '$mask' gave: $(files_in out | tr '\n' ' ')"
  if [ -n "$others" ]; then
    pck create c.pck -C tree --exclude "$mask" >/dev/null
    [ "$(listed c.pck)" = "$others" ] || fail "create -x '$mask' stored: $(listed c.pck)"
  fi
done <"$cases"
[ "$n" -ge 20 ] || fail "only $n cases read from $cases"

# --- Masks that select nothing, beside ones that do -----------------------------------------
rm -rf out
expect_status 1 err.txt extract all.pck -C out usb/a.txt nosuch '*.none'
[ "$(files_in out)" = usb/a.txt ] || fail "the mask that matched was not extracted"
[ "$(grep -c 'not found in the archive' err.txt)" -eq 2 ] && grep -q '^pck extract: nosuch: ' err.txt ||
  fail "each mask that found nothing is named once: $(cat err.txt)"
expect_status 1 err.txt test all.pck README nosuch
grep -q '^pck test: nosuch: not found in the archive' err.txt || fail "test: $(cat err.txt)"
rc=0; pck list all.pck README nosuch >list.txt 2>err.txt || rc=$?
[ "$rc" -eq 1 ] && grep -q 'README' list.txt && grep -q '1 entry' list.txt &&
  grep -q '^pck list: nosuch: not found in the archive' err.txt || fail "list: $rc $(cat err.txt)"

# --- -T: names and masks one a line, from a file or standard input, in their order ----------
printf 'usb/a.txt\r\n\nREADME\ndocs/deep\n' > names.txt
pck create t.pck -C tree -T names.txt >/dev/null
[ "$(pck list t.pck --json | sed -n 's/.*"name": "\([^"]*\)".*/\1/p' | tr '\n' ' ')" = \
  "usb/a.txt README docs/deep/big.txt docs/deep/x.dat " ] || fail "-T stored: $(listed t.pck)"
printf 'notes.txt\n' | pck create s.pck -C tree -T - '*.dat' >/dev/null
[ "$(listed s.pck | tr '\n' ' ')" = "docs/deep/x.dat notes.txt " ] || fail "-T -: $(listed s.pck)"
: > empty.txt
expect_status 1 err.txt create e.pck -C tree -T empty.txt
[ ! -e e.pck ] || fail "an empty -T list made an archive"
expect_status 1 err.txt create e.pck -C tree -T no-such-list.txt
grep -q 'no-such-list.txt' err.txt || fail "-T of a missing file: $(cat err.txt)"
expect_status 2 err.txt create e.pck -C tree -T - --password-file -

# --- -k: nothing existing is replaced, the rest comes out, and the run says so --------------
rm -rf out && mkdir -p out/usb && echo mine > out/usb/a.txt && echo mine > out/README
expect_status 1 err.txt extract all.pck -C out -k
[ "$(cat out/usb/a.txt)" = mine ] && [ "$(cat out/README)" = mine ] || fail "-k replaced a file"
[ "$(files_in out)" = "$everything" ] || fail "-k did not extract the rest: $(files_in out)"
[ "$(grep -c 'exists, not replaced' err.txt)" -eq 2 ] || fail "-k: $(cat err.txt)"
grep -qE 'out[/\\]usb[/\\]a.txt' err.txt || fail "-k does not name the file kept: $(cat err.txt)"
if [ -n "$native" ]; then
  rm -rf out && mkdir out && ln -s nowhere out/README
  expect_status 1 err.txt extract all.pck -C out -k README
  [ "$(readlink out/README)" = nowhere ] && [ ! -e out/nowhere ] || fail "-k wrote through or over a link"
fi
rm -rf out && pck extract all.pck -C out -k || fail "-k into an empty folder failed"

# --- -O: the entries' bytes, in archive order, and nothing else -----------------------------
pck extract all.pck -O 'docs/*' >stdout.bin 2>err.txt
cat tree/docs/c.TXT tree/docs/deep/big.txt tree/docs/deep/x.dat | cmp - stdout.bin ||
  fail "-O wrote other bytes: $(od -c stdout.bin | head -3)"
[ ! -s err.txt ] || fail "-O said: $(cat err.txt)"
pck extract all.pck -O -v usb/a.txt >stdout.bin 2>err.txt
cmp -s tree/usb/a.txt stdout.bin && grep -q 'a.txt' err.txt || fail "-O -v: names belong on stderr"
# Bytes that are no text come through unchanged (on Windows: no carriage returns added).
head -c 70000 /dev/urandom > bin.dat && printf '\n\r\n\x1a\n' >> bin.dat
pck create b.pck bin.dat >/dev/null && pck extract b.pck -O > stdout.bin && cmp bin.dat stdout.bin ||
  fail "-O changed binary bytes"
[ -z "$(leftovers)" ] || fail "-O left: $(leftovers)"

# --- --keep-going: every sound entry out, each damaged one named, none written partly -------
mkdir many && for i in $(seq -w 1 12); do head -c $((10#$i * 3001)) bin.dat > "many/f$i.dat"; done
pck create m.pck -C many >/dev/null
# The signature of the 5th compressed file, spoilt: its expansion fails.
at=$(grep -obUa '!HZL' m.pck | sed -n 5p | cut -d: -f1)
printf 'X' | dd of=m.pck bs=1 seek="$at" conv=notrunc status=none
expect_status 1 err.txt extract m.pck -C stop
[ "$(ls stop | wc -l)" -eq 4 ] || fail "without --keep-going the run went on: $(ls stop)"
for j in 1 3; do
  rm -rf kg
  expect_status 1 err.txt extract m.pck -C kg --keep-going -j $j
  [ "$(ls kg | tr '\n' ' ')" = "f01.dat f02.dat f03.dat f04.dat f06.dat f07.dat f08.dat f09.dat f10.dat f11.dat f12.dat " ] ||
    fail "--keep-going -j $j extracted: $(ls kg)"
  diff -r --exclude=f05.dat many kg >/dev/null || fail "--keep-going -j $j: the sound entries differ"
  grep -q 'f05.dat' err.txt && grep -q '1 of 12 entries not extracted' err.txt ||
    fail "--keep-going -j $j: $(cat err.txt)"
done
# The same to standard output: the damaged entry gives no byte, the others all of theirs.
rc=0; pck extract m.pck -O >stdout.bin 2>err.txt || rc=$?
[ "$rc" -eq 1 ] && cat many/f0[1-4].dat | cmp - stdout.bin || fail "-O stopped elsewhere than at f05"
rc=0; pck extract m.pck -O --keep-going >stdout.bin 2>err.txt || rc=$?
[ "$rc" -eq 1 ] && cat many/f0[1-4].dat many/f0[6-9].dat many/f1?.dat | cmp - stdout.bin ||
  fail "-O --keep-going: status $rc, $(cat err.txt)"
expect_status 1 err.txt test m.pck --keep-going
grep -q '1 of 12 entries damaged' err.txt || fail "test --keep-going: $(cat err.txt)"
[ -z "$(leftovers)" ] || fail "left behind: $(leftovers)"
echo "masks and options: all checks passed ($n mask cases)"
