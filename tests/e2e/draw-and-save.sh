#!/usr/bin/env bash
# Open a cursor, draw a line across it with real X11 mouse events, save it (the hot spot dialog
# answers) and save a copy through the save dialog; icoutils and a reload check both files.
. "$(dirname "$0")/lib.sh"
icontool=$2
printf '[Main]\nChildMaximize=1\n' > "$TARVO_SETTINGS"
/usr/bin/convert -size 32x32 xc:white "PNG32:$work/white.png" || fail "ImageMagick failed"
"$icontool" create "$work/arrow.cur" "$work/white.png" --hotspot 3,4 || fail "no cursor made"
start "$work/arrow.cur"
main=$(window '^Tarvo Iconworks - \[arrow.cur\]$') || fail "arrow.cur did not open"
sleep 1
xdotool windowfocus --sync "$main"
xdotool key ctrl+l                                    # the line tool
sleep 0.5
shot before-line
# The blue border of the editing view frames the image: find it left of the preview
# (the preview's frame and the colour panel's blue cell are on the right).
eval "$(xdotool getwindowgeometry --shell "$main")"
read -r x y w h < <(/usr/bin/convert "$artifacts/before-line.png" \
  -crop "$((WIDTH * 75 / 100))x${HEIGHT}+${X}+${Y}" +repage -alpha off \
  -fill black +opaque '#0000FF' -bordercolor black -border 1 -trim -format '%X %Y %w %h' info: \
  | tr -d '+')
[ "${w:-0}" -ge 100 ] || fail "no editing view border found (${w}x${h})"
# Inside the border ring, one cell (an eighth of the 32 + 2 cells) thick.
cell=$((w / 34))
x=$((X + x - 1 + cell)) y=$((Y + y - 1 + cell)) w=$((w - 2 * cell)) h=$((h - 2 * cell))
row=$((y + h / 2))
xdotool mousemove $((x + 2)) $row mousedown 1
for step in 1 2 3 4 5 6 7 8; do xdotool mousemove $((x + 2 + (w - 5) * step / 8)) $row; done
xdotool mouseup 1
sleep 0.5
shot after-line
# Save: the hot spot dialog comes up, as for every cursor; 7 and 9 this time.
xdotool key ctrl+s
dialog=$(window '^Set Cursor Hot Spot$') || fail "no hot spot dialog"
xdotool windowfocus --sync "$dialog"
xdotool key ctrl+a type 7
xdotool key Tab ctrl+a type 9
xdotool key Return
sleep 1
# Save As through the real dialog: the File menu, then the file name typed.
xdotool windowfocus --sync "$main" key alt+f
sleep 0.3
xdotool key a
save=$(window '^Save As$') || fail "no save dialog"
xdotool windowfocus --sync "$save"
sleep 0.3
# Wide enough for the file list's columns, and wholly on the 1366 x 768 screen.
eval "$(xdotool getwindowgeometry --shell "$save")"
[ "$WIDTH" -ge 900 ] && [ "$HEIGHT" -ge 560 ] && [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] \
  && [ $((X + WIDTH)) -le 1366 ] && [ $((Y + HEIGHT)) -le 768 ] \
  || fail "the save dialog is ${WIDTH}x${HEIGHT} at $X,$Y"
xdotool type "$work/copy.ico"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/copy.ico" ] && break; sleep 0.1; done
shot saved
kill -0 $pid || fail "the editor exited"

icotool -l "$work/arrow.cur" > "$work/list.txt" || fail "icotool cannot read the saved cursor"
grep -q -- '--cursor' "$work/list.txt" && grep -q -- '--hotspot-x=7' "$work/list.txt" \
  && grep -q -- '--hotspot-y=9' "$work/list.txt" || fail "icotool reads: $(cat "$work/list.txt")"
icotool -l "$work/copy.ico" | grep -q -- '--icon' || fail "the copy is not an icon"
for f in arrow.cur copy.ico; do
  rm -rf "$work/out" && "$icontool" extract "$work/$f" -o "$work/out" >/dev/null \
    || fail "$f does not reload"
  black=$(count_colour "$work/out/0.png" black)
  [ "$black" -ge 24 ] || fail "$f holds $black black pixels, not a line"
done
echo "ok: line drawn, cursor saved with hot spot 7,9, copy saved as an icon"
