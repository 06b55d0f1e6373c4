#!/usr/bin/python3
# Reads Koyomix the way a screen reader does, over AT-SPI: names, descriptions, the about box,
# a conversion typed on the keyboard and its results, the focus after a notice, and the window
# worked as voice control does. Runs on an X server (with-x11.sh) with its own session bus, and
# exits non-zero with a message that says what a screen reader would miss.
import itertools
import os
import sys
import time

import pyatspi

from desktop_driver import (FRAME, LABEL, PUSH_BUTTON, TEXT, activate, actions, fail, find_all,
                            focus, focused, main_window, notice, one, output, play, press, pump, role,
                            send_without_waiting, start_koyomix, stop, text, wait_for)

# Each field and button by its name, and what each field takes (its description).
CONTROLS = [("年", "1900～2999年"), ("月", "1～12月"), ("日", "1～31日"), ("通日の年", "1900～2999年"),
            ("通日", "1～366日"), ("ジュリアン変換", None), ("グレゴリアン変換", None)]


def clipboard():
    # The clipboard's text, asked by a GTK process of its own: GTK in this one would join the
    # accessibility bus as an application and share this one's main loop.
    ask = ("import gi; gi.require_version('Gdk', '3.0'); gi.require_version('Gtk', '3.0'); "
           "from gi.repository import Gdk, Gtk; "
           "print(Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD).wait_for_text() or '', end='')")
    return output("/usr/bin/python3", "-c", ask, env=dict(os.environ, NO_AT_BRIDGE="1"), timeout=10)


def answer_notice(pid, what):
    wait_for(what, lambda: notice(pid))
    activate("^Koyomix$")
    play("Return")


def about_box(pid, frame):
    # Opens by a double-click on the credit line and by the line's action, which tells its key;
    # its text is readable, and OK closes it.
    credit = one(frame, "credit line", lambda n: role(n) == LABEL and "Koyomix" in n.name)
    ext = credit.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    play("dblclick:credit", points={"credit": (ext.x + ext.width // 2, ext.y + ext.height // 2)})
    for route in ("a double-click", "the credit line's action"):
        if route != "a double-click":
            if actions(credit).get("Press") != "F1":
                fail(f"the credit line's actions and keys are {actions(credit)!r}, not Press with F1")
            press(credit)
        box = wait_for(f"the about box opened by {route}", lambda: notice(pid))
        texts = [n.name for n in find_all(box, lambda n: role(n) == LABEL)]
        if not any(t.startswith(frame.name) for t in texts):
            fail(f"the about box reads {texts!r}")
        press(one(box, "OK button", lambda n: role(n) == PUSH_BUTTON))
        wait_for("the about box to close", lambda: notice(pid) is None)


def conversion(frame, named):
    # Typed on the keyboard; the year field read as at its caret; the results read by their
    # descriptions and copied by their actions.
    focus(named["年"])
    play("type:2001 Tab type:03 Tab type:11 Tab")
    wait_for("the focus on the conversion button", lambda: focused(named["ジュリアン変換"]))
    play("space")
    # At a caret after the last digit (offset -1 or the length) a screen reader reads the
    # word, sentence and line of the year field: all of 2001, and an answer at all.
    for offset, boundary in itertools.product((-1, 4), (pyatspi.TEXT_BOUNDARY_WORD_START,
            pyatspi.TEXT_BOUNDARY_SENTENCE_START, pyatspi.TEXT_BOUNDARY_LINE_START)):
        try:
            got = tuple(named["年"].queryText().getTextAtOffset(offset, boundary))
        except Exception as error:  # the program hung: the call timed out
            fail(f"the year field gave no text at offset {offset}: {error}")
        if got != ("2001", 0, 4):
            fail(f"the year field reads {got!r} at offset {offset}, expected all of 2001")
    ordinal, era = (one(frame, f"result described {d}", lambda n: role(n) == LABEL
                        and n.description == d) for d in ("通日の結果", "通日の結果（和暦）"))
    wait_for("a result in Label1", lambda: ordinal.name, timeout=5)
    if (ordinal.name, era.name) != ("2001/070", "平成13年3月11日 (日)"):
        fail(f"read {ordinal.name!r}, {era.name!r}; expected 2001/070 and 平成13年3月11日 (日)")
    for result in (ordinal, era):  # as a voice-control user copies a result
        press(result, "Copy")
        wait_for(f"{result.name} on the clipboard", lambda: clipboard() == result.name)


def focus_after_a_notice(pid, named):
    # Tab from a refused 通日の年: after OK the bus names only the field that has the focus
    # again. Focus events from behind the notice (通日, which Tab was heading for) stay unsent.
    gained = []
    listener = lambda event: event.detail1 and gained.append(event.source.name)
    pyatspi.Registry.registerEventListener(listener, "object:state-changed:focused")
    focus(named["通日の年"])
    play("type:1899")
    pump(0.5)
    gained.clear()
    play("Tab")
    answer_notice(pid, "the notice")
    wait_for("the notice to close", lambda: not notice(pid))
    wait_for("the focus back in 通日の年", lambda: focused(named["通日の年"]))
    pump(2)
    heard = [name for name in gained if name in named]
    if set(heard) != {"通日の年"}:
        fail(f"after the notice the bus heard the focus go to {heard!r}, expected 通日の年 only")


def without_the_keyboard(pid, frame, named):
    # Voice control sets texts and presses buttons by AT-SPI; the focus stays in 通日の年.
    # Each route checks first: 5 becomes 2005, 70 becomes 070, and the press converts those.
    # A focus move by a call returns before the notice for x in 通日の年 shows.
    year, day = named["通日の年"], named["通日"]
    # Keys come by the X server, calls by the bus: a call waits until the keys have arrived.
    play("ctrl+a type:5")
    wait_for("5 typed in 通日の年", lambda: text(year) == "5")
    day.queryEditableText().setTextContents("70")
    wait_for("通日の年 2005 and 通日 070", lambda: (text(year), text(day)) == ("2005", "070"))
    press(named["グレゴリアン変換"])
    result = one(frame, "result described 日付の結果",
                 lambda n: role(n) == LABEL and n.description == "日付の結果")
    wait_for("2005/03/11 in the calendar date result", lambda: result.name == "2005/03/11")
    play("ctrl+a type:x")
    wait_for("x typed in 通日の年", lambda: text(year) == "x")
    start = time.monotonic()
    day.queryComponent().grabFocus()
    if time.monotonic() - start > 5:
        fail("moving the focus by a call waited on the notice it raised")
    answer_notice(pid, "the notice for x in 通日の年")
    wait_for("the focus back in 通日の年", lambda: focused(year))
    # A client that sends its calls without waiting for each answer: 通日 gets the edits in
    # order, each on the text the one before left, and is checked once they stop.
    play("ctrl+a type:2001")
    wait_for("2001 typed in 通日の年", lambda: text(year) == "2001")
    send_without_waiting(day, "EditableText", "DeleteText", "(ii)", (0, 3))
    send_without_waiting(day, "EditableText", "InsertText", "(isi)", (0, "4", 1))
    send_without_waiting(day, "EditableText", "InsertText", "(isi)", (1, "5", 1))
    wait_for("通日 045: 070 deleted, 4 and 5 inserted, then checked", lambda: text(day) == "045")


def main():
    program = start_koyomix(sys.argv[1])
    try:
        frame = main_window(program.pid)
        # A reader reads the title bar of the frame around the focus.
        if role(frame) != FRAME or frame.name != "Koyomix Ver.1.0":
            fail(f"the window is {frame.getRoleName()!r} {frame.name!r}, not the frame Koyomix Ver.1.0")
        activate(r"^Koyomix Ver\.")
        # Every field and button is announced by a name a Japanese user understands, and each
        # field says what it takes, which nothing on the window shows.
        named = {}
        for name, takes in CONTROLS:
            kind = TEXT if takes else PUSH_BUTTON
            named[name] = one(frame, f"role {kind} named {name}",
                              lambda n: n.name == name and role(n) == kind)
            if takes and named[name].description != takes:
                fail(f"the field {name} is described {named[name].description!r}, not {takes!r}")
        about_box(program.pid, frame)
        conversion(frame, named)
        focus_after_a_notice(program.pid, named)
        without_the_keyboard(program.pid, frame, named)
        print("PASS: a screen reader reads the names, the about box and the result", flush=True)
    finally:
        stop(program)


if __name__ == "__main__":
    main()
