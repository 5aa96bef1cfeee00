#!/usr/bin/python3
"""Loopback FTP server for tests and the benchmark: Debian's pyftpdlib on 127.0.0.1, port chosen by the system.

Usage: ftp_test_server.py PORT_FILE HOME USER PASSWORD [explicit|implicit CERTIFICATE KEY]

Serves one user whose home folder is HOME, with every permission. With "explicit" or "implicit" it speaks FTP over
TLS (pyftpdlib's TLS_FTPHandler, with the certificate and key PEM files) and requires TLS on the control and data
connections; "implicit" starts the handshake as soon as a client connects, as a server on port 990 does. Writes the
port to PORT_FILE once listening. Stops on SIGTERM.
"""
import logging
import os
import sys

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


def main(port_file, home, user, password, tls=None, certificate=None, key=None):
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = tls_handler(tls, certificate, key) if tls else FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".part", "w") as out:
        out.write(str(server.address[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main(*sys.argv[1:8])
