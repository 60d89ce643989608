#!/usr/bin/env python3
"""RAR fixtures for the RAR reader's extraction tests, written block by block
with the helpers of ../synth/make_synthetic.py (stored data, correct CRCs):
names (Unicode, folders), hostile names, a four-digit new-style volume set,
an enciphered member, a symbolic link and a member packed by RAR 2.0. No Debian tool writes
RAR; make.sh checks the extractable ones with unar and bsdtar."""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "synth"))
import make_synthetic as s  # noqa: E402

ALPHA = s.ALPHA
BETA = s.BETA


def unicode_name(oem, text):
    """The OEM name, a NUL, then the RAR Unicode encoding of `text`: a high
    byte 0, then flag bytes of four 2-bit codes, code 2 = low byte, high byte."""
    units = text.encode("utf-16-le")
    chars = [units[i : i + 2] for i in range(0, len(units), 2)]
    out = bytearray(oem + b"\0" + b"\0")
    for i in range(0, len(chars), 4):
        group = chars[i : i + 4]
        out.append(sum(2 << (6 - 2 * k) for k in range(len(group))))
        for c in group:
            out += c
    return bytes(out)


def file_block(name, packed, size, crc, flags=0, host=2, attributes=0x20, version=20, method=0x30):
    rest = b"".join(
        [
            struct.pack("<B", 0x74),
            struct.pack("<H", 0x8000 | flags),
            struct.pack("<H", 32 + len(name)),
            struct.pack("<I", len(packed)),
            struct.pack("<I", size),
            struct.pack("<B", host),
            struct.pack("<I", crc),
            struct.pack("<I", s.DOS_DATETIME),
            struct.pack("<B", version),
            struct.pack("<B", method),
            struct.pack("<H", len(name)),
            struct.pack("<I", attributes),
            name,
        ]
    )
    return s.rar_block(rest) + packed


def stored(name, data, **kw):
    return file_block(name, data, len(data), zlib.crc32(data), **kw)


def archive(*blocks):
    return s.RAR_MARKER + s.rar_archive_header(0) + b"".join(blocks) + s.rar_end_block(False)


def main():
    # Names: a folder path, a Unicode name inside a Unicode folder, a folder entry.
    folder_u = "Ünïcode"
    files = {
        "names.rar": archive(
            stored(b"docs", b"", flags=0x00E0, attributes=0x10),
            stored(b"docs\\alpha.txt", ALPHA),
            stored(unicode_name(b"_nicode", folder_u), b"", flags=0x02E0, attributes=0x10),
            stored(unicode_name(b"_nicode\\b_ta.txt", folder_u + "\\bêta.txt"), BETA, flags=0x0200),
        ),
        # Names that would leave the destination: a ".." step, a UNC path, the
        # same in a Unicode name and a folder entry; then one safe member.
        "hostile.rar": archive(
            stored(b"..\\evil.txt", ALPHA),
            stored(b"\\\\server\\share\\evil.txt", ALPHA),
            stored(unicode_name(b"..\\_vil.txt", "..\\évil.txt"), ALPHA, flags=0x0200),
            stored(b"..\\evildir", b"", flags=0x00E0, attributes=0x10),
            stored(b"safe.txt", BETA),
        ),
        # An enciphered member (libarchive has no RAR decryption) between two plain ones.
        "encrypted.rar": archive(
            stored(b"alpha.txt", ALPHA),
            file_block(b"secret.txt", bytes(64), len(BETA), zlib.crc32(BETA), flags=0x0004,
                       version=29, method=0x33),
            stored(b"beta.txt", BETA),
        ),
        # A symbolic link as RAR on Unix stores it (host 3, mode 0120777, the
        # target as its data) between two plain members.
        "link.rar": archive(
            stored(b"alpha.txt", ALPHA),
            stored(b"link-to-alpha", b"alpha.txt", host=3, attributes=0o120777),
            stored(b"beta.txt", BETA),
        ),
        # A member packed by RAR 2.0 (method 3, unpack version 20), then a stored one.
        "rar20.rar": archive(
            file_block(b"old.txt", bytes(range(97, 97 + 26)) * 3, len(BETA), zlib.crc32(BETA),
                       version=20, method=0x33),
            stored(b"alpha.txt", ALPHA),
        ),
    }
    for name, data in files.items():
        with open(os.path.join(HERE, name), "wb") as handle:
            handle.write(data)

    # A new-style set with four digits: vol4.part0001.rar to vol4.part0003.rar,
    # alpha.txt whole in the first volume, then random.bin over all three.
    member = s.pseudo_random(3000, 1)
    volumes = s.rar_volumes(b"random.bin", member, [1000, 1200, 800], True)
    first = volumes[0]
    head = len(s.RAR_MARKER) + 13
    volumes[0] = first[:head] + stored(b"alpha.txt", ALPHA) + first[head:]
    for index, volume in enumerate(volumes):
        with open(os.path.join(HERE, "vol4.part%04d.rar" % (index + 1)), "wb") as handle:
            handle.write(volume)


if __name__ == "__main__":
    main()
