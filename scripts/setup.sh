#!/usr/bin/env bash
# Installs the Debian 12 packages VORLIX needs to build and test, skipping what is present.
set -euo pipefail

packages=(
    g++ cmake make pkgconf
    libgtest-dev libgmock-dev
    qt6-base-dev
    libcue-dev libiso9660-dev libcdio-dev libcdio-utils
    clang libclang-rt-14-dev
    xvfb xauth
    ffmpeg
    desktop-file-utils appstream man-db bash-completion dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# Builds of libcue before 2.2.1-4+deb12u1 read past an array on some INDEX lines.
check_libcue() {
    local v
    v=$(dpkg-query -W -f='${Version}' libcue2 2>/dev/null) || return 0
    if ! dpkg --compare-versions "$v" ge 2.2.1-4+deb12u1; then
        echo "libcue2 $v is older than 2.2.1-4+deb12u1: upgrade it (apt-get upgrade libcue2)." >&2
        return 1
    fi
}

if [ ${#missing[@]} -eq 0 ]; then
    check_libcue
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
check_libcue
