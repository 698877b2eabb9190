#!/usr/bin/env bash
# The settings dialog of the real watcher on an X display, opened from the main window's menu:
#   - the four pages and the two expanded ones, each state's window height, a screenshot of each
#     (kept in $NW_KEEP_SCREENSHOTS when that names a folder);
#   - the send test with a server typed into the dialog and not saved, against an SMTP server on
#     loopback: the mail arrives and the box says so;
#   - the lookup test against an HTTP server on loopback, with the WAN lookup switched off: the
#     box titled "取得したIP" shows the address of the page;
#   - OK saves what was typed and hides the dialog, which comes back as it was; closing it by
#     its frame unloads it, and it comes back on its first page, collapsed.
# Everything runs in a network namespace of the test's own, so nothing leaves loopback.
[ "$(id -u)" = 0 ] || { echo "network namespaces need root; skipped"; exit 77; }
[ -f "$NW_FIXTURES/smtpserver.py" ] || { echo "no SMTP test server; skipped"; exit 77; }
source "$NW_FIXTURES/xsession.sh"
source "$NW_FIXTURES/netns.sh"
here=$(cd "$(dirname "$0")" && pwd)
keep=${NW_KEEP_SCREENSHOTS:-}
nw_start_x

app="$NW_TMP/app"
mkdir "$app" "$NW_TMP/mail"
cp "$NW_BIN/Netwarden" "$NW_BIN"/lib*.so "$app/"
[ -x "$NW_BIN/nw-clipholder" ] && cp "$NW_BIN/nw-clipholder" "$app/"
cat >"$NW_TMP/routes.json" <<'EOF'
{"/ip": {"body": "<html><body>Your address: 203.0.113.9 (seen now)</body></html>",
         "headers": {"Content-Type": "text/html; charset=Shift_JIS"}}}
EOF

# Inside the namespace: the two servers, then the settings file naming them, then the watcher.
# The SMTP server stored in the file points at a closed port; the test types the right one.
export NW_T="$NW_TMP" NW_APP="$app"
# shellcheck disable=SC2016
inner='
    /usr/bin/python3 "$NW_FIXTURES/httpserver.py" --routes "$NW_T/routes.json" --ready "$NW_T/http.port" \
        --log "$NW_T/http.log" >"$NW_T/http.err" 2>&1 &
    echo $! >"$NW_T/http.pid"
    /usr/bin/python3 "$NW_FIXTURES/smtpserver.py" --ready "$NW_T/smtp.port" --dir "$NW_T/mail" \
        >"$NW_T/smtp.err" 2>&1 &
    echo $! >"$NW_T/smtp.pid"
    for _ in $(seq 1 100); do [ -s "$NW_T/http.port" ] && [ -s "$NW_T/smtp.port" ] && break; sleep 0.1; done
    http=$(cat "$NW_T/http.port")
    printf "%s\r\n" "[基本設定]" "IP監視周期=600" "[メール設定]" "IP変化時、現在のIPをメールで送信=False" \
        "SMTPサーバ=127.0.0.1:1" "送信先アドレス=to@example.test" "返信アドレス=from@example.test" \
        "メール受信後に送信=False" "再試行回数=3" "起動時にIPをメールで送信する=False" \
        "[ルーター用]" "ルーターIP取得機能を使用する=False" "IP取得先URL=http://127.0.0.1:$http/ip" \
        "詳細設定を有効にする=False" "HTML文字コード=sjis" "何番目のIP=1" "IPの区切り文字=." |
        iconv -f UTF-8 -t CP932 >"$NW_APP/netwarden.ini"
    exec "$NW_APP/Netwarden"'
nw_netns_prepare testhost $'127.0.0.1 localhost\n192.0.2.10 testhost'
"${NW_NETNS[@]}" bash -ec "$inner" >"$NW_TMP/out" 2>"$NW_TMP/err" &
pid=$!
NW_PIDS+=("$pid")
for f in http smtp; do
    for _ in $(seq 1 100); do [ -s "$NW_TMP/$f.pid" ] && break; sleep 0.1; done
    NW_PIDS=("$(cat "$NW_TMP/$f.pid")" "${NW_PIDS[@]}")  # stopped after the watcher
done
for _ in $(seq 1 100); do [ -s "$NW_TMP/smtp.port" ] && break; sleep 0.1; done
smtp_port=$(cat "$NW_TMP/smtp.port" 2>/dev/null)
[ -n "$smtp_port" ] || { cat "$NW_TMP"/*.err >&2; nw_fail "the test servers did not start"; }

main=$(nw_wait_window '^ネットワーデン$')
[ -n "$main" ] || { cat "$NW_TMP/err" >&2; nw_fail "no main window"; }

shot() {  # shot WINDOW NAME
    sleep 0.3
    import -window "$1" "$NW_TMP/$2.png" || nw_fail "no screenshot of $2"
    [ -n "$keep" ] && mkdir -p "$keep" && cp "$NW_TMP/$2.png" "$keep/"
    return 0
}

open_dialog() {  # clicks "設定(&P)", the first command of the menu bar
    timeout 5 xdotool mousemove --window "$main" 15 10 click 1
    dlg=$(nw_wait_window '^設定$')
    [ -n "$dlg" ] || nw_fail "the settings dialog did not open"
}

# Geometry: the dialog is 5565 twips wide; positions below are twips within the dialog.
open_dialog
eval "$(xdotool getwindowgeometry --shell "$dlg")"  # WIDTH, HEIGHT
dlg_width=$WIDTH
px() { echo $(( ($1 * dlg_width + 2782) / 5565 )); }
height_is() {  # height_is TWIPS WHAT
    local want got
    want=$(px "$1")
    eval "$(xdotool getwindowgeometry --shell "$dlg")"
    got=$HEIGHT
    [ $((got - want)) -ge -1 ] && [ $((got - want)) -le 1 ] || nw_fail "$2: window $got px high, not $want"
}
click() {  # click X Y (twips)
    timeout 5 xdotool mousemove --window "$dlg" "$(px "$1")" "$(px "$2")" click 1
    sleep 0.3
}
tab() {  # tab INDEX: the four tabs share the strip's width (5415 twips), the tab bar on top
    local w=$(( ($(px 5415) - 4) / 4 ))
    timeout 5 xdotool mousemove --window "$dlg" $((2 + w * $1 + w / 2)) "$(px 180)" click 1
    sleep 0.3
}
# Waits for a message box, takes its picture, answers it and waits until it has gone. Its text
# cannot be read from outside; the picture shows it, and the widget tests check every text.
answer_box() {  # answer_box TITLE SHOT
    local box
    box=$(nw_wait_window "^$1\$")
    [ -n "$box" ] || nw_fail "no box titled $1"
    shot "$box" "$2"
    timeout 5 xdotool windowfocus --sync "$box" 2>/dev/null || true
    timeout 5 xdotool key Return
    for _ in $(seq 1 50); do
        timeout 1 xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    nw_fail "the box $1 did not close"
}

height_is 3705 "first page"
shot "$dlg" 1-basic
tab 1
shot "$dlg" 2-mail
click 4425 2317  # 詳細設定 of the mail page
height_is 6970 "mail page expanded"
shot "$dlg" 3-mail-expanded

# Send test with a server typed into the box, not saved.
click 3517 877  # Text2
timeout 5 xdotool windowfocus --sync "$dlg" 2>/dev/null || true
timeout 5 xdotool key --window "$dlg" ctrl+a
timeout 5 xdotool type --window "$dlg" "127.0.0.1:$smtp_port"
click 4395 5382  # 送信テスト, lower right of the expanded page
answer_box Netwarden 4-box-send
for _ in $(seq 1 50); do [ -f "$NW_TMP/mail/1.json" ] && break; sleep 0.1; done
[ -f "$NW_TMP/mail/1.json" ] || nw_fail "no mail reached the SMTP server"
grep -q 'to@example.test' "$NW_TMP/mail/1.json" || nw_fail "the mail has not the recipient of the dialog"
shot "$dlg" 5-mail-after-send

tab 2
height_is 3705 "program page"
shot "$dlg" 6-program
tab 3
shot "$dlg" 7-router
click 4395 2317  # 詳細設定 of the router page
height_is 6270 "router page expanded"
shot "$dlg" 8-router-expanded

click 4395 4882  # 取得テスト, lower right of the expanded page
answer_box 取得したIP 9-box-lookup
grep -q '^GET /ip$' "$NW_TMP/http.log" || nw_fail "no request reached the page"

# OK with the WAN lookup ticked: saved, hidden, and the main window's third row shows the
# address of the page; the menu shows the dialog again as it was.
click 300 885  # Check4
click 2955 5392
for _ in $(seq 1 50); do
    timeout 1 xdotool search --onlyvisible --name '^設定$' >/dev/null 2>&1 || break
    sleep 0.1
done
timeout 1 xdotool search --onlyvisible --name '^設定$' >/dev/null 2>&1 && nw_fail "OK did not hide the dialog"
iconv -f CP932 -t UTF-8 "$app/netwarden.ini" | tr -d '\r' | grep -qx "SMTPサーバ=127.0.0.1:$smtp_port" ||
    nw_fail "OK did not save the typed server"
eval "$(xdotool getwindowgeometry --shell "$main")"
main_px() { echo $(( ($1 * WIDTH + 1800) / 3600 )); }
menu=$((HEIGHT - $(main_px 1140)))
printf 'before' | timeout 5 xclip -selection clipboard -i >/dev/null 2>&1
timeout 5 xdotool mousemove --window "$main" "$(main_px 2977)" $((menu + $(main_px 907))) click 1
for _ in $(seq 1 30); do [ "$(nw_clip)" = 203.0.113.9 ] && break; sleep 0.1; done
[ "$(nw_clip)" = 203.0.113.9 ] || nw_fail "after OK the WAN row holds '$(nw_clip)'"
open_dialog
height_is 6270 "shown again after OK"
shot "$dlg" 10-after-ok

# Closing by the frame unloads it; the next showing starts on the first page, collapsed.
/usr/bin/python3 "$NW_FIXTURES/close_window.py" "$dlg" || nw_fail "could not ask the dialog to close"
sleep 0.5
open_dialog
height_is 3705 "loaded afresh"
shot "$dlg" 11-reloaded

/usr/bin/python3 "$NW_FIXTURES/close_window.py" "$main"
nw_wait_gone "$pid" || nw_fail "the watcher did not end"
grep -q 'ERROR: AddressSanitizer\|LeakSanitizer' "$NW_TMP/err" && { cat "$NW_TMP/err" >&2; nw_fail "sanitizer report"; }
echo "settings dialog end to end ok"
