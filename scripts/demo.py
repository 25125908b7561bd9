"""Runs inside scripts/sandbox.sh: serves a demo package from nginx on both mirror paths and runs
the real downloader.exe until the demo installer inside the package has started."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests"))
from servers.nginx import Nginx  # noqa: E402

BUILD = os.environ.get("BUILD_DIR", os.path.join(REPO, "build"))
OUT = os.path.join(REPO, "out", "demo")
PACKAGE_SIZE = 16 << 20  # big enough to watch the progress for a few seconds


def make_package(path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.write(os.path.join(BUILD, "tests", "demo", "demo_setup.exe"), "setup.exe")
        # Folders are listed before their files, as the unpacking expects.
        z.writestr(zipfile.ZipInfo("payload/"), b"")
        # Incompressible filler stands for the product's payload.
        z.writestr(zipfile.ZipInfo("payload/data.bin"), os.urandom(PACKAGE_SIZE),
                   compress_type=zipfile.ZIP_STORED)


def screenshot(name):
    path = os.path.join(OUT, name)
    subprocess.run(["import", "-window", "root", path], check=True)
    return path


def main():
    on_xvfb = not os.environ.get("SANDBOX_KEEP_DISPLAY")
    os.makedirs(OUT, exist_ok=True)
    work = tempfile.mkdtemp(prefix="downloader-demo-")
    app = os.path.join(work, "app")
    os.makedirs(app)
    shutil.copy(os.path.join(BUILD, "app", "downloader.exe"), app)
    server = Nginx(os.path.join(work, "nginx"), extra="limit_rate 1m;")
    pkg = os.path.join(work, "kelqoffline.zip")
    make_package(pkg)
    shutil.copy(pkg, os.path.join(server.root, "kelqoffline.zip"))
    os.makedirs(os.path.join(server.root, "Off2"))
    shutil.copy(pkg, os.path.join(server.root, "Off2", "kelqOffLine.zip"))
    size = os.path.getsize(pkg)
    server.start()
    print("demo: serving a %.1f MiB package from nginx; starting downloader.exe" % (size / 1048576))
    proc = subprocess.Popen(["wine", os.path.join(app, "downloader.exe")], cwd=app,
                            stdin=subprocess.DEVNULL)
    marker = os.path.join(app, "kelqoffline", "demo_setup.started")
    shots = []
    mid_taken = False
    deadline = time.time() + float(os.environ.get("DEMO_TIMEOUT", 300))
    try:
        while time.time() < deadline:
            parts = sum(os.path.getsize(os.path.join(app, "kelqoffline.zip_%d" % i))
                        for i in range(3) if os.path.exists(os.path.join(app, "kelqoffline.zip_%d" % i)))
            if on_xvfb and not mid_taken and parts >= size * 0.4:
                shots.append(screenshot("mid-download.png"))
                mid_taken = True
            if os.path.exists(marker):
                print("demo: the demo installer started (%s)" % marker)
                break
            time.sleep(0.05)
            if os.environ.get("DEMO_DEBUG") and int(time.time() * 20) % 100 == 0:
                print("demo: parts %d bytes; %s" % (parts, sorted(os.listdir(app))))
        else:
            print("demo: the installer did not start in time", file=sys.stderr)
            return 1
        if on_xvfb:
            time.sleep(1.5)  # let the installer's window paint
            shots.append(screenshot("end.png"))
        proc.wait(30)
        print("demo: downloader.exe ended with %d" % proc.returncode)
    finally:
        if proc.poll() is None:
            proc.kill()
        server.stop()
    for s in shots:
        print("demo: screenshot %s" % s)
    return 0


if __name__ == "__main__":
    sys.exit(main())
