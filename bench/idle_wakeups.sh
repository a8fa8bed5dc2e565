#!/usr/bin/env bash
# What the resident program costs while it waits: wake-ups (voluntary and
# involuntary context switches of all its threads) and CPU time over an idle
# span, windows hidden, with 1,000 and with 32767 alarms none of which is due
# then. It runs on the test stack's private X server with a small XEmbed tray
# (trayer), so that the program sits in a notification area as on a desktop.
#
# Usage: bench/idle_wakeups.sh [program] [data-file writer] [seconds] [alarm counts]
#   program  the release build's program (default build/app/kalvendorix, from `make build`)
#   writer   kvx_blackbox_tests of a test build (--write-data-file); by default
#            the first one under build*/
#   seconds  the measured span, default 300
#   counts   default "1000 32767"
# Exits 1 when a count misses the aim: at most 2 wake-ups a minute and at most
# 0.005 % of one core.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
seconds=${3:-300}
counts=${4:-"1000 32767"}
if [ -z "$writer" ]; then
  echo "no kvx_blackbox_tests found to write the data file (build the tests or pass its path)" >&2
  exit 2
fi
bench_tray_session idle-wakeups

# Context switches and CPU nanoseconds summed over the program's threads.
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^(voluntary|nonvoluntary)_ctxt_switches:/ { n += $2 } END { print n + 0 }'
}
cpu_ns() {
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%d\n", n }'
}

echo "program: $program"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); span ${seconds} s"
missed=0
for count in $counts; do
  rm -rf "$work/data" "$work/runtime" "$work/ready"
  mkdir -p "$work/data/Kalvendorix" "$work/config" "$work/runtime"
  chmod 700 "$work/runtime"
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$work/data/Kalvendorix/Kalvendorix.dat" "$count"
  printf '[Kalvendorix]\r\nMIDINM=MIDI\r\nWAVENM=Wave\r\n' >"$work/data/Kalvendorix/Kalvendorix.ini"
  XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    QT_QPA_PLATFORM=xcb KVX_READY_FILE=$work/ready "$program" >>"$work/log" 2>&1 &
  pid=$!
  for _ in $(seq 3000); do
    if [ -s "$work/ready" ]; then break; fi
    pause 0.01
  done
  if [ ! -s "$work/ready" ]; then echo "the program did not start; its output:" >&2; cat "$work/log" >&2; exit 2; fi
  # The start-up settles: the tray icon is embedded, the sound stack is idle.
  pause 10
  s0=$(switches "$pid"); c0=$(cpu_ns "$pid"); t0=$(now_ns)
  pause "$seconds"
  s1=$(switches "$pid"); c1=$(cpu_ns "$pid"); t1=$(now_ns)
  kill -TERM "$pid"
  wait "$pid" || true
  pid=""
  awk -v n="$count" -v s=$((s1 - s0)) -v c=$((c1 - c0)) -v t=$((t1 - t0)) 'BEGIN {
    per_minute = s * 60e9 / t; share = 100 * c / t
    printf "  %5d alarms: %d wake-ups in %.0f s = %.1f a minute; CPU %.1f ms = %.4f %% of one core\n", n, s, t / 1e9, per_minute, c / 1e6, share
    ok = per_minute <= 2 && share <= 0.005
    printf "    %s: at most 2 wake-ups a minute and 0.005 %% of one core\n", ok ? "ok" : "MISSED"
    exit ok ? 0 : 1 }' || missed=1
done
exit "$missed"
