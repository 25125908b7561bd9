"""Unpacking a package on the real engine window: the members on disk, their attributes and times,
and when the unzip thread sends its notice and when it stops without one."""
import calendar
import os

import pytest

from conftest import package_bytes, run_harness, sha256
from fixtures import zipmaker as zm
from fixtures.zipmaker import Member, folder

EPOCH_TICKS = 116444736000000000


def win(path):
    return "Z:" + str(path).replace("/", "\\")


def ticks(unix_seconds):
    return unix_seconds * 10000000 + EPOCH_TICKS


def unzip(workdir, members, target_name="out", package=None):
    """Writes the package (members, or raw bytes) and unpacks it into workdir/target_name."""
    pkg = workdir / "pkg.zip"
    if package is not None:
        pkg.write_bytes(package)
    elif members is not None:
        zm.write(pkg, members)
    target = workdir / target_name
    target.mkdir(exist_ok=True)
    run = run_harness(["unzip", win(pkg), win(target)], workdir)
    end = run.detail("unzip-end")
    assert end is not None, run
    return run, target, end["notice"] == "1"


def tree(root):
    """Every path below root, relative, folders with a trailing '/'."""
    out = set()
    for base, dirs, files in os.walk(root):
        rel = os.path.relpath(base, root)
        prefix = "" if rel == "." else rel + "/"
        out.update(prefix + d + "/" for d in dirs)
        out.update(prefix + f for f in files)
    return out


def test_members_unpack_byte_exact(workdir):
    big = package_bytes(100000, seed=7)  # several 16 KiB blocks, deflated and stored
    members = [
        folder(b"app/"),
        Member(b"app/big.bin", big),
        Member(b"app/stored.bin", big[:40000], method=0),
        folder(b"app/sub/"),
        Member(b"app/sub/empty.txt", b""),
        Member(b"top.txt", b"top level\r\n"),
        # A folder recorded without its trailing '/' (DOS folder bit only): made, and entered.
        Member(b"bin", b"", method=0, external=0x10),
        Member(b"bin/tool.txt", b"tool"),
    ]
    run, target, notice = unzip(workdir, members)
    assert notice and run.detail("unzip-end")["exit"] == "1", run
    assert len(run.hooks("unzipdone")) == 1
    assert tree(target) == {"app/", "app/big.bin", "app/stored.bin", "app/sub/",
                            "app/sub/empty.txt", "top.txt", "bin/", "bin/tool.txt"}
    assert sha256(target / "app/big.bin") == sha256(big)
    assert sha256(target / "app/stored.bin") == sha256(big[:40000])
    assert (target / "app/sub/empty.txt").read_bytes() == b""
    assert (target / "top.txt").read_bytes() == b"top level\r\n"


def test_attributes_and_times(workdir):
    dos = (2019, 3, 4, 5, 6, 8)
    members = [
        Member(b"no-mode.txt", b"a", external=0),                         # no Unix mode: read-only
        Member(b"writable.txt", b"b", external=zm.UNIX_FILE_RW | 0x20),   # archive bit
        Member(b"no-write.txt", b"c", external=zm.UNIX_FILE_RO),
        Member(b"dos-ro.txt", b"d", external=zm.UNIX_FILE_RW | 0x01),
        Member(b"hidden.txt", b"e", external=zm.UNIX_FILE_RW | 0x02),
        Member(b"dos-time.txt", b"f", dos_time=dos),
        Member(b"ut-time.txt", b"g", dos_time=dos,
               local_extra=zm.ut_extra(mtime=1600000000, atime=1500000000)),
        Member(b"ut-mtime.txt", b"h", dos_time=dos, local_extra=zm.ut_extra(mtime=1234567890)),
    ]
    run, target, notice = unzip(workdir, members)
    assert notice, run
    names = [m.name.decode() for m in members]
    attrs = run_harness(["attrs"] + [win(target / n) for n in names], workdir)
    got = {}
    for e in attrs.hooks("attrs"):
        d = dict(kv.split("=", 1) for kv in e[2].split(" text=")[0].split(" "))
        got[os.path.basename(e[2].split(" text=")[1].replace("\\", "/"))] = d
    readonly, hidden, archive = 0x01, 0x02, 0x20
    a = {n: int(got[n]["attr"], 16) for n in names}
    assert a["no-mode.txt"] & readonly and a["no-write.txt"] & readonly
    assert a["dos-ro.txt"] & readonly
    assert not a["writable.txt"] & readonly and a["writable.txt"] & archive
    assert a["hidden.txt"] & hidden and not a["hidden.txt"] & readonly
    # The DOS time is taken as UTC, for all three times; "UT" replaces the ones it carries.
    dos_ticks = ticks(calendar.timegm(dos))
    assert int(got["dos-time.txt"]["write"]) == dos_ticks
    assert int(got["dos-time.txt"]["access"]) == dos_ticks
    assert int(got["ut-time.txt"]["write"]) == ticks(1600000000)
    assert int(got["ut-time.txt"]["access"]) == ticks(1500000000)
    assert int(got["ut-mtime.txt"]["write"]) == ticks(1234567890)
    assert int(got["ut-mtime.txt"]["access"]) == dos_ticks


def test_reextraction_replaces_read_only_files(workdir):
    first = [Member(b"a.txt", b"first run", external=0), Member(b"old.txt", b"only in run 1")]
    run, target, notice = unzip(workdir, first)
    assert notice, run
    assert not os.stat(target / "a.txt").st_mode & 0o200  # read-only on disk
    run, target, notice = unzip(workdir, [Member(b"a.txt", b"second run", external=0)])
    assert notice, run
    assert (target / "a.txt").read_bytes() == b"second run"
    assert (target / "old.txt").read_bytes() == b"only in run 1"


@pytest.mark.parametrize("members, notice, present", [
    ([folder(b"app/"), Member(b"app/setup.txt", b"x")], True, {"app/", "app/setup.txt"}),
    # No folder member: the file can't be created, and nothing after it is unpacked.
    ([Member(b"first.txt", b"1"), Member(b"app/setup.txt", b"x"), Member(b"last.txt", b"2")],
     False, {"first.txt"}),
], ids=["folder-first", "folder-missing"])
def test_folder_members(workdir, members, notice, present):
    run, target, got_notice = unzip(workdir, members)
    assert got_notice == notice, run
    assert len(run.hooks("unzipdone")) == (1 if notice else 0)
    assert tree(target) == present


@pytest.mark.parametrize("package", [
    zm.build([]),                               # an archive without members
    b"this is not a zip file\r\n" * 100,        # no end-of-central-directory record
    zm.build([Member(b"a.txt", b"x")])[:-10],   # the record cut off
    None,                                       # no package file at all
], ids=["empty-archive", "not-zip", "cut-directory", "missing"])
def test_unreadable_package_still_notifies(workdir, package):
    if package is None:
        run, target, notice = unzip(workdir, None)
    else:
        run, target, notice = unzip(workdir, None, package=package)
    assert notice and run.detail("unzip-end")["exit"] == "1", run
    assert tree(target) == set()


def test_member_mismatching_its_local_header_stops(workdir):
    members = [Member(b"a.txt", b"1"), Member(b"b.txt", b"2", local_name=b"bb.txt"),
               Member(b"d.txt", b"3")]
    run, target, notice = unzip(workdir, members)
    assert not notice, run
    assert tree(target) == {"a.txt"}


def test_gbk_member_names(workdir):
    # Wine runs with code page 936 here, as a Chinese Windows does.
    members = [folder("资料/".encode("gbk")),
               Member("资料/说明文档.txt".encode("gbk"), "内容".encode("utf-8"))]
    run, target, notice = unzip(workdir, members)
    assert notice, run
    assert tree(target) == {"资料/", "资料/说明文档.txt"}
    assert (target / "资料" / "说明文档.txt").read_bytes() == "内容".encode("utf-8")


def corrupt_cases():
    data = package_bytes(50000, seed=3)
    deflated = zm.deflate_raw(data)
    crc = zm.zlib.crc32(data) & 0xFFFFFFFF
    flipped = bytearray(data)
    flipped[20000] ^= 0x01
    return [
        # A valid deflate stream with the CRC flipped in both headers.
        pytest.param(Member(b"bad.bin", data, crc=crc ^ 0x00000100), id="deflate-crc-flip"),
        pytest.param(Member(b"bad.bin", data, method=0, packed=bytes(flipped)), id="stored-data-flip"),
        # The stream ends before the recorded size: minizip never compares the CRC for it.
        pytest.param(Member(b"bad.bin", data, size=len(data) + 100), id="deflate-ends-early"),
        pytest.param(Member(b"bad.bin", data, packed=deflated[:-200]), id="deflate-cut"),
        pytest.param(Member(b"bad.bin", data, method=0, size=len(data) + 5,
                            packed=data), id="stored-short"),
        pytest.param(Member(b"bad.bin", data, flag=1), id="encrypted"),
    ]


@pytest.mark.parametrize("bad", corrupt_cases())
def test_corrupt_member_is_not_accepted(workdir, bad):
    run, target, notice = unzip(workdir, [Member(b"good.txt", b"ok"), bad,
                                          Member(b"after.txt", b"later")])
    assert not notice and run.detail("unzip-end")["exit"] == "0", run
    # Nothing of the bad member stays, read-only or not, and nothing after it is unpacked.
    assert tree(target) == {"good.txt"}


# Names that lead outside the folder or that Windows rewrites; {posix} and {win} stand for the
# canary file above the extraction folder.
UNSAFE_NAMES = [
    "../canary.txt", "..\\canary.txt", "sub/../../canary.txt", "sub\\..\\..\\canary.txt",
    "./../canary.txt", "{posix}", "{win}", "{winfwd}", "Z:canary.txt", "Z:..\\canary.txt",
    "\\\\?\\{win}", "//?/{winfwd}", "\\\\localhost\\c$\\canary.txt",
    "setup.exe.", "setup.exe ", "sub./x.txt", "a.txt:evil", "a.txt::$DATA",
    "CON", "nul.txt", "sub/COM1", "LPT1.log", "aux .txt", "conin$",
    "a<b.txt", "a>b.txt", 'a"b.txt', "a|b.txt", "a?b.txt", "a*b.txt", "a\x01b.txt",
    "a\x00b.txt", "a//b.txt", "/", "..",
]


@pytest.mark.parametrize("template", UNSAFE_NAMES, ids=[repr(n) for n in UNSAFE_NAMES])
def test_unsafe_names_are_refused(tmp_path, template):
    workdir = tmp_path / "app"
    workdir.mkdir()
    canary = workdir / "canary.txt"
    canary.write_bytes(b"canary")
    name = template.format(posix=str(canary), win=win(canary),
                           winfwd=win(canary).replace("\\", "/")).encode("latin-1")
    before = tree(tmp_path)
    payload = b"EVIL-PAYLOAD"
    members = [Member(b"ok.txt", b"fine"), Member(name, payload, method=0),
               Member(b"after.txt", b"later")]
    run, target, notice = unzip(workdir, members)
    assert not notice, run
    assert canary.read_bytes() == b"canary"
    assert tree(target) == {"ok.txt"}
    # Nothing was created anywhere else, and the payload is in no file but the package.
    assert tree(tmp_path) - before == {"app/pkg.zip", "app/out/", "app/out/ok.txt"}
    for base, _, files in os.walk(tmp_path):
        for f in files:
            if f != "pkg.zip":
                with open(os.path.join(base, f), "rb") as fh:
                    assert payload not in fh.read(), f


def test_empty_names_are_skipped(workdir):
    members = [Member(b"first.txt", b"1"), Member(b"", b"no name"),
               Member(b"\x00hidden.txt", b"nul first"), Member(b"last.txt", b"2")]
    run, target, notice = unzip(workdir, members)
    assert notice, run
    assert tree(target) == {"first.txt", "last.txt"}


def test_overlong_name_stops(workdir):
    members = [Member(b"first.txt", b"1"), Member(b"n" * 300, b"long"), Member(b"last.txt", b"2")]
    run, target, notice = unzip(workdir, members)
    assert not notice, run
    assert tree(target) == {"first.txt"}


def test_close_stops_unpacking_without_notice(workdir):
    # 256 MiB that take about a second to write here, then more members: the close lands while
    # the thread is busy, most likely inside the large member.
    big = bytes(256 << 20)
    members = [Member(b"big.bin", big)] + [Member(b"f%03d.txt" % i, b"x" * 100) for i in range(200)]
    pkg = workdir / "pkg.zip"
    zm.write(pkg, members)
    target = workdir / "out"
    target.mkdir()
    run = run_harness(["unzip-close", win(pkg), win(target), "150"], workdir)
    assert run.hooks("close"), run
    assert run.hooks("unzipdone") == []
    # It stopped by itself, well within the closing wait that would terminate it.
    assert int(run.detail("ended")["stop_ms"]) < 1000, run
    present = tree(target)
    assert len(present) < len(members)
    # No partly written file stays behind.
    if "big.bin" in present:
        assert os.path.getsize(target / "big.bin") == len(big)
    for name in present - {"big.bin"}:
        assert (target / name).read_bytes() == b"x" * 100


def install(workdir, package_name, members):
    zm.write(workdir / package_name, members)
    return run_harness(["install", win(workdir) + "\\", package_name], workdir)


def ui_texts(run):
    return [e[2].split("text=", 1)[1] for e in run.hooks("ui-status")]


@pytest.mark.parametrize("package_name, folder_name", [
    ("kelqoffline.zip", "kelqoffline"),
    ("a.b.zip", "a"),
    ("kelqoffline", ""),    # no '.': straight into the program folder
    (".zip", ""),           # nothing before the '.'
])
def test_extraction_folder_named_after_package(workdir, package_name, folder_name):
    run = install(workdir, package_name, [Member(b"readme.txt", b"r")])
    # The program folder's own trailing backslash is the only separator.
    assert run.detail("unzip-dir")["text"] == win(workdir) + "\\" + folder_name, run
    assert (workdir / folder_name / "readme.txt").read_bytes() == b"r"
    assert ui_texts(run) == ["正在解压...", "解压结束!", "安装文件未找到!"]


def test_file_standing_where_the_folder_goes(workdir):
    (workdir / "kelqoffline").write_bytes(b"a file, not a folder")
    run = install(workdir, "kelqoffline.zip", [Member(b"readme.txt", b"r")])
    assert run.hooks("unzipdone") == [], run
    assert run.detail("unzip-end")["notice"] == "0"
    assert (workdir / "kelqoffline").read_bytes() == b"a file, not a folder"
    assert ui_texts(run) == ["正在解压..."]
