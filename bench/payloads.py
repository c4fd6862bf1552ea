#!/usr/bin/env python3
"""The benchmark payloads, made under WORK:
  many/   FILES files of 200 bytes to 12 KB, text and binary, 100 to a folder (D00, D01 ...)
  small/  one small text file, README.TXT
  large/  one file, DATA.BIN, of LARGE_MB megabytes cut from the Windows DLLs, repeated
The same arguments always give the same files.

    payloads.py WORK FILES LARGE_MB"""
import os
import random
import sys

work, files, large_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(2026)
dlls = '/usr/lib/i386-linux-gnu/wine/i386-windows'
blobs = [open(os.path.join(dlls, f), 'rb').read() for f in sorted(os.listdir(dlls))[:40]]
words = open('/usr/share/common-licenses/GPL-3', 'rb').read()
for i in range(files):
    folder = os.path.join(work, 'many', 'D%02d' % (i // 100))
    os.makedirs(folder, exist_ok=True)
    size = rng.randint(200, 12000)
    source = blobs[i % len(blobs)] if i % 2 else words
    start = rng.randint(0, max(0, len(source) - size))
    open(os.path.join(folder, 'F%04d.BIN' % i), 'wb').write(source[start:start + size])
os.makedirs(os.path.join(work, 'small'))
open(os.path.join(work, 'small', 'README.TXT'), 'wb').write(words[:4000])
os.makedirs(os.path.join(work, 'large'))
left = large_mb * 1000000
with open(os.path.join(work, 'large', 'DATA.BIN'), 'wb') as out:
    for name in sorted(os.listdir(dlls)) * 100:
        if left <= 0:
            break
        block = open(os.path.join(dlls, name), 'rb').read()[:left]
        out.write(block)
        left -= len(block)
