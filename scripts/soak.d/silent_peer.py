#!/usr/bin/python3
"""A loopback server that accepts every connection and never answers: a hung SMTP or FTP server.

Usage: silent_peer.py PORT_FILE

Listens on 127.0.0.1 on a port chosen by the system and writes it to PORT_FILE. Accepted connections are
held open, unread, until the client closes them. Stops on SIGTERM.
"""
import os
import selectors
import signal
import socket
import sys


def main(port_file):
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    with open(port_file + ".part", "w") as out:
        out.write(str(listener.getsockname()[1]))
    os.rename(port_file + ".part", port_file)

    selector = selectors.DefaultSelector()
    selector.register(listener, selectors.EVENT_READ)
    while not stop:
        for key, _ in selector.select(timeout=0.5):
            if key.fileobj is listener:
                connection, _ = listener.accept()
                selector.register(connection, selectors.EVENT_READ)
            elif not key.fileobj.recv(4096, socket.MSG_PEEK):
                # The client gave up: drop our end too, so no connection piles up.
                selector.unregister(key.fileobj)
                key.fileobj.close()
            else:
                # Whatever the client sends is discarded; it never gets a reply.
                key.fileobj.recv(65536)


if __name__ == "__main__":
    main(sys.argv[1])
