#!/usr/bin/env bash
# Checks a release bundle as a host developer receives it:
#   bundle_test.sh dist/ZEBIndicators-VERSION.zip
# Unpacks it into an empty folder, verifies SHA256SUMS (every file listed,
# every sum right), checks the DLLs' export, import and version tables, and
# builds the C API smoke test from the unpacked header against each unpacked
# library and runs it: natively, and under 32- and 64-bit Wine with the Wine
# prefixes of the win32 and win64 build directories.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
zip=$(realpath "$1")
name=$(basename "$zip" .zip)
version=${name#ZEBIndicators-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "bundle_test: $*" >&2; exit 1; }

unzip -q "$zip" -d "$work"
root=$work/$name
[ -d "$root" ] || fail "$zip does not unpack into $name/"
cd "$root"

# Every file is listed exactly once and matches its sum.
listed=$(sed 's/^[0-9a-f]\{64\}  //' SHA256SUMS | LC_ALL=C sort)
present=$(find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort)
[ "$listed" = "$present" ] || fail "SHA256SUMS does not list exactly the bundle's files"
sha256sum --quiet -c SHA256SUMS || fail "checksum mismatch"
echo "bundle_test: $(wc -l < SHA256SUMS) files, all checksums match"

smoke_test=$source_dir/tests/c_api_test.c

# Linux: the shared library found next to the program.
echo "bundle_test: linux-x86_64"
cc -std=c99 -I include "$smoke_test" -o linux-x86_64/c_api_test \
  linux-x86_64/libZEBIndicators.so -Wl,-rpath,'$ORIGIN'
linux-x86_64/c_api_test

# Windows: check_windows TARGET MINGW_PREFIX WINE_LOADER [LINK FLAGS...]
# The program is linked against the unpacked DLL itself and placed next to it,
# where Windows looks first.
check_windows() {
  local target=$1 mingw=$2 loader=$3
  shift 3
  echo "bundle_test: $target"
  cmake -DOBJDUMP="$mingw-objdump" -DWINDRES="$mingw-windres" -DVERSION="$version" \
    -DDLL="$target/ZEBIndicators.dll" -P "$source_dir/tests/windows/check_pe.cmake"
  "$mingw-gcc-posix" -std=c99 -I include "$smoke_test" "$target/ZEBIndicators.dll" "$@" \
    -o "$target/c_api_test.exe"
  local wine_run=("$source_dir/cmake/wine-run.sh" "$loader" "$source_dir/build/$target/wineprefix")
  cmake "-DWINE_RUN=$(IFS=';'; echo "${wine_run[*]}")" -DPREFIX="${wine_run[2]}" \
    -P "$source_dir/cmake/wine_prefix.cmake" > /dev/null
  (cd "$target" && "${wine_run[@]}" c_api_test.exe)
}
check_windows win32 i686-w64-mingw32 /usr/lib/wine/wine -Wl,--enable-stdcall-fixup
check_windows win64 x86_64-w64-mingw32 /usr/lib/wine/wine64

echo "bundle_test: $name passed"
