#!/usr/bin/python3
# What a blind user hears: Debian's screen reader Orca driving Koyomix with real keys.
#
#     orca_speech.py KOYOMIX [LOCALE]   (inside with-x11.sh; ja_JP.UTF-8 unless LOCALE is given)
#
# Orca runs without a speech server: every utterance goes to its debug file, read as it arrives.
# Each table below is played in one Orca session with one window; the run ends at the first
# step whose speech differs, with everything Orca said in it.
import builtins
import locale
import os
import re
import runpy
import shutil
import subprocess
import sys
import tempfile
import time

from desktop_driver import fail, play, poll, settle, start, stop, x11_window

WINDOW = r"^Koyomix Ver\.1\.0$"
# Orca and the program run in the locale given (Japanese, as for Koyomix's users, unless told),
# whatever this machine's; the Orca process started below inherits it.
if sys.argv[1] != "--orca":
    LOCALE = sys.argv[2] if len(sys.argv) > 2 else "ja_JP.UTF-8"
    os.environ.update(LANG=LOCALE, LC_ALL=LOCALE, LANGUAGE=re.split("[_.]", LOCALE)[0])


def spoken_role(value):
    # The name Orca speaks for an AT-SPI role, found by the role's number: the role's own name
    # changes between releases ("push button", later "button"), its number does not.
    import gi
    gi.require_version("Atk", "1.0")
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atk, Atspi
    return Atk.role_get_localized_name(Atk.role_for_name(Atspi.role_get_name(Atspi.Role(value))))


try:
    locale.setlocale(locale.LC_ALL, os.environ["LC_ALL"])
except locale.Error:
    fail(f"no {os.environ['LC_ALL']} locale here; script/bootstrap generates it")
TEXT, ALERT, NOTIFICATION = (spoken_role(v) for v in (61, 2, 101))  # text, alert, notification

# Client-area points of the two buttons and of two fields (pixels, from form1.ui).
POINTS = {"Command2": (168, 20), "Command1": (168, 68), "Text1": (20, 64), "Text4": (20, 16),
          "Label6": (40, 96)}


def run_orca_without_speech(debug_file):
    # Orca itself, with its speech server replaced by nothing: it never waits on audio.
    # In the order /usr/bin/orca imports them: Orca 48's speech module, imported first,
    # is part of an import cycle that fails.
    import orca.script_manager  # noqa: F401
    import orca.speech

    orca.speech.init = lambda: None
    real_open = builtins.open

    def line_buffered(file, mode="r", *args, **kwargs):
        # Orca opens its debug file block-buffered; the test reads it while Orca runs.
        if file == debug_file and "w" in mode:
            return real_open(file, mode, buffering=1, encoding="utf-8")
        return real_open(file, mode, *args, **kwargs)

    builtins.open = line_buffered
    sys.argv = ["/usr/bin/orca"] + sys.argv[2:]
    runpy.run_path("/usr/bin/orca", run_name="__main__")


# An Orca and a window, and the utterances in Orca's debug file, read as they arrive.
class Session:
    START = re.compile(r"SPEECH OUTPUT: '(.*)$")
    # The closing quote ends the line or comes before the voice: Orca 43 writes
    # "'2001/03/11.'{'established': False}", "'1 ' {...}" and "'A' voice=uppercase{...}",
    # Orca 48 "'2001' [{...}]".
    END = re.compile(r"(.*?)' ?(voice=\w+ ?)?(\{|\[\{|$)", re.S)

    def __init__(self, program, workdir):
        self.log, prefs = os.path.join(workdir, "orca-debug.log"), os.path.join(workdir, "prefs")
        os.makedirs(prefs)
        open(self.log, "w").close()
        self.heard, self._offset = [], 0
        self._open = None  # an utterance whose closing quote is still to come
        self.orca = start(["/usr/bin/python3", os.path.abspath(__file__), "--orca", "-u", prefs,
                           "--debug-file", self.log], stdout=subprocess.DEVNULL)
        # Its first utterance is its greeting, in whatever words the release has for it.
        if not poll(self.poll, 30):
            fail("Orca did not start")
        # Orca turns the program's accessibility on, as on a desktop.
        self.app = start([program], TZ="UTC", QT_LINUX_ACCESSIBILITY_ALWAYS_ON=None)
        self.window = x11_window(WINDOW)
        if not poll(lambda: f"通日の年 {TEXT}" in self.poll(), 30):
            fail(f"Orca never announced the start-up field: {self.heard!r}")
        self.settle()

    def poll(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            f.seek(self._offset)
            data = f.read()
        end = data.rfind("\n") + 1
        self._offset += len(data[:end].encode("utf-8"))
        for line in data[:end].splitlines():
            if start := self.START.search(line):
                self._open = start.group(1)
            elif self._open is not None:  # a text with line breaks goes on, indented
                self._open += "\n" + line.strip()
            if self._open is not None and (m := self.END.match(self._open)):
                self._open = None
                # The text alone, its line breaks as blanks.
                self.heard.append(" ".join(m.group(1).split()).rstrip(" ."))
        return self.heard

    def settle(self):
        # Waits until Orca has said nothing new for a second.
        settle(lambda: len(self.poll()))

    def step(self, name, action, expect, forbid=()):
        # Plays `action`; Orca must then say every text of `expect` in this order, each at the
        # start of an utterance, and nothing that matches a pattern of `forbid`.
        first = len(self.poll())
        for word in action.split():
            play(word, self.window, POINTS)
            time.sleep(0.25)
        said = lambda: " ".join(self.poll()[first:])
        pattern = ".*".join("(?:^| )" + re.escape(e) for e in expect)
        poll(lambda: re.search(pattern, said()), 10)
        self.settle()
        heard = said()
        bad = [f for f in forbid if re.search(f, heard)]
        if not re.search(pattern, heard) or bad:
            fail(f"{name}: Orca said {heard!r}; expected {expect!r} in order, none of {forbid!r}")
        print(f"ok: {name}: {heard!r}", flush=True)


# Each row: name, action, what Orca says in order, what it must not say. Actions are xdotool
# key names, type:TEXT, click:CONTROL, dblclick:CONTROL and move:CONTROL (the pointer), played
# left to right.
NOT_TEXT5 = f"通日 {TEXT}"
ORDINAL_ROW = [
    ("refused ordinal year: its notice", "type:1899 Tab", ["有効な年は1900～2999までです"], []),
    ("after OK the refused field is announced, whole text",
     "Return", [f"通日の年 {TEXT}", "1899"], [NOT_TEXT5, r"\b189\b"]),
    ("word move in a field answers at once (no freeze)",
     "ctrl+a type:2001 Home ctrl+Right Tab", [f"通日 {TEXT}", "1～366日"], []),
    ("notice raised by a click on the button is read, once",
     "type:366 click:Command2", ["有効な日付ではありません"], [r"有効な日付.*有効な日付"]),
    ("after OK the button sends the focus to the year",
     "Return", [f"通日の年 {TEXT}", "2001"], [r"グレゴリアン変換", NOT_TEXT5, r"\b200\b"]),
    ("notice raised by Space on the button is read",
     "Tab Tab space", ["有効な日付ではありません"], []),
    ("after its OK the year again",
     "Return", [f"通日の年 {TEXT}", "2001"], [NOT_TEXT5]),
    ("results spoken after Space, once, in order",
     "Tab type:070 Tab space", ["2001/03/11 平成13年3月11日 (日)"],
     [r"2001/03/11.*2001/03/11", ALERT]),
    ("results spoken after a click, again",
     "click:Command2", ["2001/03/11 平成13年3月11日 (日)"], [r"2001/03/11.*2001/03/11"]),
    # The pointer out of the menu's way, where it would pick an entry.
    ("Shift+F10 opens the field's menu", "shift+Tab move:Text1 shift+F10", [], []),
    ("its last entry copies the row's results, read with its key",
     "Up", ["結果をコピー(K) Ctrl+Shift+C"], []),
]
CALENDAR_ROW = [
    # Orca stays silent on a field focused by a click; where-am-I (KP_Enter) asks it.
    ("a click gives the screen reader the field it focuses",
     "click:Text1 KP_Enter", [f"年 {TEXT}"], [r"通日"]),
    ("refused calendar year on Shift+Tab",
     "type:1899 shift+Tab", ["有効な年は1900～2999までです"], []),
    ("after OK the year, not the month",
     "Return", [f"年 {TEXT}", "1899"], [f"月 {TEXT}", f"(^| )日 {TEXT}", r"\b189\b"]),
    ("Tab announces the next field, then what it takes",
     "ctrl+a type:2001 Tab", [f"月 {TEXT}", "1～12月"], [f"(^| )年 {TEXT}"]),
    ("a field's check refuses and the focus stays",
     "type:13 Tab", ["月は１月～１２月までです"], []),
    ("after OK the month with its text",
     "Return", [f"月 {TEXT}", "13"], [f"(^| )日 {TEXT}"]),
    ("calendar results spoken after Space",
     "ctrl+a type:3 Tab type:11 Tab space", ["2001/070 平成13年3月11日 (日)"], []),
    ("a failing click speaks only its notice",
     "click:Text1 ctrl+a BackSpace click:Command1", ["年を入力してください"],
     [r"2001/070", NOTIFICATION]),
    ("after its OK no empty result is announced",
     "Return", ["年"], [NOTIFICATION]),
    # Orca+KP_Enter: the title bar, which Orca finds in the frame around the focus.
    ("the title bar names the window", "Insert+KP_Enter", ["Koyomix Ver.1.0"], []),
    ("a double-click on the credit line reads the about box, once",
     "dblclick:Label6", ["Koyomix Ver.1.0 © 2026 Koyomix"], [r"© 2026 Koyomix.*© 2026 Koyomix"]),
    ("F1 opens the about box, read once",
     "Return F1", ["Koyomix Ver.1.0 © 2026 Koyomix"], [r"© 2026 Koyomix.*© 2026 Koyomix"]),
]


def in_own_pid_namespace():
    # Orca refuses to start while another Orca of the same user runs (it asks pgrep): on a
    # screen-reader user's desktop, or beside another test. In a PID namespace of its own, this
    # test's Orca sees no other.
    if os.environ.get("ORCA_TEST_OWN_PIDS"):
        return
    os.environ["ORCA_TEST_OWN_PIDS"] = "1"
    unshare = ["unshare", "--pid", "--fork", "--mount-proc", "--kill-child"]
    if os.geteuid() != 0:
        unshare[1:1] = ["--user", "--map-root-user"]
    if shutil.which("unshare") and subprocess.run(unshare + ["true"]).returncode == 0:
        os.execvp(unshare[0], unshare + [sys.executable, *sys.argv])
    print("note: no PID namespace could be made here; Orca will refuse to start if this user "
          "already runs an Orca", flush=True)


def main():
    if sys.argv[1] == "--orca":
        run_orca_without_speech(sys.argv[sys.argv.index("--debug-file") + 1])
        return
    in_own_pid_namespace()
    program = sys.argv[1]
    for name, table in [("ordinal row", ORDINAL_ROW), ("calendar row", CALENDAR_ROW)]:
        workdir = tempfile.mkdtemp(prefix="orca-")
        session = Session(program, workdir)
        try:
            for row in table:
                session.step(*row)
        finally:
            stop(session.app, session.orca)
            if os.environ.get("KEEP_ORCA_LOG"):
                shutil.copy(session.log, f"{os.environ['KEEP_ORCA_LOG']}-{name[:3]}.log")
            shutil.rmtree(workdir, ignore_errors=True)
    print("PASS: Orca announces the right field, whole texts, every notice and the results")


if __name__ == "__main__":
    main()
