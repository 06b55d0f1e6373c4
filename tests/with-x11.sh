#!/usr/bin/env bash
# Runs one command on its own virtual X server with the openbox window manager, so that
# focus, activation and modal boxes behave as on a desktop.
set -euo pipefail

# -noreset: by default the server resets when its last client leaves, and a client connecting
# during that reset (openbox, right after the readiness probe) is refused.
# Xvfb picks a free display itself and writes its number to fd 3: choosing one here races with
# other test runs starting at the same time, and a lost race ran the tests on their server.
numberfile=$(mktemp)
# A runtime directory of its own: the accessibility bus's socket is made there, and with the
# one default path a run started meanwhile (another build's tests) took over this run's bus.
runtime=$(mktemp -d)
export XDG_RUNTIME_DIR=$runtime
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$numberfile" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  kill "${wm:-}" "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$numberfile" "${wmlog:-}" "$runtime"
}
trap cleanup EXIT
# The number is complete once its line ends: reading it earlier can catch "1" of "10".
lines() { wc -l <"$numberfile"; }
for _ in $(seq 1 200); do [ "$(lines)" -ge 1 ] && break; sleep 0.05; done
[ "$(lines)" -ge 1 ] || { echo "with-x11: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$numberfile")"
for _ in $(seq 1 200); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
xdpyinfo >/dev/null 2>&1 || { echo "with-x11: cannot reach Xvfb on $DISPLAY" >&2; exit 1; }
wmlog=$(mktemp)
openbox >"$wmlog" 2>&1 &
wm=$!
# openbox sets its check window on the root once it manages windows; on a busy machine that
# can take seconds, and windows mapped before it are never activated.
for _ in $(seq 1 600); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' \
  || { echo "with-x11: openbox did not start:" >&2; cat "$wmlog" >&2; exit 1; }
# openbox announces itself before it manages windows, and a window mapped in between can stay
# unmapped for good: on a fresh system, where openbox starts slowly, the first window mapped
# right after the announcement was never framed (IsUnMapped, no client, openbox idle). So a
# probe window must be framed first, retried until one is; then it goes, leaving no client.
clients() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -c 'window id # 0x' || true; }
for try in $(seq 1 20); do
  xmessage -name koyomix-wm-probe -timeout 30 'window manager probe' >/dev/null 2>&1 &
  probe=$!
  for _ in $(seq 1 60); do [ "$(clients)" -ge 1 ] && break; sleep 0.05; done
  managed=$(clients)
  kill "$probe" 2>/dev/null; wait "$probe" 2>/dev/null || true
  [ "$managed" -ge 1 ] && break
done
[ "$try" -eq 1 ] || echo "with-x11: openbox framed a probe window on try $try" >&2
[ "$managed" -ge 1 ] || { echo "with-x11: openbox manages no window:" >&2; cat "$wmlog" >&2; exit 1; }
for _ in $(seq 1 100); do [ "$(clients)" -eq 0 ] && break; sleep 0.05; done
export QT_QPA_PLATFORM=xcb
# Without a session bus Qt autolaunches one through the X server on its first window; under
# load that stalled the event loop for seconds, and windows shown meanwhile never became active.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  set -- dbus-run-session -- "$@"
fi
"$@"
