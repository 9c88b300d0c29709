#!/usr/bin/env python3
"""A scriptable HTTPS (HTTP/1.1) file host for download tests.

Serves the files of a content folder with byte ranges and logs every request.
A path may begin with "/~NAME/" to stand for a separate host: the prefix is
part of the path for rules and the log, and is dropped to find the file.

Control requests (never logged), JSON bodies:
  POST /_control/rule   {"path": "/~a/f.bin", "action": ..., "count": N, ...}
  POST /_control/reset  forget all rules and the log
  GET  /_control/log    the log, oldest first
  GET  /_control/connections  how many client connections are open, this
                              one not counted

Actions (the rule applies to the first `count` requests of its path, or to
all when `count` is absent): "refuse" (close without answer), "status"
(answer `status` with `body`), "abort" (send `after` bytes, then close),
"wrong" (every byte inverted), "ignore_range" (200 with the whole file),
"redirect" (302 to `location`), "throttle" (`rate` bytes per second),
"stall" (send `after` bytes, then nothing until the client leaves), "short"
(a complete 206 reply that carries only the first `after` bytes asked for).
A directory service is scripted the same way: its replies ("get/urls",
"pre_download" below a host prefix) are "status" 200 with the reply as `body`;
a rule's path never carries the query.
"""

import argparse
import http.server
import json
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse


class State:
    def __init__(self, root):
        self.root = root
        self.lock = threading.Lock()
        self.rules = {}
        self.log = []
        self.stopping = threading.Event()
        self.connections = 0

    def take_rule(self, path):
        with self.lock:
            rule = self.rules.get(path)
            if rule is None:
                return None
            if "count" in rule:
                if rule["count"] <= 0:
                    return None
                rule["count"] -= 1
            return dict(rule)


def parse_range(header, size):
    """(first, last) of a single "bytes=a-b" range, or None."""
    if not header or not header.startswith("bytes=") or "," in header:
        return None
    first_text, _, last_text = header[len("bytes="):].partition("-")
    try:
        if first_text == "":
            length = int(last_text)
            return (max(0, size - length), size - 1)
        first = int(first_text)
        last = int(last_text) if last_text else size - 1
    except ValueError:
        return None
    if first >= size or last < first:
        return None
    return (first, min(last, size - 1))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FaultHost/1.0"

    def log_message(self, format, *args):
        pass

    def setup(self):
        super().setup()
        with self.server.state.lock:
            self.server.state.connections += 1

    def finish(self):
        with self.server.state.lock:
            self.server.state.connections -= 1
        super().finish()

    def do_GET(self):
        self.handle_request()

    def do_POST(self):
        self.handle_request()

    def do_HEAD(self):
        self.handle_request()

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def send_plain(self, status, body, extra=None):
        data = body.encode("utf-8") if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(data)))
        for name, value in (extra or {}).items():
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def handle_request(self):
        state = self.server.state
        raw_path, _, query = self.path.partition("?")
        path = urllib.parse.unquote(raw_path, encoding="utf-8", errors="surrogateescape")
        body = self.read_body()
        if path.startswith("/_control/"):
            self.handle_control(path, body)
            return
        record = {
            "method": self.command,
            "raw_path": raw_path,
            "path": path,
            "query": query,
            "range": self.headers.get("Range", ""),
            "headers": {name.lower(): value for name, value in self.headers.items()},
            "body": body.decode("utf-8", errors="replace"),
            "status": 0,
            "sent": 0,
            "done": False,
        }
        with state.lock:
            state.log.append(record)
        try:
            self.serve(state, path, record)
        finally:
            with state.lock:
                record["done"] = True

    def handle_control(self, path, body):
        state = self.server.state
        if path == "/_control/rule":
            rule = json.loads(body.decode("utf-8"))
            with state.lock:
                state.rules[rule["path"]] = rule
            self.send_plain(200, "ok")
        elif path == "/_control/reset":
            with state.lock:
                state.rules.clear()
                state.log.clear()
            self.send_plain(200, "ok")
        elif path == "/_control/connections":
            with state.lock:
                count = state.connections - 1
            self.send_plain(200, str(count))
        elif path == "/_control/log":
            with state.lock:
                text = json.dumps(state.log, ensure_ascii=False)
            self.send_plain(200, text, {"Content-Type": "application/json"})
        else:
            self.send_plain(404, "no such control")

    def serve(self, state, path, record):
        rule = state.take_rule(path) or {}
        action = rule.get("action", "")
        if action == "refuse":
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if action == "status":
            record["status"] = rule.get("status", 500)
            self.send_plain(record["status"], rule.get("body", ""))
            return
        if action == "redirect":
            record["status"] = 302
            self.send_plain(302, "moved", {"Location": rule["location"]})
            return

        file_path = path
        if file_path.startswith("/~"):
            slash = file_path.find("/", 2)
            file_path = file_path[slash:] if slash > 0 else "/"
        local = os.path.join(state.root, file_path.lstrip("/"))
        if not os.path.isfile(os.path.realpath(local)) or ".." in file_path.split("/"):
            record["status"] = 404
            self.send_plain(404, "not found: " + path)
            return
        size = os.path.getsize(local)
        wanted = None if action == "ignore_range" else parse_range(record["range"], size)
        if record["range"] and wanted is None and action != "ignore_range":
            record["status"] = 416
            self.send_plain(416, "bad range", {"Content-Range": "bytes */%d" % size})
            return
        first, last = wanted if wanted else (0, size - 1)
        if action == "short" and wanted:
            last = min(last, first + rule.get("after", 1) - 1)
        record["status"] = 206 if wanted else 200
        self.send_response(record["status"])
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(last - first + 1))
        if wanted:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, size))
        self.end_headers()
        if self.command == "HEAD":
            return
        self.send_file(state, local, first, last, rule, record)

    def send_file(self, state, local, first, last, rule, record):
        action = rule.get("action", "")
        limit = rule.get("after", -1) if action in ("abort", "stall") else -1
        rate = rule.get("rate", 0) if action == "throttle" else 0
        block = 16384 if rate else 262144
        started = time.monotonic()
        with open(local, "rb") as source:
            source.seek(first)
            remaining = last - first + 1
            while remaining > 0:
                count = min(block, remaining)
                if limit >= 0:
                    count = min(count, limit - record["sent"])
                    if count <= 0:
                        break
                data = source.read(count)
                if not data:
                    break
                if action == "wrong":
                    data = bytes(byte ^ 0xFF for byte in data)
                try:
                    self.wfile.write(data)
                    self.wfile.flush()
                except OSError:
                    return
                with state.lock:
                    record["sent"] += len(data)
                remaining -= len(data)
                if rate:
                    ahead = record["sent"] / rate - (time.monotonic() - started)
                    if ahead > 0:
                        time.sleep(ahead)
        if remaining > 0 and action == "stall":
            self.connection.settimeout(0.2)
            while not state.stopping.is_set():
                try:
                    if self.connection.recv(1) == b"":
                        break
                except socket.timeout:
                    continue
                except OSError:
                    break
        if remaining > 0:
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # Clients that drop a connection or refuse the certificate are part
        # of the tests.
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--port-file", required=True)
    arguments = parser.parse_args()

    server = Server(("127.0.0.1", 0), Handler)
    server.state = State(arguments.root)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(arguments.cert, arguments.key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(arguments.port_file + ".tmp", "w") as port_file:
        port_file.write(str(server.server_address[1]))
    os.replace(arguments.port_file + ".tmp", arguments.port_file)
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    finally:
        server.state.stopping.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
