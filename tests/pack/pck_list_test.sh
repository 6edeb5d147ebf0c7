#!/usr/bin/env bash
# pck_list_test.sh PCK [ARGS...]: what scripts rely on in the pck tool: the listing's sizes,
# ratios, methods and totals, damaged and foreign entry data, the JSON document read by a real
# parser, byte-identical archives under SOURCE_DATE_EPOCH (also as disk sets), and passwords
# from a file or standard input.
pck=("$@")  # the program, possibly behind a runner such as winerun
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"
# A listing without the carriage returns a Windows program ends its lines with. Its names are
# Windows-1252 there, so grep reads listings with -a, never as binary.
listing() { "${pck[@]}" list "$@" | tr -d '\r'; }

mkdir -p tree/sub
{ cat /usr/include/*.h || true; } | head -c 300000 > tree/sub/big.txt
head -c 70000 /dev/urandom > tree/noise.bin
: > tree/empty.dat
printf 'a\xc3\xa7\xc3\xa3o\n' > "tree/ação.txt"
chmod 444 tree/noise.bin
touch -d '2001-02-03 04:05:07' tree/sub/big.txt

# --- The table ---------------------------------------------------------------------------
for mode in good fast; do
  "${pck[@]}" create "t-$mode.pck" -C tree --mode "$mode" >/dev/null
  listing "t-$mode.pck" > "list-$mode.txt"
  method=$([ $mode = good ] && echo Good || echo Fast)
  # Size, Stored, Ratio (stored per 100 original bytes), Method for the big file.
  read -r size stored ratio got _ < <(grep -a 'big.txt$' "list-$mode.txt")
  [ "$size" = 300000 ] || fail "$mode: size $size"
  [ "$stored" -lt 300000 ] && [ "$ratio" = "$((stored * 100 / 300000))%" ] ||
    fail "$mode: stored $stored, ratio $ratio"
  [ "$got" = "$method" ] || fail "$mode: method $got"
  grep -aEq "^ +0 +[0-9]+ +$method +[.RHSA]{4} .*empty\.dat$" "list-$mode.txt" ||
    fail "$mode: an empty file has a size of 0 and no ratio"
  grep -aEq "R[.HSA]{3}  .*noise.bin" "list-$mode.txt" || fail "$mode: read-only attribute"
  grep -aEq '2001-02-03 04:05  sub[/\\]big.txt$' "list-$mode.txt" || fail "$mode: date and time"
  # Totals: every original byte and every stored byte, and the entry count.
  all=$(find tree -type f -printf '%s\n' | paste -sd+ | bc)
  sum=$(grep -aE '^ +[0-9]+ +[0-9]+ ' "list-$mode.txt" | head -n -1 | awk '{s += $2} END {print s}')
  tail -n 1 "list-$mode.txt" | grep -aEq "^ +$all +$sum +[0-9]+% +4 entries$" ||
    fail "$mode: totals line: $(tail -n 1 "list-$mode.txt")"
done

# A compressed file's header with a negative size is damaged; data with no signature at all is
# not a compressed file. One entry "a.txt": its data starts at offset 42, the size at 46.
printf 'hello' > a.txt
"${pck[@]}" create one.pck a.txt >/dev/null
cp one.pck damaged.pck
printf '\xff' | dd of=damaged.pck bs=1 seek=49 conv=notrunc status=none
listing damaged.pck | grep -aEq '^ +damaged +[0-9]+ +[.RHSA]{4} .*a\.txt$' ||
  fail "a damaged header is not shown as such"
cp one.pck foreign.pck
printf 'X' | dd of=foreign.pck bs=1 seek=42 conv=notrunc status=none
listing foreign.pck | grep -aEq '^ +[0-9]+ {17}[.RHSA]{4} .*a\.txt$' ||
  fail "data that is not a compressed file has a size or method"

# --- JSON ----------------------------------------------------------------------------------
"${pck[@]}" create j.pck -C tree --mode fast --header 'say "hi" \ tab	end' --header 'ação' >/dev/null
listing j.pck --json > j.json
listing damaged.pck --json > d.json
python3 - j.json d.json tree <<'EOF' || fail "JSON listing"
import json, os, re, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert d["version"] == 2 and d["volumes"] == 1, d
assert d["archive"].endswith("j.pck"), d["archive"]
assert d["header"] == ['say "hi" \\ tab\tend', "ação"], d["header"]
names = {e["name"]: e for e in d["entries"]}
tree = sys.argv[3]
files = sorted(os.path.relpath(os.path.join(r, f), tree) for r, _, fs in os.walk(tree) for f in fs)
assert sorted(names) == files, (sorted(names), files)
for name, e in names.items():
    assert e["size"] == os.path.getsize(os.path.join(tree, name)), e
    assert e["method"] == "Fast" and e["damaged"] is False and e["stored"] > 0, e
    assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d", e["time"]), e
    assert len(e["attributes"]) == 4 and isinstance(e["attr"], int), e
assert names["noise.bin"]["attributes"][0] == "R" and names["noise.bin"]["attr"] & 1
assert names["sub/big.txt"]["time"] == "2001-02-03T04:05:06"
bad = json.load(open(sys.argv[2], encoding="utf-8"))["entries"][0]
assert bad["damaged"] is True and bad["size"] is None and bad["method"] is None, bad
EOF
grep -aq -- '--json' <<<"$("${pck[@]}" list --help)" || fail "--json is not in the help"

# --- Reproducible archives ----------------------------------------------------------------
# Only the Stamp (bytes 6..13 of every volume, counted from 1) may differ between two runs.
only_stamp_differs() {
  ! cmp -l "$1" "$2" | awk '$1 < 6 || $1 > 13 {bad = 1} END {exit !bad}'
}
# Two archives of the tree and two sets of disks, made a second apart: NAME1.pck and NAME2.pck,
# and NAME1/DISKn/NAME1.pck and NAME2/DISKn/NAME2.pck.
two_runs() {
  for n in 1 2; do
    [ "$n" -eq 1 ] || sleep 1
    "${pck[@]}" create "$1$n.pck" -C tree >/dev/null
    "${pck[@]}" create "$1$n.pck" -C tree --media "$1$n" --volume-size 64K >/dev/null
  done
}
two_runs r
only_stamp_differs r1.pck r2.pck || fail "more than the stamp differs between two runs"
! cmp -s r1.pck r2.pck || fail "two runs share a stamp"
for disk in r1/DISK*; do
  only_stamp_differs "$disk/r1.pck" "r2/${disk#r1/}/r2.pck" || fail "$disk: more than the stamp"
done

epoch=1700000000  # 2023-11-14 22:13:20 UTC
touch tree/newer.txt  # now, later than the epoch
export SOURCE_DATE_EPOCH=$epoch
two_runs s
cmp s1.pck s2.pck || fail "two runs with SOURCE_DATE_EPOCH differ"
[ -f s1/DISK2/s1.pck ] || fail "the reproducible disk set has one disk"
for disk in s1/DISK*; do cmp "$disk/s1.pck" "s2/${disk#s1/}/s2.pck" || fail "$disk differs"; done
listing s1.pck --json > s.json
python3 - s.json s1.pck $epoch <<'EOF' || fail "stamp and clamped times"
import datetime, json, struct, sys
entries = {e["name"]: e for e in json.load(open(sys.argv[1], encoding="utf-8"))["entries"]}
local = datetime.datetime.fromtimestamp(int(sys.argv[3]))
clamped = local.replace(second=local.second - local.second % 2).isoformat()
assert entries["newer.txt"]["time"] == clamped, (entries["newer.txt"], clamped)
assert entries["sub/big.txt"]["time"] == "2001-02-03T04:05:06", entries["sub/big.txt"]
stamp = struct.unpack("<d", open(sys.argv[2], "rb").read()[5:13])[0]
ole = (local - datetime.datetime(1899, 12, 30)).total_seconds() / 86400
assert abs(stamp - ole) < 1e-8, (stamp, ole)
EOF
for bad in abc -5 1e9 '' 99999999999999; do
  SOURCE_DATE_EPOCH=$bad "${pck[@]}" create bad.pck -C tree >/dev/null 2>err.txt &&
    fail "SOURCE_DATE_EPOCH=$bad accepted"
  grep -aq SOURCE_DATE_EPOCH err.txt || fail "SOURCE_DATE_EPOCH=$bad: $(cat err.txt)"
  [ ! -e bad.pck ] || fail "SOURCE_DATE_EPOCH=$bad left an archive"
done
unset SOURCE_DATE_EPOCH

# --- Passwords from a file or standard input ---------------------------------------------
printf 'se gredo\r\nsecond line\n' > pw.txt
"${pck[@]}" create p.pck --password-file pw.txt a.txt >/dev/null
"${pck[@]}" extract p.pck -C p1 --password 'se gredo' && cmp a.txt p1/a.txt ||
  fail "the password is not the file's first line"
printf 'se gredo\n' | "${pck[@]}" test p.pck --password-file - >/dev/null || fail "password on stdin"
printf 'se gredo' | "${pck[@]}" list p.pck --password-file - >/dev/null ||
  fail "password on stdin without a line end"
printf 'wrong\n' | "${pck[@]}" list p.pck --password-file - >/dev/null 2>&1 &&
  fail "a wrong password from stdin accepted"
set +e
"${pck[@]}" list p.pck --password x --password-file pw.txt >/dev/null 2>&1
[ $? -eq 2 ] || fail "--password and --password-file together"
"${pck[@]}" extract p.pck --password-file missing.txt >/dev/null 2>&1
[ $? -eq 1 ] || fail "a missing password file"
set -e
for c in create list extract test; do
  grep -aq "encrypts nothing" <<<"$("${pck[@]}" "$c" --help)" || fail "$c --help is silent on the password"
done
echo "pck listing, JSON, reproducible archives, password files: all checks passed"
