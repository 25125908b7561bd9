"""Screenshots of the sandbox's Xvfb display, and pixel checks on them.

    shot = screens.grab()
    client = shot.crop(ui.rect()[1])          # the dialog's client area, in client pixels
    assert client.is_colour(5, 5, (255, 255, 255))
    shot.save_artifact("after-start")

Xvfb runs no window manager, so what is on screen is the windows' own drawing; coordinates of
a crop are the client coordinates that the program paints with.
"""
import os
import re
import subprocess
import tempfile

from PIL import Image

TESTS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("DOWNLOADER_BUILD", os.path.join(os.path.dirname(TESTS), "build"))


def artifact_dir():
    """Where screenshots for the test's artifacts go: $DOWNLOADER_ARTIFACTS, or the build tree."""
    d = os.environ.get("DOWNLOADER_ARTIFACTS") or os.path.join(BUILD, "test-artifacts")
    os.makedirs(d, exist_ok=True)
    return d


def near(rgb, expected, tolerance=0):
    """Each channel within `tolerance` of the expected one."""
    return all(abs(int(a) - int(b)) <= tolerance for a, b in zip(rgb[:3], expected[:3]))


class Screen:
    def __init__(self, image, origin=(0, 0)):
        self.image = image.convert("RGB")
        self.origin = origin  # where this picture's (0, 0) is on the screen

    @property
    def size(self):
        return self.image.size

    def pixel(self, x, y):
        return self.image.getpixel((x, y))

    def is_colour(self, x, y, rgb, tolerance=0):
        return near(self.pixel(x, y), rgb, tolerance)

    def assert_colour(self, x, y, rgb, tolerance=0):
        got = self.pixel(x, y)
        assert near(got, rgb, tolerance), "pixel (%d, %d) is %r, not %r (+-%d)" % (
            x, y, got, tuple(rgb), tolerance)

    def count_colour(self, box, rgb, tolerance=0):
        """How many pixels of box (left, top, right, bottom; right and bottom excluded) have the
        colour."""
        left, top, right, bottom = box
        return sum(1 for y in range(top, bottom) for x in range(left, right)
                   if near(self.pixel(x, y), rgb, tolerance))

    def all_colour(self, box, rgb, tolerance=0):
        left, top, right, bottom = box
        return self.count_colour(box, rgb, tolerance) == (right - left) * (bottom - top)

    def crop(self, rect):
        """The part of the screen inside rect (left, top, right, bottom in screen pixels, e.g. a
        client rectangle from the driver), with its own coordinates starting at 0, 0."""
        left, top, right, bottom = (int(v) for v in rect[:4])
        return Screen(self.image.crop((left, top, right, bottom)),
                      (self.origin[0] + left, self.origin[1] + top))

    def save(self, path):
        self.image.save(path, "PNG")
        return path

    def save_artifact(self, name):
        """Saves under the artifact folder as <name>.png (a safe file name) and returns the path."""
        safe = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)
        return self.save(os.path.join(artifact_dir(), safe + ".png"))


def grab(display=None):
    """A screenshot of the whole root window of $DISPLAY (or of `display`)."""
    env = dict(os.environ)
    if display:
        env["DISPLAY"] = display
    if not env.get("DISPLAY"):
        raise RuntimeError("no DISPLAY: screenshots need the sandbox's Xvfb")
    fd, path = tempfile.mkstemp(suffix=".png")
    os.close(fd)
    try:
        subprocess.run(["import", "-window", "root", "png:" + path], env=env, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, timeout=30)
        with Image.open(path) as img:
            img.load()
            return Screen(img.copy())
    finally:
        os.unlink(path)
