#!/usr/bin/env bash
# Benchmark of the ZIP archive writer against its peers on one large Firebird backup.
#
#   bench/zip_bench.sh [WORK_FOLDER]          (from the repository root; WORK_FOLDER defaults to build-zip-bench)
#
# Builds tervolen-zip-bench (Release) in WORK_FOLDER/build, unless TERVOLEN_ZIP_BENCH names a built one. Makes
# WORK_FOLDER/bench.fbk once: a gbak backup (about 300 MB) of a database that bench/zip/make_backup.sql fills
# through Firebird's embedded engine (some minutes); later runs reuse it. Then compresses it with the writer
# (Deflate and Bzip2, on THREADS threads, default every core) and with `zip -9`, `pigz -9`, `bzip2 -9` and
# `lbzip2 -9`, writer and peer alternating RUNS times (default 3; the best times count), then the writer encrypting
# (AES-256) against the writer not encrypting, and prints elapsed time, CPU time, peak memory (/usr/bin/time) and
# compressed size, with the ratios of the writer to its peer. The writer's unencrypted archives are checked with
# `unzip -t`. On a shared machine the CPU-time ratio is the steadier figure, but with threads only elapsed time
# shows the gain.
# Targets: Deflate time at most 0.55 of zip -9 and 1.0 of pigz -9, size at most zip -9's; Bzip2 time at most 0.55
# of bzip2 -9, size at most 1.005 of it; encryption at most 3 % more time; writer peak memory under 64 MiB.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(realpath -m "${1:-$root/build-zip-bench}")"
runs="${RUNS:-3}"
threads="${THREADS:-$(nproc)}"
mkdir -p "$work"

driver="${TERVOLEN_ZIP_BENCH:-}"
if [[ -z "$driver" ]]; then
    cmake -S "$root" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTERVOLEN_BUILD_TESTS=OFF >/dev/null
    cmake --build "$work/build" --target tervolen-zip-bench -j2 >/dev/null
    driver="$work/build/bench/zip/tervolen-zip-bench"
fi

backup="$work/bench.fbk"
if [[ ! -s "$backup" ]]; then
    echo "Making $backup (once; takes some minutes)..."
    database="$work/bench.fdb"
    rm -f "$database"
    echo "create database '$database' user 'SYSDBA' page_size 8192; input '$root/bench/zip/make_backup.sql';" |
        isql-fb -q
    gbak -b -g "$database" "$backup.part" -user SYSDBA
    mv "$backup.part" "$backup"
    rm -f "$database"
fi

out="$work/out"
rm -rf "$out"
mkdir -p "$out"
cat "$backup" >/dev/null # the peers and the writer all read from the page cache

# run_once OUTPUT COMMAND...: runs the command once; prints its elapsed seconds, CPU seconds (user and system),
# peak KiB and output size.
run_once() {
    local output="$1"
    shift
    rm -f "$output"
    /usr/bin/time -o "$out/time.txt" -f "%e %U %S %M" "$@" >/dev/null
    local elapsed user system kib
    read -r elapsed user system kib <"$out/time.txt"
    echo "$elapsed $(awk "BEGIN { print $user + $system }") $kib $(stat -c %s "$output")"
}

min() { awk "BEGIN { print ($1 < $2) ? $1 : $2 }"; }

# compare LABEL WRITER_METHOD EXTENSION PEER_COMMAND [WRITER_ARGUMENTS...]: writer and peer alternate RUNS times;
# the best elapsed and CPU times of each count, and the largest peak memory. The writer runs on $threads threads.
compare() {
    local label="$1" method="$2" ext="$3" peer="$4"
    shift 4
    local extra=("$@")
    local wt=1e9 wc=1e9 wm=0 ws pt=1e9 pc=1e9 pm=0 ps t c m
    for ((i = 0; i < runs; i++)); do
        read -r t c m ws <<<"$(run_once "$out/writer$ext" "$driver" "$method" "$out/writer$ext" "$backup" "$threads" "${extra[@]}")"
        wt=$(min "$t" "$wt")
        wc=$(min "$c" "$wc")
        wm=$((m > wm ? m : wm))
        read -r t c m ps <<<"$(run_once "$out/peer$ext" bash -c "$peer" _ "$backup" "$out/peer$ext")"
        pt=$(min "$t" "$pt")
        pc=$(min "$c" "$pc")
        pm=$((m > pm ? m : pm))
    done
    report "$label" "$wt" "$wc" "$wm" "$ws" "$pt" "$pc" "$pm" "$ps"
    if ((${#extra[@]} == 0)); then
        unzip -t -qq "$out/writer$ext" >/dev/null || echo "$label: the writer's archive does not test correctly" >&2
    fi
}

ratio() { awk "BEGIN { printf \"%.3f\", $1 / $2 }"; }
mib() { awk "BEGIN { printf \"%.1f\", $1 / 1024 }"; }

report() {
    local label="$1" wt="$2" wc="$3" wm="$4" ws="$5" pt="$6" pc="$7" pm="$8" ps="$9"
    echo "$label: writer $wt s (CPU $wc s) $(mib "$wm") MiB $ws B; peer $pt s (CPU $pc s) $(mib "$pm") MiB $ps B"
    echo "$label ratios: time $(ratio "$wt" "$pt"), CPU time $(ratio "$wc" "$pc"), peak memory $(ratio "$wm" "$pm")," \
        "size $(ratio "$ws" "$ps")"
}

echo "Source: $backup ($(stat -c %s "$backup") bytes), $runs run(s) each, writer and peer alternating," \
    "writer on $threads thread(s), $(nproc) core(s), load $(cut -d' ' -f1-3 /proc/loadavg)"
compare "Deflate vs zip -9" deflate .zip 'cd "$(dirname "$1")" && exec zip -9 -q "$2" "$(basename "$1")"'
compare "Deflate vs pigz -9" deflate .zip 'exec pigz -9 -c "$1" > "$2"'
compare "Bzip2 vs bzip2 -9" bzip2 .bz2 'exec bzip2 -9 -c "$1" > "$2"'
compare "Bzip2 vs lbzip2 -9" bzip2 .bz2 'exec lbzip2 -9 -c "$1" > "$2"'
compare "Deflate encrypted vs not" deflate .zip "exec \"$driver\" deflate \"\$2\" \"\$1\" $threads" bench-password
rm -rf "$out"
