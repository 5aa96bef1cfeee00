#!/usr/bin/python3
"""FTP upload benchmark: FtpClient against curl, both in active mode, to a local pyftpdlib server.

Usage: /usr/bin/python3 bench/ftp_bench.py DRIVER [SIZE_MB] [ROUNDS]
  e.g. /usr/bin/python3 bench/ftp_bench.py build/bench/ftp/tervolen-ftp-bench 500 3

DRIVER is the built tervolen-ftp-bench (bench/ftp). The script writes a SIZE_MB file (default 500) of random
bytes into a temporary folder, starts tests/delivery/ftp_test_server.py on 127.0.0.1, and uploads the file
ROUNDS times (default 3) with the driver and with `curl -T FILE ftp://... -P -`, alternating. Each upload is
checked for size on the server. It prints, per client, the median wall time, the throughput and the peak
resident memory, then the time ratio driver/curl (the goal is at most 1.1). Needs GNU time (/usr/bin/time)
and curl.
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER = os.path.join(ROOT, "tests", "delivery", "ftp_test_server.py")
USER, PASSWORD = "bench", "bench pass"


def write_random_file(path, size):
    with open(path, "wb") as out:
        for _ in range(size >> 20):
            out.write(os.urandom(1 << 20))


def start_server(folder):
    home = os.path.join(folder, "home")
    os.mkdir(home)
    port_file = os.path.join(folder, "server.port")
    server = subprocess.Popen(["/usr/bin/python3", SERVER, port_file, home, USER, PASSWORD])
    deadline = time.monotonic() + 30
    while not os.path.exists(port_file):
        if server.poll() is not None or time.monotonic() > deadline:
            server.kill()
            sys.exit("the FTP server did not start")
        time.sleep(0.05)
    with open(port_file) as f:
        return server, home, int(f.read())


def timed_run(command, folder):
    """Runs command; returns (seconds, peak resident memory in KiB).

    GNU time measures the memory: the rusage of a child forked from this interpreter would count the
    interpreter's own pages."""
    report = os.path.join(folder, "time.out")
    start = time.monotonic()
    result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command)
    seconds = time.monotonic() - start
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(command)}")
    with open(report) as f:
        return seconds, int(f.read().split()[-1])


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    driver = os.path.abspath(sys.argv[1])
    size_mb = int(sys.argv[2]) if len(sys.argv) > 2 else 500
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    with tempfile.TemporaryDirectory(prefix="tervolen-ftp-bench-") as folder:
        source = os.path.join(folder, "backup.zip")
        write_random_file(source, size_mb << 20)
        size = os.path.getsize(source)
        server, home, port = start_server(folder)
        try:
            clients = {
                "tervolen": lambda name: [driver, "127.0.0.1", str(port), USER, PASSWORD, source, name],
                "curl": lambda name: ["curl", "-sS", "-P", "-", "--user", f"{USER}:{PASSWORD}", "-T", source,
                                      f"ftp://127.0.0.1:{port}/{name}"],
            }
            results = {name: [] for name in clients}
            for round_number in range(rounds):
                for name, command in clients.items():
                    remote = f"{name}-{round_number}.zip"
                    results[name].append(timed_run(command(remote), folder))
                    uploaded = os.path.join(home, remote)
                    if os.path.getsize(uploaded) != size:
                        sys.exit(f"{name}: uploaded {os.path.getsize(uploaded)} of {size} bytes")
                    os.remove(uploaded)
        finally:
            server.send_signal(signal.SIGTERM)
            server.wait()
    print(f"upload of {size_mb} MB to pyftpdlib on 127.0.0.1, active mode, median of {rounds}")
    medians = {}
    for name, runs in results.items():
        medians[name] = statistics.median(seconds for seconds, _ in runs)
        peak = max(memory for _, memory in runs)
        print(f"{name:>9}: {medians[name]:7.2f} s  {size_mb / medians[name]:8.1f} MB/s  peak RSS {peak / 1024:6.1f} MiB"
              f"  (runs: {', '.join(f'{seconds:.2f}' for seconds, _ in runs)})")
    print(f"time ratio tervolen/curl: {medians['tervolen'] / medians['curl']:.3f}")


if __name__ == "__main__":
    main()
