#!/usr/bin/env bash
# The watcher on a real X display, started by the run command's start script:
#   - in a network namespace of the test's own, the window shows the three rows with the
#     addresses of that namespace; a screenshot has the window's size and its dark blue frame;
#   - the Copy buttons, clicked, put exactly each row's text on the clipboard;
#   - about(&A) opens the about window, 常駐(&T) hides the window and closes the about window;
#   - closing the window ends the process;
#   - without a display, the start script brings its own, saves a screenshot of the window,
#     and everything it started ends with it;
#   - a program folder the user cannot write to is named in a message at start-up.
[ "$(id -u)" = 0 ] || { echo "network namespaces need root; skipped"; exit 77; }
source "$NW_FIXTURES/xsession.sh"
source "$NW_FIXTURES/netns.sh"
here=$(cd "$(dirname "$0")" && pwd)
start="$NW_SRC/scripts/start-watcher.sh"
nw_start_x
nw_start_tray

# A program folder of the test's own: the watcher, its libraries and a settings file with the
# WAN lookup switched off and no start-up mail.
app="$NW_TMP/app"
mkdir "$app"
cp "$NW_BIN/Netwarden" "$NW_BIN/nw-clipholder" "$NW_BIN"/lib*.so "$app/"
printf '%s\r\n' '[基本設定]' 'IP監視周期=600' '[メール設定]' '起動時にIPをメールで送信する=False' \
    '[ルーター用]' 'ルーターIP取得機能を使用する=False' | iconv -f UTF-8 -t CP932 >"$app/netwarden.ini"

# Inside the namespace the local address is 192.0.2.10 and the host name resolves to
# 198.51.100.7.
nw_netns_prepare testhost $'127.0.0.1 localhost\n198.51.100.7 testhost'
"${NW_NETNS[@]}" "$start" "$app" >"$NW_TMP/out" 2>"$NW_TMP/err" &
pid=$!
NW_PIDS+=("$pid")

win=$(nw_wait_window '^ネットワーデン$')
[ -n "$win" ] || { cat "$NW_TMP/err" >&2; nw_fail "no main window"; }
# No message box at a normal start.
if timeout 2 xdotool search --sync --onlyvisible --name '^Netwarden$' >/dev/null 2>&1; then
    nw_fail "a message box came up at start-up"
fi

eval "$(xdotool getwindowgeometry --shell "$win")"  # WIDTH, HEIGHT
# The client area is 3600 x 1140 twips, the menu bar above it.
px() { echo $(( ($1 * WIDTH + 1800) / 3600 )); }
client=$(px 1140)
menu=$((HEIGHT - client))
[ "$WIDTH" -ge 200 ] && [ "$menu" -gt 0 ] || nw_fail "window of ${WIDTH}x${HEIGHT}"

sleep 0.5
shot="$NW_TMP/window.png"
import -window "$win" "$shot" || nw_fail "no screenshot"
[ "$(identify -format '%wx%h' "$shot")" = "${WIDTH}x${HEIGHT}" ] || nw_fail "screenshot size"
# The frame in dark blue (0, 0, 128) along the client area's edges.
for point in "0,$menu" "$((WIDTH - 1)),$((HEIGHT - 1))" "$((WIDTH / 2)),$((HEIGHT - 1))"; do
    colour=$(convert "$shot" -format "%[fx:int(255*p{$point}.r)],%[fx:int(255*p{$point}.g)],%[fx:int(255*p{$point}.b)]" info:)
    [ "$colour" = "0,0,128" ] || nw_fail "frame at $point is $colour"
done
[ -n "${NW_KEEP_SCREENSHOT:-}" ] && cp "$shot" "$NW_KEEP_SCREENSHOT"

# Copy buttons: at twips (2610, top) with size (735, 255), rows at 60, 420 and 780.
copy_gives() {
    local top=$1 want=$2
    printf 'before' | timeout 5 xclip -selection clipboard -i
    timeout 5 xdotool mousemove --window "$win" "$(px 2977)" $((menu + $(px $((top + 127))))) click 1
    for _ in $(seq 1 30); do [ "$(nw_clip)" = "$want" ] && return 0; sleep 0.1; done
    nw_fail "Copy of the row at $top gave '$(nw_clip)', not '$want'"
}
copy_gives 60 192.0.2.10
copy_gives 420 198.51.100.7
copy_gives 780 '***.***.***.***'

# The about window from the menu; entering the tray closes it.
visible() { timeout 3 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null || true
timeout 5 xdotool key --window "$win" alt+a
[ -n "$(nw_wait_window '^ﾊﾞｰｼﾞｮﾝ情報$')" ] || nw_fail "about(&A) showed no about window"
timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null || true
timeout 5 xdotool key --window "$win" alt+t
for _ in $(seq 1 30); do [ -z "$(visible '^ネットワーデン$')" ] && break; sleep 0.1; done
[ -z "$(visible '^ネットワーデン$')" ] || nw_fail "常駐(&T) left the window shown"
[ -z "$(visible '^ﾊﾞｰｼﾞｮﾝ情報$')" ] || nw_fail "the about window stayed open in the tray"

# Closing the window while it sits in the tray (as at the end of the session) ends the program.
/usr/bin/python3 "$NW_FIXTURES/close_window.py" "$win" || nw_fail "could not ask the window to close"
nw_wait_gone "$pid" || nw_fail "the watcher still runs after its window was closed"
wait "$pid"
[ $? = 0 ] || nw_fail "exit status after close"
# The address copied last stays on the clipboard after the watcher has ended.
[ "$(nw_clip)" = '***.***.***.***' ] || nw_fail "clipboard after the end: '$(nw_clip)'"

# Without a display: the start script's own display, a screenshot, and a clean end.
(
    unset DISPLAY
    export NW_SCREENSHOT="$NW_TMP/nodisplay.png"
    exec "$start" "$app"
) >"$NW_TMP/out2" 2>"$NW_TMP/err2" &
script=$!
NW_PIDS+=("$script")
for _ in $(seq 1 300); do grep -q '^Stop:' "$NW_TMP/out2" && break; sleep 0.1; done
grep -q "^Screenshot of the watcher's window: $NW_TMP/nodisplay.png$" "$NW_TMP/out2" ||
    { cat "$NW_TMP/out2" "$NW_TMP/err2" >&2; nw_fail "no screenshot line from the start script"; }
[ "$(identify -format '%wx%h' "$NW_TMP/nodisplay.png")" = "${WIDTH}x${HEIGHT}" ] ||
    nw_fail "the screenshot is not the window"
children=$(pgrep -P "$script" | tr '\n' ' ')
[ "$(echo $children | wc -w)" = 3 ] || nw_fail "expected display, tray host and watcher, got: $children"
kill -TERM "$script"
nw_wait_gone "$script" || nw_fail "the start script did not stop"
for child in $children; do
    nw_wait_gone "$child" || nw_fail "process $child outlived the start script"
done
grep -q 'ERROR: AddressSanitizer\|LeakSanitizer' "$NW_TMP/err2" && { cat "$NW_TMP/err2" >&2; nw_fail "sanitizer report"; }

# A program folder that cannot be written: a message names it, then the window comes up.
unshare --mount bash -ec 'mount --bind "$1" "$1"; mount -o remount,ro,bind "$1"; exec "$1/Netwarden"' \
    ro "$app" >"$NW_TMP/out3" 2>"$NW_TMP/err3" &
ro=$!
NW_PIDS+=("$ro")
box=$(nw_wait_window '^Netwarden$')
[ -n "$box" ] || { cat "$NW_TMP/err3" >&2; nw_fail "no message about the read-only folder"; }
import -window "$box" "$NW_TMP/readonly-box.png"
[ -n "${NW_KEEP_SCREENSHOT:-}" ] && cp "$NW_TMP/readonly-box.png" "${NW_KEEP_SCREENSHOT%.png}-readonly.png"
timeout 5 xdotool key --window "$box" Return 2>/dev/null || true
win=$(nw_wait_window '^ネットワーデン$')
[ -n "$win" ] || nw_fail "no main window after the message"
/usr/bin/python3 "$NW_FIXTURES/close_window.py" "$win"
nw_wait_gone "$ro" || nw_fail "the watcher did not end"
echo "watcher end to end ok"
