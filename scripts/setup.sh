#!/usr/bin/env bash
# Installs the Debian packages that fernclip's build and tests need. Safe to run again: only
# missing packages are installed. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
  # build
  build-essential cmake g++ make pkg-config
  libgcab-dev libglib2.0-dev zlib1g-dev libdeflate-dev libmimalloc-dev
  # unit tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # reading what we wrote with other programs
  msitools wixl 7zip python3-olefile cabextract
  # making the test merge modules' cabinets
  gcab
  # installing built packages in the end-to-end tests
  wine64 xvfb xauth
  # the Windows setup.exe launcher
  g++-mingw-w64-x86-64
  # the DLL wrapper that custom actions call captured DLL functions through, also for 32-bit DLLs
  gcc-mingw-w64-i686 g++-mingw-w64-i686
  # fuzz targets
  clang
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages are installed."
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
