#!/usr/bin/env bash
# Installs what the build and the tests need when it is missing (with "demo":
# only what the demo needs). Fails loudly when it cannot: the Win32 run is
# never skipped silently.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# With the argument "demo", only what `make demo` needs.
if [ "${1:-}" = demo ]; then
  packages=(cmake g++ make libcli11-dev)
else
  packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev libcli11-dev libxml2-utils
            pkg-config g++-mingw-w64-i686-posix wine clang-format)
fi
for pkg in "${packages[@]}"; do
  have_pkg "$pkg" || need+=("$pkg")
done
if [ "${1:-}" != demo ] && ! have_pkg wine32:i386; then need+=("wine32:i386"); fi

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${need[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: need root to install ${need[*]}" >&2
  exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
for pkg in "${need[@]}"; do
  have_pkg "$pkg" || { echo "install-deps: $pkg did not install" >&2; exit 1; }
done
