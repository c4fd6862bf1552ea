#!/usr/bin/env bash
# SETUP.EXE's staging under Wine against drs unpack of the same archive, everything on a
# memory file system (/dev/shm) so that disk write-back does not blur the figures, for
# one entry of 100 MB and for 2,000 files of 200 B to 12 KB in 20 folders:
#   drs unpack          the host tool, whole process;
#   drs.exe unpack      the Windows build of drs under the same Wine, whole process;
#   SETUP.EXE staging   from the start of the process to the hand-off, the moment its
#                       setup program (bench/handoff_clock.cpp) starts.
# Each the best of five: the staging of small files is short enough for a busy
# machine to blur.
#   bench/setup_staging.sh HOST_BUILD WIN32_BUILD
# SETUP_EXE, DRS and DRS_EXE name other builds to measure, an older one for instance;
# SETUP_EXE_BEFORE names a second SETUP.EXE whose staging is timed in the same rounds
# (by default the one built before checksums and seals). The SETUP.EXE measured is
# sealed for its archive, as `drs media --sign-pkcs12` leaves it, and the archive carries
# checksums: every check it makes is timed; the one before makes none.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=$(cd "$1" && pwd)
win32=$(cd "$2" && pwd)
setup=${SETUP_EXE:-$win32/launcher/SETUP.EXE}
drs=${DRS:-$host/tools/drs/drs}
drs_exe=${DRS_EXE:-$win32/tools/drs/drs.exe}
SETUP_EXE_BEFORE=${SETUP_EXE_BEFORE:-$here/../tests/media_check/SETUP_BEFORE_CHECKSUMS.EXE}
clock_exe=$win32/bench/handoff_clock.exe
prefix=$win32/wineprefix-bench
for tool in "$setup" "$drs" "$drs_exe" "$clock_exe"; do
  [ -f "$tool" ] || { echo "bench: $tool missing; build both presets first" >&2; exit 1; }
done
# The bootstrap opens its window: one virtual screen for the whole run.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d /dev/shm/nuvik-staging.XXXXXX)
trap 'rm -rf "$work"' EXIT
windows_path() { echo "Z:$1" | tr / '\\'; }

# The prefix, its server kept up between the runs, so that none of them pays its start.
"$here/../cmake/wine-run.sh" "$prefix" "$clock_exe" >/dev/null 2>&1
export WINEPREFIX=$prefix WINEDEBUG=-all
wineserver -p60 2>/dev/null || true
# The serial ports in place, so that the bootstrap asks nothing; its temporary
# directory on the memory file system.
python3 - "$prefix/drive_c/windows/win.ini" <<'PY'
import sys
path = sys.argv[1]
try:
    text = open(path, encoding='latin-1').read()
except FileNotFoundError:
    text = ''
if '[ports]' not in text:
    text += '\r\n[ports]\r\n' + ''.join('COM%d:=9600,n,8,1\r\n' % n for n in range(1, 5))
    open(path, 'w', encoding='latin-1', newline='').write(text)
PY
mkdir -p "$work/temp"
for variable in TEMP TMP; do
  wine reg add 'HKCU\Environment' /v "$variable" /d "$(windows_path "$work/temp")" /f >/dev/null 2>&1
done
wineserver -w || true
wineserver -p60 2>/dev/null || true

# The payloads: one large file cut from the Windows DLLs, repeated; 2,000 small ones of
# text and binary in 20 folders. Each gets the stand-in setup program.
"$here/payloads.py" "$work" 2000 100

now() { date +%s%N; }
best() { printf '%s\n' "$@" | sort -n | head -n 1; }
seconds() { echo "scale=2; $1 / 1000000000" | bc -l; }

# The staging of the SETUP.EXE in medium $1, payload $2, in nanoseconds.
stage() {
  rm -rf "$work/out-$2" "$work/clock"
  local start
  start=$(now)
  NUVIK_HANDOFF_CLOCK=$(windows_path "$work/clock") wine "$1/SETUP.EXE" >/dev/null 2>&1
  [ -s "$work/clock" ] || { echo "bench: SETUP.EXE did not hand off for $2" >&2; exit 1; }
  echo $(($(tr -d "\r\n" <"$work/clock") - start))
}

# Prints "DRS_NS DRS_EXE_NS SETUP_NS [SETUP_BEFORE_NS]" for payload $1.
measure() {
  local payload=$work/$1 media=$work/media-$1 out=$work/out-$1
  mkdir -p "$media"
  cp "$clock_exe" "$payload/N_SETUP.EXE"
  "$drs" pack -q -o "$media/N_SETUP.DRS" "$payload"
  cp "$setup" "$media/SETUP.EXE"
  python3 - "$media/SETUP.EXE" "$media/N_SETUP.DRS" <<'PY'
import hashlib, sys
program, archive = sys.argv[1:]
data = bytearray(open(program, 'rb').read())
at = data.index(b"Nuvik seal:\0") + 12
data[at:at + 32] = hashlib.sha256(open(archive, 'rb').read()).digest()
open(program, 'wb').write(data)
PY
  if [ -n "${SETUP_EXE_BEFORE:-}" ]; then
    mkdir -p "$media-before"
    cp "$media/N_SETUP.DRS" "$media-before/"
    cp "$SETUP_EXE_BEFORE" "$media-before/SETUP.EXE"
  fi
  local host_runs=() wine_runs=() setup_runs=() before_runs=() start ns
  for round in 1 2 3 4 5; do
    rm -rf "$out"
    start=$(now)
    "$drs" unpack "$media/N_SETUP.DRS" "$out" >/dev/null
    host_runs+=($(($(now) - start)))
    rm -rf "$out"
    start=$(now)
    wine "$drs_exe" unpack "$(windows_path "$media/N_SETUP.DRS")" "$(windows_path "$out")" >/dev/null
    wine_runs+=($(($(now) - start)))
    diff -r -q "$payload" "$out" >/dev/null ||
      { echo "bench: drs.exe unpack of $1 differs from the payload" >&2; exit 1; }
    # The first staging after drs.exe runs slower, so the two SETUP.EXEs take turns at
    # going first.
    if [ -n "${SETUP_EXE_BEFORE:-}" ] && [ $((round % 2)) = 1 ]; then
      ns=$(stage "$media-before" "$1") || exit 1
      before_runs+=("$ns")
    fi
    ns=$(stage "$media" "$1") || exit 1
    setup_runs+=("$ns")
    if [ -n "${SETUP_EXE_BEFORE:-}" ] && [ $((round % 2)) = 0 ]; then
      ns=$(stage "$media-before" "$1") || exit 1
      before_runs+=("$ns")
    fi
  done
  echo "$(best "${host_runs[@]}") $(best "${wine_runs[@]}") $(best "${setup_runs[@]}")" \
    "${before_runs:+$(best "${before_runs[@]}")}"
}

printf '\nSETUP.EXE staging (start to hand-off) under Wine against drs unpack, on /dev/shm,\n'
printf 'seconds, best of five\n\n'
printf '  %-26s %10s %15s %11s %10s %14s\n' payload "drs unpack" "drs.exe (Wine)" "SETUP.EXE" \
  "SETUP/drs" "SETUP/drs.exe"
for name in large many; do
  set -- $(measure "$name")
  printf '  %-26s %10.2f %15.2f %11.2f %9.2fx %13.2fx\n' \
    "$(case $name in large) echo 'one entry of 100 MB' ;; many) echo '2,000 files in 20 folders' ;; esac)" \
    "$(seconds "$1")" "$(seconds "$2")" "$(seconds "$3")" \
    "$(echo "$3 / $1" | bc -l)" "$(echo "$3 / $2" | bc -l)"
  [ -z "${4:-}" ] || printf '  %-26s %10s %15s %11.2f   (SETUP.EXE before, same rounds; sealed and checked: %.2fx as long)\n' \
    "" "" "" "$(seconds "$4")" "$(echo "$3 / $4" | bc -l)"
done
printf '\n  Targets: SETUP/drs at most 2.2x for the one entry, 5x for the 2,000 files; sealed and\n'
printf '  checked at most 1.25x as long as before for the one entry.\n'
case $(uname -m) in
  x86_64 | i?86) ;;
  *) printf '  i386 code runs under an emulator here: SETUP/drs measures the emulator too.\n' ;;
esac
