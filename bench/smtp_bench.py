#!/usr/bin/python3
"""SMTP sending benchmark: SmtpClient against curl, both sending the same backup message to a local aiosmtpd, in
clear and over STARTTLS with a login.

Usage: /usr/bin/python3 bench/smtp_bench.py DRIVER [SIZE_MB] [ROUNDS]
  e.g. /usr/bin/python3 bench/smtp_bench.py build/bench/smtp/tervolen-smtp-bench 200 3

DRIVER is the built tervolen-smtp-bench (bench/smtp). The script writes a SIZE_MB file (default 200) of random
bytes into a temporary folder, lets the driver write the MIME message with that file attached (for curl), and
starts tests/support/smtp_sink.py twice on 127.0.0.1 (envelope only: the messages are not stored): once in clear,
once requiring STARTTLS and AUTH, with a CA and a server certificate made by the openssl command. Against each it
sends ROUNDS times (default 3), alternating, with the driver (which encodes the attachment while sending) and with
curl: in clear `DRIVER send` against `curl smtp://... --mail-from --mail-rcpt -T MESSAGE`; over TLS `DRIVER send
... CAFILE USER PASSWORD` against `curl --ssl-reqd --cacert CAFILE --user USER:PASSWORD smtp://...`. Each message's
size on the server is checked. It prints, per client and connection, the median wall time, the attachment
throughput, the median processor time of the client itself (user and system) and the peak resident memory, then
the time ratio driver/curl (the goal is at most 1.1, with a peak under 16 MiB). The server is the slower side, so
the processor time shows the clients' own cost. Needs GNU time (/usr/bin/time), curl and openssl.
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

from bench_report import report
from bench_tls import make_certificates

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SINK = os.path.join(ROOT, "tests", "support", "smtp_sink.py")
USER, PASSWORD = "bench", "bench pass"


def write_random_file(path, size):
    with open(path, "wb") as out:
        for _ in range(size >> 20):
            out.write(os.urandom(1 << 20))


def start_sink(folder, name, options):
    received = os.path.join(folder, name)
    os.mkdir(received)
    port_file = os.path.join(folder, name + ".port")
    sink = subprocess.Popen(["/usr/bin/python3", SINK, port_file, received, "--envelope-only", *options])
    deadline = time.monotonic() + 30
    while not os.path.exists(port_file):
        if sink.poll() is not None or time.monotonic() > deadline:
            sink.kill()
            sys.exit("the SMTP sink did not start")
        time.sleep(0.05)
    with open(port_file) as f:
        return sink, received, int(f.read())


def timed_run(command, folder):
    """Runs command; returns (seconds, processor seconds, peak resident memory in KiB), measured by GNU time."""
    report = os.path.join(folder, "time.out")
    start = time.monotonic()
    result = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", report] + command)
    seconds = time.monotonic() - start
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(command)}")
    with open(report) as f:
        user, system, memory = f.read().split()[-3:]
    return seconds, float(user) + float(system), int(memory)


def compare(clients, rounds, folder, received, message_size):
    """Runs each client's command rounds times, alternating; returns the runs per client."""
    results = {name: [] for name in clients}
    count = 0
    for _ in range(rounds):
        for name, command in clients.items():
            results[name].append(timed_run(command, folder))
            count += 1
            with open(os.path.join(received, f"{count:04d}.json")) as f:
                size = json.load(f)["size"]
            # The Date header may differ by a digit or two.
            if abs(size - message_size) > 4:
                sys.exit(f"{name}: the server received {size} bytes of {message_size}")
    return results


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    driver = os.path.abspath(sys.argv[1])
    size_mb = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    with tempfile.TemporaryDirectory(prefix="tervolen-smtp-bench-") as folder:
        attachment = os.path.join(folder, "202501021405.zip")
        write_random_file(attachment, size_mb << 20)
        message = os.path.join(folder, "message.eml")
        subprocess.run([driver, "write", attachment, message], check=True)
        message_size = os.path.getsize(message)
        ca, certificate, key = make_certificates(folder)
        envelope = ["--mail-from", "backup@example.com", "--mail-rcpt", "a@example.com", "-T", message]
        sink, received, port = start_sink(folder, "clear", [])
        try:
            clear = compare({
                "tervolen": [driver, "send", "127.0.0.1", str(port), attachment],
                "curl": ["curl", "-sS", f"smtp://127.0.0.1:{port}", *envelope],
            }, rounds, folder, received, message_size)
        finally:
            sink.send_signal(signal.SIGTERM)
            sink.wait()
        sink, received, port = start_sink(folder, "tls", ["--cert", certificate, "--key", key, "--starttls",
                                                          "--auth", f"{USER}:{PASSWORD}"])
        try:
            tls = compare({
                "tervolen": [driver, "send", "127.0.0.1", str(port), attachment, ca, USER, PASSWORD],
                "curl": ["curl", "-sS", "--ssl-reqd", "--cacert", ca, "--user", f"{USER}:{PASSWORD}",
                         f"smtp://127.0.0.1:{port}", *envelope],
            }, rounds, folder, received, message_size)
        finally:
            sink.send_signal(signal.SIGTERM)
            sink.wait()
    on_wire = f"a {size_mb} MB attachment ({message_size / 1e6:.1f} MB on the wire) to aiosmtpd on 127.0.0.1"
    report(f"message with {on_wire}, in clear, median of {rounds}", clear, size_mb)
    report(f"message with {on_wire}, STARTTLS and AUTH, median of {rounds}", tls, size_mb)


if __name__ == "__main__":
    main()
