#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal build with the
# window tests, the installed tree in a temporary prefix, a bounded fuzzing run of the text
# parsers, then the core tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export QTEST_FUNCTION_TIMEOUT=120000

# Warnings are errors here and in CI (a packager's build leaves them warnings).
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_WERROR=ON -DVORLIX_BUILD_BENCH=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
scripts/install_test.sh build

scripts/fuzz.sh

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVORLIX_SANITIZE=ON -DVORLIX_BUILD_WINDOW=OFF \
    -DVORLIX_WERROR=ON
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize -L core --output-on-failure -j"$jobs"
