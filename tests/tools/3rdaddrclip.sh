#!/usr/bin/env bash
# 3rdaddrclip on a private display against a test HTTP server on 127.0.0.1, from a program
# folder of its own (the tool, its two libraries, the clipboard holder and a netwarden.ini):
# an address is shown and stays on the clipboard after the end; a page without one gives
# "***.***.***.***"; a server that is down ends the run with an error box, a line on standard
# error and a non-zero status, and the clipboard keeps what it held.
source "$NW_FIXTURES/xsession.sh"
nw_start_x

app="$NW_TMP/app"
mkdir "$app"
cp "$NW_BIN/3rdaddrclip" "$NW_BIN/nw-clipholder" "$NW_BIN/libtextcut.so" "$NW_BIN/libkanjiconv.so" "$app/"

# The pages: CP932 with Japanese around the address, and one without an address.
printf '<html>\n<p>現在の IP は 203.0.113.45 です</p>\n</html>\n' | iconv -f UTF-8 -t CP932 >"$NW_TMP/ip.html" ||
    nw_fail "iconv"
printf '{"/ip": {"body_file": "%s", "headers": {"Content-Type": "text/html; charset=Shift_JIS"}},
 "/none": {"status": 404, "body": "<p>not found. try again.</p>"}}\n' "$NW_TMP/ip.html" >"$NW_TMP/routes.json"
/usr/bin/python3 "$NW_FIXTURES/httpserver.py" --routes "$NW_TMP/routes.json" --ready "$NW_TMP/ready" \
    --log "$NW_TMP/requests.log" &
server=$!
NW_PIDS+=("$server")
for _ in $(seq 1 100); do [ -s "$NW_TMP/ready" ] && break; sleep 0.1; done
port=$(cat "$NW_TMP/ready" 2>/dev/null) || nw_fail "test server did not start"

# netwarden.ini in CP932 with CR LF: the router section with the watcher's lookup switched off.
write_ini() {
    printf '[ルーター用]\r\nルーターIP取得機能を使用する=False\r\nIP取得先URL=%s\r\n詳細設定を有効にする=False\r\n何番目のIP=1\r\n' "$1" |
        iconv -f UTF-8 -t CP932 >"$app/netwarden.ini" || nw_fail "iconv"
}

# An address: shown, then on the clipboard, and still there after the end.
write_ini "http://127.0.0.1:$port/ip"
nw_set_clip "before-1-$$"
nw_run_boxed 3rdaddrclip "before-1-$$" "$app/3rdaddrclip"
[ "$status" = 0 ] || { cat "$NW_TMP/err" >&2; nw_fail "exit status $status"; }
nw_clip_is 203.0.113.45 "after an address"

# A page without an address (and a 404 status, which is not looked at).
write_ini "http://127.0.0.1:$port/none"
nw_set_clip "before-2-$$"
nw_run_boxed 3rdaddrclip "before-2-$$" "$app/3rdaddrclip"
[ "$status" = 0 ] || { cat "$NW_TMP/err" >&2; nw_fail "exit status $status"; }
[ "$(nw_clip)" = '***.***.***.***' ] || nw_fail "clipboard after no address: '$(nw_clip)'"
[ "$(tr '\n' ' ' <"$NW_TMP/requests.log")" = "GET /ip GET /none " ] ||
    nw_fail "requests: $(cat "$NW_TMP/requests.log")"

# The server is down: the error is shown and the run fails; the clipboard is untouched.
kill "$server"
nw_wait_gone "$server" || nw_fail "test server did not stop"
nw_set_clip "before-3-$$"
nw_run_boxed 3rdaddrclip "before-3-$$" "$app/3rdaddrclip"
[ "$status" != 0 ] || nw_fail "exit status 0 after a failed fetch"
grep -q '^3rdaddrclip: 35764' "$NW_TMP/err" || nw_fail "no error line: $(cat "$NW_TMP/err")"
sleep 0.3
[ "$(nw_clip)" = "before-3-$$" ] || nw_fail "clipboard after a failed fetch: '$(nw_clip)'"
echo "3rdaddrclip ok"
