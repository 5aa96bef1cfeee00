#!/usr/bin/python3
"""SMTP sending benchmark: SmtpClient against curl, both sending the same backup message to a local aiosmtpd.

Usage: /usr/bin/python3 bench/smtp_bench.py DRIVER [SIZE_MB] [ROUNDS]
  e.g. /usr/bin/python3 bench/smtp_bench.py build/bench/smtp/tervolen-smtp-bench 200 3

DRIVER is the built tervolen-smtp-bench (bench/smtp). The script writes a SIZE_MB file (default 200) of random
bytes into a temporary folder, lets the driver write the MIME message with that file attached (for curl), starts
tests/support/smtp_sink.py on 127.0.0.1 (envelope only: the messages are not stored), then sends ROUNDS times
(default 3), alternating, with `DRIVER send` (which encodes the attachment while sending) and with
`curl smtp://... --mail-from --mail-rcpt -T MESSAGE`. Each message's size on the server is checked. It prints,
per client, the median wall time, the attachment throughput, the median processor time of the client itself (user
and system) and the peak resident memory, then the time ratio driver/curl (the goal is at most 1.1). The server
is the slower side, so the processor time shows the clients' own cost. Needs GNU time (/usr/bin/time) and curl.
"""
import json
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SINK = os.path.join(ROOT, "tests", "support", "smtp_sink.py")


def write_random_file(path, size):
    with open(path, "wb") as out:
        for _ in range(size >> 20):
            out.write(os.urandom(1 << 20))


def start_sink(folder):
    received = os.path.join(folder, "received")
    os.mkdir(received)
    port_file = os.path.join(folder, "sink.port")
    sink = subprocess.Popen(["/usr/bin/python3", SINK, port_file, received, "--envelope-only"])
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
        sink, received, port = start_sink(folder)
        try:
            clients = {
                "tervolen": [driver, "send", "127.0.0.1", str(port), attachment],
                "curl": ["curl", "-sS", f"smtp://127.0.0.1:{port}", "--mail-from", "backup@example.com",
                         "--mail-rcpt", "a@example.com", "-T", message],
            }
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
        finally:
            sink.send_signal(signal.SIGTERM)
            sink.wait()
    print(f"message with a {size_mb} MB attachment ({message_size / 1e6:.1f} MB on the wire) to aiosmtpd on "
          f"127.0.0.1, median of {rounds}")
    medians = {}
    for name, runs in results.items():
        medians[name] = statistics.median(seconds for seconds, _, _ in runs)
        cpu = statistics.median(cpu for _, cpu, _ in runs)
        peak = max(memory for _, _, memory in runs)
        print(f"{name:>9}: {medians[name]:7.2f} s  {size_mb / medians[name]:8.1f} MB/s  cpu {cpu:6.2f} s"
              f"  peak RSS {peak / 1024:6.1f} MiB  (runs: {', '.join(f'{seconds:.2f}' for seconds, _, _ in runs)})")
    print(f"time ratio tervolen/curl: {medians['tervolen'] / medians['curl']:.3f}")


if __name__ == "__main__":
    main()
