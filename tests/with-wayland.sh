#!/usr/bin/env bash
# Runs one command in a headless Wayland session of Debian's GNOME (mutter) or Plasma
# (kwin_wayland), with the variables such a session sets, its own runtime directory and session
# bus, and Xwayland. Exits 77 (a skip) only where the compositor cannot run at all.
#   with-wayland.sh gnome|plasma COMMAND...
# The command finds the compositor's log in KOYOMIX_COMPOSITOR_LOG.
set -euo pipefail
desktop=$1
shift
# A private session bus, as with-x11.sh gives: mutter's input and screen-cast services and
# KWin's scripting are on it, and the AT-SPI bus is started from it.
if [ -z "${KOYOMIX_SESSION_BUS:-}" ]; then
  exec env KOYOMIX_SESSION_BUS=1 dbus-run-session -- "$0" "$desktop" "$@"
fi
skip() { echo "with-wayland: $*; skipped" >&2; exit 77; }
. "$(dirname "$0")/session.sh"
log=$runtime/compositor.log
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM QT_WAYLAND_DECORATION XAUTHORITY
export XDG_SESSION_TYPE=wayland KOYOMIX_COMPOSITOR_LOG=$log
socket=koyomix-wayland
# Xwayland needs the X11 socket directory, which a fresh /tmp lacks; mutter 48 does not even
# start without it.
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
case $desktop in
  gnome)
    export XDG_CURRENT_DESKTOP=GNOME
    for tool in mutter pipewire wireplumber; do
      command -v $tool >/dev/null || skip "$tool is not installed"
    done
    # Pointer motion reaches mutter only through a screen-cast stream, which needs PipeWire.
    started "$runtime/pipewire.log" pipewire
    wait_until 100 test -S "$runtime/pipewire-0" || true
    started "$runtime/wireplumber.log" wireplumber
    started "$log" mutter --headless --wayland --virtual-monitor 1024x768 --wayland-display $socket
    ;;
  plasma)
    export XDG_CURRENT_DESKTOP=KDE KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
    kwin=$(command -v kwin_wayland) || skip "kwin_wayland is not installed"
    # Debian's binary carries a file capability that a container's bounding set may lack, and
    # then exec fails; a copy carries none.
    if ! "$kwin" --version >/dev/null 2>&1; then
      cp "$kwin" "$runtime/kwin_wayland"
      kwin=$runtime/kwin_wayland
    fi
    "$kwin" --version >/dev/null 2>&1 || skip "kwin_wayland cannot run here"
    # KWin names its Xwayland display only to the programs it starts: one writes it down.
    printf '#!/bin/sh\necho "$DISPLAY $XAUTHORITY" >%s\n' "$runtime/x11" \
      >"$runtime/tell-x11"
    chmod +x "$runtime/tell-x11"
    started "$log" "$kwin" --virtual --no-lockscreen --xwayland --width 1024 --height 768 \
      --socket $socket "$runtime/tell-x11"
    ;;
  *) echo "usage: with-wayland.sh gnome|plasma COMMAND..." >&2; exit 2 ;;
esac
wait_until 600 test -S "$runtime/$socket" || skip "the compositor did not start: $(tail -n 5 "$log")"
export WAYLAND_DISPLAY=$socket
if [ "$desktop" = plasma ]; then
  wait_until 200 test -s "$runtime/x11" || true
  read -r number auth <"$runtime/x11" || true
else
  # mutter names its Xwayland display in its log, with the Xauthority file beside the socket.
  wait_until 200 grep -q 'public X11 display' "$log" || true
  number=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log" | head -n1)
  auth=$(ls "$runtime"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)
fi
[ -z "${number:-}" ] || export DISPLAY=$number
[ -z "${auth:-}" ] || export XAUTHORITY=$auth
# What gnome-session and Plasma's start-up hand the session bus, so that the services it starts
# (the desktop portal, which gives Qt's GNOME-style title bar its buttons) find the session.
dbus-update-activation-environment XDG_RUNTIME_DIR WAYLAND_DISPLAY XDG_CURRENT_DESKTOP \
  XDG_SESSION_TYPE ${DISPLAY:+DISPLAY} ${XAUTHORITY:+XAUTHORITY}
"$@"
