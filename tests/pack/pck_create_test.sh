#!/usr/bin/env bash
# pck_create_test.sh PCK [ARGS...]: what goes into an archive is what is on disk, or a clear
# refusal: paths typed, names in the tree, dates, disk sets, headers and passwords, pipes and
# other special files, names Windows cannot hold, two writers of one disk set.
runner=("$@")  # the program, possibly behind a runner such as winerun
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
mkdir tmp
export TMPDIR="$work/tmp"
native() { [ ${#runner[@]} -eq 1 ]; }  # the Linux program, not the Windows one under Wine

pck() {
  local rc=0
  "${runner[@]}" "$@" || rc=$?
  [ -c /dev/null ] || { echo "FAIL: /dev/null is no longer a character device after: pck $*" >&2; exit 1; }
  return $rc
}
# expect STATUS PATTERN COMMAND...: pck ends with STATUS and says PATTERN on stderr.
expect() {
  local want=$1 pattern=$2 rc=0
  shift 2
  pck "$@" >out.txt 2>err.txt || rc=$?
  [ "$rc" -eq "$want" ] || fail "pck $*: status $rc, wanted $want: $(cat err.txt)"
  grep -q -- "$pattern" err.txt || fail "pck $*: no \"$pattern\" in: $(cat err.txt)"
}
mtime() { stat -c %Y "$1"; }
listing() {  # as UTF-8 text with LF line ends; the Windows program writes Windows-1252 and CR LF
  if native; then pck list "$@"; else pck list "$@" | tr -d '\r' | iconv -f WINDOWS-1252 -t UTF-8; fi
}

mkdir -p tree/sub
echo one > tree/a.txt
echo two > tree/sub/b.txt

# --- Paths typed on the command line are used as typed, or refused -------------------------
pck create t.pck -C tree >/dev/null
echo "not this one" > __.lz && mkdir __
if native; then
  pck extract t.pck -C 出力 && [ -f 出力/sub/b.txt ] || fail "extract into 出力"
  pck compress tree/a.txt 結果.lz && pck expand 結果.lz "r$(printf '\xe9')sum$(printf '\xe9').txt" ||
    fail "compress and expand with names outside Windows-1252"
  cmp -s tree/a.txt "r$(printf '\xe9')sum$(printf '\xe9').txt" || fail "a Latin-1 name"
  pck create 集.pck -C tree --media 媒体 --volume-size 1K >/dev/null && [ -f 媒体/DISK1/集.pck ] ||
    fail "a disk set with names outside Windows-1252"
else
  expect 2 "cannot hold" extract t.pck -C 出力
  expect 2 "cannot hold" compress tree/a.txt 結果.lz
  expect 2 "cannot hold" create t2.pck -C tree --media 媒体
  [ ! -e 出力 ] && [ ! -e 結果.lz ] && [ ! -e 媒体 ] || fail "a refused path was made"
fi
[ "$(cat __.lz)" = "not this one" ] && [ -z "$(ls -A __)" ] || fail "a stand-in name was written"
pck extract t.pck -C saída && [ -f saída/a.txt ] || fail "extract into saída"
pck compress tree/a.txt ação.lz && [ -f ação.lz ] || fail "compress into ação.lz"

# --- Names in the tree outside Windows-1252 stop create before anything is written ---------
mkdir -p odd && echo x > odd/fine.txt && echo y > odd/zz中文.txt && echo z > odd/__.txt
cp t.pck keep.pck
if native; then
  expect 1 "zz中文.txt: its name has the character U+4E2D" create keep.pck -C odd
else  # Windows tells no more than that
  expect 1 "zz.*: its name has characters the ANSI code page cannot hold" create keep.pck -C odd
fi
cmp -s keep.pck t.pck || fail "a refused create changed the archive"
grep -q "nothing was written" err.txt || fail "the refusal does not say nothing was written"
pck create keep.pck -C odd --exclude 'zz*.*' >/dev/null || fail "the odd name left out"
listing keep.pck | grep -q " __.txt$" || fail "__.txt lost"
if native; then
  printf z > "odd/caf$(printf '\xe9').txt"
  expect 1 "not UTF-8 text (the byte 0xE9)" create none.pck -C odd --exclude 'zz*.*'
  [ ! -e none.pck ] || fail "a refused create left an archive"
fi

# --- Dates: every one a DOS time holds as it is, the others clamped with a warning ----------
mkdir -p dates
for d in "2043-12-31 23:59:58" "2044-01-01 00:00:00" "2080-07-15 10:20:30" "2107-12-31 23:59:58"; do
  f="dates/${d%% *}.txt" && echo "$d" > "$f" && touch -d "$d" "$f"
done
pck create dates.pck -C dates 2>err.txt >/dev/null
[ ! -s err.txt ] || fail "warnings for dates in range: $(cat err.txt)"
pck extract dates.pck -C dates-out
for f in dates/*.txt; do
  [ "$(mtime "$f")" -eq "$(mtime "dates-out/${f#dates/}")" ] || fail "$f extracted dated $(stat -c %y "dates-out/${f#dates/}")"
done
listing dates.pck | grep -q "2080-07-15 10:20" || fail "list of a date after 2044"
if native; then  # Wine clamps what it hands over itself
  echo old > dates/old.txt && touch -d "1975-05-01" dates/old.txt
  echo far > dates/far.txt && touch -d "2200-01-01" dates/far.txt
  pck create dates.pck -C dates >/dev/null 2>err.txt
  grep -q "old.txt: dated before 1980, stored as 1980-01-01" err.txt || fail "1975: $(cat err.txt)"
  grep -q "far.txt: dated after 2107, stored as 2107-12-31 23:59:58" err.txt || fail "2200: $(cat err.txt)"
  listing dates.pck | grep -q "2107-12-31 23:59  far.txt" || fail "2200 not clamped"
  listing dates.pck | grep -q "1980-01-01 00:00  old.txt" || fail "1975 not clamped"
fi

# --- Disk sets: DIR/DISKn/NAME only, and never a volume of the set itself ------------------
expect 2 "without a folder" create ../up.pck -C tree --media m --volume-size 1K
expect 2 "without a folder" create "$work/abs.pck" -C tree --media m --volume-size 1K
expect 2 "without a folder" list sub/x.pck --media m
[ ! -e m ] && [ ! -e ../up.pck ] || fail "a refused disk set was written"
head -c 150000 /dev/urandom > tree/noise.bin
pck create s.pck -C tree --media tree/disks --volume-size 64K >/dev/null
pck create s.pck -C tree --media tree/disks --volume-size 64K >/dev/null
listing s.pck --media tree/disks > list.txt
grep -v "^Archive:" list.txt | grep -q "s.pck\|lock" && fail "a disk set stored its own volumes: $(cat list.txt)"
grep -q "3 entries" list.txt || fail "the second set: $(cat list.txt)"
pck extract s.pck --media tree/disks -C from-set && cmp -s tree/noise.bin from-set/noise.bin ||
  fail "the second set extracted"
rm -rf tree/disks tree/noise.bin

# --- Headers and passwords are stored exactly or refused --------------------------------------
expect 2 "at most 255" create h.pck -C tree --header "$(printf '%0256d' 0)"
expect 2 "U+65E5, which Windows-1252 cannot hold" create h.pck -C tree --header "日本"
expect 2 "U+4E2D" create h.pck -C tree --password "中"
expect 2 "password is empty" create h.pck -C tree --password ""
: > empty.txt
expect 2 "password is empty" create h.pck -C tree --password-file empty.txt
[ ! -e h.pck ] || fail "a refused header or password made an archive"
pck create h.pck -C tree --header "$(printf '%0255d' 0)" --header "Ação €" --password "señor" >/dev/null
listing h.pck --password "señor" > list.txt
grep -q "Header: Ação €" list.txt || fail "an accented header line: $(cat list.txt)"
pck extract h.pck -C hx --password "senor" 2>/dev/null && fail "a look-alike password opened the archive"
pck extract h.pck -C hx --password "señor" || fail "the password"

if native; then
  # --- Pipes and other special files ----------------------------------------------------------
  mkfifo fifo
  expect 1 "is not a regular file (a named pipe)" compress fifo out.lz
  expect 1 "is a named pipe" compress tree/a.txt fifo
  expect 1 "is a named pipe or a socket" create fifo -C tree
  mkdir -p special && echo x > special/real.txt && mkfifo special/pipe && ln -s nowhere special/dangling
  pck create sp.pck -C special >/dev/null 2>err.txt || fail "create stopped at special files"
  grep -q "special/pipe: not stored: it is a named pipe" err.txt &&
    grep -q "special/dangling: not stored: it is a dangling link" err.txt ||
    fail "special files not reported: $(cat err.txt)"
  [ "$(grep -c . err.txt)" -eq 2 ] || fail "one line each: $(cat err.txt)"

  # --- Names Windows cannot hold or would merge: stored, with a warning each ---------------------
  mkdir -p win && for n in CON.txt nul com1.log LPT9 "dot." "space " Readme README ok.txt; do echo x > "win/$n"; done
  pck create win.pck -C win >/dev/null 2>err.txt || fail "create stopped at Windows names"
  for n in CON.txt nul com1.log LPT9 "dot." "space "; do
    grep -q "warning: win/$n: " err.txt || fail "no warning for \"$n\": $(cat err.txt)"
  done
  grep -q "win/Readme: differs from README only in case" err.txt ||
    grep -q "win/README: differs from Readme only in case" err.txt || fail "case: $(cat err.txt)"
  grep -q "ok.txt" err.txt && fail "a warning for a sound name"
  listing win.pck | grep -q "9 entries" || fail "Windows names not stored"

  # --- Two writers of one disk set: the second stops at once -------------------------------------
  mkdir -p lk
  flock lk/s.pck.lock sleep 5 & holder=$!
  sleep 0.5
  expect 1 "another pck is writing the disk set" create s.pck -C tree --media lk
  [ ! -e lk/DISK1 ] || fail "a locked disk set was written"
  kill $holder; wait $holder 2>/dev/null || true
fi

# Two runs at once, for real: never both a success, and never a broken set.
head -c 3000000 /dev/urandom > tree/big.bin
for i in 1 2 3; do
  pck create race.pck -C tree --media race --volume-size 512K >/dev/null 2>"race$i-1.txt" & one=$!
  pck create race.pck -C tree --media race --volume-size 512K >/dev/null 2>"race$i-2.txt" & two=$!
  rc1=0 rc2=0; wait $one || rc1=$?; wait $two || rc2=$?
  [ "$rc1" -eq 0 ] || [ "$rc2" -eq 0 ] || fail "both writers failed: $(cat race$i-*.txt)"
  [ "$rc1" -ne 0 ] && ! grep -q "another pck is writing" "race$i-1.txt" && fail "$(cat race$i-1.txt)"
  [ "$rc2" -ne 0 ] && ! grep -q "another pck is writing" "race$i-2.txt" && fail "$(cat race$i-2.txt)"
  pck test race.pck --media race >/dev/null || fail "a broken disk set after two writers"
done
[ ! -e race/race.pck.lock ] || fail "the lock was left behind: $(ls -la race; cat race*.txt)"

echo "pck create: all checks passed"
