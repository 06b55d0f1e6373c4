# What the real-window tests share: waits for a condition, the processes they start, AT-SPI
# finds and reads, and keys and clicks. Imported by atspi_read_result.py, orca_speech.py and
# wayland_desktops.py; each runs on its own session bus (with-x11.sh, with-wayland.sh).
import functools
import itertools
import os
import socket
import struct
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 20.0


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def poll(probe, timeout=TIMEOUT):
    # The probe's first true answer within `timeout` seconds, or its last answer. A probe that
    # raises has no answer yet: the accessibility tree changes under us while a program starts.
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = probe()
        except Exception:
            value = None
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.1)


def wait_for(what, probe, timeout=TIMEOUT):
    return poll(probe, timeout) or fail("timed out waiting for " + what)


def settle(count, quiet=1.0, timeout=15):
    # Waits until count() has stayed the same for `quiet` seconds.
    deadline, last, since = time.monotonic() + timeout, count(), time.monotonic()
    while time.monotonic() < deadline and time.monotonic() - since < quiet:
        time.sleep(0.1)
        if (now := count()) != last:
            last, since = now, time.monotonic()


def pump(seconds):
    # Delivers the buses' events to this process's listeners for `seconds`.
    from gi.repository import GLib
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.05)


def start(argv, stdout=None, stderr=None, **env):
    # A process with this one's environment and `env`; a variable given as None is removed.
    env = {k: v for k, v in dict(os.environ, **env).items() if v is not None}
    return subprocess.Popen(argv, env=env, stdout=stdout, stderr=stderr)


def start_koyomix(program, **env):
    # The program in Japanese, on the AT-SPI bus from the start, as a screen reader finds it.
    return start([program], QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="ja_JP.UTF-8", **env)


def stop(*processes):
    # Each process asked to end, and killed if it has not within 10 seconds.
    processes = [p for p in processes if p]
    for p in processes:
        p.terminate()
    for p in processes:
        try:
            p.wait(timeout=10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


# AT-SPI roles by their numbers, which stay; their names change ("push button" became "button").
TEXT, PUSH_BUTTON, LABEL, FRAME = 61, 43, 29, 23


def role(node):
    return int(node.getRole())


def windows(pid):
    # The top-level windows of the process `pid` on the AT-SPI bus.
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return [w for w in app if w is not None]
    return []


def main_window(pid):
    return wait_for("the window on the AT-SPI bus", lambda: next(
        (w for w in windows(pid) if w.name.startswith("Koyomix Ver.")), None))


def notice(pid):
    # The notice (or the about box) over the window, titled Koyomix.
    return next((w for w in windows(pid) if w.name == "Koyomix"), None)


def find_all(root, predicate, depth=0):
    found = [root] if predicate(root) else []
    for child in (root if depth < 12 else []):
        if child is not None:
            found += find_all(child, predicate, depth + 1)
    return found


def one(root, what, predicate):
    # The one node under `root` that `predicate` picks, once the window has it (the window
    # reaches the bus before all of its controls do).
    return wait_for(f"exactly one {what}",
                    lambda: len(nodes := find_all(root, predicate)) == 1 and nodes)[0]


def text(node):
    return node.queryText().getText(0, -1)


def focused(node, state=pyatspi.STATE_FOCUSED):
    return node.getState().contains(state)


def active(node):
    return focused(node, pyatspi.STATE_ACTIVE)


def focus(node):
    # Moves the focus to `node` by AT-SPI, as a screen reader's user does.
    node.queryComponent().grabFocus()
    wait_for(f"the focus in {node.name}", lambda: focused(node))


def actions(node):
    # The node's actions, each with its key.
    action = node.queryAction()
    return {action.getName(i): action.getKeyBinding(i) for i in range(action.nActions)}


def press(node, name="Press"):
    names = list(actions(node))
    if name not in names:
        fail(f"{node.name!r} has no action {name!r}")
    node.queryAction().doAction(names.index(name))


@functools.cache
def a11y_bus():
    # A connection of our own to the accessibility bus, for calls pyatspi would wait on.
    from gi.repository import Gio, GLib
    address = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
        GLib.VariantType("(s)"), 0, -1, None).unpack()[0]
    return Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
        | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)


def send_without_waiting(node, interface, method, signature, args):
    # Sends one call on the accessibility bus and does not wait for its answer.
    from gi.repository import GLib
    a11y_bus().call(node.app.bus_name, node.path, "org.a11y.atspi." + interface, method,
                    GLib.Variant(signature, args), None, 0, -1, None, None, None)
    a11y_bus().flush_sync(None)


# Keys and clicks on X11, by xdotool.
def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def output(*argv, **options):
    # What a command prints.
    return subprocess.run(argv, capture_output=True, text=True, **options).stdout


def x11_window(title):
    # The shown X11 window whose title matches the pattern `title`, once there is one.
    return output("xdotool", "search", "--sync", "--onlyvisible", "--name", title, check=True,
                  timeout=30).split()[0]


def activate(title):
    xdotool("windowactivate", "--sync", x11_window(title))


def play(action, window=None, points=None):
    # Plays an action word by word: xdotool key names (ctrl+a, Tab), type:TEXT, and
    # move:NAME (the pointer), click:NAME and dblclick:NAME at a point of `points`, in the X11
    # window `window` or on the screen.
    for word in action.split():
        verb, _, arg = word.partition(":")
        if verb == "type":
            xdotool("type", "--delay", "60", arg)
        elif verb in ("move", "click", "dblclick"):
            clicks = {"move": [], "click": ["click", "1"],
                      "dblclick": ["click", "--repeat", "2", "--delay", "80", "1"]}[verb]
            xdotool("mousemove", *(["--window", window] if window else []), *points[arg], *clicks)
        else:
            xdotool("key", "--delay", "60", verb)


# Keys and clicks on Wayland, by the compositor's own input.
# Linux input codes, which both compositors take.
KEY = {"Shift": 42, "x": 45, "Tab": 15, "Return": 28, "Up": 103, "PageUp": 104, "Super": 125}
BUTTON_LEFT = 0x110


# KWin's org_kde_kwin_fake_input, spoken on the Wayland socket directly (its requests by
# number: authenticate 0, button 2, pointer_motion_absolute 9, keyboard_key 10).
class FakeInput:
    def __init__(self):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"])
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.buf, self.ids = b"", itertools.count(2)
        registry = next(self.ids)
        self._send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
        found = None
        for obj, op, args in self._roundtrip():
            if obj == registry and op == 0:  # wl_registry.global
                name, length = struct.unpack("<II", args[:8])
                if args[8:8 + length - 1] == b"org_kde_kwin_fake_input":
                    found = name, struct.unpack("<I", args[8 + (length + 3) // 4 * 4:][:4])[0]
        if not found or found[1] < 4:
            fail("KWin offers no fake input of version 4 (keys)")
        self.id = next(self.ids)
        self._send(registry, 0, struct.pack("<I", found[0]) + self._string("org_kde_kwin_fake_input")
                   + struct.pack("<II", 4, self.id))
        self._send(self.id, 0, self._string("koyomix test") + self._string("drives the window"))

    @staticmethod
    def _string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    def _send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def _roundtrip(self):
        callback = next(self.ids)
        self._send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        while True:
            while len(self.buf) < 8 or len(self.buf) < struct.unpack("<I", self.buf[4:8])[0] >> 16:
                self.buf += self.sock.recv(65536)
            obj, word = struct.unpack("<II", self.buf[:8])
            message, self.buf = self.buf[:word >> 16], self.buf[word >> 16:]
            if obj == callback:
                return
            yield obj, word & 0xFFFF, message[8:]

    def _input(self, opcode, *words):
        # An input request, taken by KWin before the next: a round trip after it.
        self._send(self.id, opcode, struct.pack(f"<{len(words)}i", *words))
        list(self._roundtrip())

    def move(self, x, y):
        self._input(9, int(x * 256), int(y * 256))

    def button(self, pressed):
        self._input(2, BUTTON_LEFT, pressed)

    def key(self, code, pressed):
        self._input(10, code, pressed)


# mutter's org.gnome.Mutter.RemoteDesktop session, kept open for the whole run (headless
# mutter has no keyboard of its own), with a screen-cast stream for absolute pointer motion.
class RemoteDesktop:
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
        # The stream's PipeWire node, once mutter has named it.
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
        # The screen as rows of RGB bytes, from the stream. A reader that joins a stream already
        # read gets no frame until something changes on the screen: the pointer's reader stops.
        node = self.stream_node()
        stop(self.consumer)
        self.consumer = None
        data = subprocess.run(["gst-launch-1.0", "-q", "pipewiresrc", f"path={node}",
                               "num-buffers=1", "!", "videoconvert", "!",
                               "video/x-raw,format=RGB,width=1024,height=768", "!", "fdsink"],
                              check=True, capture_output=True, timeout=TIMEOUT).stdout
        return [data[row * 3072:(row + 1) * 3072] for row in range(768)]

    def button(self, pressed):
        self.session.NotifyPointerButton(BUTTON_LEFT, pressed)

    def key(self, code, pressed):
        self.session.NotifyKeyboardKeycode(code, pressed)


class User:
    def __init__(self, device):
        self.device, self.log = device, None

    def keys(self, *names):
        # A chord: each pressed in order, then released in reverse.
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
