#!/usr/bin/env bash
# Installs what is missing, builds VORLIX and starts its window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ -x build/bin/vorlix ]; then
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "VORLIX needs a desktop: no display found (DISPLAY is not set)." >&2
        exit 1
    fi
    exec build/bin/vorlix "$@"
fi
exec build/bin/vorlix-cli --help
