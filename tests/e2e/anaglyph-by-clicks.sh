#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end: the real velmora window under Xvfb, driven from the keyboard as
# a person would (xdotool), makes an anaglyph and a cross-eyed pair of the
# bundled sample through the real file dialogs; the files must equal what
# velmora-cli makes.
#   anaglyph-by-clicks.sh VELMORA VELMORA_CLI SAMPLES_FOLDER MAIN_WINDOW_TITLE
# With VELMORA_E2E_SHOTS set to a folder, the screen is saved there at the
# main steps, for a person to look at.
set -euo pipefail

velmora=$1
cli=$2
samples=$3
title=$4

# Always on a display of its own, never on the user's desktop. The display
# is kept as it is when its last client leaves (-noreset): the window is
# closed and started again below, and a display resetting meanwhile refuses
# the new window.
if [ -z "${VELMORA_E2E_DISPLAY:-}" ]; then
    VELMORA_E2E_DISPLAY=1 exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Copies, so that the files chosen in the dialogs are plain paths.
cp "$samples/sample.png" "$samples/sample-depth.png" "$work/"

# Windows come and go while xdotool looks at them, and a search that meets a
# vanishing window fails with BadWindow: every look is retried, with a
# deadline, rather than trusted once.
find_window() { # a window title; prints its id, or nothing
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true
}
count_windows() { # a window title; prints how many are shown
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l || true
}
wait_count() { # a window title, a number of windows
    local deadline=$((SECONDS + 60))
    until [ "$(count_windows "$1")" -eq "$2" ]; do
        [ "$SECONDS" -lt "$deadline" ] || { echo "not $2 windows \"$1\"" >&2; return 1; }
        sleep 0.1
    done
}
wait_for() { # a window title
    local id deadline=$((SECONDS + 60))
    until id=$(find_window "$1") && [ -n "$id" ]; do
        [ "$SECONDS" -lt "$deadline" ] || { echo "no window \"$1\" appeared" >&2; return 1; }
        sleep 0.1
    done
    echo "$id"
}
wait_gone() { # a window title; gone when two looks in a row find nothing
    local misses=0 deadline=$((SECONDS + 60))
    while [ "$misses" -lt 2 ]; do
        [ "$SECONDS" -lt "$deadline" ] || { echo "window \"$1\" stayed open" >&2; return 1; }
        if [ -n "$(find_window "$1")" ]; then misses=0; else misses=$((misses + 1)); fi
        sleep 0.1
    done
}
focus() { # a window title
    local attempt
    for attempt in 1 2 3 4 5; do
        xdotool windowfocus --sync "$(wait_for "$1")" 2>/dev/null && break
        sleep 0.2
    done
    sleep 0.3
}
shot() { # a name
    [ -n "${VELMORA_E2E_SHOTS:-}" ] || return 0
    /usr/bin/python3 -c 'import os, sys; from PIL import ImageGrab; ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).save(sys.argv[1])' \
        "$VELMORA_E2E_SHOTS/$1.png"
}
close_preview() {
    # Close has the focus in the preview: Enter presses it.
    wait_for "Image Preview" >/dev/null
    focus "Image Preview"
    xdotool key Return
    wait_gone "Image Preview"
}
answer_file_dialog() { # title, path
    wait_for "$1" >/dev/null
    focus "$1"
    xdotool type --delay 20 "$2"
    xdotool key Return
    wait_gone "$1"
}

QT_QPA_PLATFORM=xcb "$velmora" &
app=$!
main_window=$(wait_for "$title")

# A normal top-level window, which gets a task-bar entry, not a dialog
# standing over another window.
properties=$(xprop -id "$main_window" _NET_WM_WINDOW_TYPE WM_TRANSIENT_FOR)
if ! grep -qx '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NORMAL' <<<"$properties" ||
    ! grep -q 'WM_TRANSIENT_FOR:  not found' <<<"$properties"; then
    echo "the main window is not a normal top-level window: $properties"
    exit 1
fi
focus "$title"

# The first tab stop is the picture's "Open..."; the depth map's comes next.
xdotool key space
answer_file_dialog "Open image" "$work/sample.png"
focus "$title"
xdotool key Tab space
answer_file_dialog "Open image" "$work/sample-depth.png"
focus "$title"

# On to "Auto" (Smooth..., views, angle; the parallax field is disabled),
# switch it off, go back to the parallax and replace the 9 it holds by 12
# with Home and Delete; then on to the smoothing radius, select all its 3
# and type 2 over it. A key that did nothing would change the result.
xdotool key Tab Tab Tab Tab space
xdotool key shift+Tab Home Delete 1 2
xdotool key Tab Tab ctrl+a 2

# "&Anaglyph image", then the save dialog and the preview.
xdotool key alt+a
answer_file_dialog "Save image" "$work/result.bmp"
close_preview

# A name typed without its extension gets ".bmp" in the dialog, which then
# asks before replacing result.bmp; its default answer, No, writes nothing.
cp "$work/result.bmp" "$work/before.bmp"
focus "$title"
xdotool key alt+a
wait_for "Save image" >/dev/null
focus "Save image"
xdotool type --delay 20 "$work/result"
xdotool key Return
wait_count "Save image" 2
xdotool key Return
wait_count "Save image" 1
focus "Save image"
xdotool key Escape
wait_gone "Save image"
if ! cmp "$work/before.bmp" "$work/result.bmp"; then
    echo "result.bmp was replaced although the user said No"
    exit 1
fi

"$cli" anaglyph --image "$work/sample.png" --depth "$work/sample-depth.png" --parallax 12 --window 12 \
    --radius 2 -o "$work/expected.bmp"
if cmp "$work/result.bmp" "$work/expected.bmp"; then
    echo "the anaglyph made by clicks equals velmora-cli's"
else
    echo "the window's anaglyph differs from velmora-cli's"
    exit 1
fi

# "Cross eyed" makes velmora-cli's crossed pair. The focus is still in the
# smoothing radius ("&Anaglyph image" does not take it); eleven tab stops on,
# past the slider and its field, the modes, the format, the two checks,
# "Anaglyph image", "Lenticular views", "Help" and "About", comes "Cross eyed".
focus "$title"
xdotool key Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab
shot cross-eyed-focused
xdotool key space
answer_file_dialog "Save image" "$work/cross.png"
wait_for "Image Preview" >/dev/null
shot cross-eyed-preview
close_preview
"$cli" sbs --layout cross --image "$work/sample.png" --depth "$work/sample-depth.png" --parallax 12 --window 12 \
    --radius 2 --format bmp -o "$work/expected-cross.png"
if cmp "$work/cross.png" "$work/expected-cross.png"; then
    echo "the cross-eyed pair made by clicks equals velmora-cli's"
else
    echo "the window's cross-eyed pair differs from velmora-cli's"
    exit 1
fi

# The picture itself chosen as the output: no question, the anaglyph goes to
# 2sample.png, and the picture stays as it was.
cp "$work/sample.png" "$work/picture-before.png"
focus "$title"
xdotool key alt+a
answer_file_dialog "Save image" "$work/sample.png"
close_preview
shot saved-beside-the-picture
cmp "$work/sample.png" "$work/picture-before.png"
if cmp "$work/2sample.png" "$work/expected.bmp"; then
    echo "the picture chosen as the output was kept and the anaglyph saved as 2sample.png"
else
    echo "2sample.png is not the anaglyph"
    exit 1
fi

# A picture saved without a resolution (a PNG without pHYs): no parallax can
# be worked out from it, so Auto goes off and an output asks for the
# parallax ("Enter parallax!") instead of working one out from 72 dpi.
/usr/bin/python3 -c 'import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])' \
    "$work/sample.png" "$work/no-resolution.png"
kill "$app"
wait "$app" || true
QT_QPA_PLATFORM=xcb "$velmora" &
app=$!
wait_for "$title" >/dev/null
focus "$title"
xdotool key space
answer_file_dialog "Open image" "$work/no-resolution.png"
focus "$title"
xdotool key Tab space
answer_file_dialog "Open image" "$work/sample-depth.png"
focus "$title"
shot no-resolution
xdotool key alt+a
wait_for "velmora" >/dev/null
shot enter-parallax
if [ "$(count_windows "Save image")" -ne 0 ]; then
    echo "a parallax was worked out for a picture without a resolution"
    exit 1
fi
focus "velmora"
xdotool key Return
wait_gone "velmora"
echo "a picture without a resolution switched Auto off"
