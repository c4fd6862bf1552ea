#!/usr/bin/env python3
"""Reads the built SETUP.EXE and checks what the product promises of the file itself:
i386, GUI subsystem 4.0 (runs on Windows 95 and NT 4.0), imports from KERNEL32, USER32
and GDI32 only and only the calls of setup_imports.txt beside this script (what the
first release of Windows 95 has), one resource (INSTALL_ICON: one 32x32 16-colour
image, Korean language 1042), no symbols, at most 22 KiB. An Authenticode signature
(`drs media --sign-pkcs12`) is appended to the file and never loaded: it is not counted,
but it must be the file's last bytes.

    check_setup_binary.py SETUP.EXE"""
import os
import struct
import sys

failures = []


def check(condition, what):
    print(("ok      " if condition else "FAILED  ") + what)
    if not condition:
        failures.append(what)


data = open(sys.argv[1], "rb").read()

pe = struct.unpack_from("<I", data, 0x3C)[0]
check(data[pe:pe + 4] == b"PE\0\0", "PE signature")
machine, sections, _, symbols_at, symbols, optional_size, _ = struct.unpack_from(
    "<HHIIIHH", data, pe + 4)
check(machine == 0x14C, f"machine {machine:#x} is i386")
check(symbols_at == 0 and symbols == 0, "no symbol table (stripped)")

opt = pe + 24
check(struct.unpack_from("<H", data, opt)[0] == 0x10B, "PE32 (32-bit) optional header")
os_major, os_minor, _, _, sub_major, sub_minor = struct.unpack_from("<6H", data, opt + 40)
subsystem = struct.unpack_from("<H", data, opt + 68)[0]
check(subsystem == 2, f"subsystem {subsystem} is Windows GUI")
check((sub_major, sub_minor) == (4, 0), f"subsystem version {sub_major}.{sub_minor} is 4.0")
check((os_major, os_minor) == (4, 0), f"operating system version {os_major}.{os_minor} is 4.0")
directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(16)]
check(directories[6][1] == 0, "no debug directory")
signature_at, signature_size = directories[4]  # a file offset, unlike the others
if signature_size:
    check(signature_at + signature_size == len(data), "the signature is the file's last bytes")
program = len(data) - signature_size
check(program <= 22 * 1024, f"size {program} bytes (without a signature) is at most 22528")

section_table = opt + optional_size
section_list = []
for i in range(sections):
    name, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", data, section_table + 40 * i)
    name = name.rstrip(b"\0")
    section_list.append((name, vaddr, max(vsize, rsize), raddr))
    check(not name.startswith(b".debug"), f"section {name.decode()} is no debug section")


def offset(rva):
    for _, vaddr, size, raddr in section_list:
        if vaddr <= rva < vaddr + size:
            return rva - vaddr + raddr
    raise ValueError(f"RVA {rva:#x} outside every section")


def text_at(rva):
    start = offset(rva)
    return data[start:data.index(b"\0", start)].decode("ascii")


listed = set()
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "setup_imports.txt")) as f:
    for line in f:
        words = line.split("#")[0].split()
        if words:
            listed.add((words[0].upper(), words[1]))
allowed = {dll for dll, _ in listed}
imports = offset(directories[1][0])
seen = set()
while True:
    lookup, _, _, name_rva, thunks = struct.unpack_from("<5I", data, imports)
    if name_rva == 0:
        break
    dll = text_at(name_rva).upper()
    seen.add(dll)
    check(dll in allowed, f"imports from {dll}")
    entry = offset(lookup or thunks)
    while True:
        value = struct.unpack_from("<I", data, entry)[0]
        if value == 0:
            break
        # By name only: ordinals differ between releases.
        if value & 0x80000000:
            check(False, f"{dll} ordinal {value & 0xFFFF} is imported by name")
        else:
            function = text_at(value + 2)
            if (dll, function) not in listed:
                check(False, f"{dll} {function} is in setup_imports.txt")
        entry += 4
    imports += 20
check(seen <= allowed and seen, f"imported DLLs {sorted(seen)}")

# Resources: type -> name -> language -> data.
RT_ICON, RT_GROUP_ICON = 3, 14
base = offset(directories[2][0]) if directories[2][0] else None


def entries(directory):
    named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
    for i in range(named + numbered):
        ident, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
        if ident & 0x80000000:
            at = base + (ident & 0x7FFFFFFF)
            length = struct.unpack_from("<H", data, at)[0]
            ident = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        yield ident, target


tree = {}
for kind, kind_dir in entries(0) if base is not None else ():
    for name, name_dir in entries(kind_dir & 0x7FFFFFFF):
        for language, leaf in entries(name_dir & 0x7FFFFFFF):
            rva, size = struct.unpack_from("<II", data, base + leaf)
            tree.setdefault(kind, {}).setdefault(name, {})[language] = data[offset(rva):offset(rva) + size]

check(set(tree) == {RT_ICON, RT_GROUP_ICON}, f"resource types {sorted(tree)} are one icon's")
groups = tree.get(RT_GROUP_ICON, {})
check(list(groups) == ["INSTALL_ICON"], f"icon group names {list(groups)}")
group = groups.get("INSTALL_ICON", {})
check(list(group) == [1042], f"icon group languages {list(group)} are Korean (1042)")
images = tree.get(RT_ICON, {})
check(len(images) == 1, f"{len(images)} icon image")
for name, languages in images.items():
    check(list(languages) == [1042], f"icon image languages {list(languages)} are Korean (1042)")
    for image in languages.values():
        size, width, height, planes, bits = struct.unpack_from("<IiiHH", image, 0)
        check((width, height, bits) == (32, 64, 4), f"image {width}x{height // 2}, {bits} bits per pixel")
for directory in group.values():
    _, kind, count = struct.unpack_from("<HHH", directory, 0)
    width, height, colours, _, planes, bits, _, image_id = struct.unpack_from("<BBBBHHIH", directory, 6)
    check(count == 1, "the group holds one image")
    check((width, height, colours, bits) == (32, 32, 16, 4), "the group names a 32x32 16-colour image")
    check(image_id in images, "the group's image is present")

sys.exit(1 if failures else 0)
