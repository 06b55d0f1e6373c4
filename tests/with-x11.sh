#!/usr/bin/env bash
# Runs one command on its own virtual X server with the openbox window manager, so that
# focus, activation and modal boxes behave as on a desktop.
set -euo pipefail

# Xvfb picks a free display number itself (-displayfd), so that runs started at the same
# time never share a server.
fifo_dir=$(mktemp -d)
mkfifo "$fifo_dir/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo_dir/displayfd" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  kill "${wm:-}" "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$fifo_dir"
}
trap cleanup EXIT
read -r -t 10 number <"$fifo_dir/displayfd" || { echo "with-x11: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
wm=$!
# openbox sets its check window on the root once it manages windows.
for _ in $(seq 1 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' \
  || { echo "with-x11: openbox did not start" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb
"$@"
