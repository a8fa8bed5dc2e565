#!/usr/bin/env bash
# Measures the resident program as a user's session runs it: the time from just
# before exec to "resident" (icon added, alarm tick running: the moment it
# writes KVX_READY_FILE), its memory 5 s after start (VmRSS, and PSS, which
# shares the libraries' pages out among the processes that map them) and after
# a minute idle, and its processor use over that idle minute. Runs on the test
# stack's private X server with a small XEmbed tray (trayer), as autostart at
# login runs it: the icon goes to the tray and no window is shown. Each start
# gets a fresh home (private folders, the data file copied in); once with a data
# file without alarms and once with 1,000 alarms.
#
# Usage: bench/resident_startup.sh [program] [data-file writer]
#   program  the release build's program (default build/app/kalvendorix, from `make build`)
#   writer   kvx_blackbox_tests of a test build, which writes the 1,000-alarm
#            file (--write-data-file); by default the first one under build*/
# Environment: KVX_STARTUP_RUNS (default 21), KVX_IDLE_SECONDS (default 60),
#   KVX_MEMORY_AFTER (seconds after start for the memory, default 5).
# Exits 1 when an aim is missed: start-up median at most 40 ms and every start
# under 300 ms; VmRSS at most 34 MB and PSS at most 15 MB after start; VmRSS
# under 80 MB after the idle span; under 0.2 % of one core idle.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
runs=${KVX_STARTUP_RUNS:-21}
idle=${KVX_IDLE_SECONDS:-60}
settle=${KVX_MEMORY_AFTER:-5}
aim_median_ms=40
aim_ms=300
aim_start_rss_kb=$((34 * 1024))
aim_start_pss_kb=$((15 * 1024))
aim_kb=$((80 * 1024))
aim_cpu_basis_points=20 # hundredths of a per cent

# A sound server and an X server with a notification area, as a desktop session has them.
bench_tray_session startup

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { # utime + stime of a process, in clock ticks
  local rest
  rest=$(sed 's/^.*) //' "/proc/$1/stat")
  # After the command name: field 3 (state) comes first, utime is field 14, stime 15.
  awk '{ print $12 + $13 }' <<<"$rest"
}

# A fresh home in folder $1 with the data file $2 (or none: no alarms).
fresh_home() {
  rm -rf "$1"
  mkdir -p "$1/data/Kalvendorix" "$1/config" "$1/runtime"
  chmod 700 "$1/runtime"
  if [ -n "$2" ]; then cp "$2" "$1/data/Kalvendorix/Kalvendorix.dat"; fi
}

# Starts the program in folder $1 and waits (at most 30 s) until it is resident.
# Sets pid, start_ms and start_cpu_us.
start_program() {
  local home=$1 ready=$1/ready began deadline
  rm -f "$ready"
  began=$(now_ns)
  XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime \
    QT_QPA_PLATFORM=xcb KVX_READY_FILE=$ready "$program" >"$home/log" 2>&1 &
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
  # Its processor time so far (all threads), which a loaded machine does not stretch.
  start_cpu_us=$(cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%d\n", n / 1000 }')
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
check() { # value aim label: ok when value < aim
  if (( $1 < $2 )); then echo "    ok: $3"; else echo "    MISSED: $3"; missed=1; fi
}
pss_kb() { awk '/^Pss:/ { print $2 }' "/proc/$1/smaps_rollup"; }

# One data file: a warm-up start, $runs timed starts, then one start measured
# for memory and an idle minute.
measure() { # label, data file to copy in (or "" for a file without alarms)
  local label=$1 source=$2 home=$work/$1
  # The warm-up brings the program's files into the page cache.
  fresh_home "$home" "$source"
  start_program "$home"
  stop_program

  local times=() cpus=() i
  for (( i = 0; i < runs; i++ )); do
    fresh_home "$home" "$source"
    start_program "$home"
    times+=("$start_ms")
    cpus+=("$(( start_cpu_us / 1000 ))")
    stop_program
  done
  local cpu_median
  cpu_median=$(printf '%s\n' "${cpus[@]}" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }')
  local sorted median min max quartile1 quartile3
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  median=$(awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }' <<<"$sorted")
  quartile1=$(awk '{ v[NR] = $1 } END { print v[int((NR + 3) / 4)] }' <<<"$sorted")
  quartile3=$(awk '{ v[NR] = $1 } END { print v[int((3 * NR + 3) / 4)] }' <<<"$sorted")
  min=$(head -n 1 <<<"$sorted")
  max=$(tail -n 1 <<<"$sorted")

  fresh_home "$home" "$source"
  start_program "$home"
  pause "$settle"
  local rss_start pss_start ticks_before began ticks_after ended rss_idle pss_idle elapsed_ms basis_points
  rss_start=$(rss_kb "$pid")
  pss_start=$(pss_kb "$pid")
  ticks_before=$(cpu_ticks "$pid")
  began=$(now_ns)
  pause "$idle"
  ticks_after=$(cpu_ticks "$pid")
  ended=$(now_ns)
  rss_idle=$(rss_kb "$pid")
  pss_idle=$(pss_kb "$pid")
  stop_program
  elapsed_ms=$(( (ended - began) / 1000000 ))
  local cpu_ms=$(( (ticks_after - ticks_before) * 1000 / ticks_per_second ))
  basis_points=$(( cpu_ms * 10000 / elapsed_ms ))

  echo "== data file: $label"
  echo "  start-up to resident: median $median ms, quartiles $quartile1-$quartile3 ms, min $min, max $max ms over $runs runs (in order: ${times[*]})"
  echo "  processor time until resident (all threads): median $cpu_median ms (in order: ${cpus[*]})"
  echo "  VmRSS: $rss_start kB $settle s after start, $rss_idle kB after $idle s more idle"
  echo "  PSS:   $pss_start kB $settle s after start, $pss_idle kB after $idle s more idle"
  echo "  processor: $cpu_ms ms over $(( elapsed_ms / 1000 )) s idle = $(awk -v c="$cpu_ms" -v e="$elapsed_ms" 'BEGIN { printf "%.3f", 100 * c / e }') % of one core"
  check "$median" "$(( aim_median_ms + 1 ))" "start-up at most $aim_median_ms ms (median)"
  check "$max" "$aim_ms" "start-up under $aim_ms ms (max)"
  check "$rss_start" "$(( aim_start_rss_kb + 1 ))" "VmRSS at most 34 MB (34816 kB) $settle s after start"
  check "$pss_start" "$(( aim_start_pss_kb + 1 ))" "PSS at most 15 MB (15360 kB) $settle s after start"
  check "$(( rss_idle > rss_start ? rss_idle : rss_start ))" "$aim_kb" "resident memory under 80 MB"
  check "$basis_points" "$aim_cpu_basis_points" "idle processor use under 0.2 % of one core"
}

echo "program: $program"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "${KVX_SOUND_SERVER:-}" = 1 ]; then echo "sound server: private, null sinks"; else echo "sound server: none"; fi
echo "desktop: private X server $DISPLAY with an XEmbed tray; a fresh home for every start"
measure "no-alarms" ""
if [ -n "$writer" ]; then
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$work/alarms.dat" 1000
  measure "1000-alarms" "$work/alarms.dat"
else
  echo "== data file: 1000-alarms skipped (no kvx_blackbox_tests found; build the tests or pass its path)"
fi
echo "machine after: load average $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$missed"
