#!/usr/bin/env bash
# Installs what both build presets, the Wine tests, the peers, the benchmarks and the
# packages need (xorriso and mtools write the media images, genisoimage's isoinfo reads
# them back, help2man makes the manual page, dpkg-dev and file let CPack find drs's
# library dependencies, lintian checks the package, libcli11-dev reads drs's command
# line on both presets, osslsigncode and openssl sign SETUP.EXE and check the signature).
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake make g++ clang llvm libclang-rt-14-dev libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 wine64 qemu-user-static
  xvfb xauth imagemagick
  jlha-utils lhasa default-jdk-headless
  python3 locales time bc
  xorriso mtools genisoimage help2man dpkg-dev file libcli11-dev lintian
  osslsigncode openssl
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine reports the code page of the locale it runs in: the Korean run needs ko_KR.UTF-8
# (949), the double-byte path runs ja_JP.UTF-8 (932) and zh_TW.UTF-8 (950), the runs with
# Hangul paths on an English system en_US.UTF-8 (1252).
for locale in ko_KR ja_JP zh_TW en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$locale.utf8$"; then
    as_root sed -i "s/^# *$locale.UTF-8 UTF-8/$locale.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$locale.UTF-8 UTF-8" /etc/locale.gen || echo "$locale.UTF-8 UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
  fi
done

# Some virtual machines run no 32-bit code natively. wine32 then needs the i386 loader
# routed through qemu's user-mode emulator (cmake/wine-run.sh keeps it fast there).
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || as_root mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      as_root tee "$binfmt/register" >/dev/null
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "deps.sh: cannot run i386 programs on this machine" >&2; exit 1; }
fi
