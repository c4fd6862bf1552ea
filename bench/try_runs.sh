#!/usr/bin/env bash
# `drs try` on the demo CD image (made by scripts/demo.sh): the first run, which prepares
# the Wine prefix (in a cache of the bench's own, emptied first), a second run, which
# copies it, and --all, sixteen runs side by side up to the number of cores.
#   bench/try_runs.sh HOST_BUILD WIN32_BUILD
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=$(cd "$1" && pwd) win32=$(cd "$2" && pwd)
drs=$host/tools/drs/drs
watch=$win32/tools/setup_watch/setup_watch.exe
iso=$here/../build/demo/nuvik-demo.iso
work=$host/bench/try
HOST_BUILD=$host WIN32_BUILD=$win32 "$here/../scripts/demo.sh" >/dev/null 2>&1 ||
  { echo "bench: the demo medium could not be made and tried (scripts/demo.sh)" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work"
export XDG_CACHE_HOME=$work/cache
# One timed run of drs try with these arguments; its report goes to $work/NAME.log.
timed() {
  local name=$1 wall
  shift
  wall=$({ TIMEFORMAT=%R; time env -u DISPLAY "$drs" try --watcher "$watch" "$@" "$iso" \
    >"$work/$name.log" 2>&1; } 2>&1) || { cat "$work/$name.log"; echo "bench: drs try $* failed" >&2; exit 1; }
  echo "$wall"
}
first=$(timed first)
second=$(timed second)
all=$(timed all --all)
rm -rf "$work/cache"
echo
echo "drs try of the demo CD image (whole process, $(nproc) cores)   seconds"
printf '  first run (prepares the Wine prefix)   %10.1f\n' "$first"
printf '  second run                             %10.1f   (target 15 s natively, 60 s emulated)\n' "$second"
printf '  --all (16 runs)                        %10.1f   (target 180 s natively, 600 s emulated)\n' "$all"
