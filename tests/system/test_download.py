"""The whole download: three segments, resumed from earlier parts, merged into the package. The
harness command `download` runs the probe and then the manager like the window does; `manager`
starts the manager on a given size."""
import os
import time

import pytest

from conftest import Reply, package_bytes, run_harness, sha256

PKG = "kelqoffline.zip"
URL = "http://mirror1.kelq.example/" + PKG
INSTALLING = "正在安装"
DONE = "下载完成,准备解压安装..."


def parts(n=3):
    return ["%s_%d" % (PKG, i) for i in range(n)]


def plan(size):
    per = size // 3
    return [(0, per), (per, 2 * per), (2 * per, size)]


def manager(workdir, size, *opts, timeout=60):
    return run_harness(["manager", URL, str(size)] + list(opts), workdir, timeout=timeout)


def statuses(run):
    return [e[2].split("text=", 1)[1] for e in run.hooks("status")]


def read(workdir, name):
    with open(os.path.join(workdir, name), "rb") as f:
        return f.read()


def write(workdir, name, data):
    with open(os.path.join(workdir, name), "wb") as f:
        f.write(data)


def put_parts(workdir, data, which=(0, 1, 2)):
    for i in which:
        a, b = plan(len(data))[i]
        write(workdir, parts()[i], data[a:b])


def assert_finished(run, workdir, data, downloaded=None):
    assert statuses(run) == [INSTALLING, DONE], run
    assert len(run.hooks("finished")) == 1, run
    assert run.detail("manager-ended") == {"result": "1", "handles": "0"}, run
    assert sorted(os.listdir(workdir)) == [PKG]  # parts deleted, no temporary file left
    assert sha256(os.path.join(workdir, PKG)) == sha256(data)
    c = run.detail("closed")
    assert c["downloaded"] == str(len(data) if downloaded is None else downloaded)
    assert c["merging"] == "0"


def assert_not_finished(run, workdir):
    assert run.hooks("finished") == [], run
    assert run.detail("manager-ended") == {"result": "0", "handles": "0"}, run
    assert run.detail("closed")["merging"] == "0"
    assert PKG not in os.listdir(workdir) and PKG + ".tmp" not in os.listdir(workdir)


def test_download_from_nginx(nginx, workdir):
    data = package_bytes(300001)
    nginx.put(PKG, data)
    nginx.start()
    run = run_harness(["download", URL], workdir)
    assert run.detail("start")["size"] == "300001", run
    assert_finished(run, workdir, data)
    # nginx logs a request when it ends: the order is not the order of asking.
    assert sorted(nginx.ranges()) == ["bytes=0-", "bytes=0-99999", "bytes=100000-199999",
                                      "bytes=200000-300000"]
    assert run.detail("closed")["resume_base"] == "0"
    assert int(run.detail("closed")["progress_count"]) >= 300001 // 1024


@pytest.mark.parametrize("size, ranges", [
    (10, [(0, 2), (3, 5), (6, 9)]),
    (3002, [(0, 999), (1000, 1999), (2000, 3001)]),
    (2, [(0, 1)]),   # two empty segments: only the last one connects
    (0, []),         # nothing to fetch: an empty package all the same
])
def test_manager_plans_three_segments(fault_factory, workdir, size, ranges):
    data = package_bytes(size)
    server = fault_factory(data=data)
    run = manager(workdir, size)
    assert sorted(r.range for r in server.requests) == ranges
    assert_finished(run, workdir, data)


def test_manager_merges_parts_complete_from_an_earlier_run(fault_factory, workdir):
    data = package_bytes(30000)
    server = fault_factory(data=data)
    put_parts(workdir, data)
    run = manager(workdir, len(data))
    assert_finished(run, workdir, data)
    assert server.accepts == []
    c = run.detail("closed")
    assert c["progress_count"] == "0" and c["resume_base"] == "30000"


def test_manager_resumes_part_0(fault_factory, workdir):
    data = package_bytes(30000)
    server = fault_factory(data=data)
    write(workdir, parts()[0], data[:1000])
    run = manager(workdir, len(data))
    assert sorted(r.range for r in server.requests) == [(1000, 9999), (10000, 19999),
                                                        (20000, 29999)]
    assert_finished(run, workdir, data)
    assert run.detail("closed")["resume_base"] == "1000"


def test_manager_discards_a_part_longer_than_its_segment(fault_factory, workdir):
    data = package_bytes(30000)
    server = fault_factory(data=data)
    write(workdir, parts()[1], b"\xee" * 10100)  # left by a run against a bigger package
    run = manager(workdir, len(data), timeout=30)
    assert sorted(r.range for r in server.requests) == [(0, 9999), (10000, 19999),
                                                        (20000, 29999)]
    assert_finished(run, workdir, data)
    assert run.detail("closed")["resume_base"] == "0"


@pytest.mark.parametrize("complete", [(), (0, 1)], ids=["no-parts", "parts-0-1-complete"])
def test_manager_without_server_keeps_everything(workdir, complete):
    data = package_bytes(30000)
    put_parts(workdir, data, complete)
    run = manager(workdir, len(data))
    assert statuses(run) == [INSTALLING], run
    assert_not_finished(run, workdir)
    assert run.detail("closed")["completed"] == str(len(complete))
    assert sorted(os.listdir(workdir)) == [parts()[i] for i in complete]
    for i in complete:
        a, b = plan(len(data))[i]
        assert read(workdir, parts()[i]) == data[a:b]


@pytest.mark.parametrize("damage", ["delete", "shorten"])
def test_manager_refuses_to_merge_a_missing_or_short_part(fault_factory, workdir, damage):
    data = package_bytes(30000)
    server = fault_factory(data=data)
    put_parts(workdir, data)
    # After the plan counted part 1 complete, before its worker runs.
    run = manager(workdir, len(data), "--at-install-%s=%s" % (damage, parts()[1]))
    assert run.hooks("deleted" if damage == "delete" else "shortened")[0][2] == "ok", run
    assert statuses(run) == [INSTALLING]
    assert_not_finished(run, workdir)
    assert server.accepts == []
    for i in (0, 2):
        a, b = plan(len(data))[i]
        assert read(workdir, parts()[i]) == data[a:b]


def test_manager_package_that_cannot_be_created(fault_factory, workdir):
    data = package_bytes(30000)
    fault_factory(data=data)
    put_parts(workdir, data)
    os.mkdir(os.path.join(workdir, PKG))  # a folder where the package belongs
    run = manager(workdir, len(data))
    assert statuses(run) == [INSTALLING, DONE], run
    assert run.hooks("finished") == []
    assert run.detail("manager-ended")["result"] == "0"
    assert run.detail("closed")["merging"] == "0"  # and the window closed (WM_CLOSE) after it
    assert os.path.isdir(os.path.join(workdir, PKG))
    assert sorted(os.listdir(workdir)) == sorted([PKG] + parts())
    for i in range(3):
        a, b = plan(len(data))[i]
        assert read(workdir, parts()[i]) == data[a:b]


def test_download_never_merges_bytes_of_a_range_ignoring_server(fault_factory, workdir):
    data = package_bytes(30000)
    fault_factory(data=data, plan=[Reply(ignore_range=True)])
    run = run_harness(["download", URL, "--close=4000"], workdir)
    assert run.detail("start")["size"] == "30000", run
    assert run.hooks("finished") == [] and statuses(run) == [INSTALLING]
    # Segment 0 may take the whole-file answer (its first 10000 bytes); the others refuse it.
    assert sorted(os.listdir(workdir)) == [parts()[0]]
    assert read(workdir, parts()[0]) == data[:10000]


def test_download_survives_a_wrong_content_range(fault_factory, workdir):
    data = package_bytes(30000)
    # The first answer on every connection of the three workers is shifted by 100 bytes.
    server = fault_factory(data=data, plan=lambda i, req: Reply(range_shift=100) if i in (1, 2, 3)
                           else Reply())
    run = run_harness(["download", URL], workdir, timeout=60)
    assert_finished(run, workdir, data)
    assert len(server.requests) == 7  # the probe, three refused answers, three good ones


def segment_prefixes_valid(workdir, data):
    for i, name in enumerate(parts()):
        path = os.path.join(workdir, name)
        if os.path.exists(path):
            a, b = plan(len(data))[i]
            got = read(workdir, name)
            assert len(got) <= b - a and got == data[a:a + len(got)], name


@pytest.mark.parametrize("first, opts", [
    (Reply(rate=60000), []),                                          # receiving
    (Reply(stall_after=3000, stall=30), []),                          # blocked in recv
    (Reply(cut_after=3000), []),                                      # backing off after breaks
    (Reply(rate=60000), ["--pause=600"]),                             # paused
], ids=["receiving", "stalled", "backing-off", "paused"])
def test_close_stops_the_workers_and_the_parts_resume(fault_factory, workdir, first, opts):
    data = package_bytes(600000)
    phase = {"bad": True}
    refuse = Reply(close_on_accept=True)

    def answer(i, req):
        if not phase["bad"]:
            return Reply()
        return first if i <= 3 else (refuse if first.cut_after else first)

    server = fault_factory(data=data, plan=answer)
    run = run_harness(["download", URL, "--close=2000"] + opts, workdir)
    assert run.hooks("close-sent"), run
    assert run.hooks("finished") == []
    ended = run.hooks("ended")
    assert ended, run  # not cut short by the last-resort process end
    assert int(run.detail("ended")["stop_ms"]) < 1000, run
    segment_prefixes_valid(workdir, data)
    have = {i: os.path.getsize(os.path.join(workdir, n)) for i, n in enumerate(parts())
            if os.path.exists(os.path.join(workdir, n))}
    assert sum(have.values()) > 0

    phase["bad"] = False
    before = len(server.requests)
    again = run_harness(["download", URL], workdir)
    assert_finished(again, workdir, data)
    asked = sorted(r.range[0] for r in server.requests[before + 1:])
    assert asked == sorted(plan(len(data))[i][0] + have.get(i, 0) for i in range(3))
    assert again.detail("closed")["resume_base"] == str(sum(have.values()))


def test_pause_holds_every_worker_until_resumed(fault_factory, workdir):
    data = package_bytes(400000)
    fault_factory(data=data, plan=[Reply(), Reply(rate=150000)])
    run = run_harness(["download", URL, "--pause=500", "--resume=2500", "--log-progress"],
                      workdir)
    assert_finished(run, workdir, data)
    paused = run.hooks("paused")[0][0]
    resumed = run.hooks("resumed")[0][0]
    during = [e for e in run.hooks("progress") if paused + 300 < e[0] < resumed]
    assert during == []
    assert int(run.detail("paused")["downloaded"]) < len(data)


def test_manager_part_gone_since_the_plan_is_fetched_again(fault_factory, workdir):
    data = package_bytes(30000)
    server = fault_factory(data=data)
    write(workdir, parts()[0], data[:1000])
    # The plan counted 1000 bytes of part 0; the file is gone before its worker writes.
    run = manager(workdir, len(data), "--at-install-delete=" + parts()[0])
    assert run.hooks("deleted")[0][2] == "ok", run
    assert_finished(run, workdir, data, downloaded=31000)  # the counter keeps the planned 1000
    starts = sorted(r.range[0] for r in server.requests)
    assert starts == [0, 1000, 10000, 20000]  # the answer for 1000- was not written at 1000
