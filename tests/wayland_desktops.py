#!/usr/bin/python3
"""Koyomix as a GNOME or Plasma user on Wayland meets it, driven by the compositor's own input
and read back over AT-SPI. Runs inside with-wayland.sh, which sets the session's variables.

Rows (each ends the run with FAIL and what a user would see):
  - the platform and title bar Koyomix chose for this desktop (or, with a second argument, the
    user's own QT_QPA_PLATFORM: xcb is followed through Xwayland, wayland natively);
  - the window stays 374x101 after a double-click on its title bar and the desktop's maximise
    shortcut;
  - a notice opens centred over the window, and after a click on the window behind it, Return
    still answers it; then the window is active with the focus back in the field.
"""
import os
import re
import struct
import socket
import subprocess
import sys
import tempfile
import time

import pyatspi

from atspi_read_result import TIMEOUT, fail, pump, wait_for

# Linux input codes, which both compositors take.
KEY = {"Shift": 42, "x": 45, "Tab": 15, "Return": 28, "Up": 103, "PageUp": 104, "Super": 125}
BUTTON_LEFT = 0x110


class FakeInput:
    """KWin's org_kde_kwin_fake_input, spoken on the Wayland socket directly (its requests by
    number: authenticate 0, button 2, pointer_motion_absolute 9, keyboard_key 10)."""

    def __init__(self):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"])
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.buf, self.last_id = b"", 1
        registry = self._new()
        self._send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
        found = None
        for obj, op, args in self._roundtrip():
            if obj == registry and op == 0:  # wl_registry.global
                name, length = struct.unpack("<II", args[:8])
                interface = args[8:8 + length - 1].decode()
                if interface == "org_kde_kwin_fake_input":
                    found = name, struct.unpack("<I", args[8 + (length + 3) // 4 * 4:][:4])[0]
        if not found or found[1] < 4:
            fail("KWin offers no fake input of version 4 (keys)")
        self.id = self._new()
        self._send(registry, 0, struct.pack("<I", found[0]) + self._string("org_kde_kwin_fake_input")
                   + struct.pack("<II", 4, self.id))
        self._send(self.id, 0, self._string("koyomix test") + self._string("drives the window"))

    def _new(self):
        self.last_id += 1
        return self.last_id

    @staticmethod
    def _string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    def _send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def _roundtrip(self):
        callback = self._new()
        self._send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        while True:
            while len(self.buf) < 8 or len(self.buf) < struct.unpack("<I", self.buf[4:8])[0] >> 16:
                self.buf += self.sock.recv(65536)
            obj, word = struct.unpack("<II", self.buf[:8])
            message, self.buf = self.buf[:word >> 16], self.buf[word >> 16:]
            if obj == callback:
                return
            yield obj, word & 0xFFFF, message[8:]

    def _sync(self):
        for _ in self._roundtrip():
            pass

    def move(self, x, y):
        self._send(self.id, 9, struct.pack("<ii", int(x * 256), int(y * 256)))
        self._sync()

    def button(self, pressed):
        self._send(self.id, 2, struct.pack("<II", BUTTON_LEFT, int(pressed)))
        self._sync()

    def key(self, code, pressed):
        self._send(self.id, 10, struct.pack("<II", code, int(pressed)))
        self._sync()


class RemoteDesktop:
    """mutter's org.gnome.Mutter.RemoteDesktop session, kept open for the whole run (headless
    mutter has no keyboard of its own), with a screen-cast stream for absolute pointer motion."""

    def __init__(self):
        import dbus
        from dbus.mainloop.glib import DBusGMainLoop
        DBusGMainLoop(set_as_default=True)
        bus = dbus.SessionBus()

        def proxy(path, interface, name="org.gnome.Mutter.RemoteDesktop"):
            return dbus.Interface(bus.get_object(name, path), interface)

        rd = wait_for("mutter's remote desktop service", lambda: proxy(
            "/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop").CreateSession())
        self.session = proxy(rd, "org.gnome.Mutter.RemoteDesktop.Session")
        session_id = proxy(rd, "org.freedesktop.DBus.Properties").Get(
            "org.gnome.Mutter.RemoteDesktop.Session", "SessionId")
        cast = proxy("/org/gnome/Mutter/ScreenCast", "org.gnome.Mutter.ScreenCast",
                     "org.gnome.Mutter.ScreenCast").CreateSession(
            {"remote-desktop-session-id": session_id})
        self.stream = proxy(cast, "org.gnome.Mutter.ScreenCast.Session",
                            "org.gnome.Mutter.ScreenCast").RecordMonitor("", {})
        self.node, self.consumer = None, None  # the stream's PipeWire node, and a reader of it
        bus.get_object("org.gnome.Mutter.ScreenCast", self.stream).connect_to_signal(
            "PipeWireStreamAdded", lambda node: setattr(self, "node", int(node)),
            dbus_interface="org.gnome.Mutter.ScreenCast.Stream")
        self.session.Start()
        # The first key of a new session is lost: a Shift goes first.
        for pressed in (True, False):
            self.key(KEY["Shift"], pressed)

    def stream_node(self):
        """The stream's PipeWire node, once mutter has named it."""
        return wait_for("mutter's screen-cast stream", lambda: pump(0.05) or self.node)

    def move(self, x, y):
        # mutter 48 places pointer motion only while the stream has a consumer (which has had a
        # frame), and may lose the first motion after that (see User.click).
        if not self.consumer:
            node = self.stream_node()
            frames = os.path.join(os.environ["XDG_RUNTIME_DIR"], "frames")
            self.consumer = subprocess.Popen(
                ["stdbuf", "-oL", "gst-launch-1.0", "-v", "pipewiresrc", f"path={node}", "!",
                 "video/x-raw", "!", "fakesink", "silent=false"], stdout=open(frames, "w"))
            wait_for("a frame of the stream", lambda: "chain" in open(frames).read())
        self.session.NotifyPointerMotionAbsolute(self.stream, float(x), float(y))

    def screen(self):
        """The screen as rows of RGB bytes, from the stream. A reader that joins a stream already
        read gets no frame until something changes on the screen: the pointer's reader stops."""
        node = self.stream_node()
        if self.consumer:
            self.consumer.kill()
            self.consumer.wait()
            self.consumer = None
        with tempfile.NamedTemporaryFile(suffix=".rgb") as frame:
            subprocess.run(["gst-launch-1.0", "-q", "pipewiresrc", f"path={node}",
                            "num-buffers=1", "!", "videoconvert", "!",
                            "video/x-raw,format=RGB,width=1024,height=768", "!", "filesink",
                            "location=" + frame.name], check=True, timeout=TIMEOUT)
            data = open(frame.name, "rb").read()
        return [data[row * 3072:(row + 1) * 3072] for row in range(768)]

    def button(self, pressed):
        self.session.NotifyPointerButton(BUTTON_LEFT, pressed)

    def key(self, code, pressed):
        self.session.NotifyKeyboardKeycode(code, pressed)


class User:
    def __init__(self, device):
        self.device, self.log = device, None

    def keys(self, *names):
        """A chord: each pressed in order, then released in reverse."""
        for name in names:
            self.device.key(KEY[name], True)
        for name in reversed(names):
            self.device.key(KEY[name], False)
        pump(0.05)

    def click(self, x, y, times=1):
        # With the program's Wayland log (native under mutter), the motion is sent again until
        # the program has had a pointer event. KWin takes fake input at once, and mutter 43 on
        # X11 loses none.
        start = os.path.getsize(self.log) if self.log else 0
        wait_for("the pointer over the window", lambda: self.device.move(x, y) or not self.log
                 or b"wl_pointer" in open(self.log, "rb").read()[start:])
        for _ in range(times):
            self.device.button(True)
            self.device.button(False)
            pump(0.05)


# Where the windows are: the compositor says it only to itself. KWin prints it from a script;
# mutter frames an X11 window, whose frame the X server knows.
def kwin_windows():
    log = os.environ["KOYOMIX_COMPOSITOR_LOG"]
    marker = f"KOYOMIX{time.monotonic_ns()}"
    with tempfile.NamedTemporaryFile("w", suffix=".js", delete=False) as script:
        script.write(f"""
var list = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (var i = 0; i < list.length; ++i) {{
    var w = list[i], g = w.frameGeometry;
    if (w.normalWindow || w.dialog)
        print("{marker} " + [g.x, g.y, g.width, g.height, w.active ? 1 : 0].join(" ") + " " + w.caption);
}}
print("{marker} end");
""")
    call = ["dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin"]
    reply = subprocess.run(call + ["/Scripting", "org.kde.kwin.Scripting.loadScript",
                                   "string:" + script.name, "string:" + marker],
                           capture_output=True, text=True, check=True).stdout
    number = re.search(r"int32 (\d+)", reply).group(1)
    for path in (f"/Scripting/Script{number}", f"/{number}"):  # KWin 6, KWin 5
        if subprocess.run(call + [path, "org.kde.kwin.Script.run"],
                          capture_output=True).returncode == 0:
            break
    wait_for("KWin's script", lambda: f"{marker} end" in open(log, errors="replace").read())
    subprocess.run(call + ["/Scripting", "org.kde.kwin.Scripting.unloadScript",
                           "string:" + marker], capture_output=True)
    os.unlink(script.name)
    found = {}
    for line in open(log, errors="replace"):
        if marker in line and not line.rstrip().endswith(" end"):
            fields = line.split(marker, 1)[1].split(" ", 6)
            found[fields[6].strip()] = tuple(int(float(v)) for v in fields[1:6])
    return found


def kwin_active():
    return next((name for name, place in kwin_windows().items() if place[4]), None)


def x11_windows():
    """Each top-level X11 window of Koyomix by its title, as its frame: x, y, width, height."""
    found = {}
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "koyomix"],
                         capture_output=True, text=True).stdout.split()
    for wid in ids:
        name = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True,
                              text=True).stdout.strip()
        info = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        value = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
        extents = subprocess.run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"],
                                 capture_output=True, text=True).stdout
        left, right, top, bottom = map(int, re.findall(r"\d+", extents.split("=")[-1])[:4] or
                                       [0, 0, 0, 0])
        found[name] = (value("Absolute upper-left X") - left, value("Absolute upper-left Y") - top,
                       value("Width") + left + right, value("Height") + top + bottom)
    return found


def mutter_windows(device):
    """Koyomix's windows found on the screen, each by the colour of its background: the main
    window's (192, 192, 192) and a notice's, Qt's own (239, 239, 239), which nothing else on
    the screen has. Qt draws the title bar above each (38 pixels for adwaita, the one Qt draws
    under GNOME)."""
    rows = device.screen()
    windows = {}
    for name, colour in ("main", (192, 192, 192)), ("Koyomix", (239, 239, 239)):
        colour, spans = bytes(colour), []
        for y, row in enumerate(rows):
            x = row.find(colour)
            while x >= 0 and x % 3:
                x = row.find(colour, x + 1)
            end = row.rfind(colour)
            while end >= 0 and end % 3:
                end = row.rfind(colour, 0, end + 2)
            if x >= 0:
                spans.append((x // 3, y, end // 3 + 1))
        if spans:
            left, right = min(x for x, _, _ in spans), max(end for _, _, end in spans)
            windows[name] = (left, spans[0][1] - 38, right - left,
                             spans[-1][1] + 1 - spans[0][1] + 38)
    return windows


def main():
    program = sys.argv[1]
    desktop = os.environ["XDG_CURRENT_DESKTOP"]
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="ja_JP.UTF-8")
    if sys.argv[2:]:
        env["QT_QPA_PLATFORM"] = sys.argv[2]
    device = RemoteDesktop() if desktop == "GNOME" else FakeInput()
    user = User(device)
    # The program's own Wayland log: what it asks the compositor, and the answers.
    env["WAYLAND_DEBUG"] = "1"
    log = os.path.join(os.environ["XDG_RUNTIME_DIR"], "koyomix.log")
    koyomix = subprocess.Popen([program], env=env, stderr=open(log, "w"))
    try:
        run(koyomix, user, desktop, log); import shutil; shutil.copy(log, "/tmp/kx-%s-%s.log" % (desktop, sys.argv[2:]))
        # The fields take digits only: an input method switched on in them (Qt's text-input
        # client does it at the compositor's word, unasked) holds the digits in a composition.
        if re.search(r"-> zwp_text_input_v\d+[@#]\d+\.enable\(", open(log, errors="replace").read()):
            fail("Qt switched the input method on in a digit field (zwp_text_input enable)")
    finally:
        for process in (koyomix, getattr(device, "consumer", None)):
            if process:
                process.kill()
                process.wait()
    print("PASS", desktop)


def loaded(pid):
    """The file names of the Qt plugins the program has loaded."""
    maps = open(f"/proc/{pid}/maps").read()
    return set(re.findall(r"/(lib(?:qxcb|qwayland-[a-z]+|adwaita|bradient)\.so)", maps))


def run(koyomix, user, desktop, log):
    def koyomix_windows():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == koyomix.pid:
                return [w for w in app if w is not None]
        return []

    frame = wait_for("the window on the AT-SPI bus", lambda: next(
        (w for w in koyomix_windows() if w.name.startswith("Koyomix Ver.")), None))
    active = lambda w: w.getState().contains(pyatspi.STATE_ACTIVE)
    wait_for("the window active", lambda: active(frame))
    fields = {}

    def collect(node):
        for child in node:
            if child is not None:
                if child.name:
                    fields.setdefault(child.name, child)
                collect(child)

    collect(frame)
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
    year = fields["通日の年"]
    focused = lambda: year.getState().contains(pyatspi.STATE_FOCUSED)
    year.queryComponent().grabFocus()
    wait_for("the focus in 通日の年", focused)
    user.click(x + w // 2, y + (h - 101) // 2, times=2)
    shortcut = ("Super", "Up") if desktop == "GNOME" else ("Super", "PageUp")
    user.keys(*shortcut)
    # The compositor passes input on in order: a letter typed after them in the field shows it
    # has taken the double-click and the shortcut.
    user.keys("x")
    wait_for("the letter typed after the double-click", lambda: year.queryText().getText(0, -1))

    def answered():
        """Qt's own title bar asks the compositor to maximise (and Koyomix to restore): true once
        the compositor's answer to the last such request has been drawn."""
        text = open(log, errors="replace").read()
        asked = text.rfind("set_maximized(")
        answer = text.find(".configure(", asked)
        return asked < 0 or answer > 0 and ".commit()" in text[answer:]

    wait_for(f"the window at its size after a double-click on its title bar and "
             f"{'+'.join(shortcut)}", lambda: answered() and size() == (374, 101)
             and windows()[frame.name][2:] == (w, h))

    # A notice over its window, answering Return after a click behind it.
    user.keys("Tab")
    notice = lambda: next((n for n in koyomix_windows() if n.name == "Koyomix"), None)
    wait_for("a notice", notice)
    nx, ny, nw, nh = wait_for("the notice's place", lambda: windows().get("Koyomix"))
    # Centred across the window (mutter 43 counts a dialog 10 pixels wider than its frame);
    # down it, where the desktop puts a window's dialogs (mutter at the window's top, KWin at
    # its centre), as long as it covers the window's middle.
    across = nx + nw // 2 - (x + w // 2)
    if abs(across) > 12 or not ny <= y + h // 2 <= ny + nh:
        fail(f"the notice opened at {(nx, ny, nw, nh)}, not centred over its window at "
             f"{(x, y, w, h)}")
    wait_for("the notice active", lambda: active(notice()))
    # The window's bottom right corner, beside the notice. KWin activates the window clicked,
    # and Koyomix on Wayland hands the activation on to the notice. Elsewhere nothing shows:
    # mutter keeps the activation on the notice, and on X11 Qt hands it on by itself, in the
    # order of the X server's events, before the Return after it.
    user.click(x + w - 6, y + h - 6)
    if desktop != "GNOME" and not on_x11:
        wait_for("the notice active again after a click on its window",
                 lambda: kwin_active() == "Koyomix")
    user.keys("Return")
    wait_for("Return to answer the notice after a click on its window", lambda: not notice(), 5)
    if desktop != "GNOME":
        wait_for("KWin to activate the window again", lambda: kwin_active() == frame.name)
    wait_for("the window active with the focus back in 通日の年 after the notice",
             lambda: active(frame) and focused())

    # The title bar's close button, at its right end, ends the program as on the desktop's own
    # windows (Qt's GNOME-style title bar draws it only with the portal's button layout).
    x, y, w, h = windows()[frame.name]
    bar = h - 101
    user.click(x + w - bar // 2, y + bar // 2)
    wait_for("the program ended by a click on its title bar's close button",
             lambda: koyomix.poll() is not None)


if __name__ == "__main__":
    main()
