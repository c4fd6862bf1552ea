#!/usr/bin/env bash
# What a user of the Debian package gets: the package built from the host tree, with
# no error lintian finds, and unpacked into a scratch root, its drs asked for its
# version and used to make a medium with a CD image (with the SETUP.EXE the package
# ships, found on its own);
# the image read back by xorriso must hold the medium byte for byte, and SETUP.EXE
# started under Wine from what the image holds must hand off to the setup program and
# clean up.
#   installed_media_test.sh WORK HOST_BUILD VERSION SETUP.EXE N_SETUP.EXE SETUP_WATCH WINE_RUN PREFIX
set -euo pipefail
work=$1 host=$2 version=$3 setup=$4 demo_setup=$5 watch=$6 wine_run=$7 prefix=$8

fail() { echo "FAILED: $*" >&2; exit 1; }
[ -e "$host/CPackConfig.cmake" ] || fail "$host is not configured; build the host preset first"

rm -rf "$work"
mkdir -p "$work/payload/DATA"
cpack --config "$host/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(echo "$work"/package/*.deb)
dpkg-deb -x "$deb" "$work/root"
depends=$(dpkg-deb -f "$deb" Depends)
for tool in xorriso mtools; do
  [[ ", $depends," == *", $tool,"* ]] || fail "the package does not depend on $tool: $depends"
done
[ -s "$work/root/usr/share/man/man1/drs.1.gz" ] || fail "no manual page"
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }

drs=$work/root/usr/bin/drs
said=$("$drs" --version)
[ "$said" = "drs (Nuvik setup tools) $version" ] || fail "drs --version said: $said"

cp "$demo_setup" "$work/payload/N_SETUP.EXE"
printf '[Nuvik]\r\nPort=COM2\r\n' >"$work/payload/DATA/NUVIK.INI"
"$drs" media -q -o "$work/medium" --iso "$work/nuvik.iso" "$work/payload"
cmp "$work/medium/SETUP.EXE" "$setup" || fail "the medium's SETUP.EXE is not the one built"

xorriso -osirrox on -indev "$work/nuvik.iso" -extract / "$work/cd" 2>"$work/xorriso.log" ||
  { cat "$work/xorriso.log"; fail "xorriso could not read the image back"; }
diff -r "$work/medium" "$work/cd" || fail "the image does not hold the medium"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
"$wine_run" "$prefix" "$watch" "$(windows_path "$work/cd/SETUP.EXE")" "$(windows_path "$work/run")" ||
  fail "SETUP.EXE from the image did not install"
