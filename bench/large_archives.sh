#!/usr/bin/env bash
# Archives at the limits: 3000 entries, and one entry of LARGE_MB megabytes (default
# 200, so that the emulated Windows run stays within minutes). Each is packed by drs,
# then unpacked twice, both results compared with the payload:
#   drs unpack on the host: wall time and peak resident memory of the process;
#   SETUP.EXE's own staging and extraction under Wine (bench/extract_bench.cpp): its
#   time and the process's peak working set and private bytes, next to those of an
#   archive of one small entry, so that flat memory shows as equal figures.
# Everything is made under HOST_BUILD/bench/large and removed again afterwards.
#   bench/large_archives.sh HOST_BUILD WIN32_BUILD
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=$(cd "$1" && pwd)
win32=$(cd "$2" && pwd)
drs=$host/tools/drs/drs
bench_exe=$win32/bench/extract_bench.exe
wine_run=$here/../cmake/wine-run.sh
prefix=$win32/wineprefix-bench
work=$host/bench/large
large_mb=${LARGE_MB:-200}
for tool in "$drs" "$bench_exe"; do
  [ -x "$tool" ] || [ -f "$tool" ] || { echo "bench: $tool missing; build both presets first" >&2; exit 1; }
done

rm -rf "$work" && mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# 3000 entries, the most the bootstrap takes: 2999 files in 30 folders, 200 bytes to 12 KB
# of text and binary, and the setup program, without which drs pack makes no archive; one
# small file; one large file cut from the Windows DLLs, repeated.
"$here/payloads.py" "$work" 2999 "$large_mb"
for payload in many small large; do
  head -c 2000 /usr/share/common-licenses/GPL-3 >"$work/$payload/N_SETUP.EXE"
done

# "SECONDS PEAK_RSS_KB" of one process.
host_run() {
  /usr/bin/time -f '%e %M' -o "$work/time.out" "$@" >/dev/null
  cat "$work/time.out"
}

windows_path() { echo "Z:$1" | tr / '\\'; }

# Packs payload $1 and unpacks it both ways; prints
# "FILES BYTES PACK_S HOST_S HOST_RSS_KB WINE_S WINE_PEAK_KB WINE_PRIVATE_KB".
measure() {
  local name=$1 payload=$work/$1 media=$work/media-$1 temp=$work/temp-$1
  mkdir -p "$media" "$temp"
  local files bytes pack host_figures wine_figures
  files=$(find "$payload" -type f | wc -l)
  bytes=$(find "$payload" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
  pack=$(host_run "$drs" pack -q -o "$media/N_SETUP.DRS" "$payload" | cut -d' ' -f1)
  host_figures=$(host_run "$drs" unpack "$media/N_SETUP.DRS" "$work/out-$name")
  diff -r -q "$payload" "$work/out-$name" >/dev/null ||
    { echo "bench: drs unpack of $name differs from the payload" >&2; exit 1; }
  rm -rf "$work/out-$name"
  cp "$bench_exe" "$media/"
  # Wine's own chatter goes to a log, shown only when the run fails.
  wine_figures=$("$wine_run" "$prefix" "$media/extract_bench.exe" "$(windows_path "$temp")" \
    2>"$work/wine-$name.log" | tr -d '\r')
  [ "${wine_figures%% *}" = ok ] ||
    { cat "$work/wine-$name.log" >&2; echo "bench: extraction of $name failed under Wine" >&2; exit 1; }
  diff -r -q "$payload" "$temp/N80_INST" >/dev/null ||
    { echo "bench: SETUP.EXE's extraction of $name differs from the payload" >&2; exit 1; }
  rm -rf "$temp" "$media/N_SETUP.DRS"
  set -- $wine_figures
  echo "$files $bytes $pack $host_figures $(echo "scale=2; $2 / 1000" | bc -l) $3 $4"
}

mb() { echo "scale=1; $1 / 1024" | bc -l; }

printf '\nLarge archives: whole processes; peak memory of drs (resident) and of the Windows\n'
printf 'process under Wine (working set / private bytes, Wine itself included)\n\n'
printf '  %-24s %6s %12s %8s   %-22s %-30s\n' archive files bytes "pack s" "drs unpack s / RSS MB" \
  "SETUP extraction s / WS MB / private MB"
for name in small many large; do
  set -- $(measure "$name")
  printf '  %-24s %6d %12d %8.2f   %8.2f / %-10s %9.2f / %s / %s\n' \
    "$(case $name in small) echo 'one small entry' ;; many) echo '3000 entries' ;;
         large) echo "one entry of $large_mb MB" ;; esac)" \
    "$1" "$2" "$3" "$4" "$(mb "$5")" "$6" "$(mb "$7")" "$(mb "$8")"
done
