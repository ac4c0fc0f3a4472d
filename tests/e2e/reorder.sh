#!/usr/bin/env bash
# Drag an image that is not the current one to the end of the image list with real X11 mouse
# events, save, and undo the move with Ctrl+Z: icoutils reads the images in each order.
. "$(dirname "$0")/lib.sh"
icontool=$2
printf '[Main]\nChildMaximize=1\n' > "$TARVO_SETTINGS"
# One colour per size; only the current image (32 x 32) is shown outside the list.
for s in 16:C01020 32:10A030 48:2040B0; do
  /usr/bin/convert -size "${s%%:*}x${s%%:*}" "xc:#${s#*:}" "PNG32:$work/${s%%:*}.png" \
    || fail "ImageMagick failed"
done
"$icontool" create "$work/sizes.ico" "$work/16.png" "$work/32.png" "$work/48.png" >/dev/null \
  || fail "no icon made"
sizes() { icotool -l "$1" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | tr '\n' ' '; }
[ "$(sizes "$work/sizes.ico")" = "16 32 48 " ] || fail "the icon holds $(sizes "$work/sizes.ico")"
start "$work/sizes.ico"
main=$(window '^Tarvo Iconworks - \[sizes.ico\]$') || fail "sizes.ico did not open"
sleep 1
xdotool windowfocus --sync "$main"
shot before-drag
# The rows of the 16 and 48 images, by their thumbnails.
centre() {
  /usr/bin/convert "$artifacts/before-drag.png" -alpha off -fill black +opaque "#$1" \
    -bordercolor black -border 1 -trim -format '%[fx:page.x+w/2-1] %[fx:page.y+h/2-1] %h' info:
}
read -r x16 y16 h16 < <(centre C01020)
read -r x48 y48 h48 < <(centre 2040B0)
[ "${h16:-0}" -ge 8 ] && [ "${h48:-0}" -ge 16 ] || fail "no thumbnails found (${h16:-} ${h48:-})"
[ "$y48" -gt "$y16" ] || fail "the rows are not in file order"
row=$(((y48 - y16) / 2))
# The 16 row pressed (the 32 one is current), dragged below the last row and let go there.
xdotool mousemove "$x16" "$y16" mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove "$x16" $((y16 + (3 * row + row / 2) * step / 10))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1
sleep 1
shot after-drag
xdotool key ctrl+s
for _ in $(seq 50); do [ "$(sizes "$work/sizes.ico")" = "32 48 16 " ] && break; sleep 0.1; done
[ "$(sizes "$work/sizes.ico")" = "32 48 16 " ] || fail "saved after the drag: $(sizes "$work/sizes.ico")"
xdotool key ctrl+z
sleep 0.3
xdotool key ctrl+s
for _ in $(seq 50); do [ "$(sizes "$work/sizes.ico")" = "16 32 48 " ] && break; sleep 0.1; done
[ "$(sizes "$work/sizes.ico")" = "16 32 48 " ] || fail "saved after undo: $(sizes "$work/sizes.ico")"
kill -0 $pid || fail "the editor exited"
echo "ok: dragged to the end, saved, undone and saved again"
