"""One segment worker on its own (harness command `worker`), against the scripted fault server:
the ranges it asks for, the bytes that end up in its part file, and how it reconnects."""
import os
import threading
import time

import pytest

from conftest import Reply, package_bytes, run_harness

URL = "http://mirror1.kelq.example/kelqoffline.zip"
PART = "kelqoffline.zip_0"
DATA = package_bytes(8192)
UA = "User-Agent: Mozilla/4.0 \t\t(compatible; MSIE 5.0; Windows NT; DigExt; DTS Agent;)\r\n"


def worker(workdir, start, end, *opts, timeout=60):
    return run_harness(["worker", URL, str(len(DATA)), str(start), str(end)] + list(opts), workdir,
                       timeout=timeout)


def result(run):
    return int(run.detail("worker-ended")["result"])


def closed(run):
    return run.detail("closed")


def part_bytes(workdir, name=PART):
    with open(os.path.join(workdir, name), "rb") as f:
        return f.read()


def put_part(workdir, data, name=PART):
    with open(os.path.join(workdir, name), "wb") as f:
        f.write(data)


@pytest.mark.parametrize("existing", [0, 1000])
def test_worker_asks_for_the_missing_bytes_and_keeps_the_rest(fault_factory, workdir, existing):
    server = fault_factory(data=DATA)
    if existing:
        put_part(workdir, DATA[:existing])
    run = worker(workdir, 0, 4096)
    assert result(run) == 1, run
    assert run.detail("worker-plan")["existing"] == str(existing)
    assert [r.range for r in server.requests] == [(existing, 4095)]
    assert server.requests[0].raw == (
        "GET %s HTTP/1.1\r\nHost: mirror1.kelq.example\r\nAccept: \r\n"
        "Referer: http://mirror1.kelq.example/\r\n%sRange: bytes=%d-4095\r\n\r\n"
        % (URL, UA, existing)).encode("latin-1")
    # The bytes that were there are kept ("r+b"), the new ones follow them.
    assert part_bytes(workdir) == DATA[:4096]
    c = closed(run)
    assert c["downloaded"] == str(4096 - existing) and c["completed"] == "1"
    assert int(c["progress_count"]) >= (4096 - existing + 1023) // 1024


def test_worker_resumes_from_the_part_file_after_a_break(fault_factory, workdir):
    server = fault_factory(data=DATA, plan=[Reply(cut_after=700), Reply()])
    put_part(workdir, DATA[:1000])
    run = worker(workdir, 0, 4096)
    assert result(run) == 1, run
    assert [r.range for r in server.requests] == [(1000, 4095), (1700, 4095)]
    assert part_bytes(workdir) == DATA[:4096]
    assert closed(run)["downloaded"] == "3096"


def test_worker_first_byte_segment_sends_the_open_range(fault_factory, workdir):
    server = fault_factory(data=DATA)
    run = worker(workdir, 0, 1)
    assert result(run) == 1, run
    assert [r.range for r in server.requests] == [(0, None)]
    # The server sends the whole package; the part holds the segment's one byte and no more.
    assert part_bytes(workdir) == DATA[:1]
    assert closed(run)["downloaded"] == "1"


@pytest.mark.parametrize("start, end, part", [(0, 4096, DATA[:4096]), (5, 5, None)],
                         ids=["complete", "empty"])
def test_worker_without_anything_to_fetch_makes_no_connection(fault_factory, workdir, start, end,
                                                              part):
    server = fault_factory(data=DATA)
    if part is not None:
        put_part(workdir, part)
    run = worker(workdir, start, end)
    assert result(run) == 1, run
    assert closed(run)["completed"] == "1" and closed(run)["progress_count"] == "0"
    assert server.accepts == []
    assert os.listdir(workdir) == ([PART] if part is not None else [])


def test_worker_unreachable_server_gives_up_after_one_attempt(workdir):
    run = worker(workdir, 0, 4096)
    assert result(run) == 0, run
    assert closed(run)["completed"] == "0"
    assert os.listdir(workdir) == []
    assert run.hooks("worker-ended")[0][0] < 3000


def test_worker_part_path_that_is_a_folder(fault_factory, workdir):
    fault_factory(data=DATA)
    os.mkdir(os.path.join(workdir, PART))
    run = worker(workdir, 0, 4096)
    assert result(run) == 0, run
    assert closed(run)["completed"] == "0"
    assert os.path.isdir(os.path.join(workdir, PART))


def test_worker_waits_for_a_server_that_went_away(fault_factory, workdir):
    server = fault_factory(data=DATA, plan=[Reply(stall_after=700, stall=1.0), Reply()])

    def away_and_back():
        while not server.requests:
            time.sleep(0.01)
        server.go_away()
        time.sleep(4)
        server.come_back()

    t = threading.Thread(target=away_and_back)
    t.start()
    run = worker(workdir, 0, 4096)
    t.join()
    assert result(run) == 1, run
    assert [r.range for r in server.requests] == [(0, 4095), (700, 4095)]
    assert part_bytes(workdir) == DATA[:4096]
    assert server.requests[1].time - server.requests[0].time >= 4


def test_worker_reconnects_after_ten_silent_seconds(fault_factory, workdir):
    server = fault_factory(data=DATA, plan=[Reply(stall_after=700, stall=14), Reply()])
    run = worker(workdir, 0, 4096, timeout=40)
    assert result(run) == 1, run
    assert [r.range for r in server.requests] == [(0, 4095), (700, 4095)]
    assert 9.5 <= server.requests[1].time - server.requests[0].time <= 13
    assert part_bytes(workdir) == DATA[:4096]


@pytest.mark.parametrize("bad", [
    Reply(ignore_range=True),                                           # 200, whole file
    Reply(range_shift=100),                                             # 206 for other bytes
    Reply(status="404 Not Found", body=b"<html>gone</html>", content_type="text/html"),
    Reply(status="416 Range Not Satisfiable", body=b"", content_type="application/zip"),
    Reply(header=b"HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\n\r\n"),
], ids=["range-ignored", "wrong-content-range", "404-page", "416", "206-without-range"])
def test_worker_writes_only_its_own_range(fault_factory, workdir, bad):
    server = fault_factory(data=DATA, plan=[bad, Reply()])
    run = worker(workdir, 1000, 4096)
    assert result(run) == 1, run
    # The refused answer wrote nothing: the retry asks for the same bytes.
    assert [r.range for r in server.requests] == [(1000, 4095), (1000, 4095)]
    assert part_bytes(workdir) == DATA[1000:4096]
    assert closed(run)["downloaded"] == "3096"


def test_worker_takes_a_whole_file_200_for_offset_zero(fault_factory, workdir):
    server = fault_factory(data=DATA, plan=[Reply(ignore_range=True)])
    run = worker(workdir, 0, 3000)
    assert result(run) == 1, run
    assert len(server.requests) == 1
    assert part_bytes(workdir) == DATA[:3000]  # not a byte of the next segment


def test_worker_backs_off_between_failed_attempts(fault_factory, workdir):
    close = Reply(close_on_accept=True)
    server = fault_factory(data=DATA, plan=[Reply(cut_after=700), close, close, close,
                                            Reply(cut_after=700), close, Reply()])
    run = worker(workdir, 0, 4096, timeout=60)
    assert result(run) == 1, run
    assert part_bytes(workdir) == DATA[:4096]
    a = server.accepts
    assert len(a) == 7, a
    gaps = [round(y - x, 2) for x, y in zip(a, a[1:])]
    # Right after data: at once. Then 1 s, 2 s, 4 s. Data again: at once, then 1 s.
    assert gaps[0] < 0.6 and gaps[4] < 0.6, gaps
    assert 0.8 <= gaps[1] <= 1.8 and 1.8 <= gaps[2] <= 2.8 and 3.8 <= gaps[3] <= 5.0, gaps
    assert 0.8 <= gaps[5] <= 1.8, gaps
    # The count of attempts in a window: a tight loop would make hundreds.
    assert len([t for t in a if a[1] <= t < a[1] + 6.5]) == 3
