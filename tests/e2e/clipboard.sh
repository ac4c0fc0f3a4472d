#!/usr/bin/env bash
# The clipboard between this program and others: a copied 1..24-bit selection travels in the
# private format, a 32-bit one as a picture; a picture put there by xclip pastes as a floating
# selection.
. "$(dirname "$0")/lib.sh"
icontool=$2
printf '[Main]\nChildMaximize=1\n' > "$TARVO_SETTINGS"
/usr/bin/convert -size 16x16 xc:'#FF00FF' "PNG32:$work/magenta.png" || fail "ImageMagick failed"
/usr/bin/convert -size 8x4 xc:'#00FF00' "PNG32:$work/green.png" || fail "ImageMagick failed"
"$icontool" create "$work/four.ico" "$work/magenta.png" --bits 4 || fail "no 4-bit icon"
"$icontool" create "$work/true.ico" "$work/magenta.png" || fail "no 32-bit icon"
targets() { xclip -selection clipboard -t TARGETS -o 2>/dev/null; }
# Waits up to 15 s (sanitizer builds are slow) for the clipboard to offer a type.
offered() {
  for _ in $(seq 150); do targets | grep -qx "$1" && return 0; sleep 0.1; done
  return 1
}
# Select All and Copy in window $1 until the clipboard offers type $2: keys sent while a window
# is still taking the focus can be lost on a loaded machine.
copy_all() {
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$1" key ctrl+a ctrl+c
    for _ in $(seq 50); do targets | grep -qx "$2" && return 0; sleep 0.1; done
  done
  offered "$2"
}

# A 16-colour selection: the private format, whose payload is an icon block.
start "$work/four.ico"
main=$(window '^Tarvo Iconworks - \[four.ico\]$') || fail "four.ico did not open"
copy_all "$main" application/x-tarvo-icon || fail "no private format offered: $(targets)"
xclip -selection clipboard -t application/x-tarvo-icon -o > "$work/block.ico"
icotool -l "$work/block.ico" | grep -q 'width=16 --height=16 --bit-depth=4' \
  || fail "the private format holds no 16 x 16 4-bit icon"
kill $pid; wait $pid 2>/dev/null; pid=

# A 32-bit selection: a picture other programs read.
start "$work/true.ico"
main=$(window '^Tarvo Iconworks - \[true.ico\]$') || fail "true.ico did not open"
copy_all "$main" image/png || fail "no picture offered: $(targets)"
xclip -selection clipboard -t image/png -o > "$work/copied.png"
[ "$(/usr/bin/identify -format '%wx%h' "$work/copied.png")" = 16x16 ] || fail "copied picture"
[ "$(count_colour "$work/copied.png" '#FF00FF')" -eq 256 ] || fail "copied picture colours"

# A picture from another program: pasted, dropped with Enter, saved, reloaded.
xclip -selection clipboard -t image/png -i "$work/green.png"
offered image/png || fail "xclip offers no picture"
sleep 1
xdotool windowfocus --sync "$main" key ctrl+v
sleep 1
shot pasted
xdotool key Return ctrl+s
for _ in $(seq 150); do [ "$work/true.ico" -nt "$work/green.png" ] && break; sleep 0.1; done
sleep 0.5
rm -rf "$work/out" && "$icontool" extract "$work/true.ico" -o "$work/out" >/dev/null
green=$(count_colour "$work/out/0.png" '#00FF00')
[ "$green" -eq 32 ] || fail "the pasted 8 x 4 picture left $green green pixels"
echo "ok: private format and picture copied; a picture from xclip pasted and saved"
