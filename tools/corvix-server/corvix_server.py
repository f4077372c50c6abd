#!/usr/bin/env python3
"""Photo share and update server for Corvix (Python 3 standard library only).

Share:
  GET  /share/checkmd5?md5=<md5>   {"result": true|false}: is the photo stored?
  POST /share/upload               multipart form data: "md5" and "file" (a JPEG); the file's
                                   bytes must hash to "md5"; stored content-addressed, atomically
  GET  /show?par=<md5>             a small phone page showing the photo
  GET  /photo/<md5>.jpg            the photo itself
Update:
  GET  /restapi/checkNew?app=&ver=&scope=   the manifest's entry (for "app" when the manifest
                                   has an "apps" table, else the whole manifest)
  GET  /packages/<name>            a package file, with Content-Length

TLS with --cert and --key (plain HTTP without them). Photos older than --max-age seconds are
deleted. One log line per request on stderr.
"""

import argparse
import hashlib
import html
import json
import os
import re
import socket
import ssl
import sys
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MD5_RE = re.compile(r"^[0-9a-f]{32}$")
PACKAGE_RE = re.compile(r"^[A-Za-z0-9][A-Za-z0-9._+-]*$")
JPEG_MAGIC = b"\xff\xd8\xff"
# Room for the multipart framing and the "md5" part around the photo.
MULTIPART_OVERHEAD = 16 * 1024


class Refused(Exception):
    def __init__(self, status, reason):
        super().__init__(reason)
        self.status = status
        self.reason = reason


def parse_multipart(content_type, body):
    """Returns {name: (filename or None, bytes)} of a multipart/form-data body."""
    match = re.search(r'boundary="?([^";]+)"?', content_type or "")
    if not content_type or not content_type.startswith("multipart/form-data") or not match:
        raise Refused(400, "not multipart/form-data")
    delimiter = b"--" + match.group(1).encode("latin-1")
    parts = {}
    chunks = body.split(delimiter)
    if len(chunks) < 3:
        raise Refused(400, "no parts")
    for chunk in chunks[1:]:
        if chunk.startswith(b"--"):
            break  # closing delimiter
        if not chunk.startswith(b"\r\n"):
            raise Refused(400, "malformed part")
        head, sep, data = chunk[2:].partition(b"\r\n\r\n")
        if not sep or not data.endswith(b"\r\n"):
            raise Refused(400, "malformed part")
        data = data[:-2]
        disposition = ""
        for line in head.decode("latin-1").split("\r\n"):
            key, _, value = line.partition(":")
            if key.strip().lower() == "content-disposition":
                disposition = value.strip()
        name = re.search(r'(?:^|;)\s*name="([^"]*)"', disposition)
        filename = re.search(r'(?:^|;)\s*filename="([^"]*)"', disposition)
        if not name:
            raise Refused(400, "part without a name")
        parts[name.group(1)] = (filename.group(1) if filename else None, data)
    return parts


class PhotoStore:
    def __init__(self, folder, max_age):
        self.folder = folder
        self.max_age = max_age
        os.makedirs(folder, exist_ok=True)

    def path(self, md5):
        return os.path.join(self.folder, md5 + ".jpg")

    def has(self, md5):
        try:
            return time.time() - os.stat(self.path(md5)).st_mtime <= self.max_age
        except OSError:
            return False

    def put(self, md5, data):
        fd, temp = tempfile.mkstemp(dir=self.folder, prefix=".upload-", suffix=".part")
        try:
            with os.fdopen(fd, "wb") as out:
                out.write(data)
                out.flush()
                os.fsync(out.fileno())
            os.chmod(temp, 0o644)
            os.replace(temp, self.path(md5))
        except BaseException:
            try:
                os.unlink(temp)
            except OSError:
                pass
            raise

    def expire(self):
        now = time.time()
        removed = 0
        for entry in os.scandir(self.folder):
            try:
                if entry.is_file(follow_symlinks=False) and now - entry.stat().st_mtime > self.max_age:
                    os.unlink(entry.path)
                    removed += 1
            except OSError:
                pass
        return removed


class Handler(BaseHTTPRequestHandler):
    server_version = "CorvixServer/1.0"
    protocol_version = "HTTP/1.0"

    # -- plumbing ---------------------------------------------------------------------------
    def setup(self):
        self.timeout = self.server.options.timeout
        super().setup()

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s %s\n" % (time.strftime("%Y-%m-%dT%H:%M:%S"), self.client_address[0],
                                          fmt % args))

    def send_body(self, status, body, content_type):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_json(self, status, value):
        self.send_body(status, json.dumps(value).encode("utf-8"), "application/json")

    def refuse(self, status, reason):
        self.send_json(status, {"result": False, "error": reason})

    def query(self):
        url = urllib.parse.urlsplit(self.path)
        return url.path, urllib.parse.parse_qs(url.query, keep_blank_values=True)

    # -- GET --------------------------------------------------------------------------------
    def do_GET(self):
        path, query = self.query()
        try:
            if path == "/share/checkmd5":
                md5 = self.md5_of(query.get("md5", [""])[0])
                self.send_json(200, {"result": self.server.store.has(md5)})
            elif path == "/show":
                self.show_page(self.md5_of(query.get("par", [""])[0]))
            elif path.startswith("/photo/") and path.endswith(".jpg"):
                self.send_photo(self.md5_of(path[len("/photo/"):-len(".jpg")]))
            elif path == "/restapi/checkNew":
                self.check_new(query)
            elif path.startswith("/packages/"):
                self.send_package(urllib.parse.unquote(path[len("/packages/"):]))
            else:
                raise Refused(404, "not found")
        except Refused as refused:
            self.refuse(refused.status, refused.reason)

    def md5_of(self, text):
        if not MD5_RE.match(text):
            raise Refused(400, "md5 must be 32 lower-case hexadecimal characters")
        return text

    def show_page(self, md5):
        if not self.server.store.has(md5):
            raise Refused(404, "no such photo (it may have expired)")
        photo = "/photo/%s.jpg" % md5
        page = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                "<title>Corvix</title><style>body{margin:0;background:#111;color:#fff;"
                "font-family:sans-serif;text-align:center}img{max-width:100%%;height:auto}"
                "a{color:#409EFF;display:block;padding:16px}</style></head><body>"
                "<img src=\"%s\" alt=\"photo\"><a href=\"%s\" download>保存图片</a>"
                "</body></html>") % (html.escape(photo), html.escape(photo))
        self.send_body(200, page.encode("utf-8"), "text/html; charset=utf-8")

    def send_photo(self, md5):
        if not self.server.store.has(md5):
            raise Refused(404, "no such photo")
        try:
            with open(self.server.store.path(md5), "rb") as f:
                data = f.read()
        except OSError:
            raise Refused(404, "no such photo")
        self.send_body(200, data, "image/jpeg")

    def check_new(self, query):
        manifest_path = self.server.options.manifest
        if not manifest_path:
            raise Refused(404, "no manifest")
        try:
            with open(manifest_path, "rb") as f:
                manifest = json.load(f)
        except (OSError, ValueError) as error:
            self.log_message("manifest unreadable: %s", error)
            raise Refused(500, "manifest unreadable")
        if isinstance(manifest, dict) and isinstance(manifest.get("apps"), dict):
            manifest = manifest["apps"].get(query.get("app", [""])[0], {})
        self.send_json(200, manifest if isinstance(manifest, dict) else {})

    def send_package(self, name):
        folder = self.server.options.packages
        if not folder or not PACKAGE_RE.match(name) or ".." in name:
            raise Refused(404, "not found")
        path = os.path.join(folder, name)
        try:
            f = open(path, "rb")
        except OSError:
            raise Refused(404, "not found")
        with f:
            size = os.fstat(f.fileno()).st_size
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(size))
            self.end_headers()
            rate = self.server.options.rate
            block = 64 * 1024 if rate <= 0 else max(1024, rate // 10)
            while True:
                data = f.read(block)
                if not data:
                    break
                self.wfile.write(data)
                if rate > 0:
                    time.sleep(len(data) / rate)

    # -- POST -------------------------------------------------------------------------------
    def do_POST(self):
        path, _ = self.query()
        try:
            if path != "/share/upload":
                raise Refused(404, "not found")
            self.upload()
        except Refused as refused:
            # The body may be unread: end the connection after the answer.
            self.close_connection = True
            self.refuse(refused.status, refused.reason)
            self.linger()

    def linger(self):
        # Closing a socket with unread data resets the connection, and the client may lose the
        # answer: read (and drop) a bounded amount first, briefly.
        try:
            self.wfile.flush()
            self.connection.settimeout(1.0)
            for _ in range(64):
                if not self.connection.recv(64 * 1024):
                    break
        except (OSError, ValueError):
            pass

    def upload(self):
        limit = self.server.options.max_upload
        try:
            length = int(self.headers.get("Content-Length", ""))
        except ValueError:
            raise Refused(411, "Content-Length required")
        if length < 0:
            raise Refused(400, "bad Content-Length")
        if length > limit + MULTIPART_OVERHEAD:
            raise Refused(413, "upload larger than %d bytes" % limit)
        body = self.rfile.read(length)
        if len(body) != length:
            raise Refused(400, "body shorter than its Content-Length")
        parts = parse_multipart(self.headers.get("Content-Type"), body)
        if "md5" not in parts or "file" not in parts:
            raise Refused(400, "the parts \"md5\" and \"file\" are required")
        md5 = self.md5_of(parts["md5"][1].decode("ascii", "replace").strip())
        data = parts["file"][1]
        if len(data) > limit:
            raise Refused(413, "upload larger than %d bytes" % limit)
        if hashlib.md5(data).hexdigest() != md5:
            raise Refused(422, "the file does not match its md5")
        if not data.startswith(JPEG_MAGIC):
            raise Refused(415, "not a JPEG")
        self.server.store.put(md5, data)
        self.send_json(200, {"result": True, "url": "/show?par=" + md5})


class Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def __init__(self, options, ssl_context):
        self.options = options
        self.ssl_context = ssl_context
        self.store = PhotoStore(options.share_dir, options.max_age)
        family = socket.AF_INET6 if ":" in options.bind else socket.AF_INET
        self.address_family = family
        super().__init__((options.bind, options.port), Handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs on the request's own thread, under the time-out, so a client
        # that stalls in it holds up nobody else.
        request.settimeout(self.options.timeout)
        if self.ssl_context is None:
            super().finish_request(request, client_address)
            return
        try:
            tls = self.ssl_context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as error:
            sys.stderr.write("%s %s TLS handshake failed: %s\n" % (
                time.strftime("%Y-%m-%dT%H:%M:%S"), client_address[0], error))
            return
        try:
            super().finish_request(tls, client_address)
        finally:
            try:
                tls.close()
            except OSError:
                pass

    def handle_error(self, request, client_address):
        sys.stderr.write("%s %s request failed: %s\n" % (time.strftime("%Y-%m-%dT%H:%M:%S"),
                                                         client_address[0], sys.exc_info()[1]))


def expiry_loop(store, stop):
    interval = max(1.0, min(60.0, store.max_age / 10.0))
    while not stop.wait(interval):
        store.expire()


def make_options(argv=None):
    parser = argparse.ArgumentParser(description="Corvix photo share and update server")
    parser.add_argument("--bind", default="0.0.0.0", help="address to listen on")
    parser.add_argument("--port", type=int, default=8443, help="port (0: any free port)")
    parser.add_argument("--cert", help="server certificate chain (PEM); with --key: HTTPS")
    parser.add_argument("--key", help="server private key (PEM)")
    parser.add_argument("--share-dir", default="share-photos", help="folder of the shared photos")
    parser.add_argument("--max-upload", type=int, default=20 * 1024 * 1024,
                        help="largest photo in bytes (default 20 MB)")
    parser.add_argument("--max-age", type=float, default=24 * 3600,
                        help="seconds a photo is kept (default 24 h)")
    parser.add_argument("--manifest", help="JSON manifest answered by /restapi/checkNew")
    parser.add_argument("--packages", help="folder served under /packages/")
    parser.add_argument("--rate", type=int, default=0,
                        help="package download rate limit in bytes per second (0: none)")
    parser.add_argument("--timeout", type=float, default=30.0, help="socket time-out in seconds")
    parser.add_argument("--port-file", help="write the port listened on into this file")
    options = parser.parse_args(argv)
    if bool(options.cert) != bool(options.key):
        parser.error("--cert and --key go together")
    return options


def make_server(options):
    context = None
    if options.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.minimum_version = ssl.TLSVersion.TLSv1_2
        context.load_cert_chain(options.cert, options.key)
    return Server(options, context)


def main(argv=None):
    options = make_options(argv)
    server = make_server(options)
    server.store.expire()
    stop = threading.Event()
    threading.Thread(target=expiry_loop, args=(server.store, stop), daemon=True).start()
    port = server.server_address[1]
    if options.port_file:
        with open(options.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(options.port_file + ".tmp", options.port_file)
    sys.stderr.write("corvix-server: %s on %s:%d\n" % ("https" if options.cert else "http",
                                                         options.bind, port))
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        stop.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
