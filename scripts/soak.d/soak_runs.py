#!/usr/bin/python3
"""The backup runs of scripts/soak, their checks, measurements and summary.

Usage: soak_runs.py --work DIR --cli PATH --runs N --main-state DIR --victim-state DIR
                    --smtp-port P --smtp-ca PEM --ftp-port P --ftp-tls-port P --ca-file PEM --silent-port P --rows N
                    [--fault-every N] [--silent-runs N] [--run-timeout S] [--faults LIST]

scripts/soak starts the servers and calls this; it does not start or stop them, except that it kills, stops and
restarts the "victim" Firebird server for the server faults. Exits 1 when a run failed or a measure grew.
"""
import argparse
import email
import email.policy
import errno
import hashlib
import json
import os
import pwd
import re
import signal
import statistics
import subprocess
import sys
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

SCRIPTS = Path(__file__).resolve().parent.parent
START_SERVER = SCRIPTS.parent / "tests" / "support" / "firebird" / "start-server"
STOP_SERVER = SCRIPTS.parent / "tests" / "support" / "firebird" / "stop-server"

USER, PASSWORD = "SYSDBA", "masterkey"
FTP_USER, FTP_PASSWORD = "backup", "secret"
FTP_TLS_FOLDER = "nightly/firebird"
SAMPLE_SECONDS = 0.05
# A line of the verbose backup that comes after the attach and before most of the data.
KILL_TRIGGER = "writing data for table"
# The line before the test restore; the victim server is killed once the test database is on disk.
VERIFY_KILL_TRIGGER = "=========== Test Restore Started ==========="
TEST_DATABASE_PREFIX = ".tervolen-verify-"
ERROR_LINE = re.compile(r"^(Error Code |ERROR: |tervolen-cli: error: |Compression Error)")
METHODS = {"zip": ("0", ".zip"), "bzip2": ("1", ".bz2")}
# The retention policy of every run; pruning runs after each good one.
KEEP_LAST = 3
BACKUP_EXTENSION = ".fbk"
# Backup files are named by the minute, so each run gets a clock of its own, a minute later per run, through
# libfaketime (Debian's faketime) in tervolen-cli alone; the certificates stay valid for two days.
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
FAKE_MINUTES_PER_RUN = 1

# What each fault must show besides exit status 1.
FAULT_LINES = {
    "kill": re.compile(r"^Error Code 0001A "),
    "stop": re.compile(r"^Error Code 0001 "),
    "full": re.compile(r"^Error Code 0001A "),
    "smtp-silent": re.compile(r"^ERROR: "),
    "ftp-silent": re.compile(r"^tervolen-cli: error: "),
    "archive-full": re.compile(r"^Compression Error"),
    "ftp-tls-refused": re.compile(r"^tervolen-cli: error: Command \"AUTH\" not understood"),
    "verify-kill": re.compile(r'^The backup ".*" failed its test restore\.$'),
}
SILENT_FAULTS = {"smtp-silent", "ftp-silent"}
VICTIM_FAULTS = {"kill", "stop", "verify-kill"}

# Growth limits between the first and the last checkpoint (medians of the last GROWTH_WINDOW good runs).
GROWTH_WINDOW = 10
CLI_FDS_SLACK = 1
CLI_RSS_FACTOR, CLI_RSS_SLACK_KB = 1.10, 2048
SERVER_FDS_SLACK = 2
SERVER_RSS_FACTOR, SERVER_RSS_SLACK_KB = 1.20, 8192


@dataclass
class RunResult:
    number: int
    kind: str  # "good" or a fault name
    method: str
    verified: bool = False  # the run had the test restore on
    seconds: float = 0.0
    exit_status: int | None = None
    peak_kb: int | None = None  # /usr/bin/time %M
    rss_kb: int | None = None  # largest sampled VmRSS; None when the run ended before the first sample
    fds: int | None = None  # largest sampled count of open descriptors
    server_fds: int | None = None
    server_rss_kb: int | None = None
    problems: list[str] = field(default_factory=list)

    @property
    def good(self):
        return self.kind == "good"


class FirebirdServer:
    """A private server of tests/support/firebird/start-server, known by its state folder."""

    def __init__(self, state):
        self.state = Path(state)

    def settings(self):
        values = {}
        for line in (self.state / "state.env").read_text().splitlines():
            key, _, value = line.partition("=")
            values[key] = value
        return values

    @property
    def port(self):
        return int(self.settings()["FIREBIRD_TEST_PORT"])

    @property
    def pid(self):
        return int((self.state / "server.pid").read_text())

    def start(self):
        subprocess.run([START_SERVER, self.state], check=True, stdout=subprocess.DEVNULL)

    def stop(self):
        subprocess.run([STOP_SERVER, self.state, "--keep"], check=True)

    def kill(self):
        os.kill(self.pid, signal.SIGKILL)

    def stats(self):
        """Open descriptors and resident memory (kB) of the server process."""
        pid = self.pid
        return len(os.listdir(f"/proc/{pid}/fd")), read_rss_kb(pid)


def read_rss_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def children(pid):
    try:
        return [int(p) for p in Path(f"/proc/{pid}/task/{pid}/children").read_text().split()]
    except OSError:
        return []


def find_descendant(pid, name):
    """The first process below pid whose command name is name, or None."""
    pending = children(pid)
    while pending:
        candidate = pending.pop(0)
        try:
            if Path(f"/proc/{candidate}/comm").read_text().strip() == name:
                return candidate
        except OSError:
            continue
        pending.extend(children(candidate))
    return None


def sha256_file(path):
    digest = hashlib.sha256()
    with open(path, "rb") as source:
        for block in iter(lambda: source.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def sha256_command(command):
    """Digest of a command's standard output, read as a stream; None when the command fails."""
    digest = hashlib.sha256()
    with subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL) as process:
        for block in iter(lambda: process.stdout.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest() if process.returncode == 0 else None


def write_mirror_list(path, folders):
    records = b"".join(
        (1).to_bytes(2, "little") + b"\0" + len(f.encode()).to_bytes(2, "little") + f.encode() for f in folders)
    Path(path).write_bytes(b"LISTVIEW01\0" + records)


def write_settings(path, sections):
    text = "".join(f"[{name}]\r\n" + "".join(f"{key}={value}\r\n" for key, value in entries.items()) + "\r\n"
                   for name, entries in sections.items())
    Path(path).write_text(text)


def stamp_of(name):
    """The "yyyymmddnnhh" of a set file's name, or None."""
    match = re.fullmatch(r"(\d{12})(?:\.fbk|\.zip|\.bz2)", name)
    return match.group(1) if match else None


def stamp_time(stamp):
    """A stamp's "yyyymmddnnhh" (minute before hour) as "yyyymmddhhnn", which sorts by time."""
    return stamp[:8] + stamp[10:12] + stamp[8:10]


def names_in(folder):
    return sorted(entry.name for entry in Path(folder).iterdir()) if Path(folder).is_dir() else []


def empty_folder(folder):
    for entry in Path(folder).iterdir():
        if entry.is_file() or entry.is_symlink():
            entry.unlink()


def mount_tmpfs(folder, size):
    folder.mkdir(parents=True, exist_ok=True)
    server = pwd.getpwnam("firebird")
    options = f"size={size},mode=0700,uid={server.pw_uid},gid={server.pw_gid}"
    subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", folder], check=True)


def unmount(folder):
    if subprocess.run(["mountpoint", "-q", folder]).returncode == 0:
        subprocess.run(["umount", "-l", folder], check=True)


def fill_up(folder):
    """Writes a file until the medium is full."""
    fd = os.open(folder / "filler", os.O_WRONLY | os.O_CREAT, 0o644)
    try:
        while os.write(fd, bytes(4096)) > 0:
            pass
    except OSError as error:
        if error.errno != errno.ENOSPC:
            raise
    finally:
        os.close(fd)


class Soak:
    def __init__(self, args):
        self.args = args
        self.work = Path(args.work)
        self.main = FirebirdServer(args.main_state)
        self.victim = FirebirdServer(args.victim_state)
        self.backups = self.work / "backups"
        self.full = self.work / "full"
        self.mirror = self.work / "mirror"
        self.mail = self.work / "mail"
        self.ftp_home = self.work / "ftp"
        self.ftp_tls_home = self.work / "ftp-tls"
        self.scratch = self.work / "scratch"
        self.verify = self.work / "verify"
        self.failures = self.work / "failures"
        self.config = self.work / "config"
        self.settings_file = self.config / "tervolen.ini"
        self.results: list[RunResult] = []
        self.fault_counts = {name: 0 for name in args.faults}
        self.next_fault = 0
        self.backup_size = 0
        # The sets that tervolen-cli reported as good (exit status 0), oldest first: (stamp, archive name, FTP home)
        self.good_sets: list[tuple[str, str, Path]] = []
        self.client_env = dict(os.environ)
        main = self.main.settings()
        # The client library reads the private configuration, never the system's Firebird.
        self.client_env.update(FIREBIRD=main["FIREBIRD_TEST_EMBEDDED_ROOT"],
                               FIREBIRD_LOCK=main["FIREBIRD_TEST_EMBEDDED_LOCK"])

    def kind_of(self, number):
        if number % self.args.fault_every:
            return "good"
        faults = self.args.faults
        for _ in range(len(faults)):
            name = faults[self.next_fault % len(faults)]
            self.next_fault += 1
            if name not in SILENT_FAULTS or self.fault_counts[name] < self.args.silent_runs:
                self.fault_counts[name] += 1
                return name
        return "good"

    def ftp_settings(self, kind, over_tls):
        if kind == "ftp-silent":
            return {"Host": "127.0.0.1", "Port": self.args.silent_port, "User": FTP_USER, "Pswd": FTP_PASSWORD}
        if kind == "ftp-tls-refused":
            over_tls, port = True, self.args.ftp_port
        else:
            port = self.args.ftp_tls_port if over_tls else self.args.ftp_port
        settings = {"Host": "127.0.0.1", "Port": port, "User": FTP_USER, "Pswd": FTP_PASSWORD}
        if over_tls:
            settings.update(Security="TLS", Passive="1", Folder=FTP_TLS_FOLDER, CAFile=self.args.ca_file)
        return settings

    def settings_for(self, kind, method, over_tls, verified):
        victim = kind in VICTIM_FAULTS
        server = self.victim if victim else self.main
        database = self.work / "db" / ("victim.fdb" if victim else "main.fdb")
        backup_dir = self.full if kind in ("full", "archive-full") else self.backups
        silent = self.args.silent_port
        return {
            "DIRECTORYS": {"Base": database, "BackUpDir": backup_dir},
            "VERBOSEMODE": {"Verbose": "Checked"},
            "PROTOCOL": {"Type": "TCP/IP"},
            "SERVERNAME": {"Name": f"127.0.0.1/{server.port}"},
            "CLIENTLIB": {"ClientLib": "libfbclient.so.2"},
            "USERNAME": {"UserName": USER},
            "PASSWORD": {"Pswd": PASSWORD},
            "BKPEXT": {"Ext": ".fbk"},
            "COMPRESSION": {"Checked": "1", "Method": METHODS[method][0]},
            "SENDBACKUPMAIL": {"Send": "Checked"},
            "SMTP": {"Host": "localhost", "Port": silent if kind == "smtp-silent" else self.args.smtp_port,
                     "From": "backup@example.com", "To": "dba@example.com", "Security": "STARTTLS",
                     "CAFile": self.args.smtp_ca, "User": "backup", "Pswd": "mail-secret"},
            "SENDBACKUPFTP": {"Send": "Checked"},
            "FTP": self.ftp_settings(kind, over_tls),
            "RETENTION": {"KeepLast": KEEP_LAST},
            "VERIFY": {"Restore": "1" if verified else "0", "Folder": self.verify},
        }

    def prepare_fault(self, kind):
        if kind == "stop":
            self.victim.stop()
        elif kind == "full":
            mount_tmpfs(self.full, "256k")
            fill_up(self.full)
        elif kind == "archive-full":
            # Room for the backup file but not for its archive beside it: the slack stays below the archive's size
            # also for the small databases of a low SOAK_ROWS.
            backup_kb = -(-(self.backup_size or 8 << 20) // 4096) * 4
            mount_tmpfs(self.full, f"{backup_kb + max(16, min(256, backup_kb // 16))}k")

    def end_fault(self, kind):
        if kind in VICTIM_FAULTS:
            self.victim.start()
        elif kind in ("full", "archive-full"):
            unmount(self.full)

    def run_cli(self, result, on_line):
        """Runs one backup under timeout and GNU time, sampling the tool's descriptors and memory."""
        peak_file = self.work / "peak.txt"
        clock = [f"LD_PRELOAD={FAKETIME_LIBRARY}", f"FAKETIME=+{result.number * FAKE_MINUTES_PER_RUN * 60}",
                 "FAKETIME_DONT_FAKE_MONOTONIC=1"]
        command = ["timeout", "--kill-after=10", str(self.args.run_timeout), "/usr/bin/time", "-f", "%M", "-o",
                   peak_file, "env", *clock, self.args.cli, "backup", "--settings", self.settings_file]
        lines = []
        started = time.monotonic()
        process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                   errors="replace", env=self.client_env, start_new_session=True)

        def read():
            for line in process.stdout:
                lines.append(line.rstrip("\n"))
                on_line(line)

        reader = threading.Thread(target=read, daemon=True)
        reader.start()
        cli = None
        try:
            while process.poll() is None:
                cli = cli or find_descendant(process.pid, "tervolen-cli")
                if cli:
                    try:
                        fds, rss_kb = len(os.listdir(f"/proc/{cli}/fd")), read_rss_kb(cli)
                        result.fds = max(result.fds or 0, fds)
                        result.rss_kb = max(result.rss_kb or 0, rss_kb)
                    except OSError:
                        pass
                time.sleep(SAMPLE_SECONDS)
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        reader.join()
        result.seconds = time.monotonic() - started
        result.exit_status = process.returncode
        try:
            result.peak_kb = int(peak_file.read_text().split()[-1])
        except (OSError, ValueError, IndexError):
            result.peak_kb = None
        return lines

    def run(self, number):
        kind = self.kind_of(number)
        method = "zip" if number % 2 else "bzip2"
        verify_every = self.args.verify_every
        verified = kind == "verify-kill" or (verify_every > 0 and number % verify_every == 0)
        result = RunResult(number, kind, method, verified)
        over_tls = number % 2 == 1
        write_settings(self.settings_file, self.settings_for(kind, method, over_tls, verified))
        before = [path for path in self.kept_files() if path.exists()]
        backups_before = set(names_in(self.backups))
        self.prepare_fault(kind)
        killed = []

        def on_line(line):
            if kind == "kill" and not killed and KILL_TRIGGER in line:
                self.victim.kill()
                killed.append(True)
            if kind == "verify-kill" and not killed and VERIFY_KILL_TRIGGER in line:
                self.wait_for_test_database()
                self.victim.kill()
                killed.append(True)

        try:
            lines = self.run_cli(result, on_line)
        finally:
            self.end_fault(kind)
        if result.exit_status == 124:
            result.problems.append(f"hung: stopped by timeout after {self.args.run_timeout} s")
        if result.good:
            self.check_good(result, lines, over_tls, backups_before)
        else:
            self.check_fault(result, lines, bool(killed))
            gone = sorted(str(path) for path in before if not path.exists())
            if gone:
                result.problems.append(f"a failed run removed kept files: {gone}")
        left = [name for name in names_in(self.verify) if name.startswith(TEST_DATABASE_PREFIX)]
        if left:
            result.problems.append(f"the test database stayed: {left}")
        try:
            result.server_fds, result.server_rss_kb = self.main.stats()
        except OSError:
            result.problems.append("the main Firebird server is gone")
        if result.problems:
            self.failures.mkdir(exist_ok=True)
            (self.failures / f"run-{number:03d}-{kind}.log").write_text("\n".join(lines) + "\n")
        # The backup folder, the mirror and the FTP folders keep their sets for the pruning of the next runs.
        for folder in (self.mail, self.scratch):
            empty_folder(folder)
        return result

    def wait_for_test_database(self):
        """Waits until the server has made the test database (at most 10 s), so that the kill lands in the restore."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if any(name.startswith(TEST_DATABASE_PREFIX) for name in names_in(self.verify)):
                return
            time.sleep(0.01)

    def kept_files(self):
        """The files of the kept good sets in the backup folder, the mirror and the FTP folders."""
        files = []
        for stamp, archive, ftp_home in self.good_sets[-KEEP_LAST:]:
            files += [self.backups / (stamp + BACKUP_EXTENSION), self.backups / archive, self.mirror / archive]
            files.append(ftp_home / archive)
        return files

    def check_fault(self, result, lines, killed):
        if result.exit_status == 0:
            result.problems.append("exit status 0 (success) for a failed run")
        elif result.exit_status != 1 and result.exit_status != 124:
            result.problems.append(f"exit status {result.exit_status}, not 1")
        if not any(ERROR_LINE.match(line) for line in lines):
            result.problems.append("no error line")
        expected = FAULT_LINES[result.kind]
        if expected and not any(expected.match(line) for line in lines):
            result.problems.append(f"no line matching {expected.pattern!r}")
        if result.kind in ("kill", "verify-kill") and not killed:
            result.problems.append("the server was not killed: its trigger line never came")

    def ftp_folder(self, over_tls):
        return self.ftp_tls_home / FTP_TLS_FOLDER if over_tls else self.ftp_home

    def check_good(self, result, lines, over_tls, backups_before):
        problems = result.problems
        if result.exit_status != 0:
            problems.append(f"exit status {result.exit_status}, not 0")
        errors = [line for line in lines if ERROR_LINE.match(line)]
        if errors:
            problems.append(f"error line: {errors[0]}")
        if result.verified and not any(line.startswith("Test restore passed in ") for line in lines):
            problems.append("no line \"Test restore passed in\" in a run with the test restore")
        made = sorted(set(names_in(self.backups)) - backups_before)
        backups = [name for name in made if name.endswith(BACKUP_EXTENSION)]
        archives = [name for name in made if name.endswith(METHODS[result.method][1])]
        if len(made) != 2 or len(backups) != 1 or len(archives) != 1 or stamp_of(backups[0]) != stamp_of(archives[0]):
            problems.append(f"the run made {made} in the backup folder, not one backup file and its archive")
            return
        backup, archive = self.backups / backups[0], self.backups / archives[0]
        if result.exit_status == 0:
            self.good_sets.append((stamp_of(backup.name), archive.name, self.ftp_folder(over_tls)))
        self.backup_size = backup.stat().st_size
        self.check_archive(problems, backup, archive)
        self.check_restore(problems, backup)
        digest = sha256_file(archive)
        self.check_copies(problems, archive, digest, over_tls)
        self.check_mail(problems, archive.name, digest)
        self.check_pruned(problems, over_tls)

    def check_pruned(self, problems, over_tls):
        """The backup folder, the mirror and this run's FTP folder hold the kept sets and nothing else; the journal
        holds no record older than the oldest kept set."""
        kept = self.good_sets[-KEEP_LAST:]
        ftp_folder = self.ftp_folder(over_tls)
        expected = {
            "backup folder": (self.backups, sorted(name for stamp, archive, _ in kept
                                                   for name in (stamp + BACKUP_EXTENSION, archive))),
            "mirror": (self.mirror, sorted(archive for _, archive, _ in kept)),
            "FTP folder": (ftp_folder, sorted(archive for _, archive, home in kept if home == ftp_folder)),
        }
        for label, (folder, names) in expected.items():
            if names_in(folder) != names:
                problems.append(f"after pruning the {label} holds {names_in(folder)}, not the kept {names}")
        oldest = min(stamp_time(stamp) for stamp, _, _ in kept)
        journal = self.config / "tervolen.journal"
        stamps = [json.loads(line).get("stamp", "") for line in journal.read_text().splitlines()]
        stale = [stamp for stamp in stamps if stamp and stamp_time(stamp) < oldest]
        if stale:
            problems.append(f"the journal still holds records of pruned sets: {stale}")

    def check_archive(self, problems, backup, archive):
        test = subprocess.run(["unzip", "-tqq", archive], capture_output=True, text=True)
        if test.returncode != 0:
            problems.append(f"unzip -t failed: {test.stdout.strip()} {test.stderr.strip()}")
        elif sha256_command(["unzip", "-p", archive]) != sha256_file(backup):
            problems.append("the archive's entry differs from the backup file")

    def check_restore(self, problems, backup):
        target = self.scratch / "restored.fdb"
        restore = subprocess.run(["gbak", "-c", "-se", f"127.0.0.1/{self.main.port}:service_mgr", "-user", USER,
                                  "-password", PASSWORD, backup, target],
                                 capture_output=True, text=True, env=self.client_env)
        if restore.returncode != 0:
            problems.append(f"gbak -c failed: {restore.stdout.strip()} {restore.stderr.strip()}")
            return
        sql = "set heading off; select count(*) from item; drop database;\n"
        query = subprocess.run(["isql-fb", "-q", "-bail", "-user", USER, "-password", PASSWORD,
                                f"127.0.0.1/{self.main.port}:{target}"],
                               input=sql, capture_output=True, text=True, env=self.client_env)
        count = query.stdout.split()
        if query.returncode != 0 or count != [str(self.args.rows)]:
            problems.append(f"restored database: {query.stdout.strip()} {query.stderr.strip()}"
                            f" (expected {self.args.rows} rows)")
        if target.exists():
            problems.append("the restored database was not dropped")

    def check_copies(self, problems, archive, digest, over_tls):
        mirrored = self.mirror / archive.name
        if not mirrored.is_file() or sha256_file(mirrored) != digest:
            problems.append("mirror folder has no equal copy of the archive")
        uploaded = self.ftp_folder(over_tls) / archive.name
        if not uploaded.is_file() or sha256_file(uploaded) != digest:
            problems.append(f"FTP server ({'TLS, passive' if over_tls else 'clear, active'}) has no equal copy "
                            "of the archive")

    def check_mail(self, problems, name, digest):
        messages = sorted(self.mail.glob("*.eml"))
        if len(messages) != 1:
            problems.append(f"SMTP server got {len(messages)} messages, not 1")
            return
        with open(messages[0], "rb") as source:
            message = email.message_from_binary_file(source, policy=email.policy.default)
        attached = [(part.get_filename(), hashlib.sha256(part.get_payload(decode=True) or b"").hexdigest())
                    for part in message.walk() if part.get_filename()]
        if attached != [(name, digest)]:
            problems.append(f"mail attachments {[a[0] for a in attached]}, not one equal copy of {name}")

    def line(self, result):
        status = "ok" if not result.problems else "FAIL: " + "; ".join(result.problems)
        def kb(value):
            return "-" if value is None else f"{value}kB"

        return (f"run {result.number:4d}/{self.args.runs} {result.kind:12s} {result.method:5s} {result.seconds:6.1f}s "
                f"exit={result.exit_status} peak={kb(result.peak_kb)} rss={kb(result.rss_kb)} "
                f"fds={'-' if result.fds is None else result.fds} | "
                f"server fds={result.server_fds} rss={kb(result.server_rss_kb)} | {status}")


def median(values):
    return statistics.median(values) if values else None


def window(results, upto):
    """The last GROWTH_WINDOW good runs up to run number upto."""
    return [r for r in results if r.good and r.number <= upto][-GROWTH_WINDOW:]


def checkpoint_row(results, upto):
    recent = window(results, upto)
    done = [r for r in results if r.number <= upto]

    def stat(values):
        values = [v for v in values if v is not None]
        return f"{median(values):.0f}/{max(values)}" if values else "-"

    memory = [stat([getattr(r, name) for r in recent if r.method == m]) for name in ("peak_kb", "rss_kb")
              for m in METHODS]
    return (f"{upto:5d} {sum(r.good for r in done):5d} {sum(not r.good for r in done):6d} "
            f"{sum(bool(r.problems) for r in done):6d} " + " ".join(f"{text:>13s}" for text in memory) +
            f" {stat([r.fds for r in recent]):>7s} {stat([r.server_fds for r in recent]):>7s} "
            f"{stat([r.server_rss_kb for r in recent]):>13s}")


# Memory columns: tervolen-cli's peak RSS (GNU time) and largest sampled VmRSS, per compression method.
TABLE_HEAD = (f"{'run':>5s} {'good':>5s} {'faults':>6s} {'failed':>6s} {'peak zip':>13s} {'peak bzip2':>13s} "
              f"{'RSS zip':>13s} {'RSS bzip2':>13s} {'cli fds':>7s} {'fb fds':>7s} {'fb RSS':>13s}")


def growth_problems(results, first, last):
    """Compares the medians of the last good runs before the first and the last checkpoint; None: too few runs."""
    before, after = window(results, first), window(results, last)
    if first == last or len(before) < 3 or len(after) < 3:
        return None
    problems = []

    def compare(label, pick, factor, slack):
        old = median([v for v in map(pick, before) if v is not None])
        new = median([v for v in map(pick, after) if v is not None])
        if old is not None and new is not None and new > old * factor + slack:
            problems.append(f"{label} grew from {old:.0f} (run {first}) to {new:.0f} (run {last})")

    # Bzip2 needs about 6 MB more than Deflate, so memory is compared per method.
    for method in METHODS:
        compare(f"cli peak RSS kB ({method})", lambda r, m=method: r.peak_kb if r.method == m else None,
                CLI_RSS_FACTOR, CLI_RSS_SLACK_KB)
        compare(f"cli sampled RSS kB ({method})", lambda r, m=method: r.rss_kb if r.method == m else None,
                CLI_RSS_FACTOR, CLI_RSS_SLACK_KB)
    compare("cli open descriptors", lambda r: r.fds, 1, CLI_FDS_SLACK)
    compare("server open descriptors", lambda r: r.server_fds, 1, SERVER_FDS_SLACK)
    compare("server RSS kB", lambda r: r.server_rss_kb, SERVER_RSS_FACTOR, SERVER_RSS_SLACK_KB)
    return problems


def parse_arguments():
    parser = argparse.ArgumentParser()
    for name in ("work", "cli", "main-state", "victim-state"):
        parser.add_argument("--" + name, required=True)
    for name in ("runs", "smtp-port", "ftp-port", "ftp-tls-port", "silent-port", "rows"):
        parser.add_argument("--" + name, type=int, required=True)
    parser.add_argument("--ca-file", required=True)
    parser.add_argument("--smtp-ca", required=True)
    parser.add_argument("--fault-every", type=int, default=10)
    parser.add_argument("--silent-runs", type=int, default=3)
    parser.add_argument("--run-timeout", type=int, default=300)
    parser.add_argument("--verify-every", type=int, default=3)
    parser.add_argument("--faults", default="kill,stop,full,smtp-silent,ftp-silent,ftp-tls-refused,verify-kill")
    args = parser.parse_args()
    args.faults = [name for name in args.faults.split(",") if name]
    unknown = [name for name in args.faults if name not in FAULT_LINES]
    if unknown or not args.faults or args.fault_every < 1 or args.verify_every < 0:
        parser.error(f"faults must be a list of {', '.join(FAULT_LINES)}; fault-every at least 1, verify-every "
                     "at least 0")
    return args


def main():
    # SIGTERM from scripts/soak ends the soak through the finally blocks: the running backup is killed and the
    # tmpfs unmounted.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    args = parse_arguments()
    soak = Soak(args)
    for folder in (soak.backups, soak.mirror, soak.mail, soak.ftp_home, soak.scratch, soak.verify, soak.config):
        folder.mkdir(parents=True, exist_ok=True)
    write_mirror_list(soak.config / "Mirrors.lst", [str(soak.mirror)])
    interval = 50 if args.runs >= 100 else max(args.runs // 2, 1)
    checkpoints = sorted({n for n in range(interval, args.runs + 1, interval)} | {args.runs})
    started = time.monotonic()
    rows = []
    try:
        for number in range(1, args.runs + 1):
            result = soak.run(number)
            soak.results.append(result)
            print(soak.line(result), flush=True)
            if number in checkpoints:
                rows.append(checkpoint_row(soak.results, number))
                print(TABLE_HEAD + "\n" + rows[-1], flush=True)
    finally:
        unmount(soak.full)

    minutes = (time.monotonic() - started) / 60
    failed = [r for r in soak.results if r.problems]
    growth = growth_problems(soak.results, checkpoints[0], checkpoints[-1])
    print("\nSummary (medians/maxima of the last %d good runs before each checkpoint; kB, descriptors)" % GROWTH_WINDOW)
    print(TABLE_HEAD + "\n" + "\n".join(rows))
    print("faults: " + ", ".join(f"{name} {count}" for name, count in soak.fault_counts.items()))
    print(f"runs: {len(soak.results)}, failed: {len(failed)}"
          + (f" ({', '.join(str(r.number) for r in failed)}; outputs in {soak.failures})" if failed else ""))
    print(f"total time: {minutes:.1f} min")
    if growth is None:
        print("growth: not judged, too few good runs")
    for problem in growth or []:
        print("growth: " + problem)
    verdict = not failed and not growth
    print("soak " + ("passed" if verdict else "FAILED"))
    return 0 if verdict else 1


if __name__ == "__main__":
    sys.exit(main())
