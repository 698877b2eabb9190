#!/usr/bin/env bash
# The watcher end to end on a private X display with a tray host, a lookup page and an SMTP
# server on 127.0.0.1:
#   - watch period 1, the watcher goes into the tray; its tip shows the addresses unlabelled,
#     then labelled from the next cycle on;
#   - the page's address changes: the tip follows, the configured program runs once and exactly
#     one mail with the new addresses arrives;
#   - a left press on the tray icon brings the window back, showing the new address;
#   - closing the window while it sits in the tray removes the icon before the program ends.
source "$NW_FIXTURES/xsession.sh"
nw_start_x
nw_start_tray

# ---- servers ------------------------------------------------------------------------------
page() {  # the lookup page shows the caller's address as $1
    printf '{"/ip": {"body": "<html><body>Your address: %s</body></html>"}}' "$1" >"$NW_TMP/routes.tmp"
    mv "$NW_TMP/routes.tmp" "$NW_TMP/routes.json"
}
page 203.0.113.5
nw_bg /usr/bin/python3 "$NW_FIXTURES/httpserver.py" --routes "$NW_TMP/routes.json" --ready "$NW_TMP/http.port"

mkdir "$NW_TMP/mail"
nw_bg /usr/bin/python3 "$NW_FIXTURES/smtpserver.py" --dir "$NW_TMP/mail" --ready "$NW_TMP/smtp.port"

for _ in $(seq 1 100); do [ -s "$NW_TMP/http.port" ] && [ -s "$NW_TMP/smtp.port" ] && break; sleep 0.1; done
[ -s "$NW_TMP/http.port" ] || nw_fail "the HTTP server did not start"
[ -s "$NW_TMP/smtp.port" ] || nw_fail "the SMTP server did not start"
http_port=$(cat "$NW_TMP/http.port")
smtp_port=$(cat "$NW_TMP/smtp.port")

# ---- the watcher's own folder ---------------------------------------------------------------
app="$NW_TMP/app"
mkdir "$app"
cp "$NW_BIN/Netwarden" "$app/"
cp "$NW_BIN"/*.so "$app/"
[ -x "$NW_BIN/nw-clipholder" ] && cp "$NW_BIN/nw-clipholder" "$app/"

cat >"$app/onchange.sh" <<EOF
#!/bin/sh
echo run >>"$NW_TMP/launched"
EOF
chmod +x "$app/onchange.sh"

{
    printf '%s\r\n' \
        '[基本設定]' 'IP監視周期=1' \
        '[アプリケーション設定]' 'IP変化、時指定アプリケーションの起動=True' "パス=$app/onchange.sh" \
        '[メール設定]' 'IP変化時、現在のIPをメールで送信=True' "SMTPサーバ=127.0.0.1:$smtp_port" \
        '送信先アドレス=owner@example.test' '返信アドレス=netwarden@example.test' \
        'メール受信後に送信=False' 'pop3サーバ=' 'pop3ID=' 'pop3Pass=' '再試行回数=3' \
        'IP監視周期=1' '起動時にIPをメールで送信する=False' \
        '[ルーター用]' 'ルーターIP取得機能を使用する=True' "IP取得先URL=http://127.0.0.1:$http_port/ip" \
        '詳細設定を有効にする=False' 'HTML解析開始文字列=' 'HTML解析終端文字列=' 'HTML文字コード=' \
        '何番目のIP=1' 'IPの区切り文字='
} | iconv -f UTF-8 -t CP932 >"$app/netwarden.ini"

log="$NW_TMP/tray.log"
: >"$log"
NW_TRAY_LOG="$log" "$app/Netwarden" >"$NW_TMP/out" 2>"$NW_TMP/err" &
pid=$!
NW_PIDS+=("$pid")

title='^ネットワーデン$'
win=$(nw_wait_window "$title")
[ -n "$win" ] || { cat "$NW_TMP/err" >&2; nw_fail "the main window did not appear"; }

# Waits (bounded, 10 s) until the trace holds a line matching $1.
wait_log() {
    for _ in $(seq 1 100); do grep -q -- "$1" "$log" && return 0; sleep 0.1; done
    echo "--- tray trace:" >&2; cat "$log" >&2
    nw_fail "$2"
}

# Clicks a spot of the window given in twips of its client area, below the menu bar.
click_twips() {
    local geo h menu
    geo=$(xdotool getwindowgeometry "$win" | awk '/Geometry/ {print $2}')
    h=${geo#*x}
    menu=$((h - 1140 * 96 / 1440))  # the client area is 1140 twips high
    timeout 5 xdotool mousemove --window "$win" $(($1 * 96 / 1440)) $((menu + $2 * 96 / 1440)) click 1
}

# The text of the third row, through its Copy button.
wan_shown() {
    click_twips 2977 907
    sleep 0.3
    nw_clip
}

[ "$(wan_shown)" = 203.0.113.5 ] || nw_fail "row 3 shows '$(wan_shown)' at start"

# ---- into the tray: "常駐(&T)" ---------------------------------------------------------------
timeout 5 xdotool windowfocus --sync "$win" key alt+t 2>/dev/null
wait_log '^add size=152 id=10 flags=7 message=1025 tip=.*\\n.*\\n203\.0\.113\.5$' "no icon added with the unlabelled tip"
for _ in $(seq 1 50); do [ -z "$(timeout 2 xdotool search --onlyvisible --name "$title")" ] && break; sleep 0.1; done
[ -z "$(timeout 2 xdotool search --onlyvisible --name "$title")" ] || nw_fail "the window is still shown in the tray"
wait_log '^modify .*tip=G:.*\\nP:.*\\nW:203\.0\.113\.5$' "the next cycle did not label the tip"

# ---- the page's address changes --------------------------------------------------------------
page 203.0.113.77
wait_log '^modify .*tip=G:.*\\nP:.*\\nW:203\.0\.113\.77$' "the tip did not follow the new address"
for _ in $(seq 1 100); do [ -f "$NW_TMP/mail/1.json" ] && [ -s "$NW_TMP/launched" ] && break; sleep 0.1; done
sleep 3  # three more cycles: nothing more may happen
[ "$(grep -c run "$NW_TMP/launched" 2>/dev/null)" = 1 ] || nw_fail "the program ran $(grep -c run "$NW_TMP/launched" 2>/dev/null) times"
[ "$(ls "$NW_TMP/mail" | grep -c '\.json$')" = 1 ] || nw_fail "not one mail: $(ls "$NW_TMP/mail")"
grep -q '"rcpt_tos": \["owner@example.test"\]' "$NW_TMP/mail/1.json" || nw_fail "envelope: $(cat "$NW_TMP/mail/1.json")"
mail=$(tr -d '\r' <"$NW_TMP/mail/1.eml")
grep -q '^Subject: from_a_Netwarden$' <<<"$mail" || nw_fail "mail subject: $mail"
grep -q '^1stIP:' <<<"$mail" && grep -q '^2ndIP:' <<<"$mail" || nw_fail "mail body: $mail"
grep -q '^3rdIP:203\.0\.113\.77$' <<<"$mail" || nw_fail "mail without the new WAN address: $mail"

# ---- a left press on the icon brings the window back -----------------------------------------
icon=$(timeout 5 xdotool search --onlyvisible --class '^Netwarden$' | head -n 1)
[ -n "$icon" ] || nw_fail "no tray icon window"
timeout 5 xdotool mousemove --window "$icon" 10 10 mousedown 1
back=$(nw_wait_window "$title")
timeout 5 xdotool mouseup 1
[ -n "$back" ] || nw_fail "the window did not come back on the press"
wait_log '^delete size=152 id=10 flags=0' "no delete request on the way back"
[ "$(wan_shown)" = 203.0.113.77 ] || nw_fail "row 3 shows '$(wan_shown)' after the change"

# ---- closing the window while in the tray removes the icon ------------------------------------
: >"$log"
timeout 5 xdotool windowfocus --sync "$win" key alt+t 2>/dev/null
wait_log '^add ' "no icon added on the second entry"
/usr/bin/python3 "$NW_FIXTURES/close_window.py" "$win" || nw_fail "could not ask the window to close"
nw_wait_gone "$pid" || nw_fail "the watcher did not end when its window was closed"
wait_log '^delete ' "the icon was not removed before the end"
echo "watcher end to end: passed"
