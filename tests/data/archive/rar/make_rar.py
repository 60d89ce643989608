#!/usr/bin/env python3
"""RAR fixtures for the RAR reader's extraction tests, written block by block
with the helpers of ../synth/make_synthetic.py (stored data, correct CRCs):
names (Unicode, folders), hostile names, a four-digit new-style volume set,
an enciphered member, a symbolic link, a member packed by RAR 2.0 and the
extended times of RAR 2.9 to 4. No Debian tool writes RAR; make.sh checks the
extractable ones with unar and bsdtar."""

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


def file_block(name, packed, size, crc, flags=0, host=2, attributes=0x20, version=20, method=0x30,
               dos=s.DOS_DATETIME, high=b"", tail=b""):
    """`high`: the high 32 bits of both sizes (flag 0x100); `tail`: what
    follows the name inside the header (salt, extended times)."""
    rest = b"".join(
        [
            struct.pack("<B", 0x74),
            struct.pack("<H", 0x8000 | flags),
            struct.pack("<H", 32 + len(high) + len(name) + len(tail)),
            struct.pack("<I", len(packed)),
            struct.pack("<I", size),
            struct.pack("<B", host),
            struct.pack("<I", crc),
            struct.pack("<I", dos),
            struct.pack("<B", version),
            struct.pack("<B", method),
            struct.pack("<H", len(name)),
            struct.pack("<I", attributes),
            high,
            name,
            tail,
        ]
    )
    return s.rar_block(rest) + packed


def stored(name, data, **kw):
    return file_block(name, data, len(data), zlib.crc32(data), **kw)


def dos_datetime(year, month, day, hour, minute, second):
    """A local date-time as a DOS date-time: date in the high word, seconds halved."""
    date = ((year - 1980) << 9) | (month << 5) | day
    return (date << 16) | (hour << 11) | (minute << 5) | (second // 2)


def extended_time(odd_second, ticks=0, count=0):
    """RAR 2.9 to 4's extended times (flag 0x1000), the modification time
    alone: the flags word's top four bits (8 present, 4 one second past the
    DOS time, 0-3 bytes of fraction), then the fraction in 100 ns units, its
    `count` most significant bytes of 24 bits, the lowest of them first."""
    mode = 8 | (4 if odd_second else 0) | count
    fraction = (ticks >> (8 * (3 - count))).to_bytes(3, "little")[:count]
    return struct.pack("<H", mode << 12) + fraction


def timed(name, data, dos, tail, flags=0, **kw):
    """A stored RAR 2.9 member with extended times."""
    return stored(name, data, flags=0x1000 | flags, version=29, dos=dos, tail=tail, **kw)


# 2021-03-04 06:06:08, the even second below 05:06:09 UTC in Madrid.
ODD = dos_datetime(2021, 3, 4, 6, 6, 8)


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
        # Extended times under Europe/Madrid, where the DOS times are local:
        # 2040-01-01 01:00:01 (00:00:01 UTC), 2021-03-04 06:06:09 (05:06:09
        # UTC) with and without a fraction of 100 ns units, 0.8388608 s given
        # by one byte, a salt before the times, sizes with high words, a
        # read-only member, a folder, and a member with its DOS time alone.
        "times.rar": archive(
            timed(b"2040.txt", b"2040\n", dos_datetime(2040, 1, 1, 1, 0, 0), extended_time(True)),
            timed(b"odd.txt", b"odd\n", ODD, extended_time(True)),
            timed(b"fraction.txt", b"fraction\n", ODD, extended_time(True, 1234567, 3)),
            timed(b"one-byte.txt", b"one byte\n", ODD, extended_time(False, 0x800000, 1)),
            timed(b"salted.txt", b"salted\n", ODD, bytes(range(8)) + extended_time(True),
                  flags=0x0400),
            timed(b"large.txt", b"large\n", ODD, extended_time(True), flags=0x0100,
                  high=bytes(8)),
            timed(b"read-only.txt", b"read-only\n", ODD, extended_time(False), attributes=0x21),
            timed(b"dated", b"", ODD, extended_time(True), flags=0x00E0, attributes=0x10),
            stored(b"dos.txt", b"dos\n", version=29),
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
