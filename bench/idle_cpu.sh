#!/usr/bin/env bash
# CPU time that the window program uses while it idles minimised with a schedule loaded.
#
#   bench/idle_cpu.sh [TERVOLEN]      (from the repository root; TERVOLEN defaults to build/tervolen)
#
# Builds nothing. Copies the executable (and Lang/ beside it, if present) into a temporary folder with a settings
# file whose schedule ticks every weekday and two hours far from now, so that no backup starts. Starts it under
# `xvfb-run -a` (it minimises itself at start), waits SETTLE seconds (default 5), then reads the process's user and
# system CPU time from /proc/PID/stat before and after SECONDS seconds (default 60) and prints it as a share of
# one core; Xvfb's share is printed for information. Target: under 0.5 %. Stops the program and Xvfb at the end.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(realpath "${1:-$root/build/tervolen}")"
settle="${SETTLE:-5}"
seconds="${SECONDS_MEASURED:-60}"

[[ -x "$program" ]] || { echo "No executable tervolen at $program" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb)" >&2; exit 2; }

work="$(mktemp -d)"
group=""
cleanup() {
    if [[ -n "$group" ]] && kill -0 -- "-$group" 2>/dev/null; then
        kill -TERM -- "-$group" 2>/dev/null || true
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 -- "-$group" 2>/dev/null || break
            sleep 0.5
        done
        kill -KILL -- "-$group" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

cp "$program" "$work/tervolen"
[[ -d "$(dirname "$program")/Lang" ]] && cp -r "$(dirname "$program")/Lang" "$work/Lang"
mkdir -p "$work/backups"
now=$((10#$(date +%H)))
printf '%s\r\n' \
    "[DIRECTORYS]" "Base=$work/absent.fdb" "BackUpDir=$work/backups" "" \
    "[VERBOSEMODE]" "Verbose=Checked" "" \
    "[DAYS]" "Monday=1" "Tuesday=1" "Wednesday=1" "Thursday=1" "Friday=1" "Saturday=1" "Sunday=1" "" \
    "[HOURS]" "$(printf '%02d:00' $(((now + 8) % 24)))=1" "$(printf '%02d:00' $(((now + 16) % 24)))=1" "" \
    "[PROTOCOL]" "Type=LOCAL" "" \
    "[CLIENTLIB]" "ClientLib=libfbclient.so.2" "" \
    "[USERNAME]" "UserName=SYSDBA" "" \
    "[PASSWORD]" "Pswd=masterkey" "" \
    "[BKPEXT]" "Ext=.fbk" "" \
    "[COMPRESSION]" "Checked=0" > "$work/tervolen.ini"
chmod 600 "$work/tervolen.ini"

# The program runs in a session of its own, so that the whole group (xvfb-run, Xvfb, program) can be stopped.
# shellcheck disable=SC2016 # $$ and $1 belong to the inner shell
setsid xvfb-run -a sh -c 'echo $$ > "$1/pid"; exec "$1/tervolen"' _ "$work" >"$work/output.txt" 2>&1 &
group=$!
for _ in $(seq 50); do
    [[ -s "$work/pid" ]] && break
    sleep 0.1
done
pid=$(cat "$work/pid")
sleep "$settle"
kill -0 "$pid" 2>/dev/null || { echo "The program ended early:" >&2; cat "$work/output.txt" >&2; exit 1; }
xvfb=$(pgrep -s "$group" -x Xvfb || true)

# cpu_ticks PID: user + system clock ticks of the process (all its threads).
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
uptime_now() { cut -d' ' -f1 /proc/uptime; }

hz=$(getconf CLK_TCK)
t0=$(uptime_now)
p0=$(cpu_ticks "$pid")
x0=$([[ -n "$xvfb" ]] && cpu_ticks "$xvfb" || echo 0)
sleep "$seconds"
t1=$(uptime_now)
p1=$(cpu_ticks "$pid")
x1=$([[ -n "$xvfb" ]] && cpu_ticks "$xvfb" || echo 0)

[[ -z "$(ls -A "$work/backups")" ]] || echo "Warning: a backup ran during the measurement" >&2
awk -v p="$((p1 - p0))" -v x="$((x1 - x0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
    wall = t1 - t0
    printf "tervolen: %.2f s CPU over %.1f s = %.3f %% of one core (target under 0.5 %%)\n", p / hz, wall, 100 * p / hz / wall
    printf "Xvfb:     %.2f s CPU over %.1f s = %.3f %% of one core (for information)\n", x / hz, wall, 100 * x / hz / wall
}'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
