#!/usr/bin/env bash
# pck_cli_test.sh PCK [ARGS...]: the archive commands of the pck tool on a real tree: create, list,
# extract (files, dates to the 2 seconds MS-DOS times keep, read-only bits), a set of disks,
# a damaged archive found by test, and wrong command lines.
set -euo pipefail
pck=("$@")  # the program, possibly behind a runner such as winerun
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

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
  "${pck[@]}" create "t-$mode.pck" -C tree --mode "$mode" --header "made by the test" >/dev/null
  rm -rf "out-$mode"
  "${pck[@]}" extract "t-$mode.pck" -C "out-$mode"
  same_tree tree "out-$mode" || fail "$mode: extracted tree differs"
  (cd tree && find . -type f) | while read -r f; do
    want=$(stat -c %Y "tree/$f"); got=$(stat -c %Y "out-$mode/$f")
    [ "$got" -eq $((want - want % 2)) ] || fail "$mode: $f time $got, wanted $want"
    [ "$(stat -c %A "tree/$f" | cut -c3)" = "$(stat -c %A "out-$mode/$f" | cut -c3)" ] ||
      fail "$mode: $f read-only bit"
  done
  "${pck[@]}" test "t-$mode.pck" >/dev/null || fail "$mode: test of a sound archive"
done

"${pck[@]}" list t-good.pck > list.txt
grep -Eq 'docs[/\\]deep[/\\]big.txt' list.txt || fail "list lacks a nested entry"
grep -q "R...  .*stdlib.h" list.txt || fail "list lacks the read-only attribute"
grep -q "Header: made by the test" list.txt || fail "list lacks the header"

# Only some entries, with masks; excludes.
"${pck[@]}" extract t-good.pck -C some '*.txt' --exclude 'docs/deep/*.*'
[ -f "some/docs/ação.txt" ] && [ ! -e some/docs/deep/big.txt ] && [ ! -e some/stdio.h ] ||
  fail "masks and excludes"

# Passwords.
"${pck[@]}" create p.pck -C tree --password 'segredo' 'stdio.h' >/dev/null
"${pck[@]}" extract p.pck -C pw 2>/dev/null && fail "extracted without the password"
"${pck[@]}" extract p.pck -C pw --password 'segredo' && cmp tree/stdio.h pw/stdio.h || fail "password"

# A set of disks, and the same set read without --media.
"${pck[@]}" create set.pck -C tree --media disks --volume-size 64K >/dev/null
[ -f disks/DISK3/set.pck ] || fail "no third disk"
for f in disks/DISK*/set.pck; do [ "$(stat -c %s "$f")" -le 65536 ] || fail "$f too large"; done
"${pck[@]}" extract set.pck --media disks -C from-disks
same_tree tree from-disks || fail "extracted disk set differs"
"${pck[@]}" test set.pck --media disks >/dev/null || fail "test of the disk set"
"${pck[@]}" extract disks/DISK1/set.pck -C one-disk 2>/dev/null && fail "one disk of a set extracted"
mv disks/DISK2 disks/GONE
"${pck[@]}" extract set.pck --media disks -C missing 2>err.txt && fail "a missing disk went unnoticed"
grep -q "disk 2" err.txt || fail "the missing disk is not named"

# Linked directories are followed, but not in circles (on Linux: under Wine a Linux link looks
# like a plain directory).
if [ $# -eq 1 ]; then
  mkdir -p links/real && echo x > links/real/f && ln -s real links/alias && ln -s .. links/real/up
  "${pck[@]}" create links.pck -C links >/dev/null
  "${pck[@]}" list links.pck | grep -Ec ' (alias|real)/f$' | grep -qx 2 || fail "linked directories"
fi

# A flipped byte in an entry's data.
"${pck[@]}" create one.pck -C tree/docs/deep big.txt >/dev/null
size=$(stat -c %s one.pck)
printf '\x5a' | dd of=one.pck bs=1 seek=$((size / 2)) conv=notrunc status=none
if "${pck[@]}" test one.pck 2>err.txt; then fail "test missed a flipped byte"; fi
grep -q "big.txt" err.txt || fail "test does not name the damaged entry"

# Wrong command lines and help.
set +e
"${pck[@]}" create >/dev/null 2>&1; [ $? -eq 2 ] || fail "create without ARCHIVE"
"${pck[@]}" extract x.pck --bogus >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown option"
"${pck[@]}" create x.pck --volume-size 1K >/dev/null 2>&1; [ $? -eq 2 ] || fail "--volume-size alone"
"${pck[@]}" list missing.pck >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing archive"
"${pck[@]}" create none.pck -C tree 'NOTHING*' >/dev/null 2>&1; [ $? -eq 1 ] || fail "no files"
[ ! -e none.pck ] || fail "an archive of nothing was left"
for c in create list extract test; do
  "${pck[@]}" "$c" --help | grep -q "^Usage: pck $c" || fail "$c --help"
done
set -e
echo "pck archive commands: all checks passed"
