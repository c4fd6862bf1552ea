#!/usr/bin/env bash
# Runs a Windows program under Wine, in a prefix that belongs to the build tree.
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is made on first use (serialised, since ctest runs tests in parallel),
# with the settings that keep tests quick and unattended. Without DISPLAY the
# program gets a virtual 1024x768 screen of its own.
set -euo pipefail

prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# Where i386 code runs under qemu's user-mode emulator, Wine's start-up probes the
# upper 2 GiB page by page, which costs about a minute per process; a guest address
# space of just over 2 GiB makes those probes fail at once. Native i386 ignores it.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0x82000000}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$prefix" "$@"
fi

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -e "$prefix/.ready" ]; then
    # A prefix whose making was cut short is made again from nothing.
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1 || { echo "wine-run.sh: wineboot failed for $prefix" >&2; exit 1; }
    # No window manager: unmanaged windows close at once. A crash ends the process
    # instead of waiting on a dialog.
    cat >"$prefix/test-settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
    wine regedit /S "$prefix/test-settings.reg" >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.ready"
  fi
) 9>"$prefix.lock"

# Fails (exit 2) when the prefix's server already runs, as it does for a second test
# started while another still runs or within the 30 s that the server lingers.
wineserver -p30 2>/dev/null || true
exec wine "$@"
