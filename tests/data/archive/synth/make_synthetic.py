#!/usr/bin/env python3
"""Writes the synthetic archive fixtures of this folder.

No Debian tool writes these formats (RAR, ACE, ZOO, BH, HA, PAK, the
InstallShield-style "Z" archive, spanned cabinets, self-extractor layouts),
so every header is built here field by field: one struct.pack per field,
little-endian unless a comment says otherwise. Member data is stored
(uncompressed) and every checksum the format has is computed.

Standard library only. Run from anywhere: the fixtures are written beside
this script. make.sh runs it and then lists each fixture with the Debian
readers that understand it.
"""

import binascii
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Member contents shared by every fixture (the same texts as the tool-made
# fixtures of the other folders).
ALPHA = b"Alpha file of the archive fixtures.\nIt has two lines.\n"
BETA = b"".join(
    b"Beta line %02d: the quick brown fox jumps over the lazy dog.\n" % i for i in range(12)
)
TOP = b"Top of the docs folder.\n"

# 2021-03-04 05:06:08, the time of every member.
UNIX_TIME = 1614834368
DOS_DATE = ((2021 - 1980) << 9) | (3 << 5) | 4
DOS_TIME = (5 << 11) | (6 << 5) | (8 // 2)
DOS_DATETIME = (DOS_DATE << 16) | DOS_TIME


def pseudo_random(count, seed):
    """Deterministic incompressible-looking bytes (a 32-bit LCG)."""
    out = bytearray()
    state = seed
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        out.append((state >> 16) & 0xFF)
    return bytes(out)


def crc32(data):
    return binascii.crc32(data) & 0xFFFFFFFF


def crc16_arc(data):
    """CRC-16 of ARC, LHA and ZOO: polynomial 0xA001 (reflected), start 0."""
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def crc16_ccitt(data):
    """CRC-16/XMODEM of the MacBinary II header: polynomial 0x1021, start 0."""
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) & 0xFFFF if crc & 0x8000 else (crc << 1) & 0xFFFF
    return crc


def ace_crc32(data):
    """ACE keeps the CRC-32 register without the final inversion."""
    return crc32(data) ^ 0xFFFFFFFF


def cab_checksum(data, seed=0):
    """Cabinet CFDATA checksum: XOR of little-endian 32-bit words, tail odd."""
    csum = seed
    whole = len(data) // 4 * 4
    for i in range(0, whole, 4):
        csum ^= struct.unpack_from("<I", data, i)[0]
    tail = data[whole:]
    value = 0
    for byte in tail:
        value = (value << 8) | byte
    return csum ^ value


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as handle:
        handle.write(data)


# --------------------------------------------------------------------------
# DOS executable stub
# --------------------------------------------------------------------------


def mz_stub(length, image_end):
    """An "MZ" header whose page fields give image_end, padded to length.

    The image end is (pages - 1) * 512 + bytes in the last page; image_end
    must not be a multiple of 512 so that both readings of a zero "bytes in
    last page" agree.
    """
    assert image_end % 512 != 0
    pages = image_end // 512 + 1
    header = b"".join(
        [
            b"MZ",  # e_magic
            struct.pack("<H", image_end % 512),  # e_cblp: bytes in the last page
            struct.pack("<H", pages),  # e_cp: pages in the image
            struct.pack("<H", 0),  # e_crlc: relocations
            struct.pack("<H", 4),  # e_cparhdr: header paragraphs (64 bytes)
            struct.pack("<H", 0),  # e_minalloc
            struct.pack("<H", 0xFFFF),  # e_maxalloc
            struct.pack("<H", 0),  # e_ss
            struct.pack("<H", 0xB8),  # e_sp
            struct.pack("<H", 0),  # e_csum
            struct.pack("<H", 0),  # e_ip
            struct.pack("<H", 0),  # e_cs
            struct.pack("<H", 0x40),  # e_lfarlc: relocation table offset
            struct.pack("<H", 0),  # e_ovno: overlay number
        ]
    )
    header += b"\0" * (64 - len(header))
    code = b"\xb4\x4c\xcd\x21"  # mov ah,4Ch; int 21h: exit at once
    text = b"Fixture stub: not a program.\r\n$"
    stub = header + code + text
    return stub + b"\0" * (length - len(stub))


# --------------------------------------------------------------------------
# ZIP (stored members)
# --------------------------------------------------------------------------


def zip_archive(members, base=0, marker=b""):
    """A ZIP of stored members. Stored offsets are counted from `base`
    before the archive's first byte (0: offsets relative to the archive)."""
    body = bytearray(marker)
    central = bytearray()
    for name, data in members:
        offset = base + len(body)
        crc = crc32(data)
        body += b"".join(
            [
                b"PK\x03\x04",  # local header signature
                struct.pack("<H", 10),  # version needed to extract (1.0)
                struct.pack("<H", 0),  # general purpose flags
                struct.pack("<H", 0),  # method: stored
                struct.pack("<H", DOS_TIME),  # modification time
                struct.pack("<H", DOS_DATE),  # modification date
                struct.pack("<I", crc),  # CRC-32
                struct.pack("<I", len(data)),  # compressed size
                struct.pack("<I", len(data)),  # uncompressed size
                struct.pack("<H", len(name)),  # file name length
                struct.pack("<H", 0),  # extra field length
                name,  # file name
                data,  # member data
            ]
        )
        central += b"".join(
            [
                b"PK\x01\x02",  # central header signature
                struct.pack("<H", 0x031E),  # version made by (Unix, 3.0)
                struct.pack("<H", 10),  # version needed to extract
                struct.pack("<H", 0),  # general purpose flags
                struct.pack("<H", 0),  # method: stored
                struct.pack("<H", DOS_TIME),  # modification time
                struct.pack("<H", DOS_DATE),  # modification date
                struct.pack("<I", crc),  # CRC-32
                struct.pack("<I", len(data)),  # compressed size
                struct.pack("<I", len(data)),  # uncompressed size
                struct.pack("<H", len(name)),  # file name length
                struct.pack("<H", 0),  # extra field length
                struct.pack("<H", 0),  # file comment length
                struct.pack("<H", 0),  # disk number start
                struct.pack("<H", 1),  # internal attributes: text
                struct.pack("<I", 0o100644 << 16),  # external attributes
                struct.pack("<I", offset),  # local header offset
                name,  # file name
            ]
        )
    directory_offset = base + len(body)
    end = b"".join(
        [
            b"PK\x05\x06",  # end of central directory signature
            struct.pack("<H", 0),  # number of this disk
            struct.pack("<H", 0),  # disk holding the central directory
            struct.pack("<H", len(members)),  # entries on this disk
            struct.pack("<H", len(members)),  # entries in all
            struct.pack("<I", len(central)),  # central directory size
            struct.pack("<I", directory_offset),  # central directory offset
            struct.pack("<H", 0),  # comment length
        ]
    )
    return bytes(body + central + end)


# --------------------------------------------------------------------------
# RAR 1.5-4.x block format
# --------------------------------------------------------------------------

RAR_MARKER = b"Rar!\x1a\x07\x00"  # marker block: CRC 0x6152, type 0x72, flags 0x1A21, size 7


def rar_block(rest):
    """Prefixes a block (type onwards) with its header CRC (low 16 bits of CRC-32)."""
    return struct.pack("<H", crc32(rest) & 0xFFFF) + rest  # HEAD_CRC


def rar_archive_header(flags):
    return rar_block(
        b"".join(
            [
                struct.pack("<B", 0x73),  # HEAD_TYPE: archive header
                struct.pack("<H", flags),  # HEAD_FLAGS (1 volume, 0x10 new numbering, 0x100 first)
                struct.pack("<H", 13),  # HEAD_SIZE
                struct.pack("<H", 0),  # RESERVED1
                struct.pack("<I", 0),  # RESERVED2
            ]
        )
    )


def rar_file_block(name, packed, unpacked_size, file_crc, host, attributes, flags=0):
    rest = b"".join(
        [
            struct.pack("<B", 0x74),  # HEAD_TYPE: file header
            struct.pack("<H", 0x8000 | flags),  # HEAD_FLAGS: long block, split, directory
            struct.pack("<H", 32 + len(name)),  # HEAD_SIZE
            struct.pack("<I", len(packed)),  # PACK_SIZE
            struct.pack("<I", unpacked_size),  # UNP_SIZE
            struct.pack("<B", host),  # HOST_OS (2 Win32, 3 Unix)
            struct.pack("<I", file_crc),  # FILE_CRC
            struct.pack("<I", DOS_DATETIME),  # FTIME
            struct.pack("<B", 20),  # UNP_VER: 2.0
            struct.pack("<B", 0x30),  # METHOD: store
            struct.pack("<H", len(name)),  # NAME_SIZE
            struct.pack("<I", attributes),  # ATTR
            name,  # FILE_NAME
        ]
    )
    return rar_block(rest) + packed


def rar_end_block(next_volume):
    return rar_block(
        b"".join(
            [
                struct.pack("<B", 0x7B),  # HEAD_TYPE: end of archive
                struct.pack("<H", 0x4000 | (1 if next_volume else 0)),  # HEAD_FLAGS: 1 next volume
                struct.pack("<H", 7),  # HEAD_SIZE
            ]
        )
    )


def rar_stored(members, host=2):
    """members: (name, data, attributes, extra header flags)."""
    out = RAR_MARKER + rar_archive_header(0)
    for name, data, attributes, flags in members:
        out += rar_file_block(name, data, len(data), crc32(data), host, attributes, flags)
    return out + rar_end_block(False)


def rar_volumes(name, data, parts, new_numbering):
    """One member split over len(parts) volumes. A part continued in the next
    volume carries the CRC-32 of its own packed bytes; the last part the
    whole member's CRC-32."""
    volumes = []
    position = 0
    for index, size in enumerate(parts):
        piece = data[position : position + size]
        position += size
        last = index == len(parts) - 1
        flags = 0x0001
        if new_numbering:
            flags |= 0x0010 | (0x0100 if index == 0 else 0)
        split = (0x01 if index > 0 else 0) | (0 if last else 0x02)
        crc = crc32(data) if last else crc32(piece)
        volume = RAR_MARKER + rar_archive_header(flags)
        volume += rar_file_block(name, piece, len(data), crc, 2, 0x20, split)
        volume += rar_end_block(not last)
        volumes.append(volume)
    assert position == len(data)
    return volumes


# --------------------------------------------------------------------------
# ACE (stored members)
# --------------------------------------------------------------------------


def ace_block(rest):
    """Header CRC (low 16 bits of the ACE CRC-32 over type onwards) and size."""
    return b"".join(
        [
            struct.pack("<H", ace_crc32(rest) & 0xFFFF),  # HEAD_CRC
            struct.pack("<H", len(rest)),  # HEAD_SIZE (type onwards)
            rest,
        ]
    )


def ace_main_header(flags=0, volume=0):
    return ace_block(
        b"".join(
            [
                struct.pack("<B", 0),  # HEAD_TYPE: main header
                struct.pack("<H", flags),  # HEAD_FLAGS (0x0800 multi-volume)
                b"**ACE**",  # ACE signature
                struct.pack("<B", 10),  # VER_EXTRACT: 1.0
                struct.pack("<B", 10),  # VER_CREATED: 1.0
                struct.pack("<B", 0),  # HOST_CREATED: MS-DOS
                struct.pack("<B", volume),  # VOLUME_NUM
                struct.pack("<I", DOS_DATETIME),  # TIME_CREATED
                b"\0" * 8,  # RESERVED1
                struct.pack("<B", 0),  # AV_SIZE: no advertisement text
            ]
        )
    )


def ace_file_header(name, packed, original_size, crc, flags=0):
    rest = b"".join(
        [
            struct.pack("<B", 1),  # HEAD_TYPE: file
            struct.pack("<H", 0x0001 | flags),  # HEAD_FLAGS: 1 ADDSIZE, 0x1000/0x2000 split
            struct.pack("<I", len(packed)),  # PACK_SIZE
            struct.pack("<I", original_size),  # ORIG_SIZE
            struct.pack("<I", DOS_DATETIME),  # FTIME
            struct.pack("<I", 0x20),  # ATTR: archive
            struct.pack("<I", crc),  # CRC32 (ACE form)
            struct.pack("<B", 0),  # TECH_INFO type: stored
            struct.pack("<B", 0),  # TECH_INFO quality
            struct.pack("<H", 0),  # TECH_INFO parameters
            struct.pack("<H", 0),  # RESERVED
            struct.pack("<H", len(name)),  # FNAME_SIZE
            name,  # FNAME
            b"\0" * 4,  # RESERVED2 (readers want at least 4 bytes after the name)
        ]
    )
    return ace_block(rest) + packed


def ace_stored(members):
    out = ace_main_header()
    for name, data in members:
        out += ace_file_header(name, data, len(data), ace_crc32(data))
    return out


def ace_volumes(name, data, parts, trailing=()):
    """The member split over len(parts) volumes; the trailing members follow
    it, whole, in the last volume."""
    volumes = []
    position = 0
    for index, size in enumerate(parts):
        piece = data[position : position + size]
        position += size
        last = index == len(parts) - 1
        flags = (0x1000 if index > 0 else 0) | (0 if last else 0x2000)
        crc = ace_crc32(data) if last else ace_crc32(piece)
        volume = ace_main_header(0x0800, index)
        volume += ace_file_header(name, piece, len(data), crc, flags)
        if last:
            for trailing_name, trailing_data in trailing:
                volume += ace_file_header(
                    trailing_name, trailing_data, len(trailing_data), ace_crc32(trailing_data)
                )
        volumes.append(volume)
    return volumes


# --------------------------------------------------------------------------
# ARJ (stored members)
# --------------------------------------------------------------------------


def arj_header(basic):
    """Header id, basic header size, basic header, its CRC-32, no extension."""
    return b"".join(
        [
            struct.pack("<H", 0xEA60),  # header id
            struct.pack("<H", len(basic)),  # basic header size
            basic,  # basic header
            struct.pack("<I", crc32(basic)),  # basic header CRC-32
            struct.pack("<H", 0),  # first extended header size: none
        ]
    )


def arj_basic(file_type, name, packed_size=0, original_size=0, crc=0):
    return b"".join(
        [
            struct.pack("<B", 30),  # first header size
            struct.pack("<B", 11),  # archiver version
            struct.pack("<B", 1),  # minimum version to extract
            struct.pack("<B", 0),  # host OS: MS-DOS
            struct.pack("<B", 0),  # ARJ flags
            struct.pack("<B", 0),  # method: stored
            struct.pack("<B", file_type),  # file type (0 binary, 2 main header)
            struct.pack("<B", 0),  # reserved (password modifier)
            struct.pack("<I", DOS_DATETIME),  # date-time modified
            struct.pack("<I", packed_size),  # compressed size
            struct.pack("<I", original_size),  # original size
            struct.pack("<I", crc),  # original file's CRC-32
            struct.pack("<H", 0),  # entryname position in filename
            struct.pack("<H", 0x20),  # file access mode
            struct.pack("<B", 0),  # first chapter
            struct.pack("<B", 0),  # last chapter
            name + b"\0",  # file name
            b"\0",  # comment
        ]
    )


def arj_stored(archive_name, members):
    # Main header: its "compressed size" field is the archive's modification time.
    out = arj_header(arj_basic(2, archive_name, packed_size=DOS_DATETIME))
    for name, data in members:
        out += arj_header(arj_basic(0, name, len(data), len(data), crc32(data))) + data
    return out + struct.pack("<H", 0xEA60) + struct.pack("<H", 0)  # end: id, size 0


# --------------------------------------------------------------------------
# LHA level 1 (stored members)
# --------------------------------------------------------------------------


def lha_level1(members):
    out = b""
    for name, data in members:
        rest = b"".join(
            [
                b"-lh0-",  # method id: stored
                struct.pack("<I", len(data) + 0),  # compressed size (+ extended headers: none)
                struct.pack("<I", len(data)),  # original size
                struct.pack("<I", DOS_DATETIME),  # DOS date-time
                struct.pack("<B", 0x20),  # reserved (0x20 in level 1)
                struct.pack("<B", 1),  # header level
                struct.pack("<B", len(name)),  # name length
                name,  # name
                struct.pack("<H", crc16_arc(data)),  # CRC-16 of the data
                b"M",  # OS id: MS-DOS
                struct.pack("<H", 0),  # next extended header size: none
            ]
        )
        out += struct.pack("<B", len(rest))  # header size (from offset 2)
        out += struct.pack("<B", sum(rest) & 0xFF)  # header checksum
        out += rest + data
    return out + b"\0"  # end of archive


# --------------------------------------------------------------------------
# ARC and PAK
# --------------------------------------------------------------------------


def arc_entry(method, name, packed, original_size, crc):
    return b"".join(
        [
            struct.pack("<B", 0x1A),  # marker
            struct.pack("<B", method),  # method
            name + b"\0" * (13 - len(name)),  # name, NUL-padded to 13
            struct.pack("<I", len(packed)),  # compressed size
            struct.pack("<H", DOS_DATE),  # date (date word first)
            struct.pack("<H", DOS_TIME),  # time
            struct.pack("<H", crc),  # CRC-16 of the original data
            struct.pack("<I", original_size),  # original size
            packed,  # member data
        ]
    )


ARC_END = struct.pack("<B", 0x1A) + struct.pack("<B", 0)  # marker, method 0: end


def arc_crunched_literals(data):
    """ARC method 8 data holding only literal codes: the maximum code width
    (12), then one 9-bit LZW code per byte, packed least significant bit
    first. Valid while no code width change is due (under 255 codes) and
    while the data holds no 0x90 (the run-length escape)."""
    assert len(data) < 250 and 0x90 not in data
    bits = 0
    count = 0
    out = bytearray([12])
    for byte in data:
        bits |= byte << count
        count += 9
        while count >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        out.append(bits & 0xFF)
    return bytes(out)


# --------------------------------------------------------------------------
# Cabinet (stored folders)
# --------------------------------------------------------------------------


def cab_string(text):
    return text + b"\0"


def cabinet(files, data_blocks, flags=0, set_id=0x5EED, index=0, prev=None, next_=None):
    """files: (name, size, offset in folder, folder index); one stored folder
    holding data_blocks, each a CFDATA of its own: bytes, or (bytes, the
    uncompressed size to record)."""
    header_size = 36
    names = b""
    if flags & 1:
        names += cab_string(prev[0]) + cab_string(prev[1])  # szCabinetPrev, szDiskPrev
    if flags & 2:
        names += cab_string(next_[0]) + cab_string(next_[1])  # szCabinetNext, szDiskNext
    folder_offset = header_size + len(names)
    files_offset = folder_offset + 8
    file_entries = b""
    for name, size, offset, folder in files:
        file_entries += b"".join(
            [
                struct.pack("<I", size),  # cbFile
                struct.pack("<I", offset),  # uoffFolderStart
                struct.pack("<H", folder),  # iFolder (0xFFFD from previous, 0xFFFE to next)
                struct.pack("<H", DOS_DATE),  # date
                struct.pack("<H", DOS_TIME),  # time
                struct.pack("<H", 0x20),  # attribs: archive
                cab_string(name),  # szName
            ]
        )
    data_offset = files_offset + len(file_entries)
    blocks = b""
    for block in data_blocks:
        block, uncompressed = block if isinstance(block, tuple) else (block, len(block))
        sizes = struct.pack("<H", len(block)) + struct.pack("<H", uncompressed)
        blocks += b"".join(
            [
                struct.pack("<I", cab_checksum(sizes, cab_checksum(block))),  # csum
                struct.pack("<H", len(block)),  # cbData
                struct.pack("<H", uncompressed),  # cbUncomp (0: block goes on in the next cabinet)
                block,  # data (stored)
            ]
        )
    total = data_offset + len(blocks)
    header = b"".join(
        [
            b"MSCF",  # signature
            struct.pack("<I", 0),  # reserved1
            struct.pack("<I", total),  # cbCabinet
            struct.pack("<I", 0),  # reserved2
            struct.pack("<I", files_offset),  # coffFiles
            struct.pack("<I", 0),  # reserved3
            struct.pack("<B", 3),  # versionMinor
            struct.pack("<B", 1),  # versionMajor
            struct.pack("<H", 1),  # cFolders
            struct.pack("<H", len(files)),  # cFiles
            struct.pack("<H", flags),  # flags (1 previous, 2 next cabinet)
            struct.pack("<H", set_id),  # setID
            struct.pack("<H", index),  # iCabinet
        ]
    )
    folder = b"".join(
        [
            struct.pack("<I", data_offset),  # coffCabStart
            struct.pack("<H", len(data_blocks)),  # cCFData
            struct.pack("<H", 0),  # typeCompress: none
        ]
    )
    return header + names + folder + file_entries + blocks


# --------------------------------------------------------------------------
# ZOO (stored members, type 2 directory entries)
# --------------------------------------------------------------------------

ZOO_TAG = struct.pack("<I", 0xFDC4A7DC)  # tag: bytes DC A7 C4 FD
ZOO_HEADER_SIZE = 42


def zoo_entry(next_, offset, name, data):
    variable = b"".join(
        [
            struct.pack("<B", 0),  # namlen: no long name
            struct.pack("<B", 0),  # dirlen: no folder
            struct.pack("<H", 0),  # system_id: Unix
            b"\0\0\0",  # fattr: none (24 bits)
            struct.pack("<H", 0),  # vflag
            struct.pack("<H", 0),  # version_no
        ]
    )

    def build(dir_crc):
        return b"".join(
            [
                ZOO_TAG,  # zoo_tag
                struct.pack("<B", 2),  # type: entry with a variable part
                struct.pack("<B", 0),  # packing_method: stored
                struct.pack("<I", next_),  # next: following entry
                struct.pack("<I", offset),  # offset: member data
                struct.pack("<H", DOS_DATE),  # date
                struct.pack("<H", DOS_TIME),  # time
                struct.pack("<H", crc16_arc(data)),  # file_crc: CRC-16
                struct.pack("<I", len(data)),  # org_size
                struct.pack("<I", len(data)),  # size_now
                struct.pack("<B", 1),  # major_ver needed
                struct.pack("<B", 0),  # minor_ver needed
                struct.pack("<B", 0),  # deleted
                struct.pack("<B", 0),  # struc
                struct.pack("<I", 0),  # comment position
                struct.pack("<H", 0),  # cmt_size
                name + b"\0" * (13 - len(name)),  # fname (13)
                struct.pack("<H", len(variable)),  # var_dir_len
                struct.pack("<B", 127),  # tz: unknown
                struct.pack("<H", dir_crc),  # dir_crc
                variable,
            ]
        )

    return build(crc16_arc(build(0)))


def zoo_stored(members):
    out = b"".join(
        [
            b"ZOO 2.10 Archive.\x1a\0\0",  # text (20)
            ZOO_TAG,  # zoo_tag
            struct.pack("<I", ZOO_HEADER_SIZE),  # zoo_start: first entry
            struct.pack("<i", -ZOO_HEADER_SIZE),  # zoo_minus: its negation
            struct.pack("<B", 2),  # major_ver
            struct.pack("<B", 0),  # minor_ver
            struct.pack("<B", 1),  # type of archive header
            struct.pack("<I", 0),  # acmt_pos: no comment
            struct.pack("<H", 0),  # acmt_len
            struct.pack("<B", 1),  # vdata
        ]
    )
    assert len(out) == ZOO_HEADER_SIZE
    entry_size = len(zoo_entry(0, 0, b"", b""))
    for name, data in members:
        here = len(out)
        data_offset = here + entry_size
        out += zoo_entry(data_offset + len(data), data_offset, name, data) + data
    return out + zoo_entry(0, 0, b"", b"")  # end of the chain: next 0


# --------------------------------------------------------------------------
# HA, BH and the InstallShield-style "Z" archive (no Debian reader)
# --------------------------------------------------------------------------


def ha_stored(members):
    """HA archive of stored (CPY) members, each header written field by field
    in the order of the HA format: type, sizes, CRC, time, path, name, machine
    information."""
    out = b"HA" + struct.pack("<H", len(members))  # signature, member count
    for name, data in members:
        out += b"".join(
            [
                struct.pack("<B", 0x20),  # type: version 2, method 0 (CPY)
                struct.pack("<I", len(data)),  # compressed length
                struct.pack("<I", len(data)),  # original length
                struct.pack("<I", crc32(data)),  # CRC-32
                struct.pack("<I", UNIX_TIME),  # time, Unix seconds
                b"\0",  # path: empty, NUL-terminated
                name + b"\0",  # name, NUL-terminated
                struct.pack("<B", 2),  # machine information length
                struct.pack("<B", 1),  # machine type: MS-DOS
                struct.pack("<B", 0x20),  # MS-DOS attributes: archive
                data,
            ]
        )
    return out


# BH member header: a fixed part of 37 bytes, then the name, then the packed
# data. Offsets inside the fixed part, little-endian.
BH_SIGNATURE = b"BH\x05\x07"
BH_FIXED_SIZE = 37
BH_METHOD_STORED = 0
BH_ATTR_ARCHIVE = 0x20


def bh_header(name, packed_size, original_size, crc, attributes):
    """One BH member header: each field at the offset the format gives it;
    the bytes it leaves undescribed are zero. The name follows the fixed part
    and the packed data follows the name."""
    fields = [
        # (offset, bytes, field)
        (0, BH_SIGNATURE, "signature"),
        # Non-zero in every header (a zero word ends the archive); the
        # header's whole length, fixed part and name, is written.
        (4, struct.pack("<H", BH_FIXED_SIZE + len(name)), "non-zero word"),
        (6, b"\0", "not described"),
        (7, struct.pack("<B", 0x20), "creator version"),
        (8, struct.pack("<B", 0x20), "version needed"),
        (9, struct.pack("<B", 0), "flags: bit 0 (encrypted) clear"),
        (10, struct.pack("<B", BH_METHOD_STORED), "method"),
        (11, struct.pack("<I", DOS_DATETIME), "DOS date-time, date in the high word"),
        (15, struct.pack("<I", packed_size), "packed size"),
        (19, struct.pack("<I", original_size), "original size"),
        (23, struct.pack("<I", crc), "CRC-32 of the original data"),
        (27, struct.pack("<I", attributes), "DOS attributes, 0x10 a folder"),
        (31, b"\0\0", "not described"),
        (33, struct.pack("<B", len(name)), "name length"),
        (34, b"\0\0\0", "not described"),
        (BH_FIXED_SIZE, name, "name, not terminated"),
    ]
    out = b""
    for offset, value, field in fields:
        assert len(out) == offset, field
        out += value
    return out


def bh_stored(members):
    """BH archive of stored members: header, name, data, one after the other."""
    out = b""
    for name, data in members:
        out += bh_header(name, len(data), len(data), crc32(data), BH_ATTR_ARCHIVE) + data
    return out


def installshield_z(members):
    """Signature 13 5D 65 8C. Data first, then one folder block and the file
    records at the offset held at 41. The data is stored, not compressed as
    the real format would be."""
    data_area = b"".join(data for _, data in members)
    data_start = 54
    folder_name = b"docs"
    folder = b"".join(
        [
            struct.pack("<H", len(members)),  # files in the folder (non-zero: a block)
            struct.pack("<H", 6 + len(folder_name)),  # block length with its header
            struct.pack("<H", len(folder_name)),  # name length
            folder_name,
        ]
    )
    records = b""
    offset = data_start
    for name, data in members:
        record_size = 29 + len(name)
        records += b"".join(
            [
                struct.pack("<B", 0),  # first byte 0: ends the folder block chain
                struct.pack("<B", 0),  # unknown
                struct.pack("<I", len(data)),  # original size
                struct.pack("<I", len(data)),  # packed size
                struct.pack("<I", offset),  # entry (data) offset
                struct.pack("<H", DOS_DATE),  # date (date word first)
                struct.pack("<H", DOS_TIME),  # time
                struct.pack("<I", 0x20),  # attributes
                struct.pack("<I", record_size),  # distance to the next record
                struct.pack("<H", 0),  # unknown
                struct.pack("<B", len(name)),  # name length
                name,
            ]
        )
        offset += len(data)
    directory_offset = data_start + len(data_area)
    total = directory_offset + len(folder) + len(records)
    header = b"".join(
        [
            b"\x13\x5d\x65\x8c",  # signature
            b"\x3a\x01\x02\x00",  # version bytes
            struct.pack("<I", 0),  # unknown
            struct.pack("<H", len(members)),  # file count
            struct.pack("<I", 0),  # unknown
            struct.pack("<I", total),  # archive size
            b"\0" * 19,  # unknown
            struct.pack("<I", directory_offset),  # offset of the folder blocks
            struct.pack("<I", 0),  # unknown
            struct.pack("<H", 1),  # folder count
            b"\0" * 3,  # unknown
        ]
    )
    assert len(header) == data_start
    return header + data_area + folder + records


# --------------------------------------------------------------------------
# The fixtures
# --------------------------------------------------------------------------


def macbinary_header(name, data_length):
    fields = b"".join(
        [
            struct.pack("<B", 0),  # old version: 0
            struct.pack("<B", len(name)),  # file name length
            name + b"\0" * (63 - len(name)),  # file name (63)
            b"LHA ",  # file type
            b"LARC",  # file creator
            struct.pack("<B", 0),  # Finder flags
            struct.pack("<B", 0),  # zero fill
            struct.pack(">H", 0),  # vertical position (big-endian)
            struct.pack(">H", 0),  # horizontal position
            struct.pack(">H", 0),  # window or folder id
            struct.pack("<B", 0),  # protected flag
            struct.pack("<B", 0),  # zero fill
            struct.pack(">I", data_length),  # data fork length
            struct.pack(">I", 0),  # resource fork length
            struct.pack(">I", 0xDC1E3A48),  # creation date (Mac seconds)
            struct.pack(">I", 0xDC1E3A48),  # modification date
            struct.pack(">H", 0),  # Get Info comment length
            struct.pack("<B", 0),  # Finder flags, low byte
        ]
    )
    fields += b"\0" * (116 - len(fields))  # unused up to 116
    fields += b"".join(
        [
            struct.pack(">I", 0),  # unpacked total length
            struct.pack(">H", 0),  # secondary header length
            struct.pack("<B", 0x81),  # MacBinary II version
            struct.pack("<B", 0x81),  # minimum version to read
        ]
    )
    assert len(fields) == 124
    return fields + struct.pack(">H", crc16_ccitt(fields)) + b"\0\0"  # header CRC, padding


def main():
    stored_pair = [(b"alpha.txt", ALPHA), (b"beta.txt", BETA)]
    upper_pair = [(b"ALPHA.TXT", ALPHA), (b"BETA.TXT", BETA)]

    # RAR: readers bsdtar, lsar, unrar-free.
    write("stored.rar", rar_stored([(n, d, 0x20, 0) for n, d in stored_pair]))
    # A Unix directory entry: mode 040755 and the directory flags 0xE0.
    write(
        "unix-host.rar",
        rar_stored([(b"docs", b"", 0o40755, 0xE0), (b"docs/top.txt", TOP, 0o100644, 0)], host=3),
    )
    random_member = pseudo_random(3000, 1)
    for index, volume in enumerate(rar_volumes(b"random.bin", random_member, [1100, 1100, 800], False)):
        write("oldvol.rar" if index == 0 else "oldvol.r%02d" % (index - 1), volume)
    for index, volume in enumerate(rar_volumes(b"random.bin", random_member, [1600, 1400], True)):
        write("newvol.part%d.rar" % (index + 1), volume)

    # ACE: readers unace (ACE 1.0 headers), lsar.
    write("stored.ace", ace_stored(stored_pair))
    for index, volume in enumerate(ace_volumes(b"random.bin", random_member, [1600, 1400])):
        write("multivol.ace" if index == 0 else "multivol.c%02d" % (index - 1), volume)
    # The same set with alpha.txt after the split member, in the second volume.
    tail_volumes = ace_volumes(b"random.bin", random_member, [1600, 1400], [(b"alpha.txt", ALPHA)])
    for index, volume in enumerate(tail_volumes):
        write("tailvol.ace" if index == 0 else "tailvol.c%02d" % (index - 1), volume)

    # ZOO: reader lsar.
    write("stored.zoo", zoo_stored(stored_pair))
    # HA and BH: no Debian tool reads either format.
    write("stored.ha", ha_stored(stored_pair))
    write("stored.bh", bh_stored(upper_pair))
    # InstallShield-style "Z" (13 5D 65 8C): no Debian tool reads it.
    write("installshield.z", installshield_z(stored_pair))

    # ARC with a folder entry (method 30) and its end (31); reader lsar.
    folder_content = arc_entry(2, b"X.TXT", ALPHA, len(ALPHA), crc16_arc(ALPHA))
    folder_content += struct.pack("<B", 0x1A) + struct.pack("<B", 31)  # marker, end of folder
    folder = arc_entry(30, b"SUB", folder_content, len(folder_content), 0)
    write("arc-folder.arc", folder + ARC_END)
    # PAK: the first member is "distilled" (11) and empty, so that the
    # archive starts with 1A 0B; the second is stored. Reader lsar.
    write(
        "pak-distilled.pak",
        arc_entry(11, b"EMPTY.TXT", b"", 0, 0)
        + arc_entry(2, b"ALPHA.TXT", ALPHA, len(ALPHA), crc16_arc(ALPHA))
        + ARC_END,
    )

    # Cabinet set: b.txt starts in set1.cab and ends in set2.cab. The set's
    # one data block is split as a full cabinet splits it: its first part
    # records an uncompressed size of 0, the second the whole block's size.
    # Reader cabextract.
    a_text = b"A: first file of the set.\n"
    b_text = b"B: this file spans both cabinets of the set.\n"
    c_text = b"C: last file, in the second cabinet only.\n"
    cut = 20  # bytes of b.txt in the first cabinet
    write(
        "set1.cab",
        cabinet(
            [(b"a.txt", len(a_text), 0, 0), (b"b.txt", len(b_text), len(a_text), 0xFFFE)],
            [(a_text + b_text[:cut], 0)],
            flags=2,
            index=0,
            next_=(b"set2.cab", b"Fixture disk 2"),
        ),
    )
    write(
        "set2.cab",
        cabinet(
            [
                (b"b.txt", len(b_text), len(a_text), 0xFFFD),
                (b"c.txt", len(c_text), len(a_text) + len(b_text), 0),
            ],
            [(b_text[cut:] + c_text, len(a_text) + len(b_text) + len(c_text))],
            flags=1,
            index=1,
            prev=(b"set1.cab", b"Fixture disk 1"),
        ),
    )

    # Self-extractors found at the fixed offsets.
    arc_text = b"Crunched with literal codes only.\n"
    arc_sfx = arc_entry(8, b"CRUNCH.TXT", arc_crunched_literals(arc_text), len(arc_text), crc16_arc(arc_text))
    arc_sfx += arc_entry(2, b"ALPHA.TXT", ALPHA, len(ALPHA), crc16_arc(ALPHA)) + ARC_END
    write("arc-sfx-6674.exe", mz_stub(6674, 6674 - 512) + arc_sfx)
    pak_sfx = arc_entry(10, b"EMPTY.TXT", b"", 0, 0)  # "crushed" (10), empty
    pak_sfx += arc_entry(2, b"ALPHA.TXT", ALPHA, len(ALPHA), crc16_arc(ALPHA)) + ARC_END
    write("pak-sfx-8601.exe", mz_stub(8601, 8601 - 512) + pak_sfx)
    write("lha-sfx-1945.exe", mz_stub(1945, 1945) + lha_level1(stored_pair))
    # ZIP self-extractors keep offsets counted from the start of the file.
    write("zip-sfx-7612.exe", mz_stub(7612, 7612) + zip_archive(stored_pair, base=7612))
    write("zip-sfx-25661.exe", mz_stub(25661, 25661) + zip_archive(stored_pair, base=25661))
    # A stub with an unchanged ZIP appended at its image end: offsets are
    # counted from the ZIP's own start.
    write("zip-after-stub.exe", mz_stub(1000, 1000) + zip_archive(stored_pair))

    # Archives at the image end of a stub.
    write("rar-at-image-end.exe", mz_stub(1000, 1000) + rar_stored([(n, d, 0x20, 0) for n, d in stored_pair]))
    # Two bytes before the ARJ header id.
    write("arj-at-image-end.exe", mz_stub(1000, 1000) + b"\x00\x00" + arj_stored(b"image.arj", stored_pair))

    # Archives found by the signature scan from 17,000: the image end (1000)
    # points at zeros and no ZIP end record exists.
    scan_at = 17000
    write("scan-arj.exe", mz_stub(scan_at, 1000) + arj_stored(b"scan.arj", stored_pair))
    write("scan-rar.exe", mz_stub(scan_at, 1000) + rar_stored([(n, d, 0x20, 0) for n, d in stored_pair]))
    write("scan-ace.exe", mz_stub(scan_at, 1000) + ace_stored(stored_pair))
    write("scan-bh.exe", mz_stub(scan_at, 1000) + bh_stored(upper_pair))
    write(
        "scan-cab.exe",
        mz_stub(scan_at, 1000)
        + cabinet([(b"alpha.txt", len(ALPHA), 0, 0), (b"beta.txt", len(BETA), len(ALPHA), 0)], [ALPHA + BETA]),
    )
    write("scan-lha.exe", mz_stub(scan_at, 1000) + lha_level1(stored_pair))
    local_only = zip_archive(stored_pair)
    write("scan-zip-noend.exe", mz_stub(scan_at, 1000) + local_only[: local_only.find(b"PK\x01\x02")])
    # A stub with nothing behind it.
    write("stub-only.exe", mz_stub(2000, 1000))

    # An LHA archive behind a 128-byte MacBinary II header.
    lha = lha_level1(stored_pair)
    padding = b"\0" * (-len(lha) % 128)
    write("macbinary.lzh", macbinary_header(b"fixture.lzh", len(lha)) + lha + padding)

    # ZIP-like and ZIP edge cases.
    write("pkg5.bin", b"PKG5" + b"Not a ZIP: the signature is followed by G5.\n")
    # A ZIP whose first four bytes are the split marker PK 07 08, offsets
    # counted from the start of the file (as a one-volume "spanned" ZIP).
    write("spanned-marker.zip", zip_archive(stored_pair, marker=b"PK\x07\x08"))
    write("zip-19-bytes.zip", zip_archive(stored_pair)[:19])
    write("zeros-20.bin", b"\0" * 20)

    # gzip with an extra field and a stored name; the data is one stored
    # deflate block. Reader gzip.
    write(
        "extra-field.gz",
        b"".join(
            [
                b"\x1f\x8b",  # ID1, ID2
                struct.pack("<B", 8),  # CM: deflate
                struct.pack("<B", 0x04 | 0x08),  # FLG: FEXTRA, FNAME
                struct.pack("<I", UNIX_TIME),  # MTIME
                struct.pack("<B", 0),  # XFL
                struct.pack("<B", 3),  # OS: Unix
                struct.pack("<H", 8),  # XLEN
                b"FX",  # subfield id
                struct.pack("<H", 4),  # subfield length
                b"fixt",  # subfield data
                b"beta.txt\0",  # file name
                struct.pack("<B", 1),  # deflate block header: final, stored
                struct.pack("<H", len(BETA)),  # LEN
                struct.pack("<H", len(BETA) ^ 0xFFFF),  # NLEN
                BETA,
                struct.pack("<I", crc32(BETA)),  # CRC32
                struct.pack("<I", len(BETA)),  # ISIZE
            ]
        ),
    )
    # Not an archive: PostScript starts with "%!" (25 21), one of the
    # gzip-family signatures of the detection.
    write("postscript.ps", b"%!PS-Adobe-3.0\n%%Title: not an archive\n%%EOF\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
