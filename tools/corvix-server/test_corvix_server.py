#!/usr/bin/env python3
"""The reference server over loopback with TLS: what it stores, what it refuses."""

import hashlib
import http.client
import json
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import corvix_server  # noqa: E402

JPEG = b"\xff\xd8\xff\xe0" + b"corvix test photo" * 10 + b"\xff\xd9"


def multipart(fields, boundary="corvixboundary"):
    body = b""
    for name, filename, data in fields:
        disposition = 'form-data; name="%s"' % name
        if filename:
            disposition += '; filename="%s"' % filename
        body += b"--" + boundary.encode() + b"\r\nContent-Disposition: " + disposition.encode()
        body += b"\r\n\r\n" + data + b"\r\n"
    body += b"--" + boundary.encode() + b"--\r\n"
    return body, "multipart/form-data; boundary=" + boundary


class ServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="corvix-server-test-")
        subprocess.run([os.path.join(HERE, "make-certs.sh"), cls.work], check=True)
        cls.packages = os.path.join(cls.work, "packages")
        os.makedirs(cls.packages)
        with open(os.path.join(cls.packages, "corvix-1.2.0.deb"), "wb") as f:
            f.write(b"p" * 5000)
        cls.manifest = os.path.join(cls.work, "manifest.json")
        with open(cls.manifest, "w") as f:
            json.dump({"apps": {"CorvixLinux": {"versionName": "1.2.0(20270101)",
                                                "urlLocal": "/packages/corvix-1.2.0.deb",
                                                "fileSize": 5000}}}, f)
        options = corvix_server.make_options([
            "--bind", "127.0.0.1", "--port", "0", "--cert", os.path.join(cls.work, "server.pem"),
            "--key", os.path.join(cls.work, "server.key"), "--share-dir",
            os.path.join(cls.work, "photos"), "--max-upload", "4096", "--manifest", cls.manifest,
            "--packages", cls.packages, "--timeout", "5"])
        cls.server = corvix_server.make_server(options)
        cls.port = cls.server.server_address[1]
        cls.thread = threading.Thread(target=cls.server.serve_forever, daemon=True)
        cls.thread.start()
        cls.context = ssl.create_default_context(cafile=os.path.join(cls.work, "ca.pem"))

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.work, ignore_errors=True)

    def request(self, method, path, body=None, headers=None):
        conn = http.client.HTTPSConnection("127.0.0.1", self.port, context=self.context, timeout=10)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            response = conn.getresponse()
            return response.status, response.read()
        finally:
            conn.close()

    def upload(self, fields, **kwargs):
        body, content_type = multipart(fields, **kwargs)
        return self.request("POST", "/share/upload", body, {"Content-Type": content_type})

    def check(self, md5):
        status, body = self.request("GET", "/share/checkmd5?md5=" + md5)
        self.assertEqual(status, 200)
        return json.loads(body)["result"]

    def test_upload_then_check_show_and_photo(self):
        md5 = hashlib.md5(JPEG).hexdigest()
        self.assertIs(self.check(md5), False)
        status, _ = self.upload([("md5", None, md5.encode()), ("file", "image.jpg", JPEG)])
        self.assertEqual(status, 200)
        self.assertIs(self.check(md5), True)
        status, page = self.request("GET", "/show?par=" + md5)
        self.assertEqual(status, 200)
        self.assertIn(("/photo/%s.jpg" % md5).encode(), page)
        status, photo = self.request("GET", "/photo/%s.jpg" % md5)
        self.assertEqual((status, photo), (200, JPEG))
        # Nothing half-written is left beside the photo.
        self.assertEqual(os.listdir(self.server.store.folder), [md5 + ".jpg"])

    def test_refusals(self):
        md5 = hashlib.md5(JPEG).hexdigest()
        not_jpeg = b"GIF89a" + b"x" * 100
        big = JPEG[:4] + b"x" * 5000
        cases = [
            ("wrong md5", [("md5", None, b"0" * 32), ("file", "image.jpg", JPEG)], 422),
            ("md5 not hex", [("md5", None, b"../../etc/passwd"), ("file", "image.jpg", JPEG)], 400),
            ("not a JPEG", [("md5", None, hashlib.md5(not_jpeg).hexdigest().encode()),
                            ("file", "image.jpg", not_jpeg)], 415),
            ("too large", [("md5", None, hashlib.md5(big).hexdigest().encode()),
                           ("file", "image.jpg", big)], 413),
            ("no file part", [("md5", None, md5.encode())], 400),
        ]
        for name, fields, status in cases:
            with self.subTest(name):
                self.assertEqual(self.upload(fields)[0], status)
        self.assertIs(self.check(hashlib.md5(not_jpeg).hexdigest()), False)
        # A body announced far beyond the limit is refused before it is read.
        status, _ = self.request("POST", "/share/upload", b"x",
                                 {"Content-Type": "multipart/form-data; boundary=b",
                                  "Content-Length": str(50 * 1024 * 1024)})
        self.assertEqual(status, 413)
        self.assertEqual(self.request("GET", "/share/checkmd5?md5=abc")[0], 400)
        self.assertEqual(self.request("GET", "/show?par=" + "f" * 32)[0], 404)

    def test_expired_photos_are_neither_served_nor_kept(self):
        data = JPEG + b"old"
        md5 = hashlib.md5(data).hexdigest()
        self.assertEqual(self.upload([("md5", None, md5.encode()), ("file", "a.jpg", data)])[0], 200)
        old = time.time() - self.server.store.max_age - 10
        os.utime(self.server.store.path(md5), (old, old))
        self.assertIs(self.check(md5), False)
        self.server.store.expire()
        self.assertFalse(os.path.exists(self.server.store.path(md5)))

    def test_update_manifest_and_package(self):
        status, body = self.request("GET", "/restapi/checkNew?app=CorvixLinux&ver=1.0.1&scope=2")
        self.assertEqual(status, 200)
        self.assertEqual(json.loads(body)["versionName"], "1.2.0(20270101)")
        # Another application is offered nothing.
        status, body = self.request("GET", "/restapi/checkNew?app=CorvixWin&ver=1.0.1&scope=2")
        self.assertEqual((status, json.loads(body)), (200, {}))
        conn = http.client.HTTPSConnection("127.0.0.1", self.port, context=self.context, timeout=10)
        conn.request("GET", "/packages/corvix-1.2.0.deb")
        response = conn.getresponse()
        self.assertEqual(response.getheader("Content-Length"), "5000")
        self.assertEqual(len(response.read()), 5000)
        conn.close()
        for path in ("/packages/..%2Fmanifest.json", "/packages/.hidden", "/packages/missing.deb"):
            with self.subTest(path):
                self.assertEqual(self.request("GET", path)[0], 404)


if __name__ == "__main__":
    unittest.main()
