#!/usr/bin/env bash
# install_bench.sh: what an extraction under Wine costs next to creating the same files bare.
#
#   bench/install/install_bench.sh --pck NATIVE_PCK --pck-exe PCK.EXE [--pck-exe OTHER.EXE]...
#                                  [--tree DIR]... [--demo BUILD/demo]
#
# Builds a product tree (the demo's web files and a copy of /usr/include, unless --tree names
# others) into WEB.PCK in Fast mode with the native pck, then in one run and one fresh Wine prefix
# times: a bare Win32 program that only creates the same files (CreateFile, WriteFile,
# SetFileTime, CloseHandle; it times itself, after loading the tree), and "pck.exe extract" of
# WEB.PCK for every --pck-exe given (a baseline build next to a new one, for instance), and the
# setup program of the same build (SETUP.EXE and uidriver.exe beside that pck.exe) installing a
# demo distribution whose WEB.PCK is this one, driven like a user by the UI driver as the
# end-to-end tests drive it. Each time is the best of two; a pck.exe time has that program's own
# start-up (the best of two runs of "pck.exe list" on a one-entry archive) taken off, a SETUP.EXE
# time the whole install with a one-entry WEB.PCK (start-up, the wizard, the other archives).
# The distribution's other files come from the native pck and the demo programs of --demo
# (default build/win64/demo). Prints the times and each one's ratio to the bare creation.
# Figures only: it never fails on speed.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
pck="" trees=() exes=() demo=$root/build/win64/demo
while [ $# -gt 0 ]; do
  case $1 in
    --pck) pck=$2; shift 2 ;;
    --pck-exe) exes+=("$(readlink -f "$2")"); shift 2 ;;
    --tree) trees+=("$(readlink -f "$2")"); shift 2 ;;
    --demo) demo=$(readlink -f "$2"); shift 2 ;;
    *) echo "install_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -n "$pck" ] && [ ${#exes[@]} -gt 0 ] || { sed -n 4,5p "$0" >&2; exit 2; }
[ ${#trees[@]} -gt 0 ] || trees=("$root/demo/content" /usr/include)

work=$(mktemp -d /tmp/install-bench.XXXXXX)
xvfb_pid=""
cleanup() {
  WINEPREFIX=$work/prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# Every program of the run, the setup program's windows included, on one screen: a private one
# when there is no display.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
fi
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
# TREE/build/PRESET/bin/pck.exe is named TREE/PRESET in the figures.
label() {
  local build; build=$(dirname "$(dirname "$1")")
  echo "$(basename "$(dirname "$(dirname "$build")")")/$(basename "$build")"
}

echo "building the product tree and WEB.PCK (Fast) ..."
mkdir -p "$work/tree"
for t in "${trees[@]}"; do cp -a "$t" "$work/tree/$(basename "$t")"; done
"$pck" create "$work/WEB.PCK" -C "$work/tree" --mode fast >/dev/null
mkdir -p "$work/one" && echo x >"$work/one/X.TXT"
"$pck" create "$work/ONE.PCK" -C "$work/one" --mode fast >/dev/null
# The demo distribution for SETUP.EXE; its SETUP.EXE and WEB.PCK are replaced for each run.
setup_leg=yes
if ! "$root/scripts/build-distribution" --pck "$pck" --setup "$(dirname "${exes[0]}")/SETUP.EXE" \
       --demo "$demo" \
       --out "$work/dist" >/dev/null; then
  echo "no demo programs in $demo (build the win64 preset): SETUP.EXE is not timed"
  setup_leg=""
fi
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
  printf '%-40s %8.2f s  (start-up %.2f s)  %5.2f x bare\n' "pck.exe extract ($(label "$exe"))" \
    "$net" "$s" "$(echo "$net / $b" | bc -l)"
done

# The install the UI driver performs: demo/install.uid without its screenshots. The wait for the
# final box is as long as the driver's timeout allows.
cat >"$work/install.uid" <<'UID'
start .\SETUP.EXE
window TFrmApp
window TFrmData
check chkAccept
click btnNext
expect-state edtTarget visible
type edtIDAPI "C:\Program Files\Common Files\Borland Shared\BDE"
click btnNext
expect-state cboType visible
choose cboType "TAVO-Fiscal 1.1"
choose cboPort "8888"
click btnNext
expect btnNext "&Instala"
click btnNext
window TFrmStatus "Status"
box "Instalação completa com sucesso" OK
answer OK
wait-exit 0
UID
# One install of the distribution with archive as its WEB.PCK; prints its seconds, or "failed".
install() {
  local bin=$1 archive=$2 t0 t1
  rm -rf "$work/prefix/drive_c/RUDOdez"
  cp "$archive" "$work/dist/WEB.PCK"
  t0=$(now)
  if (cd "$work/dist" && run "$bin/uidriver.exe" --timeout 1800 "$(winpath "$work/install.uid")" \
        >"$work/uidriver.log" 2>&1); then
    t1=$(now); echo "$t1 - $t0" | bc
  else
    echo failed
  fi
}

for exe in "${exes[@]}"; do
  [ -n "$setup_leg" ] || break
  bin=$(dirname "$exe") name="SETUP.EXE install ($(label "$exe"))"
  if [ ! -f "$bin/SETUP.EXE" ] || [ ! -f "$bin/uidriver.exe" ]; then
    printf '%-40s no SETUP.EXE and uidriver.exe beside %s\n' "$name" "$exe"
    continue
  fi
  cp "$bin/SETUP.EXE" "$work/dist/SETUP.EXE"
  bases=() times=()
  for i in 1 2; do
    bases+=("$(install "$bin" "$work/ONE.PCK")")
    times+=("$(install "$bin" "$work/WEB.PCK")")
  done
  if printf '%s\n' "${bases[@]}" "${times[@]}" | grep -q failed; then
    printf '%-40s the UI driver failed:\n' "$name"
    sed 's/^/    /' "$work/uidriver.log"
    continue
  fi
  s=$(best "${bases[@]}") t=$(best "${times[@]}")
  net=$(echo "$t - $s" | bc)
  printf '%-40s %8.2f s  (the rest %.2f s)     %5.2f x bare\n' "$name" "$net" "$s" \
    "$(echo "$net / $b" | bc -l)"
done
