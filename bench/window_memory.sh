#!/usr/bin/env bash
# The resident program's memory before and after the first open of its editor
# and, in a second run, of its calendar window, with 1,000 alarms: started
# offscreen in private folders as a session starts it, then asked to show its
# window by a second start, as a user's second click on the program does.
# Offscreen there is no notification area, so the program already shows that
# window at start: both numbers then include it. bench/bench_qt_editor's
# BM_MemoryWithBothWindows measures the step from resident to both windows.
#
# Usage: bench/editor_memory.sh [program] [data-file writer]
#   program  the release build's program (default build/app/kalvendorix, from `make build`)
#   writer   kvx_blackbox_tests of a test build (--write-data-file); by default
#            the first one under build*/
# Exits 1 when the program with either window open is not under 60 MB.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
aim_kb=$((60 * 1024))
if [ -z "$writer" ]; then
  echo "no kvx_blackbox_tests found to write the data file (build the tests or pass its path)" >&2
  exit 2
fi

bench_session window-memory

launch() { # ready file
  XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    QT_QPA_PLATFORM=offscreen KVX_READY_FILE=$1 "$program" >>"$work/log" 2>&1 &
}
wait_for() { # seconds, command...
  local tries=$(( $1 * 100 ))
  shift
  until "$@"; do
    tries=$(( tries - 1 ))
    if (( tries <= 0 )); then echo "timed out; the program's output:" >&2; cat "$work/log" >&2; exit 2; fi
    pause 0.01
  done
}

echo "program: $program"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
missed=0
measure() { # label, DEFFORM (1: the open action shows the editor, 0: the calendar)
  rm -rf "$work/data" "$work/runtime" "$work/ready" "$work/ready-second"
  mkdir -p "$work/data/Kalvendorix" "$work/config" "$work/runtime"
  chmod 700 "$work/runtime"
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$work/data/Kalvendorix/Kalvendorix.dat" 1000
  # Devices already chosen, so that the first open shows the window and not the chooser.
  printf '[Kalvendorix]\r\nMIDINM=MIDI\r\nWAVENM=Wave\r\nDEFFORM=%s\r\n' "$2" >"$work/data/Kalvendorix/Kalvendorix.ini"
  launch "$work/ready"
  pid=$!
  wait_for 30 test -s "$work/ready"
  pause 2
  local before after second
  before=$(rss_kb "$pid")
  # The second start finds the first resident, asks it to show its window and ends.
  launch "$work/ready-second"
  second=$!
  wait "$second" || true
  # The window is built and its lists filled; memory then settles.
  pause 3
  after=$(rss_kb "$pid")
  kill -TERM "$pid"
  wait "$pid" || true
  pid=""
  echo "  VmRSS with 1,000 alarms: $(( before / 1024 )) MB at start, $(( after / 1024 )) MB after the second start, with the $1 open ($before kB, $after kB)"
  if (( after < aim_kb )); then echo "    ok: under 60 MB with the $1 open"; else echo "    MISSED: under 60 MB with the $1 open"; missed=1; fi
}
measure editor 1
measure "calendar window" 0
exit "$missed"
