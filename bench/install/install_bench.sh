#!/usr/bin/env bash
# install_bench.sh: what an extraction under Wine costs next to creating the same files bare.
#
#   bench/install/install_bench.sh --pck NATIVE_PCK --pck-exe PCK.EXE [--pck-exe OTHER.EXE]...
#                                  [--tree DIR]...
#
# Builds a product tree (the demo's web files and a copy of /usr/include, unless --tree names
# others) into WEB.PCK in Fast mode with the native pck, then in one run and one fresh Wine prefix
# times: a bare Win32 program that only creates the same files (CreateFile, WriteFile,
# SetFileTime, CloseHandle; it times itself, after loading the tree), and "pck.exe extract" of
# WEB.PCK for every --pck-exe given (a baseline build next to a new one, for instance). Each time
# is the best of two; a pck.exe time has that program's own start-up (the best of two runs of
# "pck.exe list" on a one-entry archive) taken off. Prints the times and each one's ratio to the
# bare creation. Figures only: it never fails on speed.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
pck="" trees=() exes=()
while [ $# -gt 0 ]; do
  case $1 in
    --pck) pck=$2; shift 2 ;;
    --pck-exe) exes+=("$(readlink -f "$2")"); shift 2 ;;
    --tree) trees+=("$(readlink -f "$2")"); shift 2 ;;
    *) echo "install_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -n "$pck" ] && [ ${#exes[@]} -gt 0 ] || { sed -n 4,6p "$0" >&2; exit 2; }
[ ${#trees[@]} -gt 0 ] || trees=("$root/demo/content" /usr/include)

work=$(mktemp -d /tmp/install-bench.XXXXXX)
cleanup() {
  WINEPREFIX=$work/prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

echo "building the product tree and WEB.PCK (Fast) ..."
mkdir -p "$work/tree"
for t in "${trees[@]}"; do cp -a "$t" "$work/tree/$(basename "$t")"; done
"$pck" create "$work/WEB.PCK" -C "$work/tree" --mode fast >/dev/null
mkdir -p "$work/one" && echo x >"$work/one/X.TXT"
"$pck" create "$work/ONE.PCK" -C "$work/one" --mode fast >/dev/null
files=$(find "$work/tree" -type f | wc -l)
bytes=$(du -sb "$work/tree" | cut -f1)
echo "$files files, $((bytes / 1000000)) MB; archive $(($(stat -c %s "$work/WEB.PCK") / 1000000)) MB"

x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/bare_create.exe" \
  "$root/bench/install/bare_create.cpp"

export TAVO_WINEPREFIX=$work/prefix
run() { "$root/scripts/winerun" "$@"; }
run "$work/bare_create.exe" >/dev/null 2>&1 || true  # makes the prefix
now() { date +%s.%N; }
best() { printf '%s\n' "$@" | sort -g | head -1; }

bare=()
for i in 1 2; do
  rm -rf "$work/out"
  bare+=("$(run "$work/bare_create.exe" "$(winpath "$work/tree")" "$(winpath "$work/out")" |
            awk '{print $1}')")
done
b=$(best "${bare[@]}")
printf '%-40s %8.2f s\n' "bare creation" "$b"

for exe in "${exes[@]}"; do
  starts=() times=()
  for i in 1 2; do
    t0=$(now); run "$exe" list "$(winpath "$work/ONE.PCK")" >/dev/null; t1=$(now)
    starts+=("$(echo "$t1 - $t0" | bc)")
    rm -rf "$work/out"
    t0=$(now)
    run "$exe" extract "$(winpath "$work/WEB.PCK")" -C "$(winpath "$work/out")" >/dev/null
    t1=$(now)
    times+=("$(echo "$t1 - $t0" | bc)")
  done
  s=$(best "${starts[@]}") t=$(best "${times[@]}")
  net=$(echo "$t - $s" | bc)
  printf '%-40s %8.2f s  (start-up %.2f s)  %5.2f x bare\n' "pck.exe extract ($(basename "$(dirname "$(dirname "$exe")")"))" \
    "$net" "$s" "$(echo "$net / $b" | bc -l)"
done
