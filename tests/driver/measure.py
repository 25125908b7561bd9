"""Measures the driver against its target window: the cost of one `text` round trip, and which
hold times of a text `track` catches. Run inside the sandbox, after a build:

    scripts/sandbox.sh /usr/bin/python3 tests/driver/measure.py [rounds]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from driver.uidriver import TARGET_EXE, UiDriver  # noqa: E402

TITLE = "uidriver 目标窗口"
PULSE_BUTTON, PULSE, STATUS = 1007, 1008, 1003
HOLDS = [0, 1, 2, 3, 5, 8]


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 30
    plan = HOLDS * rounds
    out = tempfile.TemporaryFile()
    target = subprocess.Popen(["wine", TARGET_EXE, "pulse=" + ",".join(map(str, plan))],
                              stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    try:
        with UiDriver() as ui:
            ui.find(TITLE, 20000)
            times = []
            for _ in range(2000):
                t0 = time.perf_counter()
                ui.text(STATUS)
                times.append((time.perf_counter() - t0) * 1000)
            times.sort()
            print("text round trip (Python call to reply), 2000 calls: median %.3f ms, "
                  "p95 %.3f ms, max %.3f ms" % (statistics.median(times),
                                                times[int(len(times) * 0.95)], times[-1]))
            busy = ui.watch(STATUS, 500, 0)
            print("one read inside the driver (watch, no sleep): %.1f us (%d reads in 500 ms)"
                  % (500000.0 / busy.polls, busy.polls))

            ui.track(PULSE)
            ui.click(PULSE_BUTTON)
            ui.wait_text(PULSE, "pulse-done", 60000)
            changes = ui.changes(PULSE)
            ui.close()
            ui.gone(5000)
        target.wait(20)
    finally:
        if target.poll() is None:
            target.kill()
            target.wait()
    out.seek(0)
    held_line = [ln for ln in out.read().decode().splitlines() if ln.startswith("held=")][0]
    held = [float(v) for v in held_line[5:].split(",")]
    seen = set(changes.texts())
    print("track: %d polls, longest gap between two polls %.1f ms" % (changes.polls,
                                                                      changes.maxgap))
    print("hold asked | held (median) | caught")
    for hold in HOLDS:
        idx = [i for i, h in enumerate(plan) if h == hold]
        caught = sum(1 for i in idx if "pulse-%d" % (i + 1) in seen)
        print("%7d ms | %10.2f ms | %d/%d" % (hold, statistics.median(held[i] for i in idx),
                                               caught, len(idx)))


if __name__ == "__main__":
    main()
