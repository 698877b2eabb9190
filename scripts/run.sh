#!/usr/bin/env bash
# Builds the programs into build/bin and starts the watcher.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"
cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNW_TESTS=OFF >/dev/null
cmake --build "$src/build" -j "$(nproc)"
bin="$src/build/bin"
if [ ! -x "$bin/Netwarden" ]; then
    echo "Built into $bin:"; ls "$bin"
    exit 0
fi
exec "$src/scripts/start-watcher.sh" "$bin"
