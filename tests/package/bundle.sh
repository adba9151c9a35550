#!/usr/bin/env bash
# Makes the Windows bundle with cpack and uses it as a Windows user does:
# unzipped into a folder whose path holds a space and non-ASCII letters, run
# under Wine with only the Windows folders on PATH, and a C program built
# from the zip alone, once with its import library and once with one made
# from its .def file (what `lib /def:` does for MSVC).
#
#   bundle.sh CPACK BUILD_DIR WORK_DIR VERSION SOURCE_DIR CC OBJDUMP DLLTOOL WINE
set -euo pipefail
cpack=$1 build=$2 work=$3 version=$4 source=$5 cc=$6 objdump=$7 dlltool=$8 wine=$9
name=vornenv-$version-windows-x86_64
system32=${WINEPREFIX:-$HOME/.wine}/drive_c/windows/system32
[[ -d $system32 ]] || { echo "no Wine prefix at ${WINEPREFIX:-~/.wine}"; exit 1; }
fail() { echo "bundle: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
"$cpack" -G ZIP --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" ||
  { cat "$work/cpack.log"; exit 1; }
zip=$work/$name.zip
[[ -f $zip ]] || fail "no $name.zip in $work"
echo "$name.zip: $(stat -c %s "$zip") bytes"
here="$work/Prüf ordner ä"
mkdir -p "$here"
(cd "$here" && cmake -E tar xf "$zip")
root=$here/$name

for file in bin/vornenv.exe bin/libvornenv.dll bin/libstdc++-6.dll include/vornenv/capi.h \
    include/vornenv/vornenv.h lib/libvornenv.dll.a lib/libvornenv.def lib/pkgconfig/vornenv.pc \
    lib/cmake/vornenv/vornenvConfig.cmake README.txt vornenv.txt; do
  [[ -f $root/$file ]] || fail "missing $file"
done
grep -q 'EXIT STATUS' "$root/vornenv.txt" || fail "vornenv.txt is not the manual page"

# What each program and DLL imports is in the bundle or a system DLL; the
# host imports system DLLs alone.
imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
system() { [[ -n $(find "$system32" -maxdepth 1 -iname "$1" -print -quit) ]]; }
for file in "$root"/bin/*.exe "$root"/bin/*.dll; do
  while read -r dll; do
    if ! system "$dll"; then
      [[ $file != */vornenv.exe && -f $root/bin/$dll ]] ||
        fail "$(basename "$file") imports $dll, which is neither a system DLL nor beside it"
    fi
  done < <(imports "$file")
done
echo "vornenv.exe imports: $(imports "$root/bin/vornenv.exe" | tr '\n' ' ')"

# Only the Windows folders on PATH (WINEPATH would add to them).
unset WINEPATH
path=$("$wine" cmd /c echo %PATH% | tr -d '\r')
tr ';' '\n' <<<"$path" | grep -viq '^c:\\windows' && fail "PATH holds more than Windows: $path"

out=$("$wine" "$root/bin/vornenv.exe" --version | tr -d '\r')
[[ $out == "vornenv $version" ]] || fail "vornenv.exe --version said: $out"
cp -r "$source/examples" "$here/examples"
"$wine" "$root/bin/vornenv.exe" check "$here/examples/toolchain.ini" >/dev/null ||
  fail "vornenv.exe check failed on the example"

# A C program from the zip alone, its DLLs copied beside it.
app=$here/app
mkdir -p "$app"
cp "$root"/bin/*.dll "$app"/
"$dlltool" -d "$root/lib/libvornenv.def" -l "$work/libvornenv-from-def.a"
for lib in "$root/lib/libvornenv.dll.a" "$work/libvornenv-from-def.a"; do
  "$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror -I"$root/include" \
    "$source/tests/package/consumer.c" "$lib" -o "$app/consumer.exe"
  out=$("$wine" "$app/consumer.exe" "$app/description ü.ini" | tr -d '\r')
  [[ $out == "c consumer ok" ]] || fail "consumer linked with $(basename "$lib") said: $out"
  echo "consumer linked with $(basename "$lib"): ok"
done
echo "bundle ok"
