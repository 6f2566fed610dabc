#!/usr/bin/env bash
# Builds the Python package zebindicators and installs it into the virtual
# environment .venv: Debian's Python, created with access to Debian's own
# packages (NumPy, pandas, Dask, pytest), so nothing is downloaded.
set -euo pipefail
cd "$(dirname "$0")/.."
python=${ZEB_PYTHON:-/usr/bin/python3}
build=build/python
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_BUILD_PYTHON=ON \
  -DZEB_BUILD_TESTS=OFF -DZEB_BUILD_TOOLS=OFF -DZEB_BUILD_BENCH=OFF \
  -DPython3_EXECUTABLE="$python" >/dev/null
cmake --build "$build" -j "$jobs" --target zebindicators ZEBIndicators

[ -x .venv/bin/python ] || "$python" -m venv --system-site-packages .venv
site=$(.venv/bin/python -c 'import sysconfig; print(sysconfig.get_path("platlib"))')
rm -rf "$site/zebindicators"
mkdir -p "$site/zebindicators"
cp "$build"/python/zebindicators/*.py "$build"/python/zebindicators/_core*.so "$site/zebindicators/"
.venv/bin/python -c 'import zebindicators' || { echo "python-install: import failed" >&2; exit 1; }
echo "zebindicators installed into .venv ($site)"
