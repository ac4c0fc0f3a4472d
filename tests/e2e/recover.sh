#!/usr/bin/env bash
# Crash recovery: a changed document is copied every second; the editor is killed; the next
# start offers the copy in "Recover Unsaved Documents", and it opens under its own name with its
# changes still to be saved. A second start after that offers nothing.
. "$(dirname "$0")/lib.sh"
icontool=$2
printf '[Main]\nChildMaximize=1\nAutosaveSeconds=1\n' > "$TARVO_SETTINGS"
/usr/bin/convert -size 16x16 xc:'#0000FF' "PNG32:$work/blue.png" || fail "ImageMagick failed"
"$icontool" create "$work/blue.ico" "$work/blue.png" --sizes 16 || fail "no icon made"
cp "$work/blue.ico" "$work/original.ico"
start "$work/blue.ico"
main=$(window '^Tarvo Iconworks - \[blue.ico\]$') || fail "blue.ico did not open"
# Without a selection the arrow keys move the picture: a change.
xdotool windowfocus --sync "$main" key Right Right
window '^Tarvo Iconworks - \[blue.ico\*\]$' >/dev/null || fail "the change did not show"
for _ in $(seq 50); do ls "$work"/state/tarvo-iconworks/recovery/*/*.json >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1.2
kill -9 $pid; wait $pid 2>/dev/null; pid=
cmp -s "$work/blue.ico" "$work/original.ico" || fail "the user's file was written"

start
dialog=$(window '^Recover Unsaved Documents$') || fail "no recovery offered"
shot recovery-offered
xdotool windowfocus --sync "$dialog" key Return
main=$(window '^Tarvo Iconworks - \[blue.ico\*\]$') || fail "the copy did not open as blue.ico"
# Saved, it is the moved picture: the left column is transparent now.
xdotool windowfocus --sync "$main" key ctrl+s
for _ in $(seq 50); do cmp -s "$work/blue.ico" "$work/original.ico" || break; sleep 0.1; done
rm -rf "$work/out" && "$icontool" extract "$work/blue.ico" -o "$work/out" >/dev/null
blue=$(count_colour "$work/out/0.png" "#0000FF")
[ "$blue" -eq 224 ] || fail "the recovered change is not there: $blue blue pixels"
kill $pid; wait $pid 2>/dev/null; pid=

# Saved and closed cleanly, or discarded: nothing is offered again.
start "$work/blue.ico"
window '^Tarvo Iconworks - \[blue.ico\]$' >/dev/null || fail "blue.ico did not open again"
sleep 1
xdotool search --onlyvisible --name '^Recover Unsaved Documents$' >/dev/null 2>&1 \
  && fail "recovery offered again"
echo "ok: a killed editor's change recovered under its own name and saved"
