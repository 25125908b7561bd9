"""The UI driver against its own target window (tests/driver/driver_target.cpp), under the same
wineserver: every command group, and the screenshot helper."""
import os
import subprocess
import tempfile
import time

import pytest

import screens
from driver.uidriver import TARGET_EXE, DriverError, UiDriver

TITLE = "uidriver 目标窗口"  # a blank inside: find takes the title up to the time-out
TOGGLE_BUTTON, ASK, STATUS, TICK, TOGGLE, ANSWER = 1001, 1002, 1003, 1004, 1005, 1006
PULSE_BUTTON, PULSE, LOG, HIDDEN, DISABLED = 1007, 1008, 1009, 1010, 1011
BLOCK, BLOCK_COLOUR = (8, 8, 48, 48), (0, 128, 255)


class Target:
    """The target window's process; its stdout lists every event that reached the window."""

    def __init__(self, *args):
        self._out = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(["wine", TARGET_EXE] + list(args), stdout=self._out,
                                     stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    def wait(self, timeout=20):
        return self.proc.wait(timeout)

    def events(self):
        self._out.seek(0)
        return self._out.read().decode("utf-8").split()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self._out.close()


@pytest.fixture
def start():
    targets = []

    def make(*args):
        t = Target(*args)
        targets.append(t)
        return t

    yield make
    for t in targets:
        t.stop()


@pytest.fixture
def ui():
    with UiDriver() as driver:
        yield driver


@pytest.fixture
def target(start, ui):
    """A target window found by the driver (default arguments)."""
    t = start("pulse=40,20,10,5")
    ui.find(TITLE, 20000)
    return t


def test_find_title_rect_and_gone(start, ui):
    with pytest.raises(DriverError, match="timeout"):
        ui.find("没有这个窗口", 100)
    t = start()
    w = ui.find(TITLE, 20000)
    assert w.visible and w.cls == "#32770" and w.pid > 0
    assert ui.title() == TITLE and ui.exists()

    window, client, screen = ui.rect()
    assert screen == (1280, 1024)
    assert window.left <= client.left < client.right <= window.right
    assert window.top <= client.top < client.bottom <= window.bottom
    status, _, _ = ui.rect(STATUS)
    assert client.left <= status.left < status.right <= client.right
    assert client.top <= status.top < status.bottom <= client.bottom

    assert not ui.gone(50)
    ui.close()
    assert ui.gone(5000)
    assert not ui.exists()
    with pytest.raises(DriverError, match="dialog gone"):
        ui.text(STATUS)
    assert t.wait() == 0


def test_texts_states_and_clicks(target, ui):
    assert ui.text(STATUS) == "连接服务器"
    assert ui.text(TOGGLE) == "off"
    assert not ui.visible(HIDDEN) and not ui.enabled(DISABLED)
    with pytest.raises(DriverError, match="no control 4242"):
        ui.text(4242)
    # A user can press neither a disabled button nor a hidden control.
    with pytest.raises(DriverError, match="disabled"):
        ui.click(DISABLED)
    with pytest.raises(DriverError, match="hidden"):
        ui.click(HIDDEN)

    ui.click(TOGGLE_BUTTON)  # of the framework's "MfcButton" class
    ui.wait_text(TOGGLE, "on", 3000)
    assert ui.visible(HIDDEN) and ui.enabled(DISABLED)
    ui.click(DISABLED)
    ui.wait_text(LOG, lambda t: t.endswith("disabled-clicked"), 3000)
    assert target.events().count("toggle") == 1

    # Reading is cheap enough to poll: it asks the wineserver, not the target's thread.
    t0 = time.perf_counter()
    for _ in range(200):
        ui.text(STATUS)
    assert (time.perf_counter() - t0) / 200 < 0.005


def test_watch_sees_each_timer_tick(target, ui):
    seen = ui.watch(TICK, 450)
    ticks = [int(text.split()[1]) for text in seen.texts()]
    assert len(ticks) >= 4 and ticks == list(range(ticks[0], ticks[0] + len(ticks))), seen
    # The times are those of the changes: a 100 ms timer never fires twice within 50 ms.
    gaps = [b[0] - a[0] for a, b in zip(seen[1:], seen[2:])]
    assert all(g >= 50 for g in gaps), seen
    assert seen.polls > 50 and not seen.gone


def test_track_records_short_texts_in_the_background(target, ui):
    t0 = time.monotonic()
    ui.track(PULSE)
    ui.click(PULSE_BUTTON)
    # The main thread is busy with another command meanwhile; the recording goes on.
    ui.watch(TICK, 250)
    ui.wait_text(PULSE, "pulse-done", 5000)
    changes = ui.changes(PULSE)
    # About a read a millisecond; a text of tens of milliseconds is never missed.
    assert changes.polls > 200 * (time.monotonic() - t0), changes.polls
    assert "pulse-1" in changes.texts() and "pulse-2" in changes.texts(), changes
    held_line = [e for e in target.events() if e.startswith("held=")][0]
    held = [float(v) for v in held_line[5:].split(",")]
    seen = dict((text, ms) for ms, text in changes)
    texts = ["pulse-%d" % (i + 1) for i in range(len(held))]
    # Whatever was seen came in order, and a text held longer than the longest gap between two
    # reads cannot have been missed.
    assert [t for t in changes.texts() if t in texts] == [t for t in texts if t in seen]
    assert changes.texts()[0] == "idle" and changes.texts()[-1] == "pulse-done"
    following = texts[1:] + ["pulse-done"]
    for text, nxt, hold in zip(texts, following, held):
        if hold > changes.maxgap + 1:
            assert text in seen, (text, hold, changes)
        if text in seen and nxt in seen:
            assert abs((seen[nxt] - seen[text]) - hold) <= changes.maxgap + 1, (text, changes)
    assert len(held) == 4 and 0 < changes.maxgap

    ui.track(PULSE)  # tracking again starts afresh from the current text
    assert ui.changes(PULSE).texts() == ["pulse-done"]
    ui.close()
    assert ui.gone(5000)
    time.sleep(0.05)
    assert ui.changes(PULSE).gone
    ui.untrack(PULSE)
    with pytest.raises(DriverError, match="not tracked"):
        ui.changes(PULSE)


def test_keys_pass_the_dialog_loop(target, ui):
    ui.key("return")
    ui.wait_text(LOG, "pre-return", 3000)
    # Escape passes the target's filter and reaches IsDialogMessage, which makes it IDCANCEL.
    ui.key("escape")
    ui.wait_text(LOG, "pre-return pre-escape cancel", 3000)
    assert ui.exists()
    with pytest.raises(DriverError, match="unknown key"):
        ui.key("f13")


def test_question_box_read_and_answered(target, ui):
    with pytest.raises(DriverError, match="no message box"):
        ui.answer("yes")
    for answer in ("no", "yes"):
        ui.click(ASK)
        box = ui.msgbox(5000)
        assert box.title == "提示" and box.text == "文件已经存在,是否重新下载?"
        assert box.buttons == ["yes", "no"] and box.pid == ui.window.pid
        with pytest.raises(DriverError, match="no button ok"):
            ui.answer("ok")
        ui.answer(answer)  # returns once the box has closed; its caller goes on after that
        with pytest.raises(DriverError, match="timeout"):
            ui.msgbox(0)
        ui.wait_text(ANSWER, answer, 3000)
    assert target.events()[-4:] == ["ask", "answer-no", "ask", "answer-yes"]


def test_owner_less_box_of_another_process(start, ui):
    with pytest.raises(DriverError, match="give a pid"):
        ui.msgbox(0)
    t = start("notice")
    box = ui.msgbox(20000, any_process=True)
    assert (box.title, box.text, box.buttons) == ("提示", "下载器已经启动", ["ok"])
    assert ui.msgbox(0, pid=box.pid).hwnd == box.hwnd
    ui.answer("ok")
    assert t.wait() == 0
    assert t.events() == ["notice-closed"]


@pytest.mark.parametrize("how, events", [
    ("close", ["close", "closed"]),
    ("sysclose", ["syscommand-close", "close", "closed"]),
])
def test_close_reaches_the_handler(target, ui, how, events):
    getattr(ui, how)()
    assert ui.gone(5000)
    assert target.wait() == 0
    assert target.events()[-len(events):] == events


def test_screenshot_shows_the_painted_block(target, ui):
    _, client, _ = ui.rect()
    time.sleep(0.2)  # the first paint follows the show
    shot = screens.grab()
    area = shot.crop(client)
    path = area.save_artifact("driver-target-client")
    assert os.path.getsize(path) > 0
    assert area.size == (client.right - client.left, client.bottom - client.top)
    assert area.all_colour(BLOCK, BLOCK_COLOUR), area.pixel(*BLOCK[:2])
    assert not area.is_colour(BLOCK[2], BLOCK[1], BLOCK_COLOUR, tolerance=40)
    assert not area.is_colour(BLOCK[0], BLOCK[3], BLOCK_COLOUR, tolerance=40)
    assert shot.is_colour(client.left + 20, client.top + 20, BLOCK_COLOUR)
