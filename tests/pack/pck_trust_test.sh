#!/usr/bin/env bash
# pck_trust_test.sh PCK [ARGS...]: what extraction and test can be trusted with: nothing written
# outside DIR or through links and special files, modes from the entry, damaged entries that
# replace nothing and are all named, pipes, exact names, long masks, closed pipes, and messages
# that name the entry.
runner=("$@")  # the program, possibly behind a runner such as winerun
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
mkdir tmp
export TMPDIR="$work/tmp"
native=$([ ${#runner[@]} -eq 1 ] && echo 1 || echo "")  # Linux links, modes and signals
pck() { "${runner[@]}" "$@"; }
leftovers() { { ls -A tmp | grep -v '^wine-'; find . -name '~pck*'; } || true; }
expect_fail() {  # expect_fail ERRFILE PCK-ARGS...: pck fails with status 1
  local err=$1 rc=0
  shift
  pck "$@" 2>"$err" >/dev/null || rc=$?
  [ "$rc" -eq 1 ] || fail "pck $*: status $rc, wanted 1: $(cat "$err")"
}

mkdir -p src/sub
for f in a b c; do head -c 20000 /dev/urandom | base64 > "src/$f.txt"; done
echo inner > src/sub/x.txt
pck create a.pck -C src >/dev/null

# --- Damaged entries replace nothing, and test names every one -----------------------------
pck extract a.pck -C good
cp -a good before
# A byte of b.txt's stored data, and one of c.txt's record (its time).
bytes=$(grep -obUa 'b\.txt' a.pck | head -1 | cut -d: -f1)
cpos=$(grep -obUa 'c\.txt' a.pck | head -1 | cut -d: -f1)
cp a.pck bad.pck
printf '\x55' | dd of=bad.pck bs=1 seek=$((bytes + 40)) conv=notrunc status=none
printf '\x55' | dd of=bad.pck bs=1 seek=$((cpos - 3)) conv=notrunc status=none
expect_fail err.txt extract bad.pck -C good
cmp -s good/b.txt before/b.txt || fail "a damaged entry replaced the good file"
[ -z "$(leftovers)" ] || fail "a failed extraction left: $(leftovers)"
expect_fail err.txt test bad.pck
grep -q 'b.txt' err.txt && grep -q 'c.txt' err.txt || fail "test does not name both: $(cat err.txt)"
grep -q '2 of 4 entries damaged' err.txt || fail "test counts: $(cat err.txt)"
grep -q 'PCK\|~pck' err.txt && fail "a message names a temporary file: $(cat err.txt)"
# The same on a set of disks: the last disk's checksums are read before the first entry.
pck create set.pck -C src --media disks --volume-size 16K >/dev/null
[ -f disks/DISK3/set.pck ] || fail "no third disk"
pck extract set.pck --media disks -C set-out
cp set-out/a.txt a.orig
printf '\x55' | dd of=disks/DISK1/set.pck bs=1 seek=300 conv=notrunc status=none
expect_fail err.txt extract set.pck --media disks -C set-out
grep -q 'a.txt' err.txt || fail "damage on disk 1: $(cat err.txt)"
cmp -s set-out/a.txt a.orig || fail "a damaged entry of a disk set replaced the good file"
# The entry count lowered, and a header text changed: the head is covered too.
cp a.pck count.pck && printf '\x02' | dd of=count.pck bs=1 seek=15 conv=notrunc status=none
expect_fail err.txt test count.pck
grep -q 'damaged' err.txt || fail "a lowered count passed: $(cat err.txt)"
expect_fail err.txt extract count.pck -C count-out
[ ! -e count-out ] || [ -z "$(ls -A count-out)" ] || fail "a damaged head extracted entries"
# A cut archive says so, with the archive's own count.
head -c $(( $(stat -c %s a.pck) / 2 )) a.pck > cut.pck
expect_fail err.txt test cut.pck
grep -q 'cut short' err.txt && grep -q 'of 4 entries' err.txt || fail "cut archive: $(cat err.txt)"

# --- Names: test and extract judge them alike; every byte comes back ----------------------
mkdir names && echo s > names/aXb && pck create slash.pck -C names >/dev/null
at=$(grep -obUa 'aXb' slash.pck | head -1 | cut -d: -f1)
printf '/' | dd of=slash.pck bs=1 seek=$((at + 1)) conv=notrunc status=none
expect_fail err.txt test slash.pck
grep -q 'a/b' err.txt || fail "test passed a name with a slash: $(cat err.txt)"
expect_fail err.txt extract slash.pck -C slash-out
grep -q 'a/b' err.txt || fail "extract: $(cat err.txt)"
[ ! -e slash-out/a ] || fail "a name with a slash made a folder"
mkdir c1 && for c in 81 8d 8f 90 9d; do printf "$c" > "c1/$(printf "n\\xc2\\x$c")"; done
pck create c1.pck -C c1 >/dev/null
pck extract c1.pck -C c1-out
diff -r c1 c1-out >/dev/null || fail "names of undefined bytes: $(ls c1-out | od -c | head -3)"
pck list c1.pck --json > c1.json
[ "$(grep -c '"name": "n' c1.json)" -eq 5 ] || fail "JSON names: $(cat c1.json)"
[ -z "$(grep -a $'\xef\xbf\xbd' c1.json)" ] || fail "a replacement character in JSON"

# --- A long mask of stars neither crashes nor hangs -----------------------------------------
stars=$(printf '*%.0s' $(seq 1 30000))
pck extract a.pck -C stars "$stars.txt"
[ -f stars/sub/x.txt ] || fail "the long mask selected nothing"

# --- An archive from a pipe is refused before anything is written ---------------------------
mkfifo fifo
cat a.pck > fifo &
writer=$!
expect_fail err.txt extract fifo -C piped
kill "$writer" 2>/dev/null || true  # still waiting for a reader, or cut off by pck
wait "$writer" 2>/dev/null || true
grep -q 'pipe or a device' err.txt || fail "a pipe: $(cat err.txt)"
[ ! -e piped ] || fail "something was written from a pipe"

if [ -n "$native" ]; then
  # --- Links and special files inside DIR ---------------------------------------------------
  mkdir -p dir elsewhere && ln -s ../elsewhere dir/sub && ln -s ../elsewhere/a.txt dir/a.txt
  expect_fail err.txt extract a.pck -C dir
  grep -q 'sub/x.txt' err.txt && grep -q 'symbolic link.*dir/sub' err.txt ||
    fail "a linked folder: $(cat err.txt)"
  [ -z "$(ls -A elsewhere)" ] || fail "extraction wrote through a link: $(ls elsewhere)"
  [ -f dir/a.txt ] && [ ! -L dir/a.txt ] && cmp -s dir/a.txt src/a.txt ||
    fail "a link at the name was not replaced by the file"
  rm -rf dir && mkdir dir && mkfifo dir/b.txt && ln -s dir linked
  expect_fail err.txt extract a.pck -C linked
  [ -p dir/b.txt ] && grep -q 'b.txt: a device, pipe or socket' err.txt ||
    fail "a pipe at the name: $(cat err.txt)"
  [ -f dir/a.txt ] || fail "DIR given as a link was not used"

  # --- Modes: the entry's under the umask, never set-ID ------------------------------------
  rm -rf dir && mkdir dir && cp /bin/true dir/a.txt && chmod 4755 dir/a.txt
  chmod 444 src/c.txt && pck create modes.pck -C src a.txt c.txt >/dev/null && chmod 644 src/c.txt
  (umask 027 && "${runner[@]}" extract modes.pck -C dir)
  [ "$(stat -c %a dir/a.txt)" = 640 ] && [ "$(stat -c %a dir/c.txt)" = 440 ] ||
    fail "modes: $(stat -c '%a %n' dir/*)"
  cp /bin/true prog && chmod 4755 prog && pck compress src/a.txt prog
  [ "$(stat -c %a prog)" = 755 ] || fail "compress kept a set-ID bit: $(stat -c %a prog)"

fi

# --- A closed pipe leaves nothing behind; on Linux it ends pck as SIGPIPE --------------------
# (Windows has no such signal: the writes fail, and the run ends as usual.)
mkdir many && for i in $(seq 1 300); do echo "$i" > "many/a-rather-long-file-name-$i.txt"; done
pck create many.pck -C many >/dev/null
rc=0
pck extract -v many.pck -C piped-out | head -1 >/dev/null || rc=$?  # pipefail: pck's status
[ -z "$native" ] || [ "$rc" -eq 141 ] || fail "extract -v | head -1: status $rc, wanted 141"
for _ in 1 2 3; do pck list many.pck | true || rc=$?; done
[ -z "$(leftovers)" ] || fail "a closed pipe left: $(leftovers)"
[ -z "$(leftovers)" ] || fail "temporary files left: $(leftovers)"
[ -c /dev/null ] || fail "/dev/null is no longer a character device"
