#!/usr/bin/python3
"""Loopback TLS peers for tests, on 127.0.0.1 at a port chosen by the system.

Usage: tls_peer.py MODE [CERT KEY [MAX_VERSION]]

Prints the port as its first line, then one line per event. MODE:
  echo     TLS server (CERT, KEY; MAX_VERSION 1.2 or 1.3, default 1.3): per connection prints
           "handshake <version> reused=<True|False>" (or "handshake failed"), echoes each line it reads, and
           prints "closed clean" when the client sent close_notify, "closed unclean" when it just hung up.
  close    reads the first bytes of each connection (the client's hello) and closes.
  garbage  a plain server: sends a plain-text greeting and reads whatever comes.
  silent   accepts and never sends anything.
Connections are served at once, each in its own thread. Stops on SIGTERM.
"""
import signal
import socket
import ssl
import sys
import threading


def report(text):
    print(text, flush=True)


def serve_echo(connection, context):
    try:
        tls = context.wrap_socket(connection, server_side=True, suppress_ragged_eofs=False)
    except (ssl.SSLError, OSError):
        report("handshake failed")
        return
    report(f"handshake {tls.version()} reused={tls.session_reused}")
    pending = b""
    try:
        while True:
            data = tls.recv(65536)
            if not data:
                report("closed clean")
                return
            pending += data
            *lines, pending = pending.split(b"\n")
            for line in lines:
                tls.sendall(line + b"\n")
    except ssl.SSLEOFError:
        report("closed unclean")
    except (ssl.SSLError, OSError) as error:
        report(f"closed error {error}")


def serve_plain(connection, mode):
    with connection:
        if mode == "close":
            connection.recv(4096)
            return
        if mode == "garbage":
            connection.sendall(b"220 plain text server, no TLS here\r\n")
        while connection.recv(65536):
            pass


def main():
    mode = sys.argv[1]
    context = None
    if mode == "echo":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[2], sys.argv[3])
        if len(sys.argv) > 4 and sys.argv[4] == "1.2":
            context.maximum_version = ssl.TLSVersion.TLSv1_2
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    report(listener.getsockname()[1])
    while True:
        connection, _ = listener.accept()
        if context is not None:
            target, arguments = serve_echo, (connection, context)
        else:
            target, arguments = serve_plain, (connection, mode)
        threading.Thread(target=target, args=arguments, daemon=True).start()


if __name__ == "__main__":
    main()
