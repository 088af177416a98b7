#!/bin/sh
# Installs what fernclip needs to build and test, from Debian's packages.
set -eu

packages="
  build-essential cmake pkg-config
  libmsi-dev libgcab-dev libglib2.0-dev
  googletest libgtest-dev libbenchmark-dev
  msitools wixl cabextract 7zip python3-olefile
  g++-mingw-w64-x86-64
  wine64 xvfb xauth
  clang
"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi
