#!/usr/bin/env python3
"""Writes the seed corpus of ostrel-fuzz-chunks into tests/fuzz/corpus/.

Each file is one fuzzer input: a first byte choosing the road (0: setChunk as a preset,
1: setChunk as a bank, 2: a preset file) followed by the data. The seeds start from the shipped
default bank (resources/default_bank.bin) and cover the valid forms, the older sub-chunk forms,
cut data and hostile sizes. Run from anywhere; the corpus is rewritten in place.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
OUT = os.path.join(HERE, "corpus")

bank = open(os.path.join(ROOT, "resources", "default_bank.bin"), "rb").read()
ENTRY = 908


def program(i):
    start = 20 + i * ENTRY + 32
    return bank[start:start + 876]


def subchunks(chunk):
    """The sub-chunks of a program chunk as (id, size, body) with body = the bytes after size."""
    out, p = [], 8
    while True:
        (cid,) = struct.unpack_from("<I", chunk, p)
        if cid == 0:
            return out
        (size,) = struct.unpack_from("<I", chunk, p + 4)
        out.append((cid, size, chunk[p + 8:p + 8 + size]))
        p += 8 + size


def assemble(parts, end=True):
    data = b"ORP\0" + struct.pack("<I", 0)
    for cid, size, body in parts:
        data += struct.pack("<II", cid, size) + body
    return data + (struct.pack("<I", 0) if end else b"")


def fxp(chunk, name=b"Sawpad1", byte_size=None, chunk_size=None):
    body = b"FPCh" + struct.pack(">iiii", 1, 0x58797A76, 1, 1) + name.ljust(28, b"\0")
    body += struct.pack(">i", len(chunk) if chunk_size is None else chunk_size) + chunk
    return b"CcnK" + struct.pack(">i", len(body) if byte_size is None else byte_size) + body


def fxb(chunk, chunk_size=None):
    body = b"FBCh" + struct.pack(">iiii", 1, 0x58797A76, 1, 128) + bytes(128)
    body += struct.pack(">i", len(chunk) if chunk_size is None else chunk_size) + chunk
    return b"CcnK" + struct.pack(">i", len(body)) + body


sawpad = program(1)
parts = subchunks(sawpad)

# Older forms: filter without its mode (size 16, version 0), output without the name (40, 0).
older = []
for cid, size, body in parts:
    if cid == 3:
        older.append((3, 16, struct.pack("<I", 0) + body[4:16]))
    elif cid == 8:
        older.append((8, 40, struct.pack("<I", 0) + body[4 + 24:4 + 24 + 36]))
    else:
        older.append((cid, size, body))
older.insert(4, (10, 12, bytes(12)))  # an unknown sub-chunk, skipped by its size

hostile_bank = bytearray(bank)
struct.pack_into("<ii", hostile_bank, 12, 0x7FFFFFFF, 999)
oversized_entry = bytearray(bank[:20 + ENTRY])
struct.pack_into("<I", oversized_entry, 20, 4000)
oversized_entry += bytes(4000 - ENTRY)
tiny_entry = bytearray(bank[:20 + ENTRY])
struct.pack_into("<I", tiny_entry, 20, 8)

seeds = {
    "program-sawpad1": b"\0" + sawpad,
    "program-older-subchunks": b"\0" + assemble(older),
    "program-cut-after-mix": b"\0" + assemble(parts[:2], end=False),
    "program-huge-subchunk-size": b"\0" + assemble([(1, 0xFFFFFFFF, bytes(16))]),
    "program-skip-below-start": b"\0" + assemble([(11, 0x80000000, bytes(8))]),
    "bank-default": b"\1" + bank,
    "bank-cut-mid-entry": b"\1" + bank[:20 + 3 * ENTRY + 400],
    "bank-hostile-count": b"\1" + bytes(hostile_bank),
    "bank-oversized-entry": b"\1" + bytes(oversized_entry),
    "bank-tiny-entry": b"\1" + bytes(tiny_entry),
    "bank-junk": b"\1" + b"not a chunk at all",
    "fxp-sawpad1": b"\2" + fxp(sawpad),
    "fxb-default": b"\2" + fxb(bank),
    "fxp-huge-byte-size": b"\2" + fxp(sawpad, byte_size=0x7FFFFFFF),
    "fxb-negative-chunk-size": b"\2" + fxb(bank, chunk_size=-16),
}

os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
print(f"wrote {len(seeds)} seeds to {OUT}")
