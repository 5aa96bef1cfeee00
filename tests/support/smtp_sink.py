#!/usr/bin/python3
"""Loopback SMTP server for tests and the benchmark: Debian's aiosmtpd on 127.0.0.1, port chosen by the system.

Usage: smtp_sink.py PORT_FILE FOLDER [--envelope-only] [--cert PEM --key PEM (--starttls | --implicit-tls)]
                    [--auth USER:PASSWORD [--auth-mechanisms PLAIN,LOGIN]] [--transcript]

Writes the port to PORT_FILE once listening. Each message is saved as FOLDER/NNNN.eml (as received, after
dot-unstuffing) with its envelope and size in FOLDER/NNNN.json; with --envelope-only only the JSON file is
written. With --transcript every byte the clients send (decrypted, with TLS) is appended to FOLDER/transcript.txt.
--starttls requires STARTTLS before anything else; --implicit-tls makes the handshake right after connecting.
--auth requires that login before MAIL, offering the given mechanisms (default both); without --starttls it
offers and takes AUTH over the connection as it is, in clear too. Stops on SIGTERM.
"""
import argparse
import asyncio
import json
import os
import signal
import ssl

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class SaveHandler:
    def __init__(self, folder, save_content):
        self.folder = folder
        self.save_content = save_content
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, f"{self.count:04d}")
        if self.save_content:
            with open(base + ".eml", "wb") as out:
                out.write(envelope.original_content)
        with open(base + ".json", "w") as out:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                       "size": len(envelope.original_content)}, out)
        return "250 OK"


class TranscriptSMTP(SMTP):
    transcript = None

    def data_received(self, data):
        if self.transcript:
            self.transcript.write(data)
            self.transcript.flush()
        super().data_received(data)


def authenticator_for(login):
    user, _, password = login.partition(":")

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user \
            and auth_data.password.decode() == password
        return AuthResult(success=ok, handled=False)
    return authenticate


def smtp_options(options):
    settings = {"data_size_limit": None, "hostname": "sink.test"}
    context = None
    if options.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
    if options.starttls:
        settings.update(tls_context=context, require_starttls=True)
    if options.auth:
        offered = options.auth_mechanisms.split(",")
        settings.update(auth_required=True, authenticator=authenticator_for(options.auth),
                        auth_require_tls=options.starttls,
                        auth_exclude_mechanism=[m for m in ("PLAIN", "LOGIN") if m not in offered])
    return settings, context if options.implicit_tls else None


async def main(options):
    loop = asyncio.get_running_loop()
    handler = SaveHandler(options.folder, not options.envelope_only)
    if options.transcript:
        TranscriptSMTP.transcript = open(os.path.join(options.folder, "transcript.txt"), "ab")
    settings, listener_tls = smtp_options(options)
    server = await loop.create_server(
        lambda: TranscriptSMTP(handler, **settings), "127.0.0.1", 0, ssl=listener_tls)
    port_file = options.port_file
    port = server.sockets[0].getsockname()[1]
    with open(port_file + ".part", "w") as out:
        out.write(str(port))
    os.rename(port_file + ".part", port_file)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, stop.set_result, None)
    await stop
    server.close()


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("port_file")
    parser.add_argument("folder")
    parser.add_argument("--envelope-only", action="store_true")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--starttls", action="store_true")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--auth")
    parser.add_argument("--auth-mechanisms", default="PLAIN,LOGIN")
    parser.add_argument("--transcript", action="store_true")
    asyncio.run(main(parser.parse_args()))
