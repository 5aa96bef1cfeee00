#!/usr/bin/python3
"""Loopback FTP server for tests and the benchmark: Debian's pyftpdlib on 127.0.0.1, port chosen by the system.

Usage: ftp_test_server.py PORT_FILE HOME USER PASSWORD [explicit|implicit CERTIFICATE KEY] [--fault FAULT]

Serves one user whose home folder is HOME, with every permission. With "explicit" or "implicit" it speaks FTP over
TLS (pyftpdlib's TLS_FTPHandler, with the certificate and key PEM files) and requires TLS on the control and data
connections; "implicit" starts the handshake as soon as a client connects, as a server on port 990 does. Writes the
port to PORT_FILE once listening. Stops on SIGTERM. FAULT: "refuse-dele" answers every DELE with 550 and deletes
nothing; "die-at-second-dele" deletes at the first DELE and kills itself (SIGKILL) at the second, before answering.
"""
import argparse
import logging
import os
import signal

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def tls_handler(mode, certificate, key):
    from pyftpdlib.handlers import TLS_FTPHandler

    class Handler(TLS_FTPHandler):
        def handle(self):
            if mode == "implicit":
                self.secure_connection(self.ssl_context)
            super().handle()

    Handler.certfile = certificate
    Handler.keyfile = key
    Handler.tls_control_required = True
    Handler.tls_data_required = True
    return Handler


def faulty_handler(base, fault):
    class Handler(base):
        deletes = 0

        def ftp_DELE(self, path):
            if fault == "refuse-dele":
                self.respond("550 Deleting is not allowed here.")
                return None
            Handler.deletes += 1
            if Handler.deletes == 2:
                os.kill(os.getpid(), signal.SIGKILL)
            return super().ftp_DELE(path)

    return Handler


def main(port_file, home, user, password, tls=None, certificate=None, key=None, fault=None):
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = tls_handler(tls, certificate, key) if tls else FTPHandler
    if fault:
        handler = faulty_handler(handler, fault)
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".part", "w") as out:
        out.write(str(server.address[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for name in ("port_file", "home", "user", "password"):
        parser.add_argument(name)
    parser.add_argument("tls", nargs="?", choices=("explicit", "implicit"))
    parser.add_argument("certificate", nargs="?")
    parser.add_argument("key", nargs="?")
    parser.add_argument("--fault", choices=("refuse-dele", "die-at-second-dele"))
    options = parser.parse_args()
    main(options.port_file, options.home, options.user, options.password, options.tls, options.certificate,
         options.key, options.fault)
