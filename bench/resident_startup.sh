#!/usr/bin/env bash
# Measures the resident program as a user's session runs it: the time from just
# before exec to "resident" (icon added, alarm tick running: the moment it
# writes KVX_READY_FILE), its resident memory after start and after a minute
# idle, and its processor use over that idle minute. Runs offscreen in private
# folders, once with a data file without alarms and once with 1,000 alarms.
#
# Usage: bench/resident_startup.sh [program] [data-file writer]
#   program  the release build's program (default build/app/kalvendorix, from `make build`)
#   writer   kvx_blackbox_tests of a test build, which writes the 1,000-alarm
#            file (--write-data-file); by default the first one under build*/
# Environment: KVX_STARTUP_RUNS (default 10), KVX_IDLE_SECONDS (default 60).
# Exits 1 when an aim is missed: under 300 ms, under 80 MB, under 0.2 % of one core.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
runs=${KVX_STARTUP_RUNS:-10}
idle=${KVX_IDLE_SECONDS:-60}
aim_ms=300
aim_kb=$((80 * 1024))
aim_cpu_basis_points=20 # hundredths of a per cent

# A sound server as a desktop session has one; the X server of the stack is not used.
bench_session startup


ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { # utime + stime of a process, in clock ticks
  local rest
  rest=$(sed 's/^.*) //' "/proc/$1/stat")
  # After the command name: field 3 (state) comes first, utime is field 14, stime 15.
  awk '{ print $12 + $13 }' <<<"$rest"
}

# Starts the program in folder $1 and waits (at most 30 s) until it is resident.
# Sets pid and start_ms.
start_program() {
  local home=$1 ready=$1/ready began deadline
  rm -f "$ready"
  began=$(now_ns)
  XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime \
    QT_QPA_PLATFORM=offscreen KVX_READY_FILE=$ready "$program" >"$home/log" 2>&1 &
  pid=$!
  deadline=$(( began + 30000000000 ))
  until [ -s "$ready" ]; do
    if ! kill -0 "$pid" 2>/dev/null || (( $(now_ns) > deadline )); then
      echo "the program did not become resident; its output:" >&2
      cat "$home/log" >&2
      exit 2
    fi
    pause 0.001
  done
  start_ms=$(( ($(now_ns) - began) / 1000000 ))
}

stop_program() {
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  pid=""
  if (( status != 0 )); then
    echo "the program ended with $status on SIGTERM" >&2
    exit 2
  fi
}

missed=0
check() { # value aim label
  if (( $1 < $2 )); then echo "    ok: $3"; else echo "    MISSED: $3"; missed=1; fi
}

# One data file: a warm-up start, $runs timed starts, then one resident idle minute.
measure() { # label, data file to copy in (or "" for a file without alarms)
  local label=$1 source=$2 home=$work/$1
  mkdir -p "$home/data/Kalvendorix" "$home/config" "$home/runtime"
  chmod 700 "$home/runtime"
  if [ -n "$source" ]; then cp "$source" "$home/data/Kalvendorix/Kalvendorix.dat"; fi
  # The warm-up also leaves behind the files a user has after the first run.
  start_program "$home"
  stop_program

  local times=() i
  for (( i = 0; i < runs; i++ )); do
    start_program "$home"
    times+=("$start_ms")
    stop_program
  done
  local sorted median max
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  median=$(awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }' <<<"$sorted")
  max=$(tail -n 1 <<<"$sorted")

  start_program "$home"
  pause 1
  local rss_start ticks_before began ticks_after ended rss_idle elapsed_ms basis_points
  rss_start=$(rss_kb "$pid")
  ticks_before=$(cpu_ticks "$pid")
  began=$(now_ns)
  pause "$idle"
  ticks_after=$(cpu_ticks "$pid")
  ended=$(now_ns)
  rss_idle=$(rss_kb "$pid")
  stop_program
  elapsed_ms=$(( (ended - began) / 1000000 ))
  local cpu_ms=$(( (ticks_after - ticks_before) * 1000 / ticks_per_second ))
  basis_points=$(( cpu_ms * 10000 / elapsed_ms ))

  echo "== data file: $label"
  echo "  start-up to resident: median $median ms, max $max ms over $runs runs (all: ${times[*]})"
  echo "  VmRSS: $(( rss_start / 1024 )) MB after start, $(( rss_idle / 1024 )) MB after $idle s idle ($rss_start kB, $rss_idle kB)"
  echo "  processor: $cpu_ms ms over $(( elapsed_ms / 1000 )) s idle = $(awk -v c="$cpu_ms" -v e="$elapsed_ms" 'BEGIN { printf "%.3f", 100 * c / e }') % of one core"
  check "$max" "$aim_ms" "start-up under $aim_ms ms (max)"
  check "$(( rss_idle > rss_start ? rss_idle : rss_start ))" "$aim_kb" "resident memory under 80 MB"
  check "$basis_points" "$aim_cpu_basis_points" "idle processor use under 0.2 % of one core"
}

echo "program: $program"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "${KVX_SOUND_SERVER:-}" = 1 ]; then echo "sound server: private, null sinks"; else echo "sound server: none"; fi
measure "no-alarms" ""
if [ -n "$writer" ]; then
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$work/alarms.dat" 1000
  measure "1000-alarms" "$work/alarms.dat"
else
  echo "== data file: 1000-alarms skipped (no kvx_blackbox_tests found; build the tests or pass its path)"
fi
echo "machine after: load average $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$missed"
