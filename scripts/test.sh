#!/usr/bin/env bash
# Builds everything with clang under AddressSanitizer and UndefinedBehaviorSanitizer (warnings
# are errors), then runs every test through ctest: unit tests, fuzz runs and end-to-end runs.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"
build="$src/build/asan"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DNW_SANITIZE=ON -DNW_FUZZ=ON -DNW_TESTS=ON -DCMAKE_CXX_FLAGS="-Werror -O1" >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
