#!/usr/bin/env bash
# Builds and runs the whole test suite: natively, under AddressSanitizer and
# UndefinedBehaviorSanitizer, on Win32 and Win64 under Wine, the release
# bundle (built from those builds, unpacked and checked), a short run of every
# fuzzer and the Python package's tests, after the style gate (formatting and
# clang-tidy). Every build treats warnings as errors. With arguments, only those
# configurations (style, native, sanitize, win32, win64, dist, fuzz, python).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
if [ $# -gt 0 ]; then configs=("$@"); else configs=(style native sanitize win32 win64 dist fuzz python); fi

run() {
  local name=$1; shift
  echo "=== $name ==="
  cmake -S . -B "build/$name" -DZEB_WERROR=ON "$@" >/dev/null
  cmake --build "build/$name" -j "$jobs"
  (cd "build/$name" && ctest --output-on-failure --no-tests=error -j "$jobs")
}

# Cross compiler, PE tools and Wine loader of one Windows target:
#   need_windows_tools MINGW_PREFIX WINE_LOADER
need_windows_tools() {
  local missing=()
  for tool in "$1-g++-posix" "$1-objdump" "$1-windres"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  [ -x "$2" ] || missing+=("$2")
  if [ ${#missing[@]} -gt 0 ]; then
    echo "test.sh: the $1 run needs ${missing[*]}: run scripts/install-deps.sh" >&2
    exit 1
  fi
  if ! "$2" --version >/dev/null 2>&1; then
    echo "test.sh: $2 does not start: run scripts/install-deps.sh" >&2
    exit 1
  fi
}

for config in "${configs[@]}"; do
  case "$config" in
    style)    scripts/check-style.sh ;;
    native)   run native -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    sanitize) run sanitize -DCMAKE_BUILD_TYPE=Debug -DZEB_SANITIZE=ON ;;
    win32)    need_windows_tools i686-w64-mingw32 /usr/lib/wine/wine
              run win32 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
                -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-i686.cmake" ;;
    win64)    need_windows_tools x86_64-w64-mingw32 /usr/lib/wine/wine64
              run win64 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
                -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-x86_64.cmake" ;;
    dist)     echo "=== dist ===" && scripts/dist.sh ;;
    fuzz)     CC=clang CXX=clang++ run fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_FUZZ=ON \
                -DZEB_BUILD_TESTS=OFF -DZEB_BUILD_TOOLS=OFF -DZEB_BUILD_BENCH=OFF ;;
    python)   echo "=== python ==="
              scripts/python-install.sh
              # pytest ends with its summary line; a failure or a hang fails the run.
              ZEB_SHARED_LIBRARY="$PWD/build/python/libZEBIndicators.so" timeout 1800 \
                .venv/bin/python -m pytest -p no:cacheprovider python/tests ;;
    *) echo "test.sh: unknown configuration $config" >&2; exit 2 ;;
  esac
done
