"""A throwaway RFC 3161 time-stamping service on 127.0.0.1 for the signing
check: `openssl ts -reply` behind a small HTTP server, with a certificate of
its own and its clock set off from the machine's by a fixed offset, so that a
time stamp's time tells the service's clock from the signer's."""

import http.server
import os
import subprocess
import tempfile
import threading

from .common import need, write

CONFIG = """[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {serial}
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
"""


def make_certificate(folder, subject, usage, days=2):
    """A self-signed certificate and its key (PEM files) in folder."""
    name = usage.split(",")[-1]
    key, certificate = os.path.join(folder, name + "-key.pem"), os.path.join(folder, name + "-cert.pem")
    subprocess.run([need("openssl"), "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", certificate, "-days", str(days), "-subj", subject,
                    "-addext", "extendedKeyUsage=" + usage],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return certificate, key


class TimeStampService:
    """with TimeStampService(folder, subject, offset) as service: service.url
    answers time-stamp queries, service.certificate is its certificate (the
    trusted root to verify its stamps against) and its clock runs offset
    seconds ahead of the machine's."""

    def __init__(self, folder, subject, offset):
        self.folder, self.offset = folder, offset
        self.certificate, self.key = make_certificate(folder, subject, "critical,timeStamping")
        self.config = os.path.join(folder, "tsa.cnf")
        serial = os.path.join(folder, "tsa-serial")
        write(serial, b"01\n")
        write(self.config, CONFIG.format(serial=serial).encode())
        self.answered = 0
        self.server = None

    def reply(self, query):
        """The service's answer to one query (DER), stamped at its clock."""
        with tempfile.TemporaryDirectory(dir=self.folder) as work:
            asked, answer = os.path.join(work, "query.tsq"), os.path.join(work, "reply.tsr")
            write(asked, query)
            subprocess.run([need("faketime"), "-f", "%+d" % self.offset, need("openssl"), "ts", "-reply",
                            "-config", self.config, "-queryfile", asked, "-signer", self.certificate,
                            "-inkey", self.key, "-out", answer],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(answer, "rb") as f:
                return f.read()

    def __enter__(self):
        service = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
                try:
                    answer, status = service.reply(query), 200
                except subprocess.CalledProcessError:
                    answer, status = b"", 500
                service.answered += status == 200
                self.send_response(status)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(answer)))
                self.end_headers()
                self.wfile.write(answer)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        return self

    def __exit__(self, *exception):
        self.server.shutdown()
        self.server.server_close()
