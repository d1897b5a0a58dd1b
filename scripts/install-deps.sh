#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; as root with apt-get,
# otherwise prints the exact command and fails.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang pkg-config make
  libgtest-dev libgmock-dev
  libsqlite3-dev libcurl4-openssl-dev libssl-dev openssl libcpp-httplib-dev
  libgtk-3-dev xvfb xauth fonts-ipafont-gothic desktop-file-utils
  tinyproxy
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
cmd="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root:  $cmd" >&2
  exit 1
fi
