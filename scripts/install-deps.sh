#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; as root with apt-get,
# otherwise prints the exact command and fails. Then, as far as this machine allows, the Windows
# build's: the MinGW-w64 cross compilers, the 32-bit Wine its tests run under (the i386
# architecture is added for it; where the kernel cannot run 32-bit programs, the tests run a
# 64-bit build under Wine's 64-bit loader), and the installer's tools: wixl and msitools,
# icoutils (to read the programs' resources back) and osslsigncode. Without those the Windows
# build and its tests are skipped, so their failure to install is reported but does not fail.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang pkg-config make
  libgtest-dev libgmock-dev
  libsqlite3-dev libcurl4-openssl-dev libssl-dev openssl libcpp-httplib-dev libcurl3-gnutls
  libgtk-3-dev libx11-dev xvfb xauth openbox fonts-ipafont-gothic desktop-file-utils
  tinyproxy strace
)
windows_packages=(mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64
  wine32:i386 wixl msitools icoutils osslsigncode)

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      echo "$p"
    fi
  done
}

mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t windows_missing < <(missing_of "${windows_packages[@]}")
[ ${#missing[@]} -eq 0 ] && [ ${#windows_missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run as root:  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y" \
      "--no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  echo "The Windows build and its Wine tests are skipped; to have them, run as root:" >&2
  echo "  dpkg --add-architecture i386 && apt-get update && DEBIAN_FRONTEND=noninteractive" \
    "apt-get install -y --no-install-recommends ${windows_missing[*]}" >&2
  exit 0
fi

if [ ${#windows_missing[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ ${#windows_missing[@]} -gt 0 ]; then
  echo "Installing for the Windows build: ${windows_missing[*]}"
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      "${windows_missing[@]}"; then
    echo "The Windows build's packages could not be installed: make windows and the Wine" \
      "tests are skipped" >&2
  fi
fi
