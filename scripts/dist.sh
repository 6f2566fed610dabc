#!/usr/bin/env bash
# Writes the release bundle dist/ZEBIndicators-VERSION.zip: the 32- and 64-bit
# Windows DLLs with their .def files, the Linux x86-64 shared library, the
# public header, the host documentation, a README and SHA256SUMS. The bundle
# is then unpacked and checked (tests/dist/bundle_test.sh); a bundle that
# fails its check is removed.
#
# The libraries come from the native, win32 and win64 build directories of
# scripts/test.sh; a missing one is built and tested first by that script, so
# nothing goes into a bundle from a configuration that was never tested.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

for config in native win32 win64; do
  [ -f "build/$config/CMakeCache.txt" ] || scripts/test.sh "$config"
  cmake --build "build/$config" -j "$jobs" --target ZEBIndicators
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/native/CMakeCache.txt)
name=ZEBIndicators-$version
zip=$PWD/dist/$name.zip
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/$name
# Every timestamp in the bundle (file times, the stripped DLLs' PE header) is
# the commit's time, so the same sources give the same archive.
export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)

# Copies FILE to the bundle path DEST, with debug information removed by STRIP
# when one is given: put DEST FILE [STRIP].
put() {
  mkdir -p "$(dirname "$root/$1")"
  cp "$2" "$root/$1"
  if [ -n "${3:-}" ]; then "$3" --strip-debug "$root/$1"; fi
}
put win32/ZEBIndicators.dll build/win32/ZEBIndicators.dll i686-w64-mingw32-strip
put win32/ZEBIndicators.def build/win32/ZEBIndicators.def
put win64/ZEBIndicators.dll build/win64/ZEBIndicators.dll x86_64-w64-mingw32-strip
put win64/ZEBIndicators.def build/win64/ZEBIndicators.def
put linux-x86_64/libZEBIndicators.so build/native/libZEBIndicators.so strip
put include/zeb_indicators.h include/zeb_indicators.h
put docs/indicators.md docs/indicators.md
put docs/host-integration.md docs/host-integration.md
sed "s/@VERSION@/$version/g" scripts/bundle-README.md.in > "$root/README.md"

# Every file with its checksum, in a fixed order.
(cd "$root" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
  xargs sha256sum > SHA256SUMS)
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mkdir -p dist
rm -f "$zip"
(cd "$stage" && find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X "$zip" -@)

if ! tests/dist/bundle_test.sh "$zip"; then
  rm -f "$zip"
  echo "dist: the bundle failed its check; nothing written" >&2
  exit 1
fi
echo "dist: wrote $zip"
