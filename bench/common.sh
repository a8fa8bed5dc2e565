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
