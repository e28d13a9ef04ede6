#!/usr/bin/env python3
"""Writes fuzzing seeds for the tag reader into the folder given: tags with
the header and frame flags the taggers in tests/media never set, so that the
fuzzer starts from every shape the reader must handle (ID3v2.2, extended
headers in v2.3 and v2.4, unsynchronisation of the tag and of frames, the
v2.4 frame flags, text in every encoding, surrogate pairs at the cut).

The second-to-last byte of each seed also picks the fuzzer's file-layer
mode (beyond 4 GB, short reads, failed reads), the last byte the buffer
size; both are varied across the seeds.

    tests/fuzz/make_seeds.py <folder>
"""
import os
import struct
import sys


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def unsynchronise(data):
    """Inserts a zero after every 0xFF that a false sync could follow."""
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] >= 0xE0 or data[i + 1] == 0):
            out.append(0)
    return bytes(out)


def text(encoding, s):
    if encoding == 0:
        return b"\x00" + s.encode("latin-1")
    if encoding == 1:
        return b"\x01" + b"\xff\xfe" + s.encode("utf-16-le")
    if encoding == 2:
        return b"\x02" + s.encode("utf-16-be")
    return b"\x03" + s.encode("utf-8")


def frame22(fid, body):
    return fid.encode() + struct.pack(">I", len(body))[1:] + body


def frame23(fid, body, flags=0):
    return fid.encode() + struct.pack(">IH", len(body), flags) + body


def frame24(fid, body, flags=0):
    return fid.encode() + synchsafe(len(body)) + struct.pack(">H", flags) + body


def tag(version, flags, body, padding=16):
    body = body + b"\x00" * padding
    return b"ID3" + bytes([version, 0, flags]) + synchsafe(len(body)) + body


def audio():
    return b"\xff\xfb\x90\x00" + b"\x00" * 60


def v1(title, artist):
    return (b"TAG" + title.encode("latin-1").ljust(30, b"\x00") +
            artist.encode("latin-1").ljust(30, b"\x00") + b"\x00" * 30 + b"2024" +
            b"\x00" * 30 + b"\x0c")


def with_mode(data, mode, size_byte):
    return data + bytes([mode, size_byte])


def seeds():
    title, artist = "Song", "Band"
    yield "v22", tag(2, 0, frame22("TT2", text(0, title)) + frame22("TP1", text(1, artist)))
    yield "v22-compressed", tag(2, 0x40, frame22("TT2", text(0, title)))
    ext23 = struct.pack(">IHI", 6, 0, 0)  # size, flags, padding size
    yield "v23-extended", tag(3, 0x40, ext23 + frame23("TIT2", text(0, title)) +
                              frame23("TPE1", text(1, artist)))
    ext23crc = struct.pack(">IHII", 10, 0x8000, 0, 0x12345678)
    yield "v23-extended-crc", tag(3, 0x40, ext23crc + frame23("TIT2", text(1, title)))
    ext24 = synchsafe(6) + b"\x01\x00"
    yield "v24-extended", tag(4, 0x40, ext24 + frame24("TIT2", text(3, title)) +
                              frame24("TPE1", text(2, artist)))
    ext24all = synchsafe(15) + b"\x01\x70" + b"\x00" + b"\x05" + b"\x01\x02\x03\x04\x05" + b"\x01\x03"
    yield "v24-extended-flags", tag(4, 0x40, ext24all + frame24("TIT2", text(0, title)))
    # 0xFF bytes in the text, so that unsynchronisation inserts zeros.
    ff_title = "\u00ffS\u00ff\u00e9"
    body = frame23("TIT2", text(0, ff_title)) + frame23("TPE1", text(1, "\u00ff\u00ff"))
    yield "v23-unsync", tag(3, 0x80, unsynchronise(body))
    yield "v22-unsync", tag(2, 0x80, unsynchronise(frame22("TT2", text(1, ff_title))))
    yield "v24-unsync-tag", tag(4, 0x80, unsynchronise(frame24("TIT2", text(1, ff_title))))
    # v2.4 frame flags: unsynchronised frame (0x0002) with its data length
    # indicator (0x0001), grouping (0x0040), compression (0x0008),
    # encryption (0x0004), and the status flags.
    raw = text(1, ff_title)
    unsynced = unsynchronise(raw)
    yield "v24-frame-unsync", tag(4, 0, frame24("TIT2", synchsafe(len(raw)) + unsynced, 0x0003) +
                                  frame24("TPE1", text(0, artist)))
    yield "v24-frame-unsync-only", tag(4, 0, frame24("TIT2", unsynced, 0x0002))
    yield "v24-frame-grouping", tag(4, 0, frame24("TIT2", b"\x07" + text(3, title), 0x0040))
    yield "v24-frame-compressed", tag(4, 0, frame24("TIT2", synchsafe(5) + b"x\x9c\x03\x00", 0x0009) +
                                      frame24("TPE1", text(0, artist)))
    yield "v24-frame-encrypted", tag(4, 0, frame24("TIT2", b"\x80" + text(0, title), 0x0004) +
                                     frame24("TPE1", text(0, artist)))
    yield "v24-frame-status", tag(4, 0, frame24("TIT2", text(0, title), 0x7000))
    yield "v23-frame-flags", tag(3, 0, frame23("TIT2", b"\x00\x00\x00\x05" + text(0, title), 0x0080) +
                                 frame23("TPE1", b"\x01" + text(0, artist), 0x0020) +
                                 frame23("TALB", text(0, "A"), 0x0040))
    # Surrogate pairs where a small buffer cuts.
    emoji = "a\U0001F600b\U0001F3B5" * 8
    yield "v24-surrogates", tag(4, 0, frame24("TIT2", text(1, emoji)) + frame24("TPE1", text(2, emoji)))
    yield "v23-surrogates", tag(3, 0, frame23("TIT2", text(1, emoji)))
    yield "v1-only", audio() + v1(title, artist)
    yield "v23-and-v1", tag(3, 0, frame23("TALB", text(0, "Album"))) + audio() + v1(title, artist)
    yield "footer-v24", tag(4, 0x10, frame24("TIT2", text(0, title)), padding=0) + b"3DI\x04\x00\x10" + synchsafe(20)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    # Each seed in a few file-layer modes and buffer sizes.
    modes = [(0, 255), (1, 7), (2, 4), (4, 20), (0x16, 9), (0x25, 100)]
    for i, (name, data) in enumerate(seeds()):
        for j, (mode, size_byte) in enumerate(modes):
            if j and (i + j) % 2:
                continue
            with open(os.path.join(folder, "seed-%s-%d" % (name, j)), "wb") as f:
                f.write(with_mode(data, mode, size_byte))


if __name__ == "__main__":
    main()
