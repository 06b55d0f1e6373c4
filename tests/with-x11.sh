#!/usr/bin/env bash
# Runs one command on its own virtual X server with the openbox window manager, so that
# focus, activation and modal boxes behave as on a desktop.
set -euo pipefail
. "$(dirname "$0")/session.sh"
die() { echo "with-x11: $*" >&2; exit 1; }

# -noreset: by default the server resets when its last client leaves, and a client connecting
# during that reset (openbox, right after the readiness probe) is refused.
# Xvfb picks a free display itself and writes its number to fd 3: choosing one here races with
# other test runs starting at the same time, and a lost race ran the tests on their server.
started /dev/null Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
  3>"$runtime/display"
# The number is complete once its line ends: reading it earlier can catch "1" of "10".
numbered() { [ "$(wc -l <"$runtime/display")" -ge 1 ]; }
wait_until 200 numbered || die "Xvfb did not start"
export DISPLAY=":$(head -n1 "$runtime/display")"
wait_until 200 xdpyinfo >/dev/null 2>&1 || die "cannot reach Xvfb on $DISPLAY"
started "$runtime/openbox.log" openbox
# openbox sets its check window on the root once it manages windows; on a busy machine that
# can take seconds, and windows mapped before it are never activated.
checked() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 600 checked || die "openbox did not start: $(cat "$runtime/openbox.log")"
# openbox announces itself before it manages windows, and a window mapped in between can stay
# unmapped for good: on a fresh system, where openbox starts slowly, the first window mapped
# right after the announcement was never framed (IsUnMapped, no client, openbox idle). So a
# probe window must be framed first, retried until one is; then it goes, leaving no client.
clients() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -c 'window id # 0x' || true; }
framed() { [ "$(clients)" -ge 1 ]; }
for try in $(seq 1 20); do
  xmessage -name koyomix-wm-probe -timeout 30 'window manager probe' >/dev/null 2>&1 &
  probe=$!
  managed=$(wait_until 60 framed && echo yes || true)
  kill "$probe" 2>/dev/null; wait "$probe" 2>/dev/null || true
  [ -z "$managed" ] || break
done
[ "$try" -eq 1 ] || echo "with-x11: openbox framed a probe window on try $try" >&2
[ -n "$managed" ] || die "openbox manages no window: $(cat "$runtime/openbox.log")"
unframed() { [ "$(clients)" -eq 0 ]; }
wait_until 100 unframed || true
export QT_QPA_PLATFORM=xcb
# Without a session bus Qt autolaunches one through the X server on its first window; under
# load that stalled the event loop for seconds, and windows shown meanwhile never became active.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  set -- dbus-run-session -- "$@"
fi
"$@"
