#!/usr/bin/env bash
# Installs what the build and the tests need when it is missing (Debian 12;
# with "demo": only what the demo needs; with "python": only what the Python
# package needs). Fails loudly when it cannot: the Windows runs are never
# skipped silently.
#
# The Win32 tests run the 32-bit test programs under 32-bit Wine. On a kernel
# that cannot execute 32-bit x86 code (IA-32 emulation switched off), 32-bit
# Linux programs are handed to qemu-i386 through binfmt_misc, which lets the
# same 32-bit Wine run unchanged.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
fail() { echo "install-deps: $*" >&2; exit 1; }

updated=0
install_pkgs() {
  local need=()
  for pkg in "$@"; do have_pkg "$pkg" || need+=("$pkg"); done
  [ ${#need[@]} -eq 0 ] && return 0
  echo "install-deps: installing ${need[*]}"
  [ "$(id -u)" -eq 0 ] || fail "need root to install ${need[*]}"
  if [[ " ${need[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0
  fi
  if [ "$updated" -eq 0 ]; then
    apt-get update -qq
    updated=1
  fi
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  for pkg in "${need[@]}"; do have_pkg "$pkg" || fail "$pkg did not install"; done
}

python_pkgs=(python3-venv python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pandas
  python3-dask python3-distributed python3-pytest python3-matplotlib)
if [ "${1:-}" = demo ]; then
  install_pkgs cmake g++ make libcli11-dev
  exit 0
fi
if [ "${1:-}" = python ]; then
  install_pkgs cmake g++ make "${python_pkgs[@]}"
  exit 0
fi
install_pkgs "${python_pkgs[@]}"
install_pkgs cmake g++ make googletest libgtest-dev libbenchmark-dev libcli11-dev libxml2-utils \
  pkg-config clang-format clang-tidy clang libclang-rt-14-dev g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip unzip \
  wine wine64 wine32:i386 wine32-preloader:i386
/usr/lib/wine/wine64 --version >/dev/null 2>&1 || fail "64-bit Wine does not start"

# 32-bit Wine's loader is a 32-bit Linux program: when the kernel refuses it,
# route 32-bit ELF programs through qemu-i386.
wine_loader=/usr/lib/wine/wine
binfmt=/proc/sys/fs/binfmt_misc
if ! "$wine_loader" --version >/dev/null 2>&1; then
  echo "install-deps: this kernel does not run 32-bit programs; using qemu-i386 for them"
  [ "$(id -u)" -eq 0 ] || fail "need root to register qemu-i386 with binfmt_misc"
  install_pkgs qemu-user
  mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/zeb-i386" ]; then
    # ELF, 32-bit, little-endian, x86 (e_machine 3), executable or shared object.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":zeb-i386:M::$magic:$mask:/usr/bin/qemu-i386:F" > "$binfmt/register"
  fi
  "$wine_loader" --version >/dev/null 2>&1 || fail "32-bit Wine still does not start"
fi
