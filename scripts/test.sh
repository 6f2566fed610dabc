#!/usr/bin/env bash
# Builds and runs the whole test suite: natively, under AddressSanitizer and
# UndefinedBehaviorSanitizer, on Win32 under Wine, and a short run of every
# fuzzer, and the Python package's tests. With arguments, only those
# configurations (native, sanitize, win32, fuzz, python).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
if [ $# -gt 0 ]; then configs=("$@"); else configs=(native sanitize win32 fuzz python); fi

run() {
  local name=$1; shift
  echo "=== $name ==="
  cmake -S . -B "build/$name" "$@" >/dev/null
  cmake --build "build/$name" -j "$jobs"
  (cd "build/$name" && ctest --output-on-failure --no-tests=error -j "$jobs")
}

need_win32_tools() {
  local missing=()
  for tool in i686-w64-mingw32-g++-posix i686-w64-mingw32-objdump wine; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "test.sh: the Win32 run needs ${missing[*]}: run scripts/install-deps.sh" >&2
    exit 1
  fi
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "test.sh: 32-bit Wine does not start: run scripts/install-deps.sh" >&2
    exit 1
  fi
}

for config in "${configs[@]}"; do
  case "$config" in
    native)   run native -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    sanitize) run sanitize -DCMAKE_BUILD_TYPE=Debug -DZEB_SANITIZE=ON ;;
    win32)    need_win32_tools
              run win32 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
                -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-i686.cmake" ;;
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
