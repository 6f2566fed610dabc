#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds a small C program
# against it, with find_package and with pkg-config; both must run. A C++
# program checks the caller-owned instances of the installed C++ header.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" > /dev/null
for header in zeb_indicators.h zeb_indicators.hpp; do
  [ -f "$prefix/include/$header" ] || { echo "FAIL: $header not installed" >&2; exit 1; }
done

# CMake: find_package(ZEBIndicators), shared and static.
cmake -S "$src/tests/install/consumer" -B "$tmp/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$tmp/cmake-build" > /dev/null
"$tmp/cmake-build/consumer"
"$tmp/cmake-build/consumer_static"
"$tmp/cmake-build/owned_consumer"

# pkg-config, from a moved copy of the tree: the .pc file finds its own prefix.
mv "$prefix" "$tmp/moved"
pcdir=$(dirname "$(find "$tmp/moved" -name zebindicators.pc)")
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs zebindicators)
cc "$src/tests/install/consumer/consumer.c" $flags -o "$tmp/consumer_pc"
libdir=$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=libdir zebindicators)
LD_LIBRARY_PATH=$libdir "$tmp/consumer_pc"
# docs/host-integration.md: every sh block that installs into or links from /opt/zeb runs
# as written, in a fresh shell, with the prefix moved into the temporary folder.
doc="$src/docs/host-integration.md"
awk '/^```sh$/ { block = ""; inside = 1; next }
     /^```$/ && inside { if (block ~ /\/opt\/zeb/) printf "%s%c", block, 0; inside = 0; next }
     inside { block = block $0 "\n" }' "$doc" > "$tmp/blocks"
[ "$(tr -cd '\0' < "$tmp/blocks" | wc -c)" -ge 3 ] || { echo "FAIL: $doc lost its install commands" >&2; exit 1; }
mkdir "$tmp/app"
cp "$src/tests/install/consumer/consumer.c" "$tmp/app/app.c"
while IFS= read -r -d '' block; do
  commands=${block//\/opt\/zeb/$tmp/opt-zeb}
  commands=${commands//build\/native/$build}
  (cd "$tmp/app" && env -i PATH="$PATH" HOME="$tmp" bash -euo pipefail -c "$commands") \
    || { printf 'FAIL: the commands of %s do not run as written:\n%s' "$doc" "$block" >&2; exit 1; }
done < "$tmp/blocks"
echo "install: ok"
