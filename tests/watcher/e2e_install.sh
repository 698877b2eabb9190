#!/usr/bin/env bash
# cmake --install puts the programs, the libraries and the default settings file into one
# program folder, and menu entries whose Exec names that folder (as installed, without a
# staging DESTDIR) with their icons beside them.
set -u
build=$(dirname "$NW_BIN")
tmp=$(mktemp -d /tmp/nwinstall.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

check_install() {
    local root=$1 prefix=$2 dir entry exec icon
    dir="$root$prefix/lib/netwarden"
    for file in Netwarden 1staddrclip 2ndaddrclip 3rdaddrclip nw-clipholder; do
        [ -x "$dir/$file" ] || fail "$file is not in the program folder $dir"
    done
    for lib in Hostexp bsmtp textcut kanjiconv; do
        [ -f "$dir/lib$lib.so" ] || fail "lib$lib.so is not in the program folder"
    done
    cmp -s "$dir/netwarden.ini" "$NW_BIN/netwarden.ini" || fail "the default netwarden.ini is not installed"

    for entry in netwarden 1staddrclip 2ndaddrclip 3rdaddrclip; do
        local file="$root$prefix/share/applications/$entry.desktop"
        [ -f "$file" ] || fail "no menu entry $entry"
        desktop-file-validate "$file" || fail "$entry.desktop is not valid"
        exec=$(sed -n 's/^Exec="\(.*\)"$/\1/p' "$file")
        case "$exec" in
            "$prefix/lib/netwarden/"*) ;;
            *) fail "$entry runs '$exec', not a program of $prefix/lib/netwarden" ;;
        esac
        [ -x "$root$exec" ] || fail "$entry runs '$exec', which is not installed"
        icon=$(sed -n 's/^Icon=//p' "$file")
        [ -f "$root$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry: no icon $icon"
    done
}

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/log" 2>&1 || { cat "$tmp/log" >&2; fail "install"; }
check_install "" "$tmp/prefix"

# Staged for a package: the entries name the final place.
DESTDIR="$tmp/stage" cmake --install "$build" --prefix /opt/nwtest >"$tmp/log" 2>&1 ||
    { cat "$tmp/log" >&2; fail "staged install"; }
check_install "$tmp/stage" /opt/nwtest
echo "install ok"
