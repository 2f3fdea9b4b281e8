#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, and only those that are missing.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build clang libclang-rt-14-dev clang-format-14
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libjpeg62-turbo-dev zlib1g-dev libdeflate-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core
  xvfb xauth
  libpixman-1-dev libpng-dev
  # the Debian package (cpack -G DEB, dpkg-shlibdeps) and the checks of its metainfo and man pages
  dpkg-dev appstream groff-base
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
