# Shared by the measurement scripts; sourced with `here` set to the project folder
# and the script's arguments: [program] [data-file writer].
# Sets `program` and `writer` and defines `pause` and `now_ns`.

program=$(realpath "${1:-$here/build/app/kalvendorix}")
writer=${2:-}
if [ ! -x "$program" ]; then
  echo "no program at $program (build it with: make build)" >&2
  exit 2
fi
if [ -z "$writer" ]; then
  for candidate in "$here"/build*/tests/blackbox/kvx_blackbox_tests; do
    if [ -x "$candidate" ]; then writer=$candidate; break; fi
  done
fi

# A pause without starting a process: read with a time-out on a pipe that never speaks.
exec {pause_fd}<> <(:)
pause() { read -r -t "$1" -u "$pause_fd" _ || true; }
now_ns() { date +%s%N; }

# A session for a measured program: the test stack's sound server (as a
# desktop session has one), a scratch folder `work`, and `pid`, the program
# still running at exit, which is killed then.
bench_session() { # name of the scratch folder
  if [ -x "$here/scripts/test-stack" ]; then
    # shellcheck source=/dev/null
    source "$here/scripts/test-stack"
    start_test_stack
  fi
  work=$(mktemp -d "${TMPDIR:-/tmp}/kvx-$1.XXXXXX")
  pid=""
  trap _bench_cleanup EXIT
}
_bench_cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
  if declare -F stop_test_stack >/dev/null; then stop_test_stack; fi
}
# bench_session on the test stack's X server with a small XEmbed tray
# (trayer), as a desktop session has one. No session bus: the icon goes to
# that tray.
bench_tray_session() { # name of the scratch folder
  local tool
  for tool in trayer xdotool; do
    if ! command -v "$tool" >/dev/null; then echo "$tool is missing (scripts/install-deps installs it)" >&2; exit 2; fi
  done
  bench_session "$1"
  if [ -z "${DISPLAY:-}" ]; then echo "the X server of the test stack did not start" >&2; exit 2; fi
  unset DBUS_SESSION_BUS_ADDRESS
  trayer --edge top --align left --widthtype request --height 32 >"$work/tray.log" 2>&1 &
  tray=$!
  trap 'kill "$tray" 2>/dev/null || true; _bench_cleanup' EXIT
  for _ in $(seq 100); do
    if xdotool search --name '^panel$' >/dev/null 2>&1; then break; fi
    pause 0.1
  done
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# A home of its own for one copy of the program (data, settings and runtime
# folders), and a command run in it without any desktop (offscreen).
bench_home() { # folder
  mkdir -p "$1/data/Kalvendorix" "$1/config" "$1/runtime"
  chmod 700 "$1/runtime"
}
run_in() { # home, arguments...
  local home=$1
  shift
  XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime XDG_STATE_HOME=$home/state \
    QT_QPA_PLATFORM=offscreen KVX_READY_FILE=$home/ready "$program" "$@"
}
# Exits 2 when no data-file writer was found or given.
need_writer() {
  if [ -z "$writer" ]; then
    echo "no kvx_blackbox_tests to write the data file (build the tests or pass its path)" >&2
    exit 2
  fi
}
