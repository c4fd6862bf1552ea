#!/usr/bin/env bash
# What a user of the Debian package gets: the package built from the host tree, with
# no error lintian finds, and unpacked into a scratch root, its drs asked for its
# version and used to make a signed medium with a CD image (with the SETUP.EXE the
# package ships, found on its own, and a certificate made here by openssl); the image
# read back by xorriso must hold the medium byte for byte with its AUTORUN.INF, the
# signature must verify and leave the binary checks passing, and `drs try` (with the
# watcher the package ships) must see SETUP.EXE from the image hand off to the setup
# program and clean up. A damaged medium must show the failure box under `drs try` and
# fail it (its sealed SETUP.EXE refuses the archive as it copies it); a wrong password must
# be refused with nothing written; an entry naming Z: must make nothing outside the run.
#   installed_media_test.sh WORK HOST_BUILD VERSION SETUP.EXE N_SETUP.EXE CHECK_BINARY
set -euo pipefail
work=$1 host=$2 version=$3 setup=$4 demo_setup=$5 check_binary=$6

fail() { echo "FAILED: $*" >&2; exit 1; }
[ -e "$host/CPackConfig.cmake" ] || fail "$host is not configured; build the host preset first"

rm -rf "$work"
mkdir -p "$work/payload/DATA" "$work/key"
cpack --config "$host/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(echo "$work"/package/*.deb)
dpkg-deb -x "$deb" "$work/root"
depends=$(dpkg-deb -f "$deb" Depends) recommends=$(dpkg-deb -f "$deb" Recommends)
for tool in xorriso mtools; do
  [[ ", $depends," == *", $tool,"* ]] || fail "the package does not depend on $tool: $depends"
done
for tool in wine osslsigncode; do
  [[ ", $recommends," == *", $tool,"* ]] || fail "the package does not recommend $tool: $recommends"
done
[ -s "$work/root/usr/share/man/man1/drs.1.gz" ] || fail "no manual page"
[ -s "$work/root/usr/share/nuvik-setup/setup_watch.exe" ] || fail "no watcher for drs try"
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }

drs=$work/root/usr/bin/drs
said=$("$drs" --version)
[ "$said" = "drs (Nuvik setup tools) $version" ] || fail "drs --version said: $said"

key=$work/key
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Nuvik Test Signer" \
  -keyout "$key/key.pem" -out "$key/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$key/key.pem" -in "$key/cert.pem" -passout pass:medium-key \
  -out "$key/signer.p12"
echo medium-key >"$key/password"
echo not-the-key >"$key/wrong"

cp "$demo_setup" "$work/payload/N_SETUP.EXE"
printf '[Nuvik]\r\nPort=COM2\r\n' >"$work/payload/DATA/NUVIK.INI"
if "$drs" media -q -o "$work/refused" --iso "$work/refused.iso" --sign-pkcs12 "$key/signer.p12" \
  --sign-password-file "$key/wrong" "$work/payload" 2>"$work/refused.log"; then
  fail "a wrong password was taken"
fi
grep -q "wrong password" "$work/refused.log" || fail "the refusal does not say why: $(cat "$work/refused.log")"
[ ! -e "$work/refused" ] && [ ! -e "$work/refused.iso" ] || fail "a refused medium left files"

"$drs" media -q -o "$work/medium" --iso "$work/nuvik.iso" --label NUVIK --sign-pkcs12 "$key/signer.p12" \
  --sign-password-file "$key/password" "$work/payload"
osslsigncode verify -in "$work/medium/SETUP.EXE" -CAfile "$key/cert.pem" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log"; fail "the signature does not verify"; }
python3 "$check_binary" "$work/medium/SETUP.EXE" >"$work/check.log" ||
  { cat "$work/check.log"; fail "the signed SETUP.EXE fails the binary checks"; }
osslsigncode remove-signature -in "$work/medium/SETUP.EXE" -out "$work/unsigned.exe" >/dev/null
# The program as built but for the seal's slot, which holds the archive's SHA-256, and
# the header's checksum of the file, which signing computes afresh.
python3 - "$work/unsigned.exe" "$setup" <<'EOF' || fail "the medium's SETUP.EXE is not the one built, sealed and signed"
import struct, sys
signed, built = (bytearray(open(p, "rb").read()) for p in sys.argv[1:])
at = built.index(b"Nuvik seal:\0") + 12
sealed = signed[at:at + 32] != bytes(32)
checksum = struct.unpack_from("<I", built, 0x3C)[0] + 24 + 64
for program in signed, built:
    program[at:at + 32] = bytes(32)
    program[checksum:checksum + 4] = bytes(4)
sys.exit(not sealed or signed != built)
EOF
"$drs" verify "$work/medium" | grep -q "^seal: sealed, archive matches" || fail "drs verify: the medium is not sealed"

xorriso -osirrox on -indev "$work/nuvik.iso" -extract / "$work/cd" 2>"$work/xorriso.log" ||
  { cat "$work/xorriso.log"; fail "xorriso could not read the image back"; }
diff -r "$work/medium" "$work/cd" || fail "the image does not hold the medium"
printf '[autorun]\r\nopen=SETUP.EXE\r\nicon=SETUP.EXE,0\r\nlabel=NUVIK\r\n' | cmp - "$work/cd/AUTORUN.INF" ||
  fail "the image's AUTORUN.INF is not the one expected"

# `drs try` makes its own virtual screen and Wine prefix.
env -u DISPLAY "$drs" try --windows 98 "$work/nuvik.iso" >"$work/try.log" 2>&1 ||
  { cat "$work/try.log"; fail "drs try: SETUP.EXE from the image did not hand off"; }
cat "$work/try.log"
grep -q "^work directory: removed" "$work/try.log" || fail "drs try: the work directory stayed"

cp -r "$work/medium" "$work/damaged"
chmod -R u+w "$work/damaged"
head -c 200 "$work/medium/N_SETUP.DRS" >"$work/damaged/N_SETUP.DRS"
if env -u DISPLAY "$drs" try --windows nt4 "$work/damaged" >"$work/damaged.log" 2>&1; then
  cat "$work/damaged.log"
  fail "drs try passed a damaged medium"
fi
cat "$work/damaged.log"
# Its SETUP.EXE is sealed for the whole archive: it copies the damaged one, and stops.
grep -q '"Copy error" (no owner): N_SETUP.DRS' "$work/damaged.log" || fail "drs try: no failure box"
grep -q "^hand-off: none" "$work/damaged.log" || fail "drs try: a hand-off from a damaged medium"

# `drs try` keeps a medium in a box: an archive entry naming a folder on Z:, which in a
# default Wine prefix is the whole file system, makes nothing outside the run's folder.
cp -r "$work/medium" "$work/boxed"
chmod -R u+w "$work/boxed"
# The entry added changes the archive, which the signed SETUP.EXE is sealed for.
cp "$setup" "$work/boxed/SETUP.EXE"
outside=DRSBOX$$
python3 - "$work/boxed/N_SETUP.DRS" "Z:\\TMP\\$outside" <<'PY'
import struct, sys
path, folder = sys.argv[1], sys.argv[2].encode()
d = bytearray(open(path, 'rb').read())
count = struct.unpack_from('<H', d, 56)[0]
p = 58
for _ in range(count):
    p += 14 + d[p + 12] + d[p + 13]
entry = struct.pack('<IIHHBB', 0, 0, 0, 0x2B21, len(folder), 0) + folder
base = struct.unpack_from('<I', d, p)[0] + len(entry)
d[p:p] = entry
struct.pack_into('<H', d, 56, count + 1)
struct.pack_into('<I', d, p + len(entry), base)
open(path, 'wb').write(d)
PY
env -u DISPLAY "$drs" try --windows 98 "$work/boxed" >"$work/boxed.log" 2>&1 || true
cat "$work/boxed.log"
grep -q "^hand-off: " "$work/boxed.log" || fail "drs try: the boxed medium did not run"
[ ! -e "/tmp/$outside" ] || { rmdir "/tmp/$outside"; fail "drs try: the medium wrote outside its box"; }
