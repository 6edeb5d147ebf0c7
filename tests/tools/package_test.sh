#!/usr/bin/env bash
# package_test.sh CPACK BUILD_DIR: the Debian package "cpack" makes holds /usr/bin/pck, its
# manual page and its bash completion and nothing else, has the fields dpkg needs, and its pck runs once unpacked.
cpack=$1 build=$(readlink -f "$2")
. "$(dirname "$(readlink -f "$0")")/../support/scratch.sh"

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package in $work/out"
deb=${debs[0]}
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort | tr '\n' ' ')
[ "$files" = "./usr/bin/pck ./usr/share/bash-completion/completions/pck ./usr/share/locale/pt/LC_MESSAGES/pck.mo ./usr/share/man/man1/pck.1 " ] ||
  fail "package files: $files"
dpkg-deb -f "$deb" Package | grep -qx pck || fail "package name"
dpkg-deb -f "$deb" Version | grep -qx "$("$build/bin/pck" --version | cut -d' ' -f2)" ||
  fail "the package's version is not the program's"
dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "no dependency on the C library"
dpkg -x "$deb" "$work/root"
mkdir "$work/tree" && echo "hello" > "$work/tree/a.txt"
"$work/root/usr/bin/pck" create "$work/a.pck" -C "$work/tree" >/dev/null
"$work/root/usr/bin/pck" list "$work/a.pck" | grep -q "a.txt" || fail "the packaged pck does not run"
echo "package: $(basename "$deb")"
