"""The benchmark's body, run by bench_download.sh inside the sandbox."""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from servers.nginx import Nginx  # noqa: E402

PKG = "kelqoffline.zip"
URL = "http://mirror1.kelq.example/" + PKG
MIB = 1 << 20


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(MIB), b""):
            h.update(block)
    return h.hexdigest()


def timed(cmd, cwd):
    t = time.monotonic()
    p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                       stdin=subprocess.DEVNULL)
    return time.monotonic() - t, p.returncode, p.stdout.decode("utf-8", "replace")


def engine(exe, base, name, want):
    work = os.path.join(base, name)
    os.mkdir(work)
    seconds, rc, out = timed(["wine", exe, "download", URL], work)
    events = {}
    for line in out.splitlines():
        parts = line.split("\t", 2)
        if len(parts) == 3 and parts[0].isdigit():
            key = parts[1] if parts[1] != "status" else parts[2].split("text=", 1)[-1]
            events.setdefault(key, int(parts[0]))
    package = os.path.join(work, PKG)
    if "finished" not in events or sha256(package) != want:
        sys.exit("engine run %s failed:\n%s" % (name, out[-2000:]))
    merge = (events["finished"] - events["下载完成,准备解压安装..."]) / 1000.0
    fetch = (events["下载完成,准备解压安装..."] - events["正在安装"]) / 1000.0
    os.remove(package)
    return seconds, merge, fetch


def main():
    exe1k, exe64k = sys.argv[1], sys.argv[2]
    size_mib = int(sys.argv[3]) if len(sys.argv) > 3 else 256
    size = size_mib * MIB
    base = tempfile.mkdtemp(prefix="bench-download.")
    try:
        nginx = Nginx(os.path.join(base, "nginx"))
        src = os.path.join(nginx.root, PKG)
        with open(src, "wb") as f:
            for _ in range(size_mib):
                f.write(os.urandom(MIB))
        want = sha256(src)
        nginx.start()
        try:
            rows = []
            e1, merge1, fetch1 = engine(exe1k, base, "engine-1k", want)
            rows.append(("engine, 1 KiB blocks", e1))
            e64, merge64, fetch64 = engine(exe64k, base, "engine-64k", want)
            rows.append(("engine, 64 KiB blocks", e64))

            work = os.path.join(base, "curl")
            os.mkdir(work)
            t, rc, out = timed(["curl", "-s", "-o", PKG, URL], work)
            assert rc == 0 and sha256(os.path.join(work, PKG)) == want, out
            rows.append(("curl -o", t))
            curl = t
            os.remove(os.path.join(work, PKG))

            work = os.path.join(base, "aria2")
            os.mkdir(work)
            t, rc, out = timed(["aria2c", "-q", "-x3", "-s3", "-d", work, "-o", PKG, URL], work)
            assert rc == 0 and sha256(os.path.join(work, PKG)) == want, out
            rows.append(("aria2c -x3 -s3", t))
            aria = t
            os.remove(os.path.join(work, PKG))

            dst = os.path.join(base, "copy")
            t0 = time.monotonic()
            subprocess.run(["cp", src, dst], check=True)
            cp = time.monotonic() - t0
            subprocess.run(["sync", dst], check=True)
            cp_sync = time.monotonic() - t0
            os.remove(dst)
        finally:
            nginx.stop()
    finally:
        shutil.rmtree(base, ignore_errors=True)

    print("download of %d MiB from nginx (MB = 2^20 bytes), wall time of each program:" % size_mib)
    for name, t in rows:
        print("  %-24s %7.2f s  %8.1f MB/s" % (name, t, size_mib / t))
    print("engine (1 KiB) / curl:          %.3f" % (curl / e1))
    print("engine (1 KiB) / aria2c:        %.3f" % (aria / e1))
    print("engine (64 KiB) / curl:         %.3f" % (curl / e64))
    print("engine (64 KiB) / aria2c:       %.3f" % (aria / e64))
    print("engine 64 KiB vs 1 KiB blocks:  %.1fx faster" % (e1 / e64))
    print("engine segments alone (workers started to all complete): 1 KiB %.2f s (%.1f MB/s), "
          "64 KiB %.2f s (%.1f MB/s)" % (fetch1, size_mib / fetch1, fetch64, size_mib / fetch64))
    print("merge (1 KiB run) %.3f s, (64 KiB run) %.3f s; cp %.3f s, cp + sync %.3f s"
          % (merge1, merge64, cp, cp_sync))


if __name__ == "__main__":
    main()
