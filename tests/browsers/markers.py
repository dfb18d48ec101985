#!/usr/bin/env python3
"""Lists which files below the folders given hold which trace markers (`corvmark-<kind>` and
`corvkeep-<kind>`, as site.py writes them): one line per kind and file, `kind<TAB>file`. A file's
bytes are searched as they are, as UTF-16 (both byte orders: some stores keep text so), and, for
Firefox's `mozLz40` files, once decompressed. Symbolic links are not followed.

usage: markers.py FOLDER..."""
import os
import re
import struct
import sys

KIND = re.compile(rb"corv(?:mark|keep)-[a-z]+")


def lz4_block(data, size):
    """Decompresses one LZ4 block (the format after Firefox's 12-byte mozLz40 header)."""
    out = bytearray()
    i = 0
    while i < len(data):
        token = data[i]
        i += 1
        length = token >> 4
        if length == 15:
            while True:
                extra = data[i]
                i += 1
                length += extra
                if extra != 255:
                    break
        out += data[i:i + length]
        i += length
        if i >= len(data) or len(out) >= size:
            break
        offset = data[i] | data[i + 1] << 8
        i += 2
        length = token & 15
        if length == 15:
            while True:
                extra = data[i]
                i += 1
                length += extra
                if extra != 255:
                    break
        length += 4
        for _ in range(length):
            out.append(out[-offset])
    return bytes(out)


def views(data):
    """The texts a file may hold markers in."""
    yield data
    if data.startswith(b"mozLz40\0") and len(data) >= 12:
        try:
            yield lz4_block(data[12:], struct.unpack("<I", data[8:12])[0])
        except IndexError:
            pass
    for order in ("utf-16-le", "utf-16-be"):
        for start in (0, 1):
            yield data[start:].decode(order, errors="replace").encode("ascii", errors="replace")


def kinds(path):
    with open(path, "rb") as f:
        data = f.read()
    found = set()
    for view in views(data):
        found.update(m.decode() for m in KIND.findall(view))
    return found


def main():
    for top in sys.argv[1:]:
        for folder, _, files in os.walk(top):
            for name in files:
                path = os.path.join(folder, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                for kind in sorted(kinds(path)):
                    print("%s\t%s" % (kind, path))


main()
