#!/usr/bin/env bash
# End to end: the real velmora window under Xvfb, driven from the keyboard as
# a person would (xdotool), makes an anaglyph of the bundled sample through
# the real file dialogs; the file must equal what velmora-cli makes.
#   anaglyph-by-clicks.sh VELMORA VELMORA_CLI SAMPLES_FOLDER
set -euo pipefail

velmora=$1
cli=$2
samples=$3

# Always on a display of its own, never on the user's desktop.
if [ -z "${VELMORA_E2E_DISPLAY:-}" ]; then
    VELMORA_E2E_DISPLAY=1 exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Copies, so that the files chosen in the dialogs are plain paths.
cp "$samples/sample.png" "$samples/sample-depth.png" "$work/"

wait_for() { # a window title
    xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}
focus() { # a window id
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    sleep 0.3
}
answer_file_dialog() { # title, path
    local dialog
    dialog=$(wait_for "$1")
    focus "$dialog"
    xdotool type --delay 20 "$2"
    xdotool key Return
    while xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; do sleep 0.1; done
}

QT_QPA_PLATFORM=xcb "$velmora" &
app=$!
main=$(wait_for "Velmora 1.211")
focus "$main"

# The first tab stop is the picture's "Open..."; the depth map's comes next.
xdotool key space
answer_file_dialog "Open image" "$work/sample.png"
focus "$main"
xdotool key Tab space
answer_file_dialog "Open image" "$work/sample-depth.png"
focus "$main"

# On to "Auto" (Smooth..., views, angle; the parallax field is disabled),
# switch it off, go back to the parallax and type 12 over the 9 it holds.
xdotool key Tab Tab Tab Tab space
xdotool key shift+Tab End BackSpace 1 2

# "&Anaglyph image", then the save dialog and the preview.
xdotool key alt+a
answer_file_dialog "Save image" "$work/result.bmp"
preview=$(wait_for "Image Preview")
focus "$preview"
xdotool key Escape
while xdotool search --onlyvisible --name "^Image Preview\$" >/dev/null 2>&1; do sleep 0.1; done

"$cli" anaglyph --image "$work/sample.png" --depth "$work/sample-depth.png" --parallax 12 --window 12 \
    --radius 3 -o "$work/expected.bmp"
if cmp "$work/result.bmp" "$work/expected.bmp"; then
    echo "the anaglyph made by clicks equals velmora-cli's"
else
    echo "the window's anaglyph differs from velmora-cli's"
    exit 1
fi
