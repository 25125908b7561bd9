"""Python side of uidriver.exe: one driver process per scenario, one method per command.

    with UiDriver() as ui:
        ui.find("kelq数字标牌软件(多媒体发布系统)", 10000)
        assert ui.text(1003) == "连接服务器"
        ui.click(1001)

The driver runs under the same Wine (the sandbox's wineserver) as the program under test. Every
command that fails in the driver raises DriverError with the driver's reason, except the
predicates (gone, exists, enabled, visible), which return a bool.
"""
import os
import queue
import subprocess
import tempfile
import threading
import time
from collections import namedtuple

TESTS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("DOWNLOADER_BUILD", os.path.join(os.path.dirname(TESTS), "build"))
DRIVER_EXE = os.path.join(BUILD, "tests", "driver", "uidriver.exe")
TARGET_EXE = os.path.join(BUILD, "tests", "driver", "driver_target.exe")

# Time the driver may take beyond a command's own time-out before the reply counts as lost.
SLACK_S = 15.0

Window = namedtuple("Window", "hwnd pid tid cls visible")
MsgBox = namedtuple("MsgBox", "hwnd pid title text buttons")
Rect = namedtuple("Rect", "left top right bottom")


class DriverError(Exception):
    pass


class Changes(list):
    """(ms, text) pairs, the first being the text when watching began (ms 0). `maxgap` is the
    longest time between two reads: a text held longer than that cannot have been missed."""

    def __init__(self, items, polls, maxgap, gone):
        super().__init__(items)
        self.polls = polls
        self.maxgap = maxgap
        self.gone = gone

    def texts(self):
        return [t for _, t in self]


def _unescape(value):
    out, i = [], 0
    while i < len(value):
        c = value[i]
        if c == "\\" and i + 1 < len(value):
            out.append({"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}.get(value[i + 1], value[i + 1]))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def _parse(line):
    """An ok reply as an ordered list of (key, value)."""
    fields = []
    for item in line.split("\t")[1:]:
        key, _, value = item.partition("=")
        fields.append((key, _unescape(value)))
    return fields


def _rect(text):
    return Rect(*(int(v) for v in text.split(",")))


def _is_time(key):
    try:
        float(key)
        return True
    except ValueError:
        return False


class UiDriver:
    def __init__(self, exe=DRIVER_EXE, wine="wine", env=None):
        # stderr goes to a file: Wine's own messages must never fill a pipe nobody reads.
        self._err = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([wine, exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self._err, env=env)
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.window = None
        self.msgbox_seen = None

    def _read(self):
        for raw in self.proc.stdout:
            self._lines.put(raw.decode("utf-8", "replace").rstrip("\r\n"))
        self._lines.put(None)

    def call(self, line, timeout_s=SLACK_S):
        """Sends one command line; returns the ok reply's fields, raises DriverError on err."""
        if self.proc.poll() is not None:
            raise DriverError("driver ended (rc=%s)%s" % (self.proc.returncode, self._stderr()))
        self.proc.stdin.write((line + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        try:
            reply = self._lines.get(timeout=timeout_s)
        except queue.Empty:
            raise DriverError("no reply to %r within %.0f s" % (line, timeout_s))
        if reply is None:
            raise DriverError("driver ended during %r%s" % (line, self._stderr()))
        if reply.startswith("err"):
            raise DriverError("%s: %s" % (line, reply[4:]))
        if not reply.startswith("ok"):
            raise DriverError("%s: unexpected reply %r" % (line, reply))
        return _parse(reply)

    def _call_ms(self, line, ms):
        return dict(self.call(line, ms / 1000.0 + SLACK_S))

    def _stderr(self):
        self._err.seek(0)
        text = self._err.read().decode("utf-8", "replace").strip()
        return (": " + text[-2000:]) if text else ""

    # ---- the dialog ----------------------------------------------------------------------------

    def find(self, title, timeout_ms=10000):
        """Waits for a top-level window titled exactly `title` and makes it the current dialog."""
        f = self._call_ms("find %s %d" % (title, timeout_ms), timeout_ms)
        self.window = Window(f["hwnd"], int(f["pid"]), int(f["tid"]), f["class"],
                             f["visible"] == "1")
        return self.window

    def gone(self, timeout_ms=10000):
        """True once the current dialog no longer exists; False if it is still open after the
        time-out."""
        try:
            self._call_ms("gone %d" % timeout_ms, timeout_ms)
            return True
        except DriverError as e:
            if "timeout" in str(e):
                return False
            raise

    def exists(self):
        return dict(self.call("exists"))["exists"] == "1"

    def title(self):
        return dict(self.call("title"))["title"]

    def text(self, control_id):
        return dict(self.call("text %d" % control_id))["text"]

    def enabled(self, control_id):
        return dict(self.call("enabled %d" % control_id))["enabled"] == "1"

    def visible(self, control_id):
        return dict(self.call("visible %d" % control_id))["visible"] == "1"

    def wait_text(self, control_id, expected, timeout_ms=10000):
        """Polls until the control shows `expected` (a str, or a predicate on the text); returns
        the text. Raises DriverError with the last text seen on time-out."""
        ok = expected if callable(expected) else (lambda t: t == expected)
        end = time.monotonic() + timeout_ms / 1000.0
        while True:
            text = self.text(control_id)
            if ok(text):
                return text
            if time.monotonic() >= end:
                raise DriverError("control %d shows %r, not %r after %d ms"
                                  % (control_id, text, expected, timeout_ms))
            time.sleep(0.005)

    def rect(self, control_id=None):
        """(window, client, (screen width, height)) in screen pixels, of the dialog or of one of
        its controls."""
        f = dict(self.call("rect" if control_id is None else "rect %d" % control_id))
        w, h = (int(v) for v in f["screen"].split(","))
        return _rect(f["window"]), _rect(f["client"]), (w, h)

    # ---- changes over time -------------------------------------------------------------------

    @staticmethod
    def _changes(fields):
        d = dict(fields)
        items = [(float(k), v) for k, v in fields if _is_time(k)]
        return Changes(items, int(d.get("polls", 0)), float(d.get("maxgap", 0)), "gone" in d)

    def watch(self, control_id, duration_ms, interval_ms=None):
        """Reads the control for `duration_ms` (blocking) and returns every distinct text."""
        line = "watch %d %d" % (control_id, duration_ms)
        if interval_ms is not None:
            line += " %d" % interval_ms
        return self._changes(self.call(line, duration_ms / 1000.0 + SLACK_S))

    def track(self, control_id):
        """Starts recording every change of the control's text in the driver's background."""
        self.call("track %d" % control_id)

    def changes(self, control_id):
        """Everything recorded since track(): the text at that moment first."""
        return self._changes(self.call("changes %d" % control_id))

    def untrack(self, control_id):
        self.call("untrack %d" % control_id)

    # ---- acting as the user ------------------------------------------------------------------

    def click(self, control_id, force=False):
        """Presses the button as a click does (BM_CLICK through the target's loop). Refused for a
        hidden or disabled button; force presses it anyway, e.g. to show that a hidden button has
        no handler. Under Wine a forced press reaches a disabled button's handler too."""
        self.call("click %d%s" % (control_id, " force" if force else ""))

    def key(self, name):
        """Delivers return, escape, tab or space to the focus window of the dialog's thread (a
        message box of that thread while one is open), through the thread's message loop."""
        return dict(self.call("key %s" % name))

    def close(self):
        self.call("close")

    def sysclose(self):
        self.call("sysclose")

    def msgbox(self, timeout_ms=10000, pid=None, any_process=False):
        """Waits for a message box of the dialog's process (or of `pid`, or of any process)."""
        line = "msgbox %d" % timeout_ms
        if any_process:
            line += " any"
        elif pid is not None:
            line += " %d" % pid
        f = self._call_ms(line, timeout_ms)
        self.msgbox_seen = MsgBox(f["hwnd"], int(f["pid"]), f["title"], f["text"],
                                  f["buttons"].split(",") if f["buttons"] else [])
        return self.msgbox_seen

    def answer(self, button):
        """Presses yes, no, ok, cancel, ... of the latest message box and waits until it closed."""
        self.call("answer %s" % button, 5 + SLACK_S)

    # ---- life ----------------------------------------------------------------------------------

    def quit(self):
        if self.proc.poll() is None:
            try:
                self.call("quit", 5)
            except DriverError:
                pass
            try:
                self.proc.stdin.close()
            except OSError:
                pass
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self._err.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.quit()
        return False
