#!/usr/bin/env bash
# Measures the commands of the terminal against a resident copy: how long
# `kalvendorix --list` takes to print every row, and `--next` its line, with
# 1,000 and with 32,767 alarms in the table. The copy runs without any desktop
# (offscreen); each command is a fresh process, as from a terminal.
#
# Usage: bench/terminal_list.sh [program] [data-file writer]
#   program  the release build's program (default build/app/kalvendorix, from `make build`)
#   writer   kvx_blackbox_tests of a test build, which writes the data file
#            (--write-data-file); by default the first one under build*/
# Environment: KVX_LIST_RUNS (default 5), KVX_LIST_COUNTS (default "1000 32767").
# Exits 1 when a --list of 32,767 alarms takes 2 s or more (median), or misses a row.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
runs=${KVX_LIST_RUNS:-5}
counts=${KVX_LIST_COUNTS:-1000 32767}
aim_ms=2000
export LC_ALL=C.UTF-8

if [ -z "$writer" ]; then
  echo "no kvx_blackbox_tests to write the data file (build the tests or pass its path)" >&2
  exit 2
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/kvx-list.XXXXXX")
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

missed=0
for count in $counts; do
  home=$work/$count
  mkdir -p "$home/data/Kalvendorix" "$home/config" "$home/runtime"
  chmod 700 "$home/runtime"
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$home/data/Kalvendorix/Kalvendorix.dat" "$count"
  export XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime
  QT_QPA_PLATFORM=offscreen KVX_READY_FILE=$home/ready "$program" >"$home/log" 2>&1 &
  pid=$!
  for (( i = 0; i < 300; i++ )); do
    if [ -s "$home/ready" ] || ! kill -0 "$pid" 2>/dev/null; then break; fi
    pause 0.1
  done
  if [ ! -s "$home/ready" ]; then
    echo "$count alarms: the program did not become resident; its output:" >&2
    cat "$home/log" >&2
    exit 2
  fi
  lists=()
  nexts=()
  for (( run = 1; run <= runs; run++ )); do
    began=$(now_ns)
    "$program" --list >"$home/list" 2>"$home/err"
    lists+=($(( ($(now_ns) - began) / 1000000 )))
    rows=$(wc -l <"$home/list")
    if (( rows != count )); then
      echo "$count alarms: --list printed $rows rows: $(cat "$home/err")"
      missed=1
    fi
    began=$(now_ns)
    "$program" --next >/dev/null
    nexts+=($(( ($(now_ns) - began) / 1000000 )))
  done
  kill -TERM "$pid"
  wait "$pid" || true
  pid=""
  list_median=$(median "${lists[@]}")
  echo "$count alarms: --list ${lists[*]} ms (median $list_median, $(wc -c <"$home/list") bytes)," \
    "--next ${nexts[*]} ms (median $(median "${nexts[@]}"))"
  if (( count == 32767 && list_median >= aim_ms )); then missed=1; fi
done
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$missed"
