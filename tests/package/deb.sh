#!/usr/bin/env bash
# Makes the Debian package with cpack and checks it from a temporary root,
# without installing it on the machine.
#
#   deb.sh CPACK BUILD_DIR WORK_DIR VERSION
set -euo pipefail
cpack=$1 build=$2 work=$3 version=$4
for tool in dpkg-deb man; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/vornenv_"$version"_*.deb)
[[ -f $deb ]] || { echo "no package vornenv_${version}_*.deb in $work"; exit 1; }
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
[[ $(dpkg-deb -f "$deb" Package Version) == $'Package: vornenv\nVersion: '"$version" ]]
# What the libraries need, with versions when dpkg-shlibdeps could read them.
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libstdc++6* ]] || { echo "Depends: $depends"; exit 1; }
echo "Depends: $depends"

root=$work/root
dpkg-deb -x "$deb" "$root"
out=$("$root/usr/bin/vornenv" --version)
[[ $out == "vornenv $version" ]] || { echo "vornenv --version said: $out"; exit 1; }
page=$(MANPAGER=cat MANWIDTH=80 man -l "$root/usr/share/man/man1/vornenv.1" 2>&1)
[[ $page == *"vornenv - "* && $page == *EXIT* ]] || { echo "man -l gave: ${page:0:400}"; exit 1; }
# The libraries, the C interface and the package files came along.
for file in usr/include/vornenv/capi.h usr/lib/libvornenv.so.1 usr/lib/pkgconfig/vornenv.pc \
    usr/lib/cmake/vornenv/vornenvConfig.cmake usr/share/doc/vornenv/README.md \
    usr/share/bash-completion/completions/vornenv; do
  [[ -e $root/$file ]] || { echo "missing from the package: /$file"; exit 1; }
done
echo "package ok"
