"""Shared fixtures of the system scenarios. They run inside scripts/sandbox.sh: a private network
namespace where the mirror hosts resolve to loopback and the servers bind the real ports."""
import hashlib
import os
import subprocess
import sys
import tempfile
import time

import pytest

TESTS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, TESTS)

from servers.fault import FaultServer, Reply  # noqa: E402
from servers.nginx import Nginx  # noqa: E402

BUILD = os.environ.get("DOWNLOADER_BUILD", os.path.join(os.path.dirname(TESTS), "build"))
FALLBACK = "203.0.113.80"


def pytest_configure(config):
    if not os.environ.get("DOWNLOADER_SANDBOX"):
        pytest.exit("system tests run inside scripts/sandbox.sh", returncode=2)


def build_path(*parts):
    return os.path.join(BUILD, *parts)


def sha256(data_or_path):
    if isinstance(data_or_path, (bytes, bytearray)):
        return hashlib.sha256(data_or_path).hexdigest()
    with open(data_or_path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def package_bytes(size, seed=1):
    """Deterministic, non-repeating test content (no two 1 KiB blocks alike)."""
    out = bytearray()
    counter = 0
    while len(out) < size:
        out += hashlib.sha256(b"%d:%d" % (seed, counter)).digest()
        counter += 1
    return bytes(out[:size])


class WineRun:
    """One run of a Windows program under the sandbox's wineserver."""

    def __init__(self, exe, args, cwd, timeout):
        self.exe = exe
        # Output goes to files, not pipes: Wine's helper processes (services, explorer) inherit
        # the descriptors and would keep a pipe open long after the program ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            start = time.monotonic()
            p = subprocess.Popen(["wine", exe] + list(args), cwd=cwd, stdout=out, stderr=err,
                                 stdin=subprocess.DEVNULL)
            try:
                self.rc = p.wait(timeout)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
                raise
            self.seconds = time.monotonic() - start
            out.seek(0)
            err.seek(0)
            self.stdout = out.read().decode("utf-8", "replace")
            self.stderr = err.read().decode("utf-8", "replace")
        self.events = []
        for line in self.stdout.splitlines():
            parts = line.split("\t", 2)
            if len(parts) == 3 and parts[0].isdigit():
                self.events.append((int(parts[0]), parts[1], parts[2]))

    def hooks(self, name=None):
        return [e for e in self.events if name is None or e[1] == name]

    def detail(self, name):
        """key=value pairs of the first event of that name."""
        for e in self.events:
            if e[1] == name:
                out = {}
                for item in e[2].split(" "):
                    if "=" in item:
                        k, v = item.split("=", 1)
                        out[k] = v
                # text= runs to the end of the line: it may hold blanks
                if " text=" in " " + e[2]:
                    out["text"] = e[2].split("text=", 1)[1]
                return out
        return None

    def __repr__(self):
        return "WineRun(rc=%s, stdout=%r, stderr=%r)" % (self.rc, self.stdout, self.stderr[-2000:])


def run_harness(args, cwd, timeout=60):
    return WineRun(build_path("tests", "harness", "engine_harness.exe"), args, cwd, timeout)


@pytest.fixture
def workdir(tmp_path):
    d = tmp_path / "app"
    d.mkdir()
    return d


@pytest.fixture
def nginx(tmp_path):
    server = Nginx(tmp_path / "nginx")
    yield server
    server.stop()


@pytest.fixture
def fault_factory():
    servers = []

    def make(**kw):
        s = FaultServer(**kw).start()
        servers.append(s)
        return s

    yield make
    for s in servers:
        s.stop()
