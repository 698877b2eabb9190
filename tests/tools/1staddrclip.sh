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
nw_run_boxed 1staddrclip 192.0.2.10 "${NW_NETNS[@]}" "$app/1staddrclip"
[ "$status" = 0 ] || { cat "$NW_TMP/err" >&2; nw_fail "exit status $status"; }

nw_clip_is 192.0.2.10 "after the end"
echo "1staddrclip ok"
