#!/usr/bin/python3
# Koyomix as a GNOME or Plasma user on Wayland meets it, driven by the compositor's own input
# and read back over AT-SPI. Runs inside with-wayland.sh, which sets the session's variables.
#
# Rows (each ends the run with FAIL and what a user would see):
#   - the platform and title bar Koyomix chose for this desktop (or, with a second argument, the
#     user's own QT_QPA_PLATFORM: xcb is followed through Xwayland, wayland natively);
#   - the window stays 374x101 after a double-click on its title bar and the desktop's maximise
#     shortcut, and on Plasma set back when KWin makes it fullscreen;
#   - a notice opens centred over the window, and after a click on the window behind it, Return
#     still answers it; then the window is active with the focus back in the field;
#   - a click on the title bar's close button ends the program;
#   - no input method is ever switched on in a digit field.
import json
import os
import re
import subprocess
import sys
import tempfile
import time

from desktop_driver import (TEXT, FakeInput, RemoteDesktop, User, active, fail, focus, focused,
                            main_window, notice, one, output, role, start_koyomix, stop, text,
                            wait_for)


# Where the windows are: the compositor says it only to itself. KWin prints it from a script;
# mutter frames an X11 window, whose frame the X server knows.
def kwin_windows(also=""):
    # Each normal window and dialog by its caption: x, y, width, height, active, fullscreen.
    # `also` is a script statement run first on each window `w`.
    log = os.environ["KOYOMIX_COMPOSITOR_LOG"]
    marker = f"KOYOMIX{time.monotonic_ns()}"
    with tempfile.NamedTemporaryFile("w", suffix=".js", delete=False) as script:
        script.write(f"""
var list = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (var i = 0; i < list.length; ++i) {{
    var w = list[i], g = w.frameGeometry;
    {also}
    if (w.normalWindow || w.dialog)
        print("{marker} " + JSON.stringify([w.caption, g.x, g.y, g.width, g.height, w.active,
                                            w.fullScreen]));
}}
print("{marker} end");
""")
    call = ["dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin"]
    reply = output(*call, "/Scripting", "org.kde.kwin.Scripting.loadScript",
                   "string:" + script.name, "string:" + marker, check=True)
    number = re.search(r"int32 (\d+)", reply).group(1)
    for path in (f"/Scripting/Script{number}", f"/{number}"):  # KWin 6, KWin 5
        if subprocess.run(call + [path, "org.kde.kwin.Script.run"],
                          capture_output=True).returncode == 0:
            break
    wait_for("KWin's script", lambda: f"{marker} end" in open(log, errors="replace").read())
    output(*call, "/Scripting", "org.kde.kwin.Scripting.unloadScript", "string:" + marker)
    os.unlink(script.name)
    found = [json.loads(line.split(marker, 1)[1]) for line in open(log, errors="replace")
             if f"{marker} [" in line]
    return {caption: tuple(int(v) for v in place) for caption, *place in found}


def kwin_active():
    return next((name for name, place in kwin_windows().items() if place[4]), None)


def x11_windows():
    # Each top-level X11 window of Koyomix by its title, as its frame: x, y, width, height.
    found = {}
    for wid in output("xdotool", "search", "--onlyvisible", "--classname", "koyomix").split():
        info = output("xwininfo", "-id", wid)
        value = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
        extents = output("xprop", "-id", wid, "_NET_FRAME_EXTENTS").split("=")[-1]
        left, right, top, bottom = map(int, re.findall(r"\d+", extents)[:4] or [0, 0, 0, 0])
        found[output("xdotool", "getwindowname", wid).strip()] = (
            value("Absolute upper-left X") - left, value("Absolute upper-left Y") - top,
            value("Width") + left + right, value("Height") + top + bottom)
    return found


def mutter_windows(device):
    # Koyomix's windows found on the screen, each by the colour of its background: the main
    # window's (192, 192, 192) and a notice's, Qt's own (239, 239, 239), counted only in runs of
    # 40 pixels, which a title bar's text and buttons do not draw. Qt draws the title bar above
    # each (38 pixels for adwaita, the one Qt draws under GNOME).
    # Each row as one byte a pixel: a grey's level, 0 for a colour.
    rows = [bytes(r if r == g == b else 0 for r, g, b in zip(row[::3], row[1::3], row[2::3]))
            for row in device.screen()]
    windows = {}
    for name, grey in ("main", 192), ("Koyomix", 239):
        run = bytes([grey]) * 40
        spans = [(row.find(run), y, row.rfind(run) + 40)
                 for y, row in enumerate(rows) if run in row]
        if spans:
            left, right = min(x for x, _, _ in spans), max(end for _, _, end in spans)
            windows[name] = (left, spans[0][1] - 38, right - left,
                             spans[-1][1] + 1 - spans[0][1] + 38)
    return windows


def main():
    desktop = os.environ["XDG_CURRENT_DESKTOP"]
    device = RemoteDesktop() if desktop == "GNOME" else FakeInput()
    user = User(device)
    # The program's own Wayland log: what it asks the compositor, and the answers.
    log = os.path.join(os.environ["XDG_RUNTIME_DIR"], "koyomix.log")
    koyomix = start_koyomix(sys.argv[1], stderr=open(log, "w"), WAYLAND_DEBUG="1",
                            QT_QPA_PLATFORM=sys.argv[2] if sys.argv[2:] else None)
    try:
        run(koyomix, user, desktop, log)
        # The fields take digits only: an input method switched on in them (Qt's text-input
        # client does it at the compositor's word, unasked) holds the digits in a composition.
        if re.search(r"-> zwp_text_input_v\d+[@#]\d+\.enable\(", open(log, errors="replace").read()):
            fail("Qt switched the input method on in a digit field (zwp_text_input enable)")
    finally:
        stop(koyomix, getattr(device, "consumer", None))
    print("PASS", desktop)


def loaded(pid):
    # The file names of the Qt plugins the program has loaded.
    maps = open(f"/proc/{pid}/maps").read()
    return set(re.findall(r"/(lib(?:qxcb|qwayland-[a-z]+|adwaita|bradient)\.so)", maps))


def run(koyomix, user, desktop, log):
    frame = main_window(koyomix.pid)
    wait_for("the window active", lambda: active(frame))
    size = lambda: tuple(frame.queryComponent().getSize())

    # The platform and title bar: the plugins the program loaded.
    plugins = wait_for("Qt's platform plugin", lambda: loaded(koyomix.pid) & {
        "libqxcb.so", "libqwayland-egl.so", "libqwayland-generic.so"} and loaded(koyomix.pid))
    on_x11 = "libqxcb.so" in plugins
    if sys.argv[2:]:
        if on_x11 != (sys.argv[2] == "xcb"):
            fail(f"the user's QT_QPA_PLATFORM={sys.argv[2]} was not followed ({sorted(plugins)})")
        if not on_x11:  # the user's choice of Qt's own title bar: only that it was followed
            return
    elif desktop == "GNOME":
        # mutter's own frame through Xwayland, or Qt's GNOME-style title bar.
        if not on_x11 and "libadwaita.so" not in plugins:
            fail(f"on GNOME Koyomix draws a title bar not in GNOME's style ({sorted(plugins)})")
    elif on_x11 or plugins & {"libadwaita.so", "libbradient.so"}:
        fail(f"on Plasma Koyomix does not run natively with Breeze's title bar ({sorted(plugins)})")

    if desktop == "GNOME" and not on_x11:
        user.log = log

    def windows():
        if desktop != "GNOME":
            return {name: place[:4] for name, place in kwin_windows().items()}
        if on_x11:
            return x11_windows()
        found = mutter_windows(user.device)
        return {frame.name if k == "main" else k: v for k, v in found.items()}

    # The fixed size against the title bar and the desktop's shortcut: the widget's, and the
    # window's as the compositor shows it (Qt keeps the widget at its size in a larger window).
    if size() != (374, 101):
        fail(f"the window opened at {size()}, not 374x101")
    x, y, w, h = wait_for("the window's place", lambda: windows().get(frame.name))
    bar = h - 101  # the title bar, whose height no state change alters
    year = one(frame, "field 通日の年", lambda n: n.name == "通日の年" and role(n) == TEXT)
    focus(year)
    user.click(x + w // 2, y + (h - 101) // 2, times=2)
    shortcut = ("Super", "Up") if desktop == "GNOME" else ("Super", "PageUp")
    user.keys(*shortcut)
    # The compositor passes input on in order: a letter typed after them in the field shows it
    # has taken the double-click and the shortcut.
    user.keys("x")
    wait_for("the letter typed after the double-click", lambda: text(year))

    def answered():
        # Qt's own title bar asks the compositor to maximise (and Koyomix to restore): true once
        # the compositor's answer to the last such request has been drawn.
        text = open(log, errors="replace").read()
        asked = text.rfind("set_maximized(")
        answer = text.find(".configure(", asked)
        return asked < 0 or answer > 0 and ".commit()" in text[answer:]

    wait_for(f"the window at its size after a double-click on its title bar and "
             f"{'+'.join(shortcut)}", lambda: answered() and size() == (374, 101)
             and windows()[frame.name][2:] == (w, h))
    if desktop != "GNOME" and not on_x11:
        # KWin's window menu makes any window fullscreen, a fixed one too: Koyomix asks it back.
        start = os.path.getsize(log)
        kwin_windows(f'if (w.caption == "{frame.name}") w.fullScreen = true;')
        back = lambda place: not place[5] and place[2] == w
        wait_for("the window set back from fullscreen", lambda: b".unset_fullscreen(" in open(
            log, "rb").read()[start:] and back(kwin_windows()[frame.name]))

    # A notice over its window, answering Return after a click behind it.
    user.keys("Tab")
    wait_for("a notice", lambda: notice(koyomix.pid))
    nx, ny, nw, nh = wait_for("the notice's place", lambda: windows().get("Koyomix"))
    # Centred across the window (mutter 43 counts a dialog 10 pixels wider than its frame);
    # down it, where the desktop puts a window's dialogs (mutter at the window's top, KWin at
    # its centre), as long as it covers the window's middle.
    across = nx + nw // 2 - (x + w // 2)
    if abs(across) > 12 or not ny <= y + h // 2 <= ny + nh:
        fail(f"the notice opened at {(nx, ny, nw, nh)}, not centred over its window at "
             f"{(x, y, w, h)}")
    wait_for("the notice active", lambda: active(notice(koyomix.pid)))
    # The window's bottom right corner, beside the notice. KWin activates the window clicked,
    # and Koyomix on Wayland hands the activation on to the notice. Elsewhere nothing shows:
    # mutter keeps the activation on the notice, and on X11 Qt hands it on by itself, in the
    # order of the X server's events, before the Return after it.
    user.click(x + w - 6, y + h - 6)
    if desktop != "GNOME" and not on_x11:
        wait_for("the notice active again after a click on its window",
                 lambda: kwin_active() == "Koyomix")
    user.keys("Return")
    wait_for("Return to answer the notice after a click on its window", lambda: not notice(koyomix.pid), 5)
    if desktop != "GNOME":
        wait_for("KWin to activate the window again", lambda: kwin_active() == frame.name)
    wait_for("the window active with the focus back in 通日の年 after the notice",
             lambda: active(frame) and focused(year))

    # The title bar's close button, at its right end, ends the program as on the desktop's own
    # windows (Qt's GNOME-style title bar draws it only with the portal's button layout).
    x, y, w, _ = windows()[frame.name]
    user.click(x + w - bar // 2, y + bar // 2)
    wait_for("the program ended by a click on its title bar's close button",
             lambda: koyomix.poll() is not None)


if __name__ == "__main__":
    main()
