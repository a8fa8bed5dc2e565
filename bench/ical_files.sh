#!/usr/bin/env bash
# The iCalendar files through the running program, as from a terminal: how long
# `kalvendorix --export FILE` takes with 1,000 and with 32,767 alarms, and
# `kalvendorix --import FILE` of a calendar of 10,000 events into an empty home.
# The copies run without any desktop (offscreen).
#
# Usage: bench/ical_files.sh [program] [data-file writer]
#   program  the release build's program (default build/app/kalvendorix, from `make build`)
#   writer   kvx_blackbox_tests of a test build, which writes the data file
#            (--write-data-file); by default the first one under build*/
# Environment: KVX_ICAL_COUNTS (default "1000 32767"), KVX_ICAL_EVENTS (default 10000).
# Exits 1 when the export of 32,767 alarms takes 2 s or more, or an import misses an event.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
counts=${KVX_ICAL_COUNTS:-1000 32767}
events=${KVX_ICAL_EVENTS:-10000}
aim_ms=2000
export LC_ALL=C.UTF-8

need_writer
work=$(mktemp -d "${TMPDIR:-/tmp}/kvx-ical.XXXXXX")
homes=()
cleanup() {
  for home in "${homes[@]}"; do run_in "$home" --quit >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT
new_home() { # folder
  bench_home "$1"
  homes+=("$1")
}
ms_of() { # command...
  local start
  start=$(now_ns)
  "$@" >/dev/null
  echo $(( ($(now_ns) - start) / 1000000 ))
}

status=0
for count in $counts; do
  home=$work/export-$count
  new_home "$home"
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$home/data/Kalvendorix/Kalvendorix.dat" "$count"
  run_in "$home" --list >/dev/null
  ms=$(ms_of run_in "$home" --export "$work/$count.ics")
  printf '%6d alarms: --export %5d ms, %d bytes\n' "$count" "$ms" "$(stat -c %s "$work/$count.ics")"
  if [ "$count" -ge 32767 ] && [ "$ms" -ge "$aim_ms" ]; then status=1; fi
done

# A calendar of `events` events: the export of a table that many alarms and
# its quick timers (one in eleven of the writer's alarms, never written out).
home=$work/source
new_home "$home"
ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$home/data/Kalvendorix/Kalvendorix.dat" $((events * 11 / 10))
run_in "$home" --export "$work/events.ics" >/dev/null
written=$(grep -c '^BEGIN:VEVENT' "$work/events.ics" || true)
home=$work/import
new_home "$home"
run_in "$home" --list >/dev/null
start=$(now_ns)
answer=$(run_in "$home" --import "$work/events.ics")
ms=$(( ($(now_ns) - start) / 1000000 ))
read_in=$(echo "$answer" | sed -n 's/^\([0-9]*\)件を読み込みました。.*/\1/p')
printf '%6d events: --import %5d ms, %s read in\n' "$written" "$ms" "$read_in"
if [ "$read_in" != "$written" ]; then status=1; fi
exit "$status"
