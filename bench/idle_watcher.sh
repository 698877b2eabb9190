#!/usr/bin/env bash
# The watcher at rest: resident memory and CPU time over 60 s of idling at the default watch
# period (600 s, so no cycle runs in the window), on a private Xvfb display.
#
#   bench/idle_watcher.sh [BIN_DIR] [--tray]
#
# BIN_DIR is a build's program folder (default: build/bench/bin, built without sanitizers:
#   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNW_TESTS=OFF
#   cmake --build build/bench).
# With --tray a tray host runs and the watcher idles as a tray icon instead of a window.
# Aims: under 30 MiB resident and under 0.1 % of one core. Exit status 1 when an aim is missed.
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
bin="$src/build/bench/bin"
tray=0
for arg in "$@"; do
    case "$arg" in
    --tray) tray=1 ;;
    *) bin=$arg ;;
    esac
done
SECONDS_IDLE=${NW_IDLE_SECONDS:-60}
[ -x "$bin/Netwarden" ] || { echo "no Netwarden in $bin" >&2; exit 2; }

source "$src/tests/fixtures/xsession.sh"
nw_start_x
[ "$tray" = 1 ] && nw_start_tray

# A program folder of its own with the default settings: no lookup, no mail, period 600.
app="$NW_TMP/app"
mkdir "$app"
cp "$bin/Netwarden" "$app/"
cp "$bin"/*.so "$app/" 2>/dev/null
cp "$bin/netwarden.ini" "$app/" 2>/dev/null || true

nw_bg "$app/Netwarden"
pid=${NW_PIDS[-1]}
win=$(nw_wait_window '^ネットワーデン$')
[ -n "$win" ] || nw_fail "the main window did not appear"
if [ "$tray" = 1 ]; then
    # The menu command "常駐(&T)" (there is no window manager here to minimize with).
    timeout 5 xdotool windowfocus --sync "$win" key alt+t 2>/dev/null
    sleep 1
    [ -z "$(timeout 2 xdotool search --onlyvisible --name '^ネットワーデン$' 2>/dev/null)" ] ||
        nw_fail "the window did not go into the tray"
fi
sleep 5  # let start-up settle

hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

t0=$(cpu_ticks "$pid")
start=$(date +%s.%N)
sleep "$SECONDS_IDLE"
nw_alive "$pid" || nw_fail "the watcher ended while idling"
t1=$(cpu_ticks "$pid")
end=$(date +%s.%N)
rss=$(rss_kib "$pid")
hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
anon=$(awk '/^RssAnon:/ {print $2}' "/proc/$pid/status")
file=$(awk '/^RssFile:/ {print $2}' "/proc/$pid/status")

awk -v t0="$t0" -v t1="$t1" -v hz="$hz" -v s="$start" -v e="$end" -v rss="$rss" -v hwm="$hwm" -v anon="$anon" -v file="$file" -v tray="$tray" '
BEGIN {
    wall = e - s; cpu = (t1 - t0) / hz; pct = 100 * cpu / wall
    printf "idle %s for %.1f s\n", (tray ? "in the tray" : "as a window"), wall
    printf "resident: %.1f MiB (peak %.1f MiB), aim < 30 MiB\n", rss / 1024, hwm / 1024
    printf "  of which private (anonymous) %.1f MiB, mapped files (shared libraries, fonts) %.1f MiB\n", anon / 1024, file / 1024
    printf "CPU: %.3f s = %.4f %% of one core, aim < 0.1 %%\n", cpu, pct
    bad = (rss / 1024 >= 30) || (pct >= 0.1)
    print bad ? "result: above the aim" : "result: within the aim"
    exit bad
}'
