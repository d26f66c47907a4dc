#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Starts the desktop program on a virtual X display, adds three sample PDF files through Add PDF Files
# (Ctrl+O and the file dialog, typed as a user would), selects the first row and types its range, so
# that the preview beside the list shows its pages, and saves a picture of the screen.
#   tools/screenshot.sh [output.png]                (default: docs/screenshot.png)
# QUIRE_BINDER names the program to start (default: build/quire-binder, built when missing).
# Installs Xvfb, xdotool and ImageMagick when they are missing (with sudo when not root).
# With --gallery it saves a picture of the controls gallery (tools/gallery) instead; no display needed.
#   tools/screenshot.sh --gallery [output.png]      (default: docs/gallery.png)
# QUIRE_GALLERY names the gallery program (default: build/tools/gallery/quire_gallery, built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --gallery ]; then
    out=${2:-docs/gallery.png}
    gallery=${QUIRE_GALLERY:-build/tools/gallery/quire_gallery}
    if [ ! -x "$gallery" ]; then
        cmake --preset default >/dev/null
        cmake --build --preset default --target quire_gallery
    fi
    mkdir -p "$(dirname "$out")"
    # NOTE: --grab draws the window into an image, so the offscreen platform gives the same picture
    # as a display would, without the platform theme of whoever runs it.
    QT_QPA_PLATFORM=offscreen QT_QPA_PLATFORMTHEME= "$gallery" --grab "$out"
    echo "saved $out"
    exit 0
fi

out=${1:-docs/screenshot.png}

tools/install-packages.sh xvfb xdotool imagemagick qpdf

program=${QUIRE_BINDER:-build/quire-binder}
if [ ! -x "$program" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default --target quire-binder
fi

work=$(mktemp -d)
cleanup()
{
    # The program first, so that it ends normally while its display is still there.
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/run" "$work/config" "$work/docs"
chmod 700 "$work/run"

# A small PDF with a coloured block and one line of text per page; qpdf writes the cross-reference
# table.
sample()
{
    local name=$1 pages=$2 kids="" objects="" n=4 i
    for ((i = 1; i <= pages; i++)); do
        kids+="$n 0 R "
        local shade=$(( (i * 37) % 100 ))
        local text="0.2 0.$shade 0.7 rg 72 430 468 260 re f 0 g BT /F1 40 Tf 72 340 Td (Page $i) Tj /F1 22 Tf 0 -50 Td ($name) Tj ET"
        objects+="$n 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> /Contents $((n + 1)) 0 R >> endobj
$((n + 1)) 0 obj << /Length ${#text} >> stream
$text
endstream endobj
"
        n=$((n + 2))
    done
    printf '%%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n2 0 obj << /Type /Pages /Kids [%s] /Count %d >> endobj\n3 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n%strailer << /Root 1 0 R /Size %d >>\n%%%%EOF\n' \
        "$kids" "$pages" "$objects" "$n" > "$work/raw.pdf"
    qpdf "$work/raw.pdf" "$work/docs/$name.pdf" 2>/dev/null || [ $? -eq 3 ]
}
sample "Annual report" 12
sample "Budget 2027" 4
sample "Minutes" 3

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp &
xvfb=$!
sleep 1
HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb \
    QT_QPA_PLATFORMTHEME= "$program" &
app=$!
for _ in $(seq 50); do
    xdotool search --name "Quire Binder" >/dev/null 2>&1 && break
    sleep 0.2
done
window=$(xdotool search --name "Quire Binder" | head -1)
xdotool windowsize "$window" 1180 700
xdotool windowmove "$window" 90 60
# Without a window manager the program takes the keyboard focus only when given it.
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.5
xdotool key ctrl+o
sleep 1.5
xdotool type --delay 20 "$work/docs/"
xdotool key Return
sleep 0.8
xdotool type --delay 20 '"Annual report.pdf" "Budget 2027.pdf" "Minutes.pdf"'
xdotool key Return
sleep 1.5
# The first row, its range typed: pages 3 to 8 of 12 stand out in the preview.
xdotool mousemove --window "$window" 100 172 click 1
sleep 0.5
xdotool mousemove --window "$window" 455 172 click 1
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 20 3
xdotool key Tab ctrl+a
xdotool type --delay 20 8
xdotool key Return
xdotool mousemove --window "$window" 700 500
sleep 2
mkdir -p "$(dirname "$out")"
# The whole screen, cut to the main window, so that any dialog in front of it shows too.
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
echo "saved $out"
