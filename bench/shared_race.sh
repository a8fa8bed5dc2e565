#!/usr/bin/env bash
# Two copies of the program on one data folder (each its own home and runtime
# folder, as on two computers sharing the folder), asked for a quick timer at
# the same moment, round after round: how many commands a second pass through
# the two copies, and whether every timer a command reported saved is in the
# data file. The copies run without any desktop (offscreen).
#
# Usage: bench/shared_race.sh [program] [data-file writer]
#   program  the release build's program (default build/app/kalvendorix, from `make build`)
#   writer   kvx_blackbox_tests of a test build, which writes the data file
#            (--write-data-file); by default the first one under build*/
# Environment: KVX_RACE_ROUNDS (default 40), KVX_RACE_COUNTS (alarms already in
# the file, default "0 1000").
# Exits 1 when a timer reported saved is missing from the file.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
rounds=${KVX_RACE_ROUNDS:-40}
counts=${KVX_RACE_COUNTS:-0 1000}
export LC_ALL=C.UTF-8

need_writer
work=$(mktemp -d "${TMPDIR:-/tmp}/kvx-race.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT


lost_any=0
for count in $counts; do
  a=$work/$count/a
  b=$work/$count/b
  bench_home "$a"
  bench_home "$b"
  data=$a/data/Kalvendorix/Kalvendorix.dat
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$data" "$count"
  printf '[Kalvendorix]\r\nDATAPATH=%s\r\n' "$data" >"$b/data/Kalvendorix/Kalvendorix.ini"
  run_in "$a" --list >/dev/null
  run_in "$b" --list >/dev/null
  pids=("$(cat "$a/ready")" "$(cat "$b/ready")")
  failed=0
  start=$(now_ns)
  for (( round = 0; round < rounds; round++ )); do
    run_in "$a" --quick 30 "A$round" >/dev/null 2>>"$work/errors" &
    first=$!
    run_in "$b" --quick 30 "B$round" >/dev/null 2>>"$work/errors" &
    second=$!
    wait "$first" || failed=$((failed + 1))
    wait "$second" || failed=$((failed + 1))
  done
  elapsed_ms=$(( ($(now_ns) - start) / 1000000 ))
  run_in "$a" --quit >/dev/null
  run_in "$b" --quit >/dev/null
  for p in "${pids[@]}"; do
    for (( i = 0; i < 200 && $(kill -0 "$p" 2>/dev/null && echo 1 || echo 0); i++ )); do pause 0.05; done
  done
  pids=()
  # Every timer of a command that exited 0 must be in the file; a refused one must not.
  listed=$(run_in "$a" --list | grep -cE $'\t[AB][0-9]+$' || true)
  run_in "$a" --quit >/dev/null
  kept=$((2 * rounds - failed))
  printf '%5d alarms: %d commands in %d ms (%.1f a second), %d refused, %d timers in the file\n' \
    "$count" $((2 * rounds)) "$elapsed_ms" "$(awk -v n=$((2 * rounds)) -v ms="$elapsed_ms" 'BEGIN { printf "%.1f", n * 1000 / ms }')" \
    "$failed" "$listed"
  if [ "$listed" -ne "$kept" ]; then
    echo "  lost: $((kept - listed)) timers reported saved are not in the file" >&2
    lost_any=1
  fi
done
exit "$lost_any"
