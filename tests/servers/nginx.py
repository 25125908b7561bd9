"""nginx as the real mirror: its own config, root and temp folders under a test's temp dir."""
import os
import re
import signal
import subprocess
import time

CONF = """
worker_processes 1;
user root;
daemon off;
pid {base}/nginx.pid;
error_log {base}/error.log warn;
events {{ worker_connections 256; }}
http {{
    include /etc/nginx/mime.types;
    default_type application/octet-stream;
    log_format raw '$remote_addr "$request" range="$http_range" host="$http_host" '
                   'ua="$http_user_agent" status=$status bytes=$body_bytes_sent';
    access_log {base}/access.log raw;
    client_body_temp_path {base}/tmp/body;
    proxy_temp_path {base}/tmp/proxy;
    fastcgi_temp_path {base}/tmp/fastcgi;
    uwsgi_temp_path {base}/tmp/uwsgi;
    scgi_temp_path {base}/tmp/scgi;
    sendfile on;
    keepalive_timeout 30;
    server {{
        listen {listen};
        server_name _;
        root {root};
        {extra}
    }}
}}
"""


class Nginx:
    def __init__(self, base, listen="127.0.0.1:80", extra=""):
        self.base = str(base)
        self.root = os.path.join(self.base, "root")
        self.listen = listen
        self.extra = extra
        self.proc = None
        os.makedirs(os.path.join(self.base, "tmp"), exist_ok=True)
        os.makedirs(self.root, exist_ok=True)

    def put(self, relpath, data):
        """Places a file under the server root; returns its path."""
        path = os.path.join(self.root, relpath.lstrip("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def start(self):
        conf = os.path.join(self.base, "nginx.conf")
        with open(conf, "w") as f:
            f.write(CONF.format(base=self.base, root=self.root, listen=self.listen, extra=self.extra))
        self.proc = subprocess.Popen(["nginx", "-p", self.base, "-c", conf],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        host, port = self.listen.rsplit(":", 1)
        deadline = time.time() + 5
        import socket
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("nginx failed: " + self.proc.stderr.read().decode())
            try:
                socket.create_connection((host, int(port)), timeout=0.2).close()
                return self
            except OSError:
                time.sleep(0.02)
        raise RuntimeError("nginx did not listen on " + self.listen)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGQUIT)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None

    def access_log(self):
        try:
            with open(os.path.join(self.base, "access.log")) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def ranges(self):
        """The Range header of every logged request, in order."""
        return [re.search(r'range="([^"]*)"', l).group(1) for l in self.access_log()]

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
