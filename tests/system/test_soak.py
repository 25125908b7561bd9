"""The real process killed at random moments: every run resumes from the part files that the
killed one left, and the package that finally stands is byte-identical to the source."""
import os
import random
import signal
import subprocess
import tempfile
import time

from conftest import build_path, run_harness, sha256

PKG = "kelqoffline.zip"
URL = "http://mirror1.kelq.example/" + PKG
EXE = build_path("tests", "harness", "engine_harness.exe")


def random_package(size, seed):
    return random.Random(seed).randbytes(size)


def segments(size):
    per = size // 3
    return [(0, per), (per, 2 * per), (2 * per, size)]


def part(workdir, i):
    return os.path.join(workdir, "%s_%d" % (PKG, i))


def start(args, workdir):
    out = tempfile.TemporaryFile()
    p = subprocess.Popen(["wine", EXE] + args, cwd=workdir, stdout=out, stderr=subprocess.STDOUT,
                         stdin=subprocess.DEVNULL)
    p.out = out
    return p


def output(p):
    p.out.seek(0)
    return p.out.read().decode("utf-8", "replace")


def harness_pids():
    """Processes of the harness in this sandbox (its network namespace), by their command line."""
    ours = os.readlink("/proc/self/ns/net")
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read()
            if b"engine_harness.exe" in cmd and os.readlink("/proc/%s/ns/net" % pid) == ours:
                pids.append(int(pid))
        except OSError:
            pass
    return pids


def kill(p):
    # SIGKILL of the Windows process itself (wine runs the program in the process it started):
    # no handler, no flush, like a crash or a power cut of this process.
    p.kill()
    p.wait()
    # Under load the program has been seen to outlive that kill (a run that went on and merged
    # behind the next one's back): every process of it in this sandbox goes the same way.
    deadline = time.monotonic() + 10
    while True:
        pids = harness_pids()
        if not pids:
            return
        assert time.monotonic() < deadline, "the killed program is still running: %s" % pids
        for pid in pids:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        time.sleep(0.05)


def assert_parts_are_prefixes(workdir, data):
    for i, (a, b) in enumerate(segments(len(data))):
        if os.path.exists(part(workdir, i)):
            with open(part(workdir, i), "rb") as f:
                got = f.read()
            assert len(got) <= b - a and got == data[a:a + len(got)], "part %d" % i


def on_disk(workdir):
    return sum(os.path.getsize(part(workdir, i)) for i in range(3) if os.path.exists(part(workdir, i)))


def test_kill_and_resume_soak(nginx, workdir):
    seed = int(os.environ.get("SOAK_SEED", time.time()))
    rng = random.Random(seed)
    print("soak seed", seed)
    data = random_package(32 << 20, seed)
    nginx.put(PKG, data)
    nginx.start()
    deadline = time.monotonic() + 240
    kills = 0
    history = []
    target = 0
    while kills < 12 and time.monotonic() < deadline:
        # The moment of each kill is drawn in bytes, so that the kills spread over the whole
        # download whatever the machine's speed: on average 1/14 of the package per run.
        target += rng.uniform(0, 2 * len(data) / 14)
        p = start(["download", URL], workdir)
        limit = time.monotonic() + 20
        while p.poll() is None and on_disk(workdir) < target and time.monotonic() < limit:
            time.sleep(rng.uniform(0, 0.02))
        if p.poll() is not None:
            break  # finished before the kill: nothing left to interrupt
        kill(p)
        kills += 1
        assert not os.path.exists(os.path.join(workdir, PKG))
        assert_parts_are_prefixes(workdir, data)
        history.append(on_disk(workdir))
    print("bytes on disk after each kill:", history)
    assert kills >= 10, (kills, history)
    # Parts only grow: every run built on what the killed one left.
    assert history == sorted(history) and history[-1] > history[0] > 0

    run = run_harness(["download", URL], workdir, timeout=max(30, deadline - time.monotonic()))
    assert len(run.hooks("finished")) == 1, run
    assert run.detail("closed")["resume_base"] == str(history[-1]), run
    assert sorted(os.listdir(workdir)) == [PKG]
    assert sha256(os.path.join(workdir, PKG)) == sha256(data)


def test_kill_during_the_merge_loses_nothing(workdir):
    size = 48 << 20
    data = random_package(size, 7)
    per = size // 3
    names = [os.path.join(workdir, PKG + ".tmp"), os.path.join(workdir, PKG)]
    for attempt in range(3):
        for i, (a, b) in enumerate(segments(size)):
            with open(part(workdir, i), "wb") as f:
                f.write(data[a:b])
        p = start(["manager", URL, str(size)], workdir)
        # Kill once the package (under whatever name) holds part 0 and some of part 1.
        killed = False
        t_end = time.monotonic() + 60
        while time.monotonic() < t_end and p.poll() is None:
            if any(os.path.exists(n) and os.path.getsize(n) > per + (1 << 20) for n in names):
                kill(p)
                killed = True
                break
        assert killed, output(p)
        done = sorted(os.listdir(workdir)) == [PKG] and sha256(names[1]) == sha256(data)
        if not done:
            break
        os.remove(names[1])  # the merge ended before the kill landed: try again
    assert not done, "the kill never landed inside the merge"
    # No half-merged package at the package path, and every part is still whole.
    assert not os.path.exists(os.path.join(workdir, PKG))
    for i, (a, b) in enumerate(segments(size)):
        assert sha256(part(workdir, i)) == sha256(data[a:b]), "part %d" % i

    run = run_harness(["manager", URL, str(size)], workdir, timeout=60)
    assert len(run.hooks("finished")) == 1, run
    assert sorted(os.listdir(workdir)) == [PKG]
    assert sha256(os.path.join(workdir, PKG)) == sha256(data)
