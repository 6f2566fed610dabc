#!/usr/bin/env bash
# Style gate of the test command: every C/C++ file formatted as .clang-format
# says (`make format` fixes it), and clang-tidy's checks (.clang-tidy) at zero
# findings over the library and the tools. Warnings as errors are checked by
# the builds themselves (ZEB_WERROR).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "=== style: clang-format ==="
if ! git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format --dry-run --Werror; then
  echo "check-style: files above are not formatted; run: make format" >&2
  exit 1
fi

echo "=== style: clang-tidy ==="
build=build/tidy
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DZEB_BUILD_TESTS=OFF -DZEB_BUILD_BENCH=OFF >/dev/null
# The WinINet reader compiles only for Windows; every other source of the
# library and the tools is checked.
mapfile -t sources < <(git ls-files 'core/*.cpp' 'components/*.cpp' 'indicators/*.cpp' \
  'interface/*.cpp' 'net/*.cpp' 'tools/*.cpp' | grep -v '_wininet\.cpp$')
run-clang-tidy -quiet -p "$build" -j "$jobs" "${sources[@]/#/$PWD/}" > "$build/tidy.log" 2>&1 ||
  { grep -E 'warning:|error:' "$build/tidy.log" >&2 || cat "$build/tidy.log" >&2; exit 1; }
echo "clang-tidy: ${#sources[@]} files, no findings"
