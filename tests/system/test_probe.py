"""The connection probe against real servers: nginx and the scripted fault server."""
import pytest

from conftest import FALLBACK, Reply, run_harness

PROBE_START = "start"
ERR_SOCKET = "服务器连接出错 : INVALID_SOCKET"
ERR_HEADER = "服务器连接出错 : SendHttpHeader Error"
UA = "User-Agent: Mozilla/4.0 \t\t(compatible; MSIE 5.0; Windows NT; DigExt; DTS Agent;)\r\n"


def expected_request(host, path, range_line="Range: bytes=0-\r\n"):
    url_dir = "http://%s%s" % (host, path.rsplit("/", 1)[0] + "/")
    return ("GET http://%s%s HTTP/1.1\r\nHost: %s\r\nAccept: \r\nReferer: %s\r\n%s%s\r\n"
            % (host, path, host, url_dir, UA, range_line)).encode("latin-1")


def test_probe_nginx_gets_size(nginx, workdir):
    nginx.put("Off2/kelqOffLine.zip", b"PK" + b"x" * 12345)
    nginx.start()
    run = run_harness(["probe", "http://mirror2.kelq.example/Off2/kelqOffLine.zip"], workdir)
    assert run.rc == 0, run
    assert [e[1] for e in run.events if e[1] in ("start", "status")] == ["start"]
    assert run.detail("start")["size"] == "12347"
    log = nginx.access_log()
    assert len(log) == 1
    assert '"GET http://mirror2.kelq.example/Off2/kelqOffLine.zip HTTP/1.1"' in log[0]
    assert 'range="bytes=0-"' in log[0] and "status=206" in log[0]


def test_probe_sends_exact_request_bytes(fault_factory, workdir):
    server = fault_factory(data=b"z" * 5000)
    run = run_harness(["probe", "  http://mirror1.kelq.example/kelqoffline.zip\t"], workdir)
    assert run.detail("start")["size"] == "5000", run
    assert len(server.requests) == 1
    assert server.requests[0].raw == expected_request("mirror1.kelq.example", "/kelqoffline.zip")


@pytest.mark.parametrize("reply, size", [
    (Reply(ignore_range=True), "4096"),                       # 200 with the whole file
    (Reply(), "4096"),                                        # 206
    (Reply(status="404 Not Found", body=b"<html>no</html>", content_type="text/html"), None),
    (Reply(status="404 Not Found"), None),                    # 404 even with an application type
    (Reply(status="200 OK", body=b"<html>err</html>", content_type="text/html"), None),
    (Reply(content_type="Application/zip"), None),            # the type test is case-sensitive
    (Reply(no_length=True), None),                            # no usable size
    (Reply(length=0), None),
    (Reply(header=b"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: -5\r\n\r\n"), None),
    (Reply(header=b"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: 2147483648\r\n\r\n"), None),
    (Reply(header=b"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: 2147483647\r\n\r\n"), "2147483647"),
    (Reply(header=b"HTTP/1.0 404 Not Found\r\nContent-Type: application/zip\r\nContent-Length: 10\r\n\r\n"), "10"),
    (Reply(header=b"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nX-Pad: " + b"a" * 1100 + b"\r\nContent-Length: 10\r\n\r\n"), None),
    (Reply(header=b"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: 4096\r\n"), None),  # peer stops before the blank line
    (Reply(close_on_accept=True), None),
], ids=["200", "206", "404-html", "404-app", "200-html", "type-case", "no-length", "zero-length",
        "negative", "2GiB", "2GiB-1", "http10-404", "header-over-1024", "unterminated", "close-on-accept"])
def test_probe_judges_response(fault_factory, workdir, reply, size):
    fault_factory(data=b"q" * 4096, plan=[reply])
    run = run_harness(["probe", "http://mirror1.kelq.example/kelqoffline.zip"], workdir)
    if size is None:
        assert run.rc == 1, run
        assert run.hooks("start") == []
        status = run.hooks("status")
        assert len(status) == 1
        assert status[0][2] == "failed=1 text=" + ERR_HEADER
    else:
        assert run.rc == 0, run
        assert run.hooks("status") == []
        assert run.detail("start")["size"] == size


def test_probe_silent_server_times_out(fault_factory, workdir):
    fault_factory(plan=[Reply(silent=True)])
    run = run_harness(["probe", "http://mirror1.kelq.example/kelqoffline.zip"], workdir, timeout=40)
    assert run.detail("status")["text"] == ERR_HEADER, run
    t = run.hooks("status")[0][0]
    assert 9500 <= t <= 14000


@pytest.mark.parametrize("url", ["http://nowhere.kelq.example/kelqoffline.zip",   # not resolvable
                                 "http://mirror1.kelq.example/kelqoffline.zip"])  # nobody listens
def test_probe_unreachable(workdir, url):
    run = run_harness(["probe", url], workdir)
    assert run.rc == 1, run
    assert [e[2] for e in run.hooks("status")] == ["failed=1 text=" + ERR_SOCKET]


def test_probe_ipv4_literal_goes_to_fallback(fault_factory, workdir):
    server = fault_factory(addr=FALLBACK, port=8033, data=b"f" * 777)
    run = run_harness(["probe", "http://10.1.2.3/pkg/kelqoffline.zip"], workdir)
    assert run.detail("start")["size"] == "777", run
    assert server.requests[0].raw == expected_request("10.1.2.3", "/pkg/kelqoffline.zip")


def test_close_refused_while_merging(workdir):
    run = run_harness(["close-policy"], workdir)
    assert run.rc != 2, run
    assert run.hooks("status")[0][2] == "failed=0 text=文件合并中,请勿关闭窗口"
    assert run.hooks("after-close-merging")[0][2] == "open"
    assert run.hooks("closed"), run
