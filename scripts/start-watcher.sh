#!/usr/bin/env bash
# Starts the watcher from a program folder: start-watcher.sh BIN_DIR
#
# On a desktop (DISPLAY or WAYLAND_DISPLAY set) the watcher simply starts there.
# Without a display, a private X display (Xvfb) with a tray host (trayer) is started, the
# watcher runs on it, and a screenshot of its window is saved (NW_SCREENSHOT names the file;
# default: a new file under ${TMPDIR:-/tmp}). The script then keeps running until it is
# interrupted (Ctrl+C or kill); the display, the tray host and the watcher end with it. They
# run in sessions of their own, so that Ctrl+C reaches only this script, which stops them in order.
set -euo pipefail

bin=${1:?usage: start-watcher.sh BIN_DIR}
bin=$(cd "$bin" && pwd)
watcher="$bin/Netwarden"
[ -x "$watcher" ] || { echo "no watcher in $bin" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$watcher"
fi

for tool in Xvfb trayer xdotool import; do
    command -v "$tool" >/dev/null || { echo "no display, and $tool for a private one is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/netwarden-display.XXXXXX")
pids=()
stop_all() {
    trap - EXIT INT TERM HUP
    # Last started, first stopped: the watcher still has its display while it shuts down.
    local i pid
    for ((i=${#pids[@]}-1; i>=0; i--)); do
        pid=${pids[i]}
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Nothing of the private session may reach a session bus, nor start one that outlives it.
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    export XDG_RUNTIME_DIR="$work/xdg"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
fi
unset QT_QPA_PLATFORM

mkfifo "$work/displayfd"
setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 number <"$work/displayfd" || { echo "the private display did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$number"

setsid trayer --edge top --align right --widthtype request --height 32 --SetDockType false \
    --transparent false >"$work/trayer.log" 2>&1 &
pids+=($!)

setsid "$watcher" &
watcher_pid=$!
pids+=("$watcher_pid")

shot=${NW_SCREENSHOT:-$(mktemp --suffix=.png "${TMPDIR:-/tmp}/netwarden-window.XXXXXX")}
window=$(timeout 30 xdotool search --sync --all --onlyvisible --pid "$watcher_pid" --name '^ネットワーデン$' 2>/dev/null | head -n 1) || true
if [ -n "$window" ]; then
    sleep 0.5  # let the first paint finish
    import -window "$window" "$shot"
    echo "Screenshot of the watcher's window: $shot"
elif kill -0 "$watcher_pid" 2>/dev/null; then
    # Most likely a message box of the start-up waits for an answer.
    import -window root "$shot"
    echo "The watcher's window has not appeared; screenshot of the whole display: $shot"
else
    echo "The watcher ended before its window appeared." >&2
    exit 1
fi
echo "Netwarden runs on the private display $DISPLAY (no desktop display was found)."
echo "Other programs can use that display with DISPLAY=$DISPLAY."
echo "Stop: press Ctrl+C, or run: kill $$"

# Until interrupted, or until the watcher ends by itself (its exit command, its window closed).
wait "$watcher_pid" || true
