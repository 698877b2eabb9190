#!/usr/bin/env bash
# 1staddrclip in a network of its own whose one interface carries 192.0.2.10 with the default
# route: the clipboard holds exactly that address (no line end) while the box is up and after
# the program has ended, and the box carries the program's title.
[ "$(id -u)" = 0 ] || { echo "network namespaces need root; skipped"; exit 77; }
source "$NW_FIXTURES/xsession.sh"
source "$NW_FIXTURES/netns.sh"
nw_start_x

# The program's folder under the test's control: the tool and the clipboard holder only.
app="$NW_TMP/app"
mkdir "$app"
cp "$NW_BIN/1staddrclip" "$NW_BIN/nw-clipholder" "$app/"

# Something else on the clipboard first, so a copy that did not happen shows.
nw_set_clip "before-$$"

nw_netns_prepare testhost "127.0.0.1 localhost"
"${NW_NETNS[@]}" "$app/1staddrclip" >"$NW_TMP/out" 2>"$NW_TMP/err" &
pid=$!
NW_PIDS+=("$pid")

box=$(nw_wait_window '^1staddrclip$')
[ -n "$box" ] || { cat "$NW_TMP/err" >&2; nw_fail "no box titled 1staddrclip"; }
[ "$(nw_clip)" = 192.0.2.10 ] || nw_fail "clipboard while the box is up: '$(nw_clip)'"
timeout 5 xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
nw_wait_gone "$pid" || nw_fail "1staddrclip did not end after its box was closed"
wait "$pid"
status=$?
[ "$status" = 0 ] || { cat "$NW_TMP/err" >&2; nw_fail "exit status $status"; }

nw_clip >"$NW_TMP/clip"
printf '192.0.2.10' | cmp -s - "$NW_TMP/clip" || nw_fail "clipboard after the end: $(od -c "$NW_TMP/clip")"
echo "1staddrclip ok"
