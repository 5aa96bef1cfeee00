#!/usr/bin/python3
"""FTP upload benchmark: FtpClient against curl, in active mode in clear to a local pyftpdlib server, and in passive
mode over explicit TLS to a local vsftpd.

Usage: /usr/bin/python3 bench/ftp_bench.py DRIVER [SIZE_MB] [ROUNDS]
  e.g. /usr/bin/python3 bench/ftp_bench.py build/bench/ftp/tervolen-ftp-bench 500 3

DRIVER is the built tervolen-ftp-bench (bench/ftp). The script writes a SIZE_MB file (default 500) of random
bytes into a temporary folder and uploads it ROUNDS times (default 3) with the driver and with curl, alternating,
to two servers on 127.0.0.1 in turn: tests/support/ftp_test_server.py (pyftpdlib, in clear) with the driver in
active mode against `curl -T FILE ftp://... -P -`, then Debian's vsftpd (as root, in the foreground from a
configuration of its own on a free port, anonymous upload into "incoming", explicit TLS required for the login
and the data, with a CA and a server certificate made by the openssl command) with `DRIVER ... CAFILE incoming`
(explicit TLS, passive mode) against `curl --ssl-reqd --cacert CAFILE -T FILE ftp://.../incoming/` (passive
too; curl's FTPS upload does not work against pyftpdlib 1.5.7). Each upload is checked for size on the server. It
prints, per client and server, the median wall time, the throughput, the median processor time of the client
itself (user and system) and the peak resident memory, then the time ratio driver/curl (the goal is at most 1.1,
with a peak under 16 MiB). Needs GNU time (/usr/bin/time), curl, openssl and vsftpd.
"""
import os
import pwd
import signal
import socket
import subprocess
import sys
import tempfile
import time

from bench_report import report
from bench_tls import make_certificates

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER = os.path.join(ROOT, "tests", "support", "ftp_test_server.py")
VSFTPD = "/usr/sbin/vsftpd"
USER, PASSWORD = "bench", "bench pass"


def write_random_file(path, size):
    with open(path, "wb") as out:
        for _ in range(size >> 20):
            out.write(os.urandom(1 << 20))


def wait_until(ready, server, what):
    deadline = time.monotonic() + 30
    while not ready():
        if server.poll() is not None or time.monotonic() > deadline:
            server.kill()
            sys.exit(f"{what} did not start")
        time.sleep(0.05)


def start_pyftpdlib(folder):
    home = os.path.join(folder, "home")
    os.mkdir(home)
    port_file = os.path.join(folder, "server.port")
    server = subprocess.Popen(["/usr/bin/python3", SERVER, port_file, home, USER, PASSWORD])
    wait_until(lambda: os.path.exists(port_file), server, "the FTP server")
    with open(port_file) as f:
        return server, home, int(f.read())


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def answers(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1) as connection:
            connection.settimeout(5)
            return bool(connection.recv(64))
    except OSError:
        return False


def start_vsftpd(folder, certificate, key):
    """vsftpd as tests/support/vsftpd_server.cpp runs it; returns (server, upload folder, port)."""
    base, root, empty = os.path.join(folder, "vsftpd"), os.path.join(folder, "vsftpd", "root"), \
        os.path.join(folder, "vsftpd", "empty")
    incoming = os.path.join(root, "incoming")
    for path in (base, root, empty, incoming):
        os.makedirs(path, exist_ok=True)
        os.chmod(path, 0o755)
    os.chmod(folder, 0o755)
    ftp_user = pwd.getpwnam("ftp")
    os.chown(incoming, ftp_user.pw_uid, ftp_user.pw_gid)
    port, data_port = free_port(), free_port()
    config = os.path.join(base, "vsftpd.conf")
    with open(config, "w") as out:
        out.write(f"listen=YES\nlisten_address=127.0.0.1\nlisten_port={port}\nbackground=NO\nanonymous_enable=YES\n"
                  f"local_enable=NO\nno_anon_password=YES\nftp_username=ftp\nanon_root={root}\n"
                  f"secure_chroot_dir={empty}\nwrite_enable=YES\nanon_upload_enable=YES\n"
                  "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                  f"require_ssl_reuse=YES\nssl_ciphers=HIGH\nrsa_cert_file={certificate}\n"
                  f"rsa_private_key_file={key}\npasv_enable=YES\npasv_min_port={data_port}\n"
                  f"pasv_max_port={data_port}\nport_enable=YES\nconnect_from_port_20=NO\nseccomp_sandbox=NO\n"
                  "isolate=NO\nisolate_network=NO\nxferlog_enable=NO\nuse_localtime=NO\n")
    server = subprocess.Popen([VSFTPD, config])
    wait_until(lambda: answers(port), server, "vsftpd")
    return server, incoming, port


def timed_run(command, folder):
    """Runs command; returns (seconds, processor seconds, peak resident memory in KiB).

    GNU time measures the memory: the rusage of a child forked from this interpreter would count the
    interpreter's own pages."""
    report = os.path.join(folder, "time.out")
    start = time.monotonic()
    result = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", report] + command)
    seconds = time.monotonic() - start
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(command)}")
    with open(report) as f:
        user, system, memory = f.read().split()[-3:]
    return seconds, float(user) + float(system), int(memory)


def compare(clients, rounds, folder, uploads, size):
    """Runs each client's command for a remote name rounds times, alternating; returns the runs per client."""
    results = {name: [] for name in clients}
    for round_number in range(rounds):
        for name, command in clients.items():
            remote = f"{name}-{round_number}.zip"
            results[name].append(timed_run(command(remote), folder))
            uploaded = os.path.join(uploads, remote)
            if os.path.getsize(uploaded) != size:
                sys.exit(f"{name}: uploaded {os.path.getsize(uploaded)} of {size} bytes")
            os.remove(uploaded)
    return results


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
        server, home, port = start_pyftpdlib(folder)
        try:
            clear = compare({
                "tervolen": lambda name: [driver, "127.0.0.1", str(port), USER, PASSWORD, source, name],
                "curl": lambda name: ["curl", "-sS", "-P", "-", "--user", f"{USER}:{PASSWORD}", "-T", source,
                                      f"ftp://127.0.0.1:{port}/{name}"],
            }, rounds, folder, home, size)
        finally:
            server.send_signal(signal.SIGTERM)
            server.wait()
        ca, certificate, key = make_certificates(folder)
        server, incoming, port = start_vsftpd(folder, certificate, key)
        try:
            tls = compare({
                "tervolen": lambda name: [driver, "127.0.0.1", str(port), "anonymous", "", source, name, ca,
                                          "incoming"],
                "curl": lambda name: ["curl", "-sS", "--ssl-reqd", "--cacert", ca, "-T", source,
                                      f"ftp://127.0.0.1:{port}/incoming/{name}"],
            }, rounds, folder, incoming, size)
        finally:
            server.send_signal(signal.SIGTERM)
            server.wait()
    report(f"upload of {size_mb} MB to pyftpdlib on 127.0.0.1, active mode, in clear, median of {rounds}", clear,
           size_mb)
    report(f"upload of {size_mb} MB to vsftpd on 127.0.0.1, passive mode, explicit TLS, median of {rounds}", tls,
           size_mb)


if __name__ == "__main__":
    main()
