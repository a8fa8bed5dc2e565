#!/usr/bin/env bash
# Measures how soon after the start of an alarm's minute the program shows its
# notification window "Kalvendorix (アラーム)" (mapped on the X server) and sends
# the desktop notification (the Notify call seen on the session bus), and when
# it records the bell as rung. Runs the program as a session runs it, on the
# test stack's X server and sound server (scripts/test-stack), with a small
# XEmbed tray (trayer), a private session bus and a notification server
# (dunst): resident, no window opened before the ring, so the ring is the
# program's first use of its sound. Each run writes a data file whose daily
# alarm, with an endless sound, comes after 1,000 other alarms that are not
# due; the program's wall clock is faked (libfaketime) to start 15 s before
# the alarm's minute, and the X server is polled every few milliseconds from
# just before it.
#
# Runs come in two kinds: with a cold GStreamer registry (a fresh cache
# folder: the first ring after installing or after a plugin update) and with
# a warm one.
#
# Usage: bench/ring_latency.sh [program] [test program]
#   program       the release build's program (default build/app/kalvendorix, from `make build`)
#   test program  kvx_blackbox_tests of a test build, which writes and reads the
#                 data file (--write-data-file, --last-ring); by default the first under build*/
# Environment: KVX_RING_RUNS (runs of each kind, default 3), KVX_RING_OTHER_ALARMS
# (default 1000).
# Exits 1 when the median of a kind misses the aims: window 20 ms, notification 30 ms,
# and when a bell is recorded at any other second than its own.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=bench/common.sh
source "$here/bench/common.sh"
runs=${KVX_RING_RUNS:-3}
others=${KVX_RING_OTHER_ALARMS:-1000}
window_aim_ms=20
notice_aim_ms=30
lead_s=15
title='Kalvendorix (アラーム)'
# Window titles and the tools' output in UTF-8 whatever the caller's locale.
export LC_ALL=C.UTF-8

if [ -z "$writer" ]; then
  echo "no kvx_blackbox_tests to write the data file (build the tests or pass its path)" >&2
  exit 2
fi
faketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -1)
for tool in dunst dbus-daemon dbus-monitor xwininfo sox gst-inspect-1.0; do
  if ! command -v "$tool" >/dev/null; then echo "$tool is missing (scripts/install-deps installs it)" >&2; exit 2; fi
done
if [ -z "$faketime" ]; then echo "libfaketime is missing (scripts/install-deps installs it)" >&2; exit 2; fi

bench_tray_session ring
if [ "${KVX_SOUND_SERVER:-}" != 1 ]; then
  echo "needs the sound server of scripts/test-stack" >&2
  exit 2
fi

# A session bus with a notification server; dbus-monitor notes when each
# Notify call passes.
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
bus_address=$(sed -n 1p <<<"$bus")
bus_pid=$(sed -n 2p <<<"$bus")
export DBUS_SESSION_BUS_ADDRESS=$bus_address
dunst >"$work/dunst.log" 2>&1 &
dunst_pid=$!
dbus-monitor --profile "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
  >"$work/notify.log" 2>&1 &
monitor_pid=$!
trap 'kill "$monitor_pid" "$dunst_pid" "$bus_pid" "$tray" 2>/dev/null || true; _bench_cleanup' EXIT

window_shown() { xwininfo -name "$title" 2>/dev/null | grep -q 'Map State: IsViewable'; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

sox -n -r 22050 -c 1 "$work/ring.wav" synth 3 sine 660 vol 0.1
mkdir -p "$work/warm-cache"
XDG_CACHE_HOME=$work/warm-cache gst-inspect-1.0 >/dev/null 2>&1

missed=0
summary=()
# One run: prints "window_ms notice_ms" or fails the run.
ring_once() { # kind run
  local kind=$1 run=$2 home=$work/$1$2 cache
  mkdir -p "$home/data/Kalvendorix" "$home/config" "$home/runtime"
  chmod 700 "$home/runtime"
  if [ "$kind" = cold ]; then cache=$home/cache; else cache=$work/warm-cache; fi
  # The bell, in the program's time: a minute ten minutes from now.
  local boundary_s=$(( ( $(date +%s) / 60 + 10 ) * 60 ))
  local minute
  minute=$(date -d "@$boundary_s" +%H:%M)
  ASAN_OPTIONS=detect_leaks=0 "$writer" --write-data-file "$home/data/Kalvendorix/Kalvendorix.dat" \
    "$others" "$minute" "$work/ring.wav"
  local offset_s=$(( boundary_s - lead_s - $(date +%s) ))
  local boundary_ns=$(( (boundary_s - offset_s) * 1000000000 ))
  local notices_before
  notices_before=$(grep -c 'Notify$' "$work/notify.log" || true)

  XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime XDG_CACHE_HOME=$cache \
    LD_PRELOAD=$faketime FAKETIME="+$offset_s" FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
    QT_QPA_PLATFORM=xcb KVX_READY_FILE=$home/ready "$program" >"$home/log" 2>&1 &
  pid=$!
  local i
  for (( i = 0; i < 100; i++ )); do
    if [ -s "$home/ready" ] || ! kill -0 "$pid" 2>/dev/null; then break; fi
    pause 0.1
  done
  if [ ! -s "$home/ready" ]; then
    echo "$kind run $run: the program did not become resident; its output:" >&2
    cat "$home/log" >&2
    exit 2
  fi
  if window_shown; then
    echo "$kind run $run: the window was shown before its minute" >&2
    exit 2
  fi

  # A window made ahead of its bell is watched for its mapping as the X server
  # reports it; one made at the ring is looked for every few milliseconds.
  while (( $(now_ns) < boundary_ns - 3000000000 )); do pause 0.05; done
  local made_ahead found_ns=0 polls=0 look_ns previous_ns poll_began
  # Made ahead, the window is still named by its form until a ring fills it.
  made_ahead=$( (xwininfo -name Form2 2>/dev/null || true) | awk '/Window id:/ { print $4 }')
  if [ -n "$made_ahead" ]; then
    # The moment each line arrives is taken without starting a process.
    stdbuf -oL xev -id "$made_ahead" -event structure 2>/dev/null | while IFS= read -r line; do
      if [[ $line == MapNotify* ]]; then echo "${EPOCHREALTIME/./}" >"$home/mapped"; break; fi
    done &
    local watcher=$!
    while [ ! -s "$home/mapped" ] && (( $(now_ns) < boundary_ns + 20000000000 )); do pause 0.01; done
    pkill -f "xev -id $made_ahead" 2>/dev/null || true
    wait "$watcher" 2>/dev/null || true
    if [ -s "$home/mapped" ]; then found_ns=$(( $(cat "$home/mapped") * 1000 )); fi
    previous_ns=$found_ns
    polls=1
    poll_began=$(now_ns)
  else
    while (( $(now_ns) < boundary_ns - 300000000 )); do pause 0.05; done
    poll_began=$(now_ns)
    look_ns=$poll_began
    previous_ns=$poll_began
    while (( look_ns < boundary_ns + 20000000000 )); do
      polls=$(( polls + 1 ))
      previous_ns=$look_ns
      look_ns=$(now_ns)
      if window_shown; then found_ns=$(now_ns); break; fi
    done
  fi
  local poll_ms=$(( ($(now_ns) - poll_began) / 1000000 / polls ))
  local sound="no stream"
  for (( i = 0; i < 50; i++ )); do
    if [ -n "$(pactl list short sink-inputs)" ]; then sound="playing"; break; fi
    pause 0.1
  done
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  pid=""
  local notice_line notice_ms=-1
  notice_line=$(grep 'Notify$' "$work/notify.log" | sed -n "$(( notices_before + 1 ))p")
  if [ -n "$notice_line" ]; then
    local stamp
    stamp=$(cut -f2 <<<"$notice_line")
    notice_ms=$(( (${stamp%.*} * 1000000000 + 10#${stamp#*.} * 1000 - boundary_ns) / 1000000 ))
  fi
  local rung
  rung=$(ASAN_OPTIONS=detect_leaks=0 "$writer" --last-ring "$home/data/Kalvendorix/Kalvendorix.dat" || echo "unreadable")
  if (( found_ns == 0 )); then
    echo "$kind run $run: alarm at $minute: no window within 20 s of its minute; program exit $status"
    missed=1
    return
  fi
  local window_ms=$(( (found_ns - boundary_ns) / 1000000 ))
  local earliest_ms=$(( (previous_ns - boundary_ns) / 1000000 ))
  local how="seen mapped by the X server"
  if [ -z "$made_ahead" ]; then
    how="not yet at the look begun at ${earliest_ms} ms; one look every ~${poll_ms} ms"
  fi
  echo "$kind run $run: alarm at $minute: window shown ${window_ms} ms after the minute began ($how)," \
    "notification sent at ${notice_ms} ms, recorded as rung at ${rung#* }, sound $sound, program exit $status"
  if [ "$sound" != playing ] || (( status != 0 )) || (( notice_ms < 0 )) || [ "${rung#* }" != "$minute:00" ]; then
    missed=1
  fi
  windows+=("$window_ms")
  notices+=("$notice_ms")
}

for kind in cold warm; do
  windows=()
  notices=()
  for (( run = 1; run <= runs; run++ )); do ring_once "$kind" "$run"; done
  if (( ${#windows[@]} == 0 )); then continue; fi
  window_median=$(median "${windows[@]}")
  notice_median=$(median "${notices[@]}")
  summary+=("$kind registry: window ${windows[*]} ms (median $window_median, aim $window_aim_ms)," \
    "notification ${notices[*]} ms (median $notice_median, aim $notice_aim_ms)")
  if (( window_median > window_aim_ms || notice_median > notice_aim_ms )); then missed=1; fi
done

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $others other alarms in the table"
printf '%s\n' "${summary[@]}"
exit "$missed"
