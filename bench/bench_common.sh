# Sourced by the backup benchmarks: the tervolen-cli to time, the bench database, the settings of its runs, and
# timing.

# bench_cli ROOT [PATH]: the absolute path of the tervolen-cli to time (default ROOT/build/tervolen-cli); fails when
# it is not executable.
bench_cli() {
    local cli
    cli="$(realpath "${2:-$1/build/tervolen-cli}")"
    [[ -x "$cli" ]] || { echo "No executable tervolen-cli at $cli" >&2; return 2; }
    echo "$cli"
}

# isql_run SQL: runs the statements through isql-fb (embedded engine), stopping at the first error.
isql_run() { printf '%s\n' "$1" | isql-fb -q -bail; }

# make_bench_database ROOT prints the path of build-bench/backup-db/bench.fdb, making it once through Firebird's
# embedded engine (isql-fb, no server needed): bench/backup/create_tables.sql, then bench/backup/fill_batch.sql until
# the database holds at least 220 MB (under a minute); later runs reuse it.
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

# write_bench_settings FILE DATABASE BACKUP_FOLDER [LINE...]: the settings of a backup run through the embedded
# service manager (protocol LOCAL) without compression, then the given section and key lines; owner-only.
write_bench_settings() {
    local file="$1" database="$2" folder="$3"
    shift 3
    printf '%s\r\n' \
        "[DIRECTORYS]" "Base=$database" "BackUpDir=$folder" "" \
        "[PROTOCOL]" "Type=LOCAL" "" \
        "[SERVERNAME]" "Name=LOCALHOST" "" \
        "[CLIENTLIB]" "ClientLib=libfbclient.so.2" "" \
        "[USERNAME]" "UserName=SYSDBA" "" \
        "[PASSWORD]" "Pswd=masterkey" "" \
        "[BKPEXT]" "Ext=.fbk" "" \
        "[COMPRESSION]" "Checked=0" "" \
        "$@" > "$file"
    chmod 600 "$file"
}

# only_backup FOLDER: the path of the one non-empty backup file a run wrote there; fails when there is not exactly one.
only_backup() {
    local files=("$1"/*.fbk)
    [[ ${#files[@]} -eq 1 && -s "${files[0]}" ]] || { echo "No backup file was written" >&2; return 1; }
    echo "${files[0]}"
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
