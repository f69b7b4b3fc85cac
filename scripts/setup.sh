#!/usr/bin/env bash
# Installs the Debian 12 packages VORLIX needs to build and test, skipping what is present.
set -euo pipefail

packages=(
    g++ cmake make pkgconf
    libgtest-dev libgmock-dev
    qt6-base-dev
    clang libclang-rt-14-dev
    xvfb xauth
    ffmpeg
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
