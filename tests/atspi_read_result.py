#!/usr/bin/python3
"""Reads Koyomix the way a screen reader does, over AT-SPI.

Starts the program given as the first argument, then, as a user would:
  - double-clicks the credit line and reads the about box through AT-SPI, then closes it
    with its OK button's action; opens it again by the credit line's own action, which tells
    its key, F1;
  - reads each field's description, what it takes;
  - moves into the year field by AT-SPI, types 2001 Tab 03 Tab 11 Tab on the keyboard,
    presses Space on the focused button, and reads the two results of the conversion; copies
    each by the result label's action and reads the clipboard back;
  - works the top row as voice control does: sets a field's text and presses the button
    through AT-SPI, each checked like typing; moves the focus by a call that returns at once;
    edits a field by calls sent without waiting for their answers.

Runs inside dbus-run-session (the AT-SPI bus is started on demand) on an X server
(with-x11.sh). Exits non-zero with a message that says what a screen reader would miss.
"""
import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 20.0


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def wait_for(what, probe, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            value = probe()
        except Exception:  # the tree changes under us while the program starts
            value = None
        if value:
            return value
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def find_all(root, predicate):
    found = []

    def walk(node, depth):
        if node is None or depth > 12:
            return
        if predicate(node):
            found.append(node)
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), depth + 1)

    walk(root, 0)
    return found


# Roles by their numbers, which stay; their names change ("push button" became "button").
TEXT, PUSH_BUTTON, LABEL, FRAME = 61, 43, 29, 23


def role(node):
    return int(node.getRole())


def window_of_koyomix():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
        if app is None:
            continue
        for frame in (app.getChildAtIndex(i) for i in range(app.childCount)):
            if frame is not None and frame.name.startswith("Koyomix Ver."):
                return app, frame
    return None


def one(frame, what, predicate):
    # The window reaches the bus before all of its controls do.
    def exactly_one():
        nodes = find_all(frame, predicate)
        return nodes if len(nodes) == 1 else None

    return wait_for(f"exactly one {what}", exactly_one)[0]


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def centre(node):
    ext = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return ext.x + ext.width // 2, ext.y + ext.height // 2


def press_action(node, name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            action.doAction(i)
            return
    fail(f"{node.name!r} has no action {name!r}")


def clipboard():
    """The clipboard's text, asked by a GTK process of its own: GTK in this one would join the
    accessibility bus as an application and share this one's main loop."""
    ask = ("import gi; gi.require_version('Gdk', '3.0'); gi.require_version('Gtk', '3.0'); "
           "from gi.repository import Gdk, Gtk; "
           "print(Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD).wait_for_text() or '', end='')")
    return subprocess.run(["/usr/bin/python3", "-c", ask], capture_output=True, text=True,
                          env=dict(os.environ, NO_AT_BRIDGE="1"), timeout=10).stdout


def pump(seconds):
    """Delivers the bus's events to the listeners for `seconds`."""
    from gi.repository import GLib
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.05)


def focus_after_a_notice(app, named):
    """Tab from a refused 通日の年: after OK the bus names only the field that has the focus
    again. Focus events from behind the notice (通日, which Tab was heading for) stay unsent."""
    gained = []
    listener = lambda event: event.detail1 and gained.append(event.source.name)
    pyatspi.Registry.registerEventListener(listener, "object:state-changed:focused")
    named["通日の年"].queryComponent().grabFocus()
    wait_for("the focus in 通日の年",
             lambda: named["通日の年"].getState().contains(pyatspi.STATE_FOCUSED))
    xdotool("type", "--delay", "50", "1899")
    pump(0.5)
    gained.clear()
    xdotool("key", "Tab")
    notice = lambda: [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
                      if w is not None and w.name == "Koyomix"]
    wait_for("the notice", notice)
    xdotool("search", "--sync", "--onlyvisible", "--name", "^Koyomix$", "windowactivate", "--sync")
    xdotool("key", "Return")
    wait_for("the notice to close", lambda: not notice())
    wait_for("the focus back in 通日の年",
             lambda: named["通日の年"].getState().contains(pyatspi.STATE_FOCUSED))
    pump(2)
    heard = [name for name in gained if name in named]
    if set(heard) != {"通日の年"}:
        fail(f"after the notice the bus heard the focus go to {heard!r}, expected 通日の年 only")


def without_the_keyboard(app, frame, named):
    """Voice control sets texts and presses buttons by AT-SPI; the focus stays in 通日の年.
    Each route checks first: 5 becomes 2005, 70 becomes 070, and the press converts those.
    A focus move by a call returns before the notice for x in 通日の年 shows."""
    year, day = named["通日の年"], named["通日"]
    text = lambda node: node.queryText().getText(0, -1)
    # Keys come by the X server, calls by the bus: a call waits until the keys have arrived.
    xdotool("key", "ctrl+a")
    xdotool("type", "5")
    wait_for("5 typed in 通日の年", lambda: text(year) == "5")
    day.queryEditableText().setTextContents("70")
    wait_for("通日の年 2005 and 通日 070", lambda: (text(year), text(day)) == ("2005", "070"))
    press_action(named["グレゴリアン変換"], "Press")
    result = one(frame, "result described 日付の結果",
                 lambda n: role(n) == LABEL and n.description == "日付の結果")
    wait_for("2005/03/11 in the calendar date result", lambda: result.name == "2005/03/11")
    xdotool("key", "ctrl+a")
    xdotool("type", "x")
    wait_for("x typed in 通日の年", lambda: text(year) == "x")
    start = time.monotonic()
    day.queryComponent().grabFocus()
    if time.monotonic() - start > 5:
        fail("moving the focus by a call waited on the notice it raised")
    notice = lambda: [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
                      if w is not None and w.name == "Koyomix"]
    wait_for("the notice for x in 通日の年", notice)
    xdotool("search", "--sync", "--onlyvisible", "--name", "^Koyomix$", "windowactivate", "--sync")
    xdotool("key", "Return")
    wait_for("the focus back in 通日の年", lambda: year.getState().contains(pyatspi.STATE_FOCUSED))
    # A client that sends its calls without waiting for each answer: 通日 gets the edits in
    # order, each on the text the one before left, and is checked once they stop.
    xdotool("key", "ctrl+a")
    xdotool("type", "2001")
    wait_for("2001 typed in 通日の年", lambda: text(year) == "2001")
    send_without_waiting(day, "DeleteText", "(ii)", (0, 3))
    send_without_waiting(day, "InsertText", "(isi)", (0, "4", 1))
    send_without_waiting(day, "InsertText", "(isi)", (1, "5", 1))
    wait_for("通日 045: 070 deleted, 4 and 5 inserted, then checked", lambda: text(day) == "045")


def send_without_waiting(node, method, signature, args):
    """Sends one EditableText call on the accessibility bus and does not wait for its answer."""
    from gi.repository import Gio, GLib
    global a11y_bus
    if "a11y_bus" not in globals():
        session = Gio.bus_get_sync(Gio.BusType.SESSION)
        address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                    None, GLib.VariantType("(s)"), 0, -1, None).unpack()[0]
        a11y_bus = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
    a11y_bus.call(node.app.bus_name, node.path, "org.a11y.atspi.EditableText", method,
                  GLib.Variant(signature, args), None, 0, -1, None, None, None)
    a11y_bus.flush_sync(None)


def main():
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="ja_JP.UTF-8")
    program = subprocess.Popen([sys.argv[1]], env=env)
    try:
        app, frame = wait_for("the Koyomix window on the AT-SPI bus", window_of_koyomix)
        # A reader reads the title bar of the frame around the focus.
        if role(frame) != FRAME or frame.name != "Koyomix Ver.1.0":
            fail(f"the window is {frame.getRoleName()!r} {frame.name!r}, not the frame Koyomix Ver.1.0")
        xdotool("search", "--sync", "--onlyvisible", "--name", r"^Koyomix Ver\.",
                "windowactivate", "--sync")

        # Every field and button is announced by a name a Japanese user understands.
        named = {}
        for name, kind in [("年", TEXT), ("月", TEXT), ("日", TEXT), ("通日の年", TEXT),
                           ("通日", TEXT), ("ジュリアン変換", PUSH_BUTTON),
                           ("グレゴリアン変換", PUSH_BUTTON)]:
            named[name] = one(frame, f"role {kind} named {name}",
                              lambda n, name=name, kind=kind: n.name == name and role(n) == kind)

        # Each field says what it takes, which nothing on the window shows.
        for name, takes in [("年", "1900～2999年"), ("月", "1～12月"), ("日", "1～31日"),
                            ("通日の年", "1900～2999年"), ("通日", "1～366日")]:
            if named[name].description != takes:
                fail(f"the field {name} is described {named[name].description!r}, not {takes!r}")

        # The about box is a notice: its text is readable, and OK closes it. It opens by a
        # double-click on the credit line, and by the line's action, which tells its key.
        credit = one(frame, "credit line", lambda n: role(n) == LABEL and "Koyomix" in n.name)
        x, y = centre(credit)
        xdotool("mousemove", str(x), str(y), "click", "--repeat", "2", "--delay", "80", "1")

        def about_box():
            boxes = [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
                     if w is not None and w.name == "Koyomix"]
            return boxes[0] if boxes else None

        for route in ("a double-click", "the credit line's action"):
            if route != "a double-click":
                keys = credit.queryAction()
                keys = {keys.getName(i): keys.getKeyBinding(i) for i in range(keys.nActions)}
                if keys.get("Press") != "F1":
                    fail(f"the credit line's actions and keys are {keys!r}, not Press with F1")
                press_action(credit, "Press")
            box = wait_for(f"the about box opened by {route}", about_box)
            texts = [n.name for n in find_all(box, lambda n: role(n) == LABEL)]
            if not any(t.startswith(frame.name) for t in texts):
                fail(f"the about box reads {texts!r}")
            press_action(one(box, "OK button", lambda n: role(n) == PUSH_BUTTON), "Press")
            wait_for("the about box to close", lambda: about_box() is None)

        # A conversion, typed on the keyboard; the results are read by their descriptions.
        named["年"].queryComponent().grabFocus()
        wait_for("the focus in the year field",
                 lambda: named["年"].getState().contains(pyatspi.STATE_FOCUSED))
        xdotool("type", "--delay", "50", "2001")
        xdotool("key", "Tab")
        xdotool("type", "--delay", "50", "03")
        xdotool("key", "Tab")
        xdotool("type", "--delay", "50", "11")
        xdotool("key", "Tab")
        wait_for("the focus on the conversion button", lambda: named["ジュリアン変換"]
                 .getState().contains(pyatspi.STATE_FOCUSED))
        xdotool("key", "space")

        # At a caret after the last digit (offset -1 or the length) a screen reader reads the
        # word, sentence and line of the year field: all of 2001, and an answer at all.
        year_text = named["年"].queryText()
        for offset in (-1, 4):
            for boundary in (pyatspi.TEXT_BOUNDARY_WORD_START, pyatspi.TEXT_BOUNDARY_SENTENCE_START,
                             pyatspi.TEXT_BOUNDARY_LINE_START):
                try:
                    got = tuple(year_text.getTextAtOffset(offset, boundary))
                except Exception as error:  # the program hung: the call timed out
                    fail(f"the year field gave no text at offset {offset}: {error}")
                if got != ("2001", 0, 4):
                    fail(f"the year field reads {got!r} at offset {offset}, expected all of 2001")

        ordinal = one(frame, "result described 通日の結果",
                      lambda n: role(n) == LABEL and n.description == "通日の結果")
        era = one(frame, "result described 通日の結果（和暦）",
                  lambda n: role(n) == LABEL and n.description == "通日の結果（和暦）")
        try:
            wait_for("a result in Label1", lambda: ordinal.name, timeout=5)
        finally:
            print(f"read: {ordinal.name!r}, {era.name!r}", flush=True)
        if ordinal.name != "2001/070" or era.name != "平成13年3月11日 (日)":
            fail("expected 2001/070 and 平成13年3月11日 (日)")
        # A voice-control user copies a result by the label's action.
        for result in (ordinal, era):
            press_action(result, "Copy")
            wait_for(f"{result.name} on the clipboard", lambda: clipboard() == result.name)
        focus_after_a_notice(app, named)
        without_the_keyboard(app, frame, named)
        print("PASS: a screen reader reads the names, the about box and the result", flush=True)
    finally:
        program.terminate()
        program.wait(timeout=10)


if __name__ == "__main__":
    main()
