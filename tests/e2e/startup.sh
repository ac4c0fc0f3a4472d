#!/usr/bin/env bash
# The editor starts on a real X server and shows its main window.
set -u
app=$1
# Whatever the caller set, this test is about the real X server.
export QT_QPA_PLATFORM=xcb
"$app" & pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT
if ! win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tarvo Iconworks$' | head -n 1) \
    || [ -z "$win" ]; then
  echo "FAIL: no main window titled 'Tarvo Iconworks' appeared"
  exit 1
fi
kill -0 $pid || { echo "FAIL: the editor exited"; exit 1; }
echo "main window $win is visible"
