#!/usr/bin/env bash
# `make demo`: the bootstrap's real job, under Wine. Makes a medium with `drs media`
# from a demo payload (the demo setup program, a few files, one in a sub-folder, one
# ".DL_" entry): N_SETUP.DRS with SETUP.EXE and AUTORUN.INF beside it, and its CD
# image. Then `drs try` runs SETUP.EXE from the CD image on a virtual screen (or on
# $DISPLAY, where you click through the demo setup program yourself) and tells what
# happened.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
host=${HOST_BUILD:-$root/build/host}
win32=${WIN32_BUILD:-$root/build/win32}
demo=$root/build/demo
drs=$host/tools/drs/drs
watch=$win32/tools/setup_watch/setup_watch.exe

for file in "$drs" "$win32/launcher/SETUP.EXE" "$win32/tools/demo_setup/N_SETUP.EXE" \
  "$watch"; do
  [ -e "$file" ] || { echo "demo: $file is missing; build both presets first (make demo does)" >&2; exit 1; }
done

rm -rf "$demo/payload" "$demo/media" "$demo/run" "$demo/wineprefix" "$demo/nuvik-demo.iso"
mkdir -p "$demo/payload/DATA"
cp "$win32/tools/demo_setup/N_SETUP.EXE" "$demo/payload/"
printf 'Nuvik 2000\r\nThe installation starts from the setup program.\r\n' >"$demo/payload/README.TXT"
printf '[Nuvik]\r\nPort=COM2\r\nSpeed=9600\r\n' >"$demo/payload/DATA/NUVIK.INI"
# Entries named *.DL_ are left out on the Windows NT family.
head -c 4096 "$win32/launcher/SETUP.EXE" >"$demo/payload/NUVIK16.DL_"

echo "== making the demo medium"
"$drs" media -q -o "$demo/media" --iso "$demo/nuvik-demo.iso" --label NUVIK_DEMO \
  --setup "$win32/launcher/SETUP.EXE" "$demo/payload"
"$drs" list "$demo/media/N_SETUP.DRS"
echo "media folder: $demo/media"
ls -l "$demo/media"
echo "CD image: $demo/nuvik-demo.iso"

echo "== trying the CD image: drs try (Windows 98, code page 1252, a fresh copy of the prepared Wine prefix)"
status=0
"$drs" try --windows 98 --screenshot "$demo/splash.bmp" --watcher "$watch" "$demo/nuvik-demo.iso" ||
  status=$?
if [ -e "$demo/splash.bmp" ] && command -v convert >/dev/null; then
  convert "$demo/splash.bmp" "$demo/splash.png" && rm "$demo/splash.bmp"
  echo "splash screenshot: $demo/splash.png"
fi
exit "$status"
