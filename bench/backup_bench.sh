#!/usr/bin/env bash
# Times a verbose backup of a large database through tervolen-cli against the server's own gbak.
#
#   bench/backup_bench.sh [TERVOLEN_CLI]      (from the repository root; TERVOLEN_CLI defaults to build/tervolen-cli)
#
# Builds nothing. Makes build-bench/backup-db/bench.fdb once (bench/bench_common.sh). Then backs it up
# verbosely, alternating RUNS times each (default 3):
#   tervolen-cli backup --settings FILE           (embedded service manager, protocol LOCAL, no compression)
#   gbak -b -v -se service_mgr -user SYSDBA -password masterkey DATABASE FILE
# with all output sent to /dev/null, and prints the median elapsed times and their ratio.
# Target: time ratio (tervolen-cli / gbak) at most 1.05. The backup files are deleted.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/bench/bench_common.sh"
cli="$(bench_cli "$root" "${1:-}")"
runs="${RUNS:-3}"
database="$(make_bench_database "$root")"

work="$(mktemp -d "$root/build-bench/backup-run.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"
write_bench_settings "$work/tervolen.ini" "$database" "$work/out" "[VERBOSEMODE]" "Verbose=Checked"

# check_backup: the run must have written one non-empty backup file; prints its size and deletes it.
check_backup() {
    local file
    file="$(only_backup "$work/out")"
    stat -c %s "$file"
    rm -f "$work/out"/*
}

echo "Database: $database ($(stat -c %s "$database") bytes); $runs run(s) each, alternating; load: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$database" >/dev/null # both read from the page cache
cli_times=() gbak_times=()
for ((i = 1; i <= runs; i++)); do
    t=$(timed "$cli" backup --settings "$work/tervolen.ini")
    size=$(check_backup)
    cli_times+=("$t")
    echo "run $i: tervolen-cli $t s ($size bytes)"
    t=$(timed gbak -b -v -se service_mgr -user SYSDBA -password masterkey "$database" "$work/out/gbak.fbk")
    size=$(check_backup)
    gbak_times+=("$t")
    echo "run $i: gbak         $t s ($size bytes)"
done

cli_median=$(median "${cli_times[@]}")
gbak_median=$(median "${gbak_times[@]}")
ratio=$(awk "BEGIN { printf \"%.3f\", $cli_median / $gbak_median }")
echo "median: tervolen-cli $cli_median s, gbak $gbak_median s, ratio $ratio (target at most 1.05)"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
