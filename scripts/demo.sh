#!/usr/bin/env bash
# `make demo`: the bootstrap's real job, under Wine. Packs a demo payload (the demo
# setup program, a few files, one in a sub-folder, one ".DL_" entry) into
# N_SETUP.DRS, lays out a media folder with SETUP.EXE beside it, runs SETUP.EXE on a
# virtual screen (or on $DISPLAY), and tells what happened.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
host=${HOST_BUILD:-$root/build/host}
win32=${WIN32_BUILD:-$root/build/win32}
demo=$root/build/demo
drs=$host/tools/drs/drs

for file in "$drs" "$win32/launcher/SETUP.EXE" "$win32/tools/demo_setup/N_SETUP.EXE" \
  "$win32/tests/launcher/setup_watch.exe"; do
  [ -e "$file" ] || { echo "demo: $file is missing; build both presets first (make demo does)" >&2; exit 1; }
done

rm -rf "$demo/payload" "$demo/media" "$demo/run"
mkdir -p "$demo/payload/DATA" "$demo/media" "$demo/run"
cp "$win32/tools/demo_setup/N_SETUP.EXE" "$demo/payload/"
printf 'Nuvik 2000\r\nThe installation starts from the setup program.\r\n' >"$demo/payload/README.TXT"
printf '[Nuvik]\r\nPort=COM2\r\nSpeed=9600\r\n' >"$demo/payload/DATA/NUVIK.INI"
# Entries named *.DL_ are left out on the Windows NT family.
head -c 4096 "$win32/launcher/SETUP.EXE" >"$demo/payload/NUVIK16.DL_"

echo "== packing the demo payload"
"$drs" pack -q -o "$demo/media/N_SETUP.DRS" "$demo/payload"
cp "$win32/launcher/SETUP.EXE" "$demo/media/"
"$drs" list "$demo/media/N_SETUP.DRS"
echo "media folder: $demo/media"
ls -l "$demo/media"

echo "== running SETUP.EXE under Wine"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
status=0
"$root/cmake/wine-run.sh" "$demo/wineprefix" "$win32/tests/launcher/setup_watch.exe" \
  "$(windows_path "$demo/media/SETUP.EXE")" "$(windows_path "$demo/run")" || status=$?

if [ -e "$demo/run/splash.bmp" ]; then
  if command -v convert >/dev/null; then
    convert "$demo/run/splash.bmp" "$demo/splash.png"
    echo "splash screenshot: $demo/splash.png"
  else
    echo "splash screenshot: $demo/run/splash.bmp"
  fi
fi
exit "$status"
