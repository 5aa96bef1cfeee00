#!/usr/bin/env bash
# Times what the test restore adds to a backup run, against the server's own tools doing the same work.
#
#   bench/verify_bench.sh [TERVOLEN_CLI]      (from the repository root; TERVOLEN_CLI defaults to build/tervolen-cli)
#
# Builds nothing. Makes build-bench/backup-db/bench.fdb once (bench/bench_common.sh), then alternates RUNS times
# (default 3), all through the embedded engine:
#   tervolen-cli backup --settings PLAIN          (no test restore, no compression)
#   tervolen-cli backup --settings VERIFIED       ([VERIFY] Restore=1: restore into a temporary database, full
#                                                  validation, delete)
#   gbak -c -se service_mgr BACKUP TEMP.fdb, then gfix -v -full TEMP.fdb   (of the plain run's backup)
# and prints the medians, the verified run's extra time (verified - plain) and its ratio to the peers' time.
# Target: ratio at most 1.05. Every file it makes is deleted.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/bench/bench_common.sh"
cli="$(bench_cli "$root" "${1:-}")"
runs="${RUNS:-3}"
database="$(make_bench_database "$root")"

work="$(mktemp -d "$root/build-bench/verify-run.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/verify"

for verify in 0 1; do
    write_bench_settings "$work/verify-$verify.ini" "$database" "$work/out" "[VERIFY]" "Restore=$verify" \
        "Folder=$work/verify"
done

echo "Database: $database ($(stat -c %s "$database") bytes); $runs run(s) each, alternating; load: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$database" >/dev/null
plain_times=() verified_times=() peer_times=()
for ((i = 1; i <= runs; i++)); do
    t=$(timed "$cli" backup --settings "$work/verify-0.ini")
    mv "$(only_backup "$work/out")" "$work/peer.fbk"
    plain_times+=("$t")
    echo "run $i: plain backup     $t s"

    t=$(timed "$cli" backup --settings "$work/verify-1.ini")
    rm -f "$(only_backup "$work/out")"
    [[ -z "$(ls -A "$work/verify")" ]] || { echo "The test database stayed" >&2; exit 1; }
    verified_times+=("$t")
    echo "run $i: verified backup  $t s"

    restore=$(timed gbak -c -se service_mgr -user SYSDBA -password masterkey "$work/peer.fbk" "$work/peer.fdb")
    validate=$(timed gfix -v -full -user SYSDBA -password masterkey "$work/peer.fdb")
    rm -f "$work/peer.fbk" "$work/peer.fdb"
    t=$(awk "BEGIN { printf \"%.3f\", $restore + $validate }")
    peer_times+=("$t")
    echo "run $i: gbak -c + gfix   $t s ($restore + $validate)"
done

plain=$(median "${plain_times[@]}")
verified=$(median "${verified_times[@]}")
peers=$(median "${peer_times[@]}")
extra=$(awk "BEGIN { printf \"%.3f\", $verified - $plain }")
ratio=$(awk "BEGIN { printf \"%.3f\", $extra / $peers }")
echo "median: plain $plain s, verified $verified s, extra $extra s, gbak -c + gfix -v -full $peers s, ratio $ratio (target at most 1.05)"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
