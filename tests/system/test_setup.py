"""Finding and starting the installer after the unpacking, on the real engine window with the
fixture installer (tests/fixtures/fixture_setup.cpp), which leaves setup_ran.txt beside itself."""
import os
import shutil
import time

import pytest

from conftest import build_path, run_harness
from fixtures import zipmaker as zm
from fixtures.zipmaker import Member, folder

MARKER = "setup_ran.txt"


def win(path):
    return "Z:" + str(path).replace("/", "\\")


def installer_bytes():
    with open(build_path("tests", "fixtures", "fixture_setup.exe"), "rb") as f:
        return f.read()


def setup(name):
    return Member(name, installer_bytes())


def install(program_dir, members, package_name="kelqoffline.zip", cwd=None):
    zm.write(program_dir / package_name, members)
    return run_harness(["install", win(program_dir) + "\\", package_name], cwd or program_dir)


def ui_texts(run):
    return [e[2].split("text=", 1)[1] for e in run.hooks("ui-status")]


def wait_marker(folder, timeout=15):
    """The installer runs on after the window closed: wait for its complete marker."""
    path = folder / MARKER
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if path.exists():
            text = path.read_text("utf-8")
            if "cmdline=" in text and text.endswith("\n"):
                return dict(line.split("=", 1) for line in text.splitlines())
        time.sleep(0.05)
    raise AssertionError("the installer in %s did not run" % folder)


def markers(root):
    return sorted(os.path.relpath(b, root) for b, _, files in os.walk(root) if MARKER in files)


def assert_started(run, program_dir, relative):
    """The installer at program_dir/relative ran, in its own folder, and the window closed."""
    assert run.detail("setup-path")["text"] == relative.replace("/", "\\"), run
    assert run.detail("start-result")["error"] == "0"
    assert run.hooks("close-self") and run.hooks("closed")
    assert ui_texts(run) == ["正在解压...", "解压结束!"]
    exe = program_dir / relative
    got = wait_marker(exe.parent)
    assert got["exe"] == win(exe)
    assert got["cwd"].rstrip("\\") == win(exe.parent)
    assert got["cmdline"] == '"%s"' % win(exe)


def test_top_level_installer_wins(workdir):
    members = [folder(b"a/"), setup(b"a/setup.exe"), setup(b"setup.exe"),
               folder(b"z/"), setup(b"z/setup.exe")]
    run = install(workdir, members)
    assert_started(run, workdir, "kelqoffline/setup.exe")
    assert markers(workdir) == ["kelqoffline"]


def test_later_subfolder_wins(workdir):
    members = [folder(b"a/"), setup(b"a/setup.exe"), folder(b"b/"), setup(b"b/setup.exe")]
    run = install(workdir, members)
    order = [e[2].split("text=", 1)[1]
             for e in run_harness(["list", win(workdir / "kelqoffline")], workdir).hooks("entry")]
    assert sorted(order) == ["a", "b"]
    assert_started(run, workdir, "kelqoffline/%s/setup.exe" % order[-1])
    assert markers(workdir) == [os.path.join("kelqoffline", order[-1])]


@pytest.mark.parametrize("name", [b"SETUP.EXE", b"Setup.exe", b"setup.exe.txt", b"setup.ex"])
def test_other_names_do_not_match(workdir, name):
    run = install(workdir, [folder(b"sub/"), setup(b"sub/" + name)])
    assert ui_texts(run) == ["正在解压...", "解压结束!", "安装文件未找到!"], run
    # Nothing is started with an empty command line, and the window stays open.
    assert run.hooks("start-result") == [] and run.hooks("close-self") == []


def test_folder_named_setup_exe_is_entered(workdir):
    run = install(workdir, [folder(b"setup.exe/"), setup(b"setup.exe/setup.exe")])
    assert_started(run, workdir, "kelqoffline/setup.exe/setup.exe")


def test_chinese_folders_start(tmp_path):
    program_dir = tmp_path / "下载器"
    program_dir.mkdir()
    members = [folder("安装程序/".encode("gbk")), setup("安装程序/setup.exe".encode("gbk"))]
    run = install(program_dir, members)
    assert_started(run, program_dir, "kelqoffline/安装程序/setup.exe")


@pytest.mark.parametrize("has_installer", [False, True])
def test_installer_in_current_folder_never_started(tmp_path, has_installer):
    program_dir = tmp_path / "app"
    elsewhere = tmp_path / "elsewhere"
    (elsewhere / "kelqoffline").mkdir(parents=True)
    program_dir.mkdir()
    # Where a relative command line would lead when the user started us from another folder.
    shutil.copy(build_path("tests", "fixtures", "fixture_setup.exe"), elsewhere / "setup.exe")
    shutil.copy(build_path("tests", "fixtures", "fixture_setup.exe"),
                elsewhere / "kelqoffline" / "setup.exe")
    members = [Member(b"readme.txt", b"r")] + ([setup(b"setup.exe")] if has_installer else [])
    run = install(program_dir, members, cwd=elsewhere)
    if has_installer:
        assert_started(run, program_dir, "kelqoffline/setup.exe")
    else:
        assert ui_texts(run) == ["正在解压...", "解压结束!", "安装文件未找到!"], run
        assert run.hooks("start-result") == []
    assert markers(elsewhere) == []


def test_invalid_installer(workdir):
    run = install(workdir, [Member(b"setup.exe", b"this is no program\r\n")])
    assert run.detail("start-result")["error"] == "193", run
    assert ui_texts(run) == ["正在解压...", "解压结束!", "安装文件无效!"]
    assert run.hooks("close-self") == []


def test_corrupt_installer_is_never_started(workdir):
    good = installer_bytes()
    crc = zm.zlib.crc32(good) & 0xFFFFFFFF
    run = install(workdir, [Member(b"setup.exe", good, crc=crc ^ 0x80000000)])
    assert run.hooks("unzipdone") == [], run
    assert ui_texts(run) == ["正在解压..."]
    assert not (workdir / "kelqoffline" / "setup.exe").exists()
    assert run.hooks("start-result") == []


def test_package_that_is_no_archive(workdir):
    (workdir / "kelqoffline.zip").write_bytes(b"<html>not found</html>")
    run = run_harness(["install", win(workdir) + "\\", "kelqoffline.zip"], workdir)
    assert ui_texts(run) == ["正在解压...", "解压结束!", "安装文件未找到!"], run
    assert run.hooks("start-result") == []
