#!/usr/bin/env bash
# Started with an icon file, the editor shows its image magnified and at actual size.
. "$(dirname "$0")/lib.sh"
icontool=$2
printf '[Main]\nChildMaximize=1\n' > "$TARVO_SETTINGS"
# A 16 x 16 picture: a magenta square on green, with a transparent corner.
/usr/bin/convert -size 16x16 xc:'#00C000' -fill '#FF00FF' -draw 'rectangle 4,4 11,11' \
  -alpha set -region 3x3+0+0 -alpha transparent "PNG32:$work/picture.png" || fail "ImageMagick failed"
"$icontool" create "$work/square.ico" "$work/picture.png" || fail "could not make the icon"
start "$work/square.ico"
window '^Tarvo Iconworks - \[square.ico\]$' >/dev/null || fail "square.ico did not open"
sleep 1
shot open-file
magenta=$(count_colour "$artifacts/open-file.png" '#FF00FF')
# 64 magenta pixels at actual size in the preview, and 64 cells of at least 4 x 4 in the view.
[ "$magenta" -ge $((64 + 64 * 16)) ] || fail "only $magenta magenta pixels on screen"
kill -0 $pid || fail "the editor exited"
echo "ok: $magenta magenta pixels on screen"
