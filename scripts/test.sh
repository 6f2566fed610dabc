#!/usr/bin/env bash
# Builds and runs the whole test suite: natively, under the sanitizers and on
# Win32 under Wine. With an argument, only that configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
configs=("${@:-native sanitize win32}")
read -r -a configs <<< "${configs[*]}"

run() {
  local name=$1; shift
  echo "=== $name ==="
  cmake -S . -B "build/$name" "$@" >/dev/null
  cmake --build "build/$name" -j "$jobs"
  (cd "build/$name" && ctest --output-on-failure -j "$jobs")
}

for config in "${configs[@]}"; do
  case "$config" in
    native)   run native -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    sanitize) run sanitize -DCMAKE_BUILD_TYPE=Debug -DZEB_SANITIZE=ON ;;
    win32)    run win32 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
                -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-i686.cmake" ;;
    *) echo "unknown configuration $config" >&2; exit 2 ;;
  esac
done
