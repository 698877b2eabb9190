#!/usr/bin/env bash
# 2ndaddrclip with host names of the test's own (each run in a network namespace):
#   - a name with two addresses: the clipboard holds exactly the last one, no line end;
#   - a name the resolver does not know (the library fails): the clipboard holds empty text and
#     an empty box is shown;
#   - no library in the program's folder: a box and a line on standard error report it, the exit
#     status is not zero and the clipboard keeps what it held.
[ "$(id -u)" = 0 ] || { echo "network namespaces need root; skipped"; exit 77; }
source "$NW_FIXTURES/xsession.sh"
source "$NW_FIXTURES/netns.sh"
nw_start_x

# Program folders under the test's control: with and without the library.
app="$NW_TMP/app"
bare="$NW_TMP/bare"
mkdir "$app" "$bare"
cp "$NW_BIN/2ndaddrclip" "$NW_BIN/nw-clipholder" "$NW_BIN/libHostexp.so" "$app/"
cp "$NW_BIN/2ndaddrclip" "$NW_BIN/nw-clipholder" "$bare/"

# A name with two addresses: the last one.
nw_set_clip "before-$$"
nw_netns_prepare testhost $'127.0.0.1 localhost\n192.0.2.10 testhost\n198.51.100.7 testhost'
nw_run_boxed 2ndaddrclip 198.51.100.7 "${NW_NETNS[@]}" "$app/2ndaddrclip"
[ "$status" = 0 ] || { cat "$NW_TMP/err" >&2; nw_fail "two addresses: exit status $status"; }
nw_clip_is 198.51.100.7 "two addresses"

# The library fails: what the clipboard held is gone, empty text instead.
nw_set_clip "before-$$"
nw_netns_prepare nosuchname.invalid "127.0.0.1 localhost"
nw_run_boxed 2ndaddrclip "" "${NW_NETNS[@]}" "$app/2ndaddrclip"
[ "$status" = 0 ] || { cat "$NW_TMP/err" >&2; nw_fail "library failure: exit status $status"; }
timeout 5 xclip -selection clipboard -o >/dev/null 2>&1 || nw_fail "library failure: no clipboard at all"
nw_clip_is "" "library failure"

# No library: reported, non-zero status, clipboard untouched.
nw_set_clip "before-$$"
nw_run_boxed 2ndaddrclip "before-$$" "$bare/2ndaddrclip"
[ "$status" != 0 ] || nw_fail "missing library: exit status 0"
grep -q 'libHostexp.so' "$NW_TMP/err" || nw_fail "missing library: standard error says '$(cat "$NW_TMP/err")'"
nw_clip_is "before-$$" "missing library"
echo "2ndaddrclip ok"
