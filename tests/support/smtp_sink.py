#!/usr/bin/python3
"""Loopback SMTP server for tests and the benchmark: Debian's aiosmtpd on 127.0.0.1, port chosen by the system.

Usage: smtp_sink.py PORT_FILE FOLDER [--envelope-only]

Writes the port to PORT_FILE once listening. Each message is saved as FOLDER/NNNN.eml (as received, after
dot-unstuffing) with its envelope and size in FOLDER/NNNN.json; with --envelope-only only the JSON file is
written. Stops on SIGTERM.
"""
import asyncio
import json
import os
import signal
import sys

from aiosmtpd.smtp import SMTP


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


async def main(port_file, folder, save_content):
    loop = asyncio.get_running_loop()
    handler = SaveHandler(folder, save_content)
    server = await loop.create_server(
        lambda: SMTP(handler, data_size_limit=None, hostname="sink.test"), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    with open(port_file + ".part", "w") as out:
        out.write(str(port))
    os.rename(port_file + ".part", port_file)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, stop.set_result, None)
    await stop
    server.close()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1], sys.argv[2], "--envelope-only" not in sys.argv[3:]))
