#!/usr/bin/env python3
"""Makes the context-number targets of a compiled help file relative to the file itself.

chmcmd stores each [ALIAS] target in #STRINGS as the build machine's absolute path of the page
("/home/me/build/help/items.htm"), which the viewer looks for inside the .chm and never finds.
This rewrites #STRINGS with the project folder cut from those names (each name keeps its offset,
so the #IVB and #TOPICS offsets into it stay valid), stores the new copy uncompressed in content
section 0 and points the directory entry of /#STRINGS at it.

usage: fix_chm_aliases.py FILE.chm STRINGS PREFIX
  STRINGS: the decompressed /#STRINGS of FILE.chm; PREFIX: the project folder with its slash.
"""
import struct
import sys


def read_encint(buf, pos):
    value = 0
    while True:
        b = buf[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos


def encint(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def parse_chunk(chunk):
    free = struct.unpack_from("<I", chunk, 4)[0]
    end = len(chunk) - free
    entries, pos = [], 0x14
    while pos < end:
        n, pos = read_encint(chunk, pos)
        name = chunk[pos:pos + n]
        pos += n
        section, pos = read_encint(chunk, pos)
        offset, pos = read_encint(chunk, pos)
        length, pos = read_encint(chunk, pos)
        entries.append([name, section, offset, length])
    return entries


def build_chunk(head, entries, size, density):
    # Entries after the 0x14-byte header; the quickref area, written backwards from the chunk's
    # end, holds the entry count and, for every (1 + 2^density)-th entry, its offset from the
    # first entry.
    body, starts = b"", []
    for name, section, offset, length in entries:
        starts.append(len(body))
        body += encint(len(name)) + name + encint(section) + encint(offset) + encint(length)
    step = 1 + (1 << density)
    refs = [starts[i] for i in range(step - 1, len(entries), step)]
    quick = b"".join(struct.pack("<H", r) for r in reversed(refs)) + struct.pack("<H", len(entries))
    free = size - 0x14 - len(body)
    if free < len(quick):
        raise SystemExit("directory chunk too full to rewrite")
    chunk = bytearray(size)
    chunk[0:0x14] = head
    struct.pack_into("<I", chunk, 4, free)
    chunk[0x14:0x14 + len(body)] = body
    chunk[size - len(quick):] = quick
    return bytes(chunk)


def main():
    path, strings_path, prefix = sys.argv[1], sys.argv[2], sys.argv[3].encode()
    data = bytearray(open(path, "rb").read())
    strings = bytearray(open(strings_path, "rb").read())
    # Each target keeps its offset, which #IVB holds: its name moves there and the rest of its old
    # place becomes zero bytes, so the offsets of the names after it stay valid too.
    fixed, at = 0, strings.find(prefix)
    while at >= 0:
        end = strings.index(0, at)
        name = strings[at + len(prefix):end]
        strings[at:end] = name + bytes(end - at - len(name))
        fixed += 1
        at = strings.find(prefix, end)

    if data[0:4] != b"ITSF":
        raise SystemExit(path + ": not a compiled help file")
    dir_offset = struct.unpack_from("<Q", data, 72)[0]
    content0 = struct.unpack_from("<Q", data, 88)[0]
    chunk_size, density = struct.unpack_from("<II", data, dir_offset + 16)
    first, last = struct.unpack_from("<II", data, dir_offset + 32)
    chunks0 = dir_offset + 0x54
    new_offset = len(data) - content0
    for c in range(first, last + 1):
        start = chunks0 + c * chunk_size
        chunk = bytes(data[start:start + chunk_size])
        if chunk[0:4] != b"PMGL":
            continue
        entries = parse_chunk(chunk)
        if build_chunk(chunk[0:0x14], entries, chunk_size, density) != chunk:
            raise SystemExit("unexpected directory chunk layout")
        for e in entries:
            if e[0] == b"/#STRINGS":
                e[1], e[2], e[3] = 0, new_offset, len(strings)
                data[start:start + chunk_size] = build_chunk(chunk[0:0x14], entries, chunk_size,
                                                             density)
                data += strings
                struct.pack_into("<Q", data, struct.unpack_from("<Q", data, 56)[0] + 8, len(data))
                open(path, "wb").write(data)
                print("%s: %d context targets made relative" % (path, fixed))
                return
    raise SystemExit(path + ": no /#STRINGS entry")


main()
