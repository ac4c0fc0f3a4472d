# Shared by the end-to-end scripts: a private settings file, the editor in the background, and
# helpers to wait for windows and keep screenshots.
set -u
app=$1
artifacts=${E2E_ARTIFACTS:-/tmp/tarvo-e2e}
mkdir -p "$artifacts"
work=$(mktemp -d)
export TARVO_SETTINGS=$work/settings.ini
# Recovery copies of this run only.
export XDG_STATE_HOME=$work/state
export QT_QPA_PLATFORM=xcb
pid=
# Every user has a window manager: placement, maximizing and focus go through it here too.
openbox --sm-disable >/dev/null 2>&1 & wm=$!
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  kill "$wm" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; shot "failure-$(basename "$0" .sh)"; exit 1; }
start() { "$app" "$@" & pid=$!; }
# Waits for a visible window whose title matches; prints its id.
# A search can meet a window the window manager is just closing (BadWindow): it is asked again.
window() {
  local id
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && echo "$id" && return 0
    sleep 0.2
  done
  return 1
}
shot() { import -window root "$artifacts/$1.png" 2>/dev/null; }
# Number of screen pixels of exactly one colour, from a screenshot.
count_colour() {
  /usr/bin/convert "$1" -alpha off -fill '#123456' +opaque "$2" -fill white -opaque "$2" \
    -fill black -opaque '#123456' -format '%[fx:round(mean*w*h)]' info:
}
