#!/usr/bin/env bash
# Codec benchmarks on a realistic installer payload (the wine32 i386 DLLs plus text),
# made under the build tree at run time:
#   unpack: drs unpack against lhasa x and jlha x on the same files, jlha's "-lh1-" .lzh
#   pack:   drs pack against jlha's "-lh1-" encoder: entry data bytes and time
# then the archives at the limits (large_archives.sh) and SETUP.EXE's staging against
# drs unpack (setup_staging.sh), and `drs try` on the demo medium (try_runs.sh).
# Every figure is a whole process, start-up included, from this one run: the best of
# three, and for the unpackers the best of five rounds, each round running every one of
# them once, so that a machine busy with other work weighs on all of them alike.
# DRS_BEFORE names another drs (an earlier build, say) to unpack in the same rounds, and
# SETUP_EXE_BEFORE another SETUP.EXE for the staging (see setup_staging.sh).
#   bench/run.sh [BUILD_DIR]   (default build/host)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/host}" && pwd)
drs=$build/tools/drs/drs
jlha_lh1=$build/tests/jlha/jlha-lh1
work=$build/bench
for tool in "$drs" "$jlha_lh1"; do
  [ -x "$tool" ] || { echo "bench: $tool missing; build the host preset first" >&2; exit 1; }
done

payload=$work/payload
dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
if [ ! -e "$work/payload.done" ]; then
  rm -rf "$work" && mkdir -p "$payload/bin" "$payload/doc"
  # DLLs in name order up to 32 MB, leaving out the few giants so that the payload
  # looks like an installer's many mid-sized files.
  total=0
  for f in $(ls "$dlls" | LC_ALL=C sort); do
    size=$(stat -c %s "$dlls/$f")
    [ "$size" -le 4000000 ] || continue
    cp "$dlls/$f" "$payload/bin/"
    total=$((total + size))
    [ "$total" -lt 32000000 ] || break
  done
  # Text: licences and change logs, a few files of about 1 MB.
  n=0
  find /usr/share/doc /usr/share/common-licenses -type f \( -name copyright -o -name 'GPL-*' \) |
    LC_ALL=C sort | head -n 600 | while read -r f; do
      cat "$f" >>"$payload/doc/notes$((n / 100)).txt"
      n=$((n + 1))
    done
  touch "$work/payload.done"
fi
# drs pack makes no archive without the setup program at the top.
[ -e "$payload/N_SETUP.EXE" ] || cp "$dlls/$(ls "$dlls" | LC_ALL=C sort | head -n 1)" "$payload/N_SETUP.EXE"
files=$(find "$payload" -type f | wc -l)
bytes=$(find "$payload" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

# Runs "$@" three times and prints the best wall time and that run's processor time
# (user + system, all threads), in seconds: the machine is shared, and the processor
# time shows how much of a wall time was waiting.
seconds() {
  local best="" cpu="" wall user sys
  for _ in 1 2 3; do
    read -r wall user sys < <({ TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1)
    if [ -z "$best" ] || [ "$(echo "$wall < $best" | bc -l)" = 1 ]; then
      best=$wall
      cpu=$(echo "$user + $sys" | bc -l)
    fi
  done
  echo "$best $cpu"
}
mbps() { echo "scale=1; $bytes / 1000000 / $1" | bc -l; }

# Pack.
read -r t_pack c_pack < <(seconds "$drs" pack -q -o "$work/payload.drs" "$payload")
drs_data=$(python3 - "$work/payload.drs" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
count = struct.unpack_from('<h', d, 56)[0]
p = 58
for _ in range(max(count, 0)):
    p += 14 + d[p + 12] + d[p + 13]
base = struct.unpack_from('<I', d, p)[0]
print(len(d) - base)
PY
)
pairs=()
rm -rf "$work/jlha-streams" && mkdir -p "$work/jlha-streams"
i=0
while read -r f; do
  pairs+=("$f" "$work/jlha-streams/$i")
  i=$((i + 1))
done < <(find "$payload" -type f | LC_ALL=C sort)
read -r t_jpack c_jpack < <(seconds "$jlha_lh1" encode "${pairs[@]}")
jlha_data=$(find "$work/jlha-streams" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

# Unpack, all from the same payload; each result checked against it.
rm -f "$work/payload.lzh"
"$jlha_lh1" archive "$work/payload.lzh" "$payload"
# Each run starts from an empty folder, as a user's extraction would.
unpack_drs() { rm -rf "$work/out-drs" && "$drs" unpack "$work/payload.drs" "$work/out-drs"; }
unpack_lhasa() { rm -rf "$work/out-lhasa" && mkdir "$work/out-lhasa" && cd "$work/out-lhasa" && lhasa xq "$work/payload.lzh"; }
unpack_jlha() { rm -rf "$work/out-jlha" && mkdir "$work/out-jlha" && cd "$work/out-jlha" && jlha xq "$work/payload.lzh"; }
unpack_before() { rm -rf "$work/out-before" && "$DRS_BEFORE" unpack "$work/payload.drs" "$work/out-before"; }
# The same archive with the mark of its checksums spoilt (the tag's first byte), so that
# drs unpack checks none: what checking every entry's CRC-32 costs.
python3 - "$work/payload.drs" "$work/payload-unchecked.drs" <<'PY'
import sys
archive = bytearray(open(sys.argv[1], 'rb').read())
archive[0] ^= 0x20
open(sys.argv[2], 'wb').write(archive)
PY
unpack_unchecked() { rm -rf "$work/out-unchecked" && "$drs" unpack "$work/payload-unchecked.drs" "$work/out-unchecked"; }
unpackers=(drs unchecked lhasa jlha)
[ -z "${DRS_BEFORE:-}" ] || unpackers+=(before)
declare -A t c
for _ in 1 2 3 4 5; do
  for u in "${unpackers[@]}"; do
    read -r wall cpu < <({ TIMEFORMAT='%R %U %S'; time "unpack_$u" >/dev/null 2>&1; } 2>&1 |
      awk '{print $1, $2 + $3}')
    if [ -z "${t[$u]:-}" ] || [ "$(echo "$wall < ${t[$u]}" | bc -l)" = 1 ]; then
      t[$u]=$wall
      c[$u]=$cpu
    fi
  done
done
for u in "${unpackers[@]}"; do
  diff -r -q "$payload" "$work/out-$u" >/dev/null || { echo "bench: out-$u differs from the payload" >&2; exit 1; }
done
t_drs=${t[drs]} c_drs=${c[drs]} t_lhasa=${t[lhasa]} c_lhasa=${c[lhasa]} t_jlha=${t[jlha]} c_jlha=${c[jlha]}

state=$(nm -S -t d --size-sort "$build/lzhuf/liblzhuf_decoder.a" 2>/dev/null |
  awk 'toupper($3) ~ /^[BDRU]$/ {s += $2 + 0} END {print s}')

printf '\nPayload: %d files, %d bytes\n\n' "$files" "$bytes"
printf 'Unpack (whole process)        seconds    MB/s   cpu s\n'
printf '  drs unpack            %13.2f %7s %7.2f\n' "$t_drs" "$(mbps "$t_drs")" "$c_drs"
printf '  lhasa x               %13.2f %7s %7.2f\n' "$t_lhasa" "$(mbps "$t_lhasa")" "$c_lhasa"
printf '  jlha x                %13.2f %7s %7.2f\n' "$t_jlha" "$(mbps "$t_jlha")" "$c_jlha"
printf '  drs, no checksums     %13.2f %7s %7.2f\n' "${t[unchecked]}" "$(mbps "${t[unchecked]}")" "${c[unchecked]}"
[ -z "${DRS_BEFORE:-}" ] ||
  printf '  drs unpack (before)   %13.2f %7s %7.2f\n' "${t[before]}" "$(mbps "${t[before]}")" "${c[before]}"
printf '  checksums cost        %11.1f%%   (target at most 5%%)\n' \
  "$(echo "100 * ($t_drs - ${t[unchecked]}) / ${t[unchecked]}" | bc -l)"
printf '  drs vs jlha           %12.2fx\n' "$(echo "$t_jlha / $t_drs" | bc -l)"
printf '  drs vs lhasa          %12.2fx\n' "$(echo "$t_lhasa / $t_drs" | bc -l)"
best=$(echo "if ($t_lhasa < $t_jlha) $t_lhasa else $t_jlha" | bc -l)
printf '  drs vs faster peer    %12.2fx   (target 2.6x)\n' "$(echo "$best / $t_drs" | bc -l)"
[ -z "${DRS_BEFORE:-}" ] ||
  printf '  before vs faster peer %12.2fx\n' "$(echo "$best / ${t[before]}" | bc -l)"
echo
printf 'Pack                  entry data bytes   seconds    MB/s   cpu s\n'
printf '  drs pack              %16d %9.2f %7s %7.2f\n' "$drs_data" "$t_pack" "$(mbps "$t_pack")" "$c_pack"
printf '  jlha -lh1-            %16d %9.2f %7s %7.2f\n' "$jlha_data" "$t_jpack" "$(mbps "$t_jpack")" "$c_jpack"
printf '  drs / jlha            %15.1f%%\n\n' "$(echo "100 * $drs_data / $jlha_data" | bc -l)"
printf 'Decoder static state: %d bytes (output window, input block, offset code)\n' "$state"

# Archives at the limits (3000 entries, one large entry), unpacked by drs and by
# SETUP.EXE's own extraction under Wine, with time and peak memory.
"$here/large_archives.sh" "$build" "${WIN32_BUILD:-$here/../build/win32}"

# SETUP.EXE's whole staging, process start to hand-off, against drs unpack.
"$here/setup_staging.sh" "$build" "${WIN32_BUILD:-$here/../build/win32}"

# drs try: the first run, a second one, and every system at once.
"$here/try_runs.sh" "$build" "${WIN32_BUILD:-$here/../build/win32}"
