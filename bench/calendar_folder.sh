#!/usr/bin/env bash
# The calendar folder (ICALDIR) through the running program, as from a terminal:
# - a table of 1,000 alarms written to an empty folder, then a save that adds
#   one alarm (--import of one event): how many files that save writes;
# - a folder of 10,000 items taken in at the start of a copy with an empty
#   table, and the start after it (the base kept: nothing read again), each
#   against the start of a copy without a folder.
# The copies run without any desktop (offscreen).
#
# Usage: bench/calendar_folder.sh [program] [data-file writer]
# Exits 1 when the save of one alarm writes other than one file, the folder of
# 10,000 items takes 1 s or more beyond a plain start, or an item is missed.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
export LC_ALL=C.UTF-8
aim_ms=1000

need_writer
work=$(mktemp -d "${TMPDIR:-/tmp}/kvx-folder.XXXXXX")
homes=()
cleanup() {
  for home in "${homes[@]}"; do run_in "$home" --quit >/dev/null 2>&1 || true; done
  pause 1 # the copies end
  rm -rf "$work"
}
trap cleanup EXIT
new_home() { # folder, calendar folder ("" none), alarms written (0 none)
  bench_home "$1"
  homes+=("$1")
  if [ -n "$2" ]; then printf '[Kalvendorix]\r\nICALDIR=%s\r\n' "$2" >"$1/data/Kalvendorix/Kalvendorix.ini"; fi
  if [ "$3" -gt 0 ]; then
    ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$1/data/Kalvendorix/Kalvendorix.dat" "$3" >/dev/null
  fi
}
ms_of() { # command...
  local start
  start=$(now_ns)
  "$@" >/dev/null
  echo $(( ($(now_ns) - start) / 1000000 ))
}
items() { find "$1" -maxdepth 1 -name '*.ics' | wc -l; }
status=0

# 1,000 alarms (the writer's quick timers, one in eleven, are no items).
home=$work/thousand
new_home "$home" "$work/thousand-folder" 1100
ms=$(ms_of run_in "$home" --list)
printf '%6d items written at the first start: %5d ms (with the start)\n' "$(items "$work/thousand-folder")" "$ms"
cat >"$work/one.ics" <<'ICS'
BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//bench//EN
BEGIN:VEVENT
UID:bench-one-more
DTSTAMP:20260101T000000Z
DTSTART:20270105T063000
RRULE:FREQ=DAILY
SUMMARY:one more
END:VEVENT
END:VCALENDAR
ICS
touch "$work/mark"
pause 0.02
ms=$(ms_of run_in "$home" --import "$work/one.ics")
written=$(find "$work/thousand-folder" -maxdepth 1 -name '*.ics' -newer "$work/mark" | wc -l)
printf '  a save adding one alarm of %d: %d ms, %d file(s) written\n' "$(items "$work/thousand-folder")" "$ms" "$written"
if [ "$written" -ne 1 ]; then status=1; fi

# 10,000 items, made by a copy of the program, then taken in by another.
home=$work/source
new_home "$home" "$work/source-folder" 11000
run_in "$home" --list >/dev/null
made=$(items "$work/source-folder")
home=$work/plain
new_home "$home" "" 0
plain=$(ms_of run_in "$home" --list)
run_in "$home" --quit >/dev/null
home=$work/taker
new_home "$home" "$work/taker-folder" 0
cp -a "$work/source-folder" "$work/taker-folder"
first=$(ms_of run_in "$home" --list)
taken=$(run_in "$home" --list | grep -c . || true)
run_in "$home" --quit >/dev/null
pause 1
again=$(ms_of run_in "$home" --list)
printf '%6d items taken in at start: %5d ms; the start after: %5d ms; a start without a folder: %5d ms\n' \
  "$made" "$first" "$again" "$plain"
printf '  %d alarms listed\n' "$taken"
if [ $((first - plain)) -ge "$aim_ms" ] || [ "$taken" -lt "$made" ]; then status=1; fi
exit "$status"
