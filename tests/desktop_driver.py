"""What the real-window tests share: waits for a condition, the processes they start, AT-SPI
finds and reads, and keys and clicks. Imported by atspi_read_result.py, orca_speech.py and
wayland_desktops.py; each runs on its own session bus (with-x11.sh, with-wayland.sh)."""
import functools
import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 20.0


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def poll(probe, timeout=TIMEOUT):
    """The probe's first true answer within `timeout` seconds, or its last answer. A probe that
    raises has no answer yet: the accessibility tree changes under us while a program starts."""
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
    """Waits until count() has stayed the same for `quiet` seconds."""
    deadline, last, since = time.monotonic() + timeout, count(), time.monotonic()
    while time.monotonic() < deadline and time.monotonic() - since < quiet:
        time.sleep(0.1)
        if (now := count()) != last:
            last, since = now, time.monotonic()


def pump(seconds):
    """Delivers the buses' events to this process's listeners for `seconds`."""
    from gi.repository import GLib
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.05)


def start(argv, stdout=None, stderr=None, **env):
    """A process with this one's environment and `env`; a variable given as None is removed."""
    env = {k: v for k, v in dict(os.environ, **env).items() if v is not None}
    return subprocess.Popen(argv, env=env, stdout=stdout, stderr=stderr)


def start_koyomix(program, **env):
    """The program in Japanese, on the AT-SPI bus from the start, as a screen reader finds it."""
    return start([program], QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="ja_JP.UTF-8", **env)


def stop(*processes):
    """Each process asked to end, and killed if it has not within 10 seconds."""
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
    """The top-level windows of the process `pid` on the AT-SPI bus."""
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return [w for w in app if w is not None]
    return []


def main_window(pid):
    return wait_for("the window on the AT-SPI bus", lambda: next(
        (w for w in windows(pid) if w.name.startswith("Koyomix Ver.")), None))


def notice(pid):
    """The notice (or the about box) over the window, titled Koyomix."""
    return next((w for w in windows(pid) if w.name == "Koyomix"), None)


def find_all(root, predicate, depth=0):
    found = [root] if predicate(root) else []
    for child in (root if depth < 12 else []):
        if child is not None:
            found += find_all(child, predicate, depth + 1)
    return found


def one(root, what, predicate):
    """The one node under `root` that `predicate` picks, once the window has it (the window
    reaches the bus before all of its controls do)."""
    def exactly_one():
        nodes = find_all(root, predicate)
        return nodes if len(nodes) == 1 else None

    return wait_for(f"exactly one {what}", exactly_one)[0]


def text(node):
    return node.queryText().getText(0, -1)


def focused(node):
    return node.getState().contains(pyatspi.STATE_FOCUSED)


def active(node):
    return node.getState().contains(pyatspi.STATE_ACTIVE)


def focus(node):
    """Moves the focus to `node` by AT-SPI, as a screen reader's user does."""
    node.queryComponent().grabFocus()
    wait_for(f"the focus in {node.name}", lambda: focused(node))


def actions(node):
    """The node's actions, each with its key."""
    action = node.queryAction()
    return {action.getName(i): action.getKeyBinding(i) for i in range(action.nActions)}


def press(node, name="Press"):
    names = list(actions(node))
    if name not in names:
        fail(f"{node.name!r} has no action {name!r}")
    node.queryAction().doAction(names.index(name))


@functools.cache
def a11y_bus():
    """A connection of our own to the accessibility bus, for calls pyatspi would wait on."""
    from gi.repository import Gio, GLib
    address = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
        GLib.VariantType("(s)"), 0, -1, None).unpack()[0]
    return Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
        | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)


def send_without_waiting(node, interface, method, signature, args):
    """Sends one call on the accessibility bus and does not wait for its answer."""
    from gi.repository import GLib
    a11y_bus().call(node.app.bus_name, node.path, "org.a11y.atspi." + interface, method,
                    GLib.Variant(signature, args), None, 0, -1, None, None, None)
    a11y_bus().flush_sync(None)


# Keys and clicks on X11, by xdotool.
def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def x11_window(title):
    """The shown X11 window whose title matches the pattern `title`, once there is one."""
    return subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", title],
                          check=True, capture_output=True, text=True,
                          timeout=30).stdout.split()[0]


def activate(title):
    xdotool("windowactivate", "--sync", x11_window(title))


def play(action, window=None, points=None):
    """Plays an action word by word: xdotool key names (ctrl+a, Tab), type:TEXT, and
    move:NAME (the pointer), click:NAME and dblclick:NAME at a point of `points`, in the X11
    window `window` or on the screen."""
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
