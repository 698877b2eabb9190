#!/usr/bin/env bash
# The clipboard keeps a program's text after it ended, the holder gives way to the next owner,
# and a program whose output is read by a pipe is not held up by the holder.
source "$NW_FIXTURES/xsession.sh"
nw_start_x
tag="probe-$$"

out=$(timeout 20 "$NW_BIN/clip_probe" "$tag") || nw_fail "probe did not end (exit $?)"
[ "$(nw_clip)" = "$tag" ] || nw_fail "clipboard after exit: '$(nw_clip)'"
holder=$(pgrep -f "nw-clipholder $tag" | head -n 1)
[ -n "$holder" ] || nw_fail "no holder running"

# A second copy replaces the first; the first holder gives way and ends.
timeout 20 "$NW_BIN/clip_probe" "日本語 $tag" >/dev/null || nw_fail "second probe"
[ "$(nw_clip)" = "日本語 $tag" ] || nw_fail "clipboard after second copy: '$(nw_clip)'"
nw_wait_gone "$holder" || nw_fail "first holder still running"

# Another program taking the clipboard ends the holder too.
holder=$(pgrep -f "nw-clipholder 日本語 $tag" | head -n 1)
printf 'other' >"$NW_TMP/other"
# -quiet keeps xclip in the foreground, so the clean-up knows its PID.
nw_bg xclip -selection clipboard -i -quiet "$NW_TMP/other" >/dev/null 2>&1
nw_wait_gone "$holder" || nw_fail "holder did not give way to xclip"

# Empty text is held as empty text (not as "no clipboard").
timeout 20 "$NW_BIN/clip_probe" "" || nw_fail "empty probe"
got=$(timeout 5 xclip -selection clipboard -o) || nw_fail "no clipboard after an empty copy"
[ -z "$got" ] || nw_fail "empty copy gave '$got'"
echo "clipboard hand-over ok"
