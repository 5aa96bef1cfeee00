#!/usr/bin/python3
"""Loopback FTP server for tests and the benchmark: Debian's pyftpdlib on 127.0.0.1, port chosen by the system.

Usage: ftp_test_server.py PORT_FILE HOME USER PASSWORD

Serves one user whose home folder is HOME, with every permission. Writes the port to PORT_FILE once
listening. Stops on SIGTERM.
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main(port_file, home, user, password):
    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".part", "w") as out:
        out.write(str(server.address[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main(*sys.argv[1:5])
