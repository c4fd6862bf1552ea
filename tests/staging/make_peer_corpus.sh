#!/usr/bin/env bash
# Lays out the corpus of the peer extraction test in its scratch directory, with two
# encoders' work on it: an archive made by `drs pack` (MEDIA\N_SETUP.DRS) and one entry
# stream per file written by jlha's -lh1- coder (STREAMS\<name>.LH1).
#   make_peer_corpus.sh SCRATCH DRS JLHA_LH1
set -euo pipefail

scratch=$1
drs=$2
jlha=$3
for tool in "$drs" "$jlha"; do
  [ -x "$tool" ] || { echo "make_peer_corpus.sh: $tool is missing (build the host preset first)" >&2; exit 1; }
done

corpus=$scratch/CORPUS
rm -rf "$corpus" "$scratch/STREAMS" "$scratch/MEDIA"
mkdir -p "$corpus/SUB/DEEP" "$scratch/STREAMS" "$scratch/MEDIA"

python3 - "$corpus" <<'PY'
import os, random, sys
corpus = sys.argv[1]
rng = random.Random(1998)
words = b"serial port modem dial baud terminal upload download session nuvik".split()
def text(size):
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + (b"\r\n" if rng.random() < 0.1 else b" ")
    return bytes(out[:size])
files = {
    "N_SETUP.EXE": text(3000),  # drs pack makes no archive without the setup program
    "EMPTY.TXT": b"",
    "ONE.TXT": b"A",
    "S59.TXT": text(59), "S60.TXT": text(60), "S61.TXT": text(61),
    "S4095.TXT": text(4095), "S4096.TXT": text(4096), "S4097.TXT": text(4097),
    "ZEROS.BIN": bytes(150000),
    "RANDOM.BIN": bytes(rng.getrandbits(8) for _ in range(60000)),
    "SUB/README.TXT": text(300000),  # long enough for several tree rebuilds
    "SUB/DEEP/RUNS.BIN": b"".join(bytes([i % 256]) * (i % 70) for i in range(3000)),
}
for name, data in files.items():
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
PY
cp /usr/lib/i386-linux-gnu/wine/i386-windows/netcfgx.dll "$corpus/NETCFGX.DLL"

pairs=()
while IFS= read -r -d '' file; do
  pairs+=("$file" "$scratch/STREAMS/$(basename "$file").LH1")
done < <(find "$corpus" -maxdepth 1 -type f -print0)
"$jlha" encode "${pairs[@]}"
"$drs" pack -q -o "$scratch/MEDIA/N_SETUP.DRS" "$corpus"
