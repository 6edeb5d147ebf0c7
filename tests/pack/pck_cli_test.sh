#!/usr/bin/env bash
# pck_cli_test.sh PCK [ARGS...]: the archive commands of the pck tool on a real tree: create, list,
# extract (files, dates to the 2 seconds MS-DOS times keep, read-only bits), a set of disks,
# a damaged archive found by test, failed and interrupted runs, and wrong command lines.
runner=("$@")  # the program, possibly behind a runner such as winerun
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
# What pck left in its temporary folder; Wine keeps a folder of its own there while it runs.
leftovers() { ls -A tmp | grep -v '^wine-' || true; }
# The engine's temporary files go to a folder of the test's own, so none can be missed.
mkdir tmp
export TMPDIR="$work/tmp"

# Every run of pck, followed by the check that the machine's null device survived it.
pck() {
  local rc=0
  "${runner[@]}" "$@" || rc=$?
  [ -c /dev/null ] || { echo "FAIL: /dev/null is no longer a character device after: pck $*" >&2; exit 1; }
  return $rc
}

# Trees compare equal but for empty directories, which the format has no entry for.
same_tree() { [ -z "$(diff -r "$1" "$2" | grep -v "^Only in $1: empty-dir\$")" ]; }

# A tree with subdirectories, an empty file, a read-only file, a non-ASCII name, odd times.
mkdir -p tree/docs/deep tree/empty-dir
cp /usr/include/stdio.h /usr/include/stdlib.h tree/
cp /usr/include/linux/if_*.h tree/docs/
{ cat /usr/include/*.h || true; } | head -c 300000 > tree/docs/deep/big.txt
: > tree/empty.dat
printf 'a\xc3\xa7\xc3\xa3o\n' > "tree/docs/ação.txt"
chmod 444 tree/stdlib.h
touch -d '2001-02-03 04:05:07' tree/docs/deep/big.txt
touch -d '1999-12-31 23:59:58' tree/empty.dat

for mode in good fast auto; do
  pck create "t-$mode.pck" -C tree --mode "$mode" --header "made by the test" >/dev/null
  rm -rf "out-$mode"
  pck extract "t-$mode.pck" -C "out-$mode"
  same_tree tree "out-$mode" || fail "$mode: extracted tree differs"
  (cd tree && find . -type f) | while read -r f; do
    want=$(stat -c %Y "tree/$f"); got=$(stat -c %Y "out-$mode/$f")
    [ "$got" -eq $((want - want % 2)) ] || fail "$mode: $f time $got, wanted $want"
    [ "$(stat -c %A "tree/$f" | cut -c3)" = "$(stat -c %A "out-$mode/$f" | cut -c3)" ] ||
      fail "$mode: $f read-only bit"
  done
  pck test "t-$mode.pck" >/dev/null || fail "$mode: test of a sound archive"
done

pck list t-good.pck > list.txt
grep -Eq 'docs[/\\]deep[/\\]big.txt' list.txt || fail "list lacks a nested entry"
grep -q "R...  .*stdlib.h" list.txt || fail "list lacks the read-only attribute"
grep -q "Header: made by the test" list.txt || fail "list lacks the header"

# Only some entries, with masks; excludes.
pck extract t-good.pck -C some '*.txt' --exclude 'docs/deep/*.*'
[ -f "some/docs/ação.txt" ] && [ ! -e some/docs/deep/big.txt ] && [ ! -e some/stdio.h ] ||
  fail "masks and excludes"

# Passwords.
pck create p.pck -C tree --password 'segredo' 'stdio.h' >/dev/null
pck extract p.pck -C pw 2>/dev/null && fail "extracted without the password"
pck extract p.pck -C pw --password 'segredo' && cmp tree/stdio.h pw/stdio.h || fail "password"

# A set of disks, and the same set read without --media.
pck create set.pck -C tree --media disks --volume-size 64K >/dev/null
[ -f disks/DISK3/set.pck ] || fail "no third disk"
for f in disks/DISK*/set.pck; do [ "$(stat -c %s "$f")" -le 65536 ] || fail "$f too large"; done
pck extract set.pck --media disks -C from-disks
same_tree tree from-disks || fail "extracted disk set differs"
pck test set.pck --media disks >/dev/null || fail "test of the disk set"
pck extract disks/DISK1/set.pck -C one-disk 2>/dev/null && fail "one disk of a set extracted"
mv disks/DISK2 disks/GONE
pck extract set.pck --media disks -C missing 2>err.txt && fail "a missing disk went unnoticed"
grep -q "disk 2" err.txt || fail "the missing disk is not named"

# Linked directories are followed, but not in circles (on Linux: under Wine a Linux link looks
# like a plain directory).
if [ $# -eq 1 ]; then
  mkdir -p links/real && echo x > links/real/f && ln -s real links/alias && ln -s .. links/real/up
  pck create links.pck -C links >/dev/null
  pck list links.pck | grep -Ec ' (alias|real)/f$' | grep -qx 2 || fail "linked directories"
fi

# A flipped byte in an entry's data.
pck create one.pck -C tree/docs/deep big.txt >/dev/null
size=$(stat -c %s one.pck)
printf '\x5a' | dd of=one.pck bs=1 seek=$((size / 2)) conv=notrunc status=none
if pck test one.pck 2>err.txt; then fail "test missed a flipped byte"; fi
grep -q "big.txt" err.txt || fail "test does not name the damaged entry"

# Workers: an archive is the same byte for byte whatever the number of jobs, and so is what an
# extraction leaves when an entry's expansion fails midway: the entries before it, complete.
mkdir -p many && for i in $(seq -w 1 40); do head -c $((10#$i * 997)) tree/docs/deep/big.txt > "many/f$i.txt"; done
SOURCE_DATE_EPOCH=1700000000 pck create j1.pck -C many -j 1 >/dev/null
SOURCE_DATE_EPOCH=1700000000 pck create j3.pck -C many -j 3 >/dev/null
cmp -s j1.pck j3.pck || fail "-j 3 wrote another archive than -j 1"
pck extract j3.pck -C out-j -j 3 && same_tree many out-j || fail "extract -j 3"
pck test j3.pck --jobs=3 >/dev/null || fail "test -j 3"
# The signature of the 25th compressed file, spoilt: its expansion fails.
at=$(grep -obUa '!HZL' j3.pck | sed -n 25p | cut -d: -f1)
printf 'X' | dd of=j3.pck bs=1 seek="$at" conv=notrunc status=none
for j in 1 3; do
  if pck extract j3.pck -C "bad-j$j" -j "$j" 2>"err-j$j.txt"; then fail "-j $j extracted a damaged entry"; fi
  grep -q "f25.txt" "err-j$j.txt" || fail "-j $j does not name the damaged entry: $(cat "err-j$j.txt")"
  if pck test j3.pck -j "$j" 2>"err-j$j.txt"; then fail "test -j $j missed a damaged entry"; fi
  grep -q "1 of 40 entries damaged" "err-j$j.txt" || fail "test -j $j: $(cat "err-j$j.txt")"
done
[ "$(ls bad-j1 | wc -l)" -eq 24 ] && diff -r bad-j1 bad-j3 >/dev/null ||
  fail "a failed extraction left other files with -j 3 than with -j 1: $(ls bad-j3 | tr '\n' ' ')"
[ -z "$(find . -name '~pck*')" ] && [ -z "$(leftovers)" ] || fail "temporary files left by -j runs"
set +e
pck create x.pck -j 0 >/dev/null 2>&1; [ $? -eq 2 ] || fail "-j 0 taken"
pck list x.pck -j 2 >/dev/null 2>&1; [ $? -eq 2 ] || fail "list took -j"
set -e

# Failed runs leave every file that was there as it was, and nothing new; the null device is
# written as it is and never replaced.
cut_file() { head -c $(( $(stat -c %s "$1") / 2 )) "$1" > "$2"; }
pck compress tree/docs/deep/big.txt big.lz
cut_file big.lz cut.lz
mkdir keep && echo "the old one" > keep/out && cp keep/out keep.orig
if pck expand cut.lz keep/out 2>/dev/null; then fail "a cut file expanded"; fi
cmp -s keep/out keep.orig || fail "a failed expand changed the existing output"
if pck compress tree keep/out 2>err.txt; then fail "compressed a directory"; fi
cmp -s keep/out keep.orig || fail "a failed compress changed the existing output"
grep -q "tree: is a directory" err.txt || fail "compressing a directory: $(cat err.txt)"
if pck expand cut.lz keep/new 2>/dev/null; then fail "a cut file expanded"; fi
[ "$(ls -A keep)" = "out" ] || fail "a failed expand left files behind: $(ls -A keep)"
if [ ${#runner[@]} -eq 1 ]; then  # a Linux device: under Wine the Windows program sees NUL
  if pck expand cut.lz /dev/null 2>/dev/null; then fail "a cut file expanded into /dev/null"; fi
  pck expand big.lz /dev/null || fail "expand into /dev/null"
fi
pck expand big.lz keep/out && cmp -s keep/out tree/docs/deep/big.txt || fail "expand over a file"
[ "$(ls -A keep)" = "out" ] || fail "expand left files behind: $(ls -A keep)"
[ -z "$(leftovers)" ] || fail "temporary files left: $(leftovers)"

if [ ${#runner[@]} -eq 1 ]; then
  # A name Windows forbids stops a run midway, after volumes were written (Linux only: under
  # Wine such a name is not seen).
  mkdir -p bad/zz && cp tree/docs/deep/big.txt bad/1.txt && head -c 100000 /dev/urandom > bad/2.bin
  echo x > 'bad/zz/q?.txt'
  cp t-good.pck old.pck
  if pck create old.pck -C bad 2>/dev/null; then fail "a forbidden name was stored"; fi
  cmp -s old.pck t-good.pck || fail "a failed create changed the existing archive"
  pck create old-set.pck -C tree --media sets --volume-size 64K >/dev/null
  cp -a sets sets.orig
  if pck create old-set.pck -C bad --media sets --volume-size 32K 2>/dev/null; then
    fail "a forbidden name was stored on disks"
  fi
  diff -r sets sets.orig >/dev/null || fail "a failed disk set changed the earlier set"
  if pck create new-set.pck -C bad --media newsets --volume-size 32K 2>/dev/null; then
    fail "a forbidden name was stored on disks"
  fi
  [ ! -e newsets ] || fail "a failed disk set left something: $(find newsets)"
  [ -z "$(find . -name '~pck*')" ] || fail "temporary outputs left: $(find . -name '~pck*')"
  [ -z "$(leftovers)" ] || fail "temporary files left: $(leftovers)"

  # Ended by a signal: the temporary files and the partial output go, the signal ends pck.
  mkdir -p huge
  head -c 30000000 /dev/urandom | base64 -w 1000 | split -b 1500000 - huge/part
  wait_for() {  # wait_for PID PATTERN...: until a file matching appears (or pck has ended)
    for _ in $(seq 1 3000); do
      compgen -G "$2" >/dev/null && return 0
      kill -0 "$1" 2>/dev/null || return 1
      sleep 0.01
    done
    return 1
  }
  signalled() {  # signalled SIGNAL STATUS COMMAND...
    local sig=$1 want=$2 rc=0
    shift 2
    "${runner[@]}" "$@" 2>/dev/null &
    local pid=$!
    wait_for "$pid" "$watch" || fail "$*: no temporary file appeared"
    kill "-$sig" "$pid"
    wait "$pid" || rc=$?
    [ "$rc" -eq "$want" ] || fail "$*: ended by $sig with status $rc, wanted $want"
    [ -c /dev/null ] || fail "/dev/null is no longer a character device"
    [ -z "$(ls -A tmp)" ] || fail "$*: temporary files left after $sig: $(ls -A tmp)"
  }
  for sig in INT:130 TERM:143 HUP:129; do
    watch='~pck*.TMP'
    signalled "${sig%:*}" "${sig#*:}" create huge.pck -C huge
    [ ! -e huge.pck ] && [ -z "$(compgen -G '~pck*')" ] || fail "create left its archive after $sig"
  done
  pck create huge.pck -C huge --mode fast >/dev/null
  cp huge.pck huge.orig
  for sig in INT:130 TERM:143; do
    rm -rf ex && mkdir ex
    watch='ex/~pck*.TMP'
    signalled "${sig%:*}" "${sig#*:}" extract huge.pck -C ex
    [ -z "$(compgen -G 'ex/~pck*')" ] || fail "extract left a partial file after $sig"
    for f in ex/*; do
      [ -e "$f" ] || continue
      cmp -s "$f" "huge/${f#ex/}" || fail "extract left $f incomplete after $sig"
    done
  done
  cmp -s huge.pck huge.orig || fail "an interrupted extract changed the archive"
fi

# Wrong command lines and help.
set +e
pck create >/dev/null 2>&1; [ $? -eq 2 ] || fail "create without ARCHIVE"
pck extract x.pck --bogus >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown option"
pck create x.pck --volume-size 1K >/dev/null 2>&1; [ $? -eq 2 ] || fail "--volume-size alone"
pck list missing.pck >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing archive"
pck create none.pck -C tree 'NOTHING*' >/dev/null 2>&1; [ $? -eq 1 ] || fail "no files"
[ ! -e none.pck ] || fail "an archive of nothing was left"
for c in create list extract test; do
  # Read whole: grep -q would close the pipe early, and a help longer than one write would
  # then end pck by SIGPIPE, as it ends any writer.
  help=$(pck "$c" --help) && grep -q "^Usage: pck $c" <<<"$help" || fail "$c --help"
done
set -e
echo "pck archive commands: all checks passed"
