#!/usr/bin/env bash
# pck_ctrl_c_test.sh WINERUN CTRL_C.exe PCK.exe: the Windows pck under Wine, interrupted by Ctrl+C
# midway through create and extract. Its console control handler must delete the engine's
# temporary file and the partial output while the main thread still has them open, and the run
# must end as interrupted: an archive being replaced stays as it was, every extracted file is
# whole or absent, nothing temporary is left in the temporary folder or beside the outputs.
set -euo pipefail
winerun=$1 ctrl_c=$2 pck_exe=$3
work=$(mktemp -d)
# The Wine server of the prefix ends a few seconds after its last program; waited for, so none is
# left running by this test.
trap 'cd /; rm -rf "$work"; [ -z "${TAVO_WINEPREFIX:-}" ] || WINEPREFIX=$TAVO_WINEPREFIX /usr/lib/wine/wineserver -w' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
win() { echo "Z:$1" | tr / '\\'; }
# Only pck's temporary files go here: the helper points TMP and TEMP of pck at it.
mkdir tmp

# Work long enough to be caught midway: large entries compress for seconds, and a folder of
# small ones makes many files in a row.
mkdir -p tree/many
head -c 30000000 /dev/urandom | base64 -w 1000 | split -b 1500000 - tree/chunk
seq 1 300000 | split -l 200 -a 4 - tree/many/f
"$winerun" "$pck_exe" create old.pck -C tree --mode fast >create.out 2>&1 ||
  fail "create of the archive: $(cat create.out)"
cp old.pck old.orig

# interrupt WATCH BYTES ARGS...: pck ARGS, Ctrl+C once a file matching WATCH (relative to the
# work folder) holds BYTES bytes; then checks the run ended by it and left no temporary file.
interrupt() {
  local watch=$1 bytes=$2 rc=0
  shift 2
  "$winerun" "$ctrl_c" "$(win "$work/tmp")" "$(win "$work/$watch")" "$bytes" "$(win "$pck_exe")" \
    "$@" >run.out 2>run.err || rc=$?
  [ "$rc" -ne 3 ] || fail "pck $*: ended before $watch reached $bytes bytes: $(cat run.out run.err)"
  [ "$rc" -eq 0 ] || fail "pck $*: Ctrl+C not delivered or not obeyed ($rc): $(cat run.out run.err)"
  # STATUS_CONTROL_C_EXIT, as Windows ends a console program on Ctrl+C.
  tr -d '\r' <run.out | grep -qx 'exit code 0xc000013a' ||
    fail "pck $*: not ended as interrupted: $(cat run.out)"
  [ -z "$(ls -A tmp)" ] || fail "pck $* (Ctrl+C at $watch): temporary files left in TEMP: $(ls -A tmp)"
  local partial
  partial=$(find . -path ./tmp -prune -o -iname '~pc*' -print)
  [ -z "$partial" ] || fail "pck $* (Ctrl+C at $watch): temporary outputs left: $partial"
}

# Replacing an archive named without a folder, so its temporary file goes to the current one.
interrupt '~pc*' 5000000 create old.pck -C tree
cmp -s old.pck old.orig || fail "an interrupted create changed the archive it was replacing"

mkdir new
interrupt 'new/~pc*' 5000000 create new/new.pck -C tree
[ -z "$(ls -A new)" ] || fail "an interrupted create left: $(ls -A new)"

# Midway through the large entries, then midway through the many small ones.
for watch in ex/chunkam ex/many/fabcw; do
  rm -rf ex && mkdir ex
  interrupt "$watch" 1 extract old.pck -C ex
  count=0
  while IFS= read -r -d '' f; do
    cmp -s "$f" "tree/${f#ex/}" || fail "extract interrupted at $watch left $f incomplete"
    count=$((count + 1))
  done < <(find ex -type f -print0)
  [ "$count" -gt 0 ] || fail "extract interrupted at $watch: nothing was extracted before it"
done
cmp -s old.pck old.orig || fail "an interrupted extract changed the archive"
echo "pck under Ctrl+C: all checks passed"
