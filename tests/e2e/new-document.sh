#!/usr/bin/env bash
# Started without a file, the editor asks for a new image; OK makes "Icon1".
. "$(dirname "$0")/lib.sh"
printf '[Main]\nChildMaximize=1\n' > "$TARVO_SETTINGS"
start
main=$(window '^Tarvo Iconworks$') || fail "no main window"
dialog=$(window '^New Icon Image Type$') || fail "the new image dialog did not appear"
shot new-dialog
xdotool windowfocus --sync "$dialog" key Return || fail "could not answer the dialog"
# A maximized document window puts its caption into the frame's title.
window '^Tarvo Iconworks - \[Icon1\]$' >/dev/null || fail "no document window Icon1"
sleep 0.5
shot new-document
kill -0 $pid || fail "the editor exited"
echo "ok: Icon1 created in main window $main"
