"""A scripted HTTP server for the faults a real mirror can show.

Each accepted connection is answered by the plan: a list of Reply objects, one per connection in
order (the last one repeats), or a callable plan(index, request) -> Reply. By default a Reply
serves the server's file like a range-honouring mirror; its fields bend that:

    Reply()                                   206 for the requested range (200 without Range)
    Reply(status="404 Not Found", body=b"..") any status line, with a text/html body
    Reply(ignore_range=True)                  200 with the whole file, whatever was asked
    Reply(range_shift=100)                    206 whose Content-Range and bytes start 100 later
    Reply(no_length=True)                     no Content-Length field
    Reply(length=123)                         this Content-Length, whatever the body
    Reply(header=b"...")                      these exact header bytes (then body as usual)
    Reply(cut_after=700)                      close after 700 body bytes
    Reply(stall_after=700, stall=12)          stop sending after 700 bytes for 12 s, then close
    Reply(close_on_accept=True)               close right after accept
    Reply(silent=True)                        read the request and never answer
    Reply(rate=65536)                         body bytes per second
    Reply(refuse=True)                        reset the connection at once (no answer)

Every request is recorded whole (the raw bytes up to the blank line) with its arrival time.
"""
import re
import socket
import threading
import time


class Reply:
    def __init__(self, status=None, content_type="application/zip", body=None, ignore_range=False,
                 range_shift=0, no_length=False, header=None, cut_after=None, stall_after=None,
                 stall=0.0, close_on_accept=False, silent=False, rate=None, refuse=False,
                 length=None):
        self.__dict__.update(locals())
        del self.__dict__["self"]


class Request:
    def __init__(self, raw, t):
        self.raw = raw
        self.time = t
        text = raw.decode("latin-1")
        self.lines = text.split("\r\n")
        m = re.search(r"\r\nRange: bytes=(\d+)-(\d*)\r\n", text)
        self.range = (int(m.group(1)), int(m.group(2)) if m.group(2) else None) if m else None

    def __repr__(self):
        return "Request(%r)" % self.raw


class FaultServer:
    def __init__(self, addr="127.0.0.1", port=80, data=b"", plan=None):
        self.addr, self.port, self.data = addr, port, data
        self.plan = plan if plan is not None else [Reply()]
        self.requests = []
        self.accepts = []
        self._lock = threading.Lock()
        self._stop = threading.Event()
        self._listener = None
        self._threads = []
        self._conns = []

    # -- life cycle --
    def start(self):
        self._listen()
        t = threading.Thread(target=self._accept_loop, daemon=True)
        t.start()
        self._threads.append(t)
        return self

    def _listen(self):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((self.addr, self.port))
        s.listen(64)
        s.settimeout(0.1)
        self._listener = s

    def stop(self):
        self._stop.set()
        for t in self._threads:
            t.join(5)
        if self._listener:
            self._listener.close()
        for c in self._conns:
            try:
                c.close()
            except OSError:
                pass

    def go_away(self):
        """Stops listening: connections are refused until come_back()."""
        with self._lock:
            if self._listener:
                self._listener.close()
                self._listener = None

    def come_back(self):
        with self._lock:
            if not self._listener:
                self._listen()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # -- serving --
    def _accept_loop(self):
        index = 0
        while not self._stop.is_set():
            with self._lock:
                listener = self._listener
            if listener is None:
                time.sleep(0.02)
                continue
            try:
                conn, _ = listener.accept()
            except (socket.timeout, OSError):
                continue
            self.accepts.append(time.monotonic())
            self._conns.append(conn)
            t = threading.Thread(target=self._serve, args=(conn, index), daemon=True)
            t.start()
            self._threads.append(t)
            index += 1

    def _reply_for(self, index, request):
        if callable(self.plan):
            return self.plan(index, request)
        return self.plan[min(index, len(self.plan) - 1)]

    def _serve(self, conn, index):
        try:
            first = self._reply_for(index, None) if not callable(self.plan) else None
            if first is not None and first.close_on_accept:
                conn.close()
                return
            if first is not None and first.refuse:
                conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
                conn.close()
                return
            conn.settimeout(30)
            raw = b""
            while b"\r\n\r\n" not in raw:
                chunk = conn.recv(4096)
                if not chunk:
                    return
                raw += chunk
            req = Request(raw[: raw.index(b"\r\n\r\n") + 4], time.monotonic())
            self.requests.append(req)
            reply = self._reply_for(index, req)
            if reply.close_on_accept:
                conn.close()
                return
            if reply.silent:
                while not self._stop.wait(0.1):
                    pass
                return
            header, body = self._build(reply, req)
            conn.sendall(header)
            self._send_body(conn, reply, body)
        except OSError:
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass

    def _build(self, reply, req):
        data = self.data
        size = len(data)
        if reply.body is not None:
            body = reply.body
            status = reply.status or "200 OK"
            ctype = reply.content_type
            extra = []
        elif req.range and not reply.ignore_range:
            first, last = req.range
            last = size - 1 if last is None or last >= size else last
            first += reply.range_shift
            last = min(last + reply.range_shift, size - 1)
            body = data[first:last + 1]
            status = reply.status or "206 Partial Content"
            ctype = reply.content_type
            extra = ["Content-Range: bytes %d-%d/%d" % (first, last, size)]
        else:
            body = data
            status = reply.status or "200 OK"
            ctype = reply.content_type
            extra = []
        if reply.header is not None:
            return reply.header, body
        lines = ["HTTP/1.1 " + status, "Server: fault"]
        if ctype is not None:
            lines.append("Content-Type: " + ctype)
        if not reply.no_length:
            lines.append("Content-Length: %d" % (reply.length if reply.length is not None else len(body)))
        lines += extra
        lines.append("Connection: close")
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"), body

    def _send_body(self, conn, reply, body):
        limit = len(body)
        if reply.cut_after is not None:
            limit = min(limit, reply.cut_after)
        if reply.stall_after is not None:
            limit = min(limit, reply.stall_after)
        pos = 0
        block = 16384
        started = time.monotonic()
        while pos < limit and not self._stop.is_set():
            n = min(block, limit - pos)
            if reply.rate:
                n = min(n, max(1, reply.rate // 20))
                due = started + (pos + n) / reply.rate
                delay = due - time.monotonic()
                if delay > 0 and self._stop.wait(delay):
                    return
            conn.sendall(body[pos:pos + n])
            pos += n
        if reply.stall_after is not None and reply.stall:
            self._stop.wait(reply.stall)
