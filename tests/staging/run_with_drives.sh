#!/usr/bin/env bash
# Runs a staging test program under Wine with its scratch drives mapped in the prefix:
# SCRATCH_DRIVE on a directory of the build tree and, when SMALL_DRIVE is set, a small
# tmpfs that the disk-full cases fill (mounting needs root, as CI has).
#   run_with_drives.sh PREFIX WORKDIR PROGRAM [ARGUMENTS...]
set -euo pipefail

prefix=$1
work=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

drive_link() { echo "$prefix/dosdevices/$(echo "$1" | tr 'A-Z' 'a-z'):"; }

# Wine makes its own drives only in a prefix it creates, so the prefix comes first.
[ -e "$prefix/.ready" ] || "$here/../../cmake/wine-run.sh" "$prefix" cmd /c exit >/dev/null 2>&1

mkdir -p "$work/scratch"
ln -sfn "$work/scratch" "$(drive_link "$SCRATCH_DRIVE")"

if [ -n "${SMALL_DRIVE:-}" ]; then
  mkdir -p "$work/small"
  if ! mountpoint -q "$work/small"; then
    mount -t tmpfs -o size=512k tmpfs "$work/small" ||
      { echo "run_with_drives.sh: cannot mount the small file system (needs root)" >&2; exit 1; }
  fi
  trap 'umount -l "$work/small" 2>/dev/null || true' EXIT
  ln -sfn "$work/small" "$(drive_link "$SMALL_DRIVE")"
fi

"$here/../../cmake/wine-run.sh" "$prefix" "$@"
