#!/usr/bin/env bash
# wine-floppy.sh PREFIX PROGRAM.exe [ARGS...]: runs a test program under Wine with drive A: as a
# floppy drive backed by a folder, in a prefix of its own so no other test sees the drive.
# The program learns the drive from PACK_FLOPPY.
set -euo pipefail
prefix=$1
shift
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
floppy=$prefix/floppy-a
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  "$root/scripts/wineprefix-init" "$prefix"
  if [ ! -f "$prefix/.pack-floppy" ]; then
    mkdir -p "$floppy"
    ln -sfn "$floppy" "$prefix/dosdevices/a:"
    reg=$(mktemp --suffix=.reg)
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n"a:"="floppy"\n' >"$reg"
    WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 regedit /S "Z:$(echo "$reg" | tr / '\\')"
    # The mount manager reads the drive types when the server starts.
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
    rm -f "$reg"
    touch "$prefix/.pack-floppy"
  fi
) 9>"$prefix.lock"
export TAVO_WINEPREFIX=$prefix PACK_FLOPPY='A:\'
exec "$root/scripts/winerun" "$@"
