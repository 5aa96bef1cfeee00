# Sourced by the backup benchmarks: make_bench_database ROOT prints the path of build-bench/backup-db/bench.fdb,
# making it once through Firebird's embedded engine (isql-fb, no server needed): bench/backup/create_tables.sql,
# then bench/backup/fill_batch.sql until the database holds at least 220 MB (under a minute); later runs reuse it.

# isql_run SQL: runs the statements through isql-fb (embedded engine), stopping at the first error.
isql_run() { printf '%s\n' "$1" | isql-fb -q -bail; }

make_bench_database() {
    local root="$1" min_bytes=220000000
    local dbdir="$root/build-bench/backup-db"
    local database="$dbdir/bench.fdb"
    mkdir -p "$dbdir"
    if [[ ! -s "$database" || $(stat -c %s "$database") -lt $min_bytes ]]; then
        echo "Making $database (once)..." >&2
        rm -f "$database"
        isql_run "create database '$database' user 'SYSDBA' password 'masterkey' page_size 8192;
input '$root/bench/backup/create_tables.sql';" >&2
        while (($(stat -c %s "$database") < min_bytes)); do
            isql_run "connect '$database' user 'SYSDBA' password 'masterkey';
input '$root/bench/backup/fill_batch.sql';" >&2
        done
    fi
    echo "$database"
}

# timed COMMAND...: runs the command with its output discarded and prints its elapsed seconds; fails with it.
timed() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "Failed: $*" >&2; return 1; }
    end=$(date +%s.%N)
    awk "BEGIN { printf \"%.3f\", $end - $start }"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
