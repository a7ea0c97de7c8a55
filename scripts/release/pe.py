"""What the release reads from a Windows program (a PE image): its headers
and its version resource."""

import dataclasses
import struct

RT_VERSION = 16
# The offset of the image's checksum in the optional header.
CHECKSUM = 64
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


def u16(data, offset):
    return struct.unpack_from("<H", data, offset)[0]


def u32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


def headers(data):
    """The offset of the PE signature and of the optional header, or None."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    pe = u32(data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0" or len(data) < pe + 24 + 2:
        return None
    return pe, pe + 24


def pe_facts(data):
    """Machine, optional-header magic, subsystem, link time and the size of
    the certificate table (the Authenticode signature) of a PE image."""
    found = headers(data)
    if found is None or len(data) < found[1] + 112 + 5 * 8:
        return None
    pe, optional = found
    machine = u16(data, pe + 4)
    stamp = u32(data, pe + 8)
    magic = u16(data, optional)
    subsystem = u16(data, optional + 68)
    certificates = optional + 112 + 4 * 8  # data directory 4 of a PE32+ header
    signature = u32(data, certificates + 4)
    return machine, magic, subsystem, stamp, signature


def rva_to_offset(data, pe, rva):
    """The file offset of a relative virtual address, through the section table."""
    count = u16(data, pe + 6)
    table = pe + 24 + u16(data, pe + 20)
    for i in range(count):
        section = table + 40 * i
        size, address = u32(data, section + 8), u32(data, section + 12)
        raw_size, raw = u32(data, section + 16), u32(data, section + 20)
        if address <= rva < address + max(size, raw_size):
            return raw + rva - address
    return None


def resource(data, type_id):
    """The bytes of the first resource of a type (first name, first language)."""
    found = headers(data)
    if found is None:
        return None
    pe, optional = found
    directories = optional + (112 if u16(data, optional) == 0x20B else 96)
    base = rva_to_offset(data, pe, u32(data, directories + 8 * 2))  # data directory 2: resources
    if base is None:
        return None
    directory = base
    for level in ("type", "name", "language"):
        named, numbered = u16(data, directory + 12), u16(data, directory + 14)
        entries = [struct.unpack_from("<II", data, directory + 16 + 8 * i) for i in range(named + numbered)]
        if level == "type":
            entries = [e for e in entries if e[0] == type_id]
        if not entries:
            return None
        target = entries[0][1]
        # Type and name entries lead to a directory, language entries to the data.
        if bool(target & 0x80000000) != (level != "language"):
            return None
        directory = base + (target & 0x7FFFFFFF)
    rva, size = struct.unpack_from("<II", data, directory)
    offset = rva_to_offset(data, pe, rva)
    return None if offset is None else data[offset:offset + size]


@dataclasses.dataclass
class VersionInfo:
    file_version: str  # "1.0.0.0"
    languages: list  # the languages of VarFileInfo\Translation, e.g. [2052]
    strings: dict  # the first StringFileInfo table: {"CompanyName": ..., ...}


def version_nodes(blob, start, end):
    """The nodes of a version resource between start and end: each is
    (key, type, value bytes, children)."""
    nodes = []
    offset = start
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", blob, offset)
        if length < 6 or offset + length > end:
            break
        stop = offset + length
        key_end = offset + 6
        while key_end + 2 <= stop and blob[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = blob[offset + 6:key_end].decode("utf-16-le", errors="replace")
        value_start = (key_end + 2 + 3) & ~3
        # Text values count characters, binary ones bytes.
        value_end = min(stop, value_start + value_length * (2 if kind == 1 else 1))
        children = version_nodes(blob, (value_end + 3) & ~3, stop)
        nodes.append((key, kind, blob[value_start:value_end], children))
        offset = (stop + 3) & ~3
    return nodes


def version_info(data):
    """The program's version resource, or None when it has none (or the
    image is cut short)."""
    try:
        return parse_version_info(resource(data, RT_VERSION))
    except struct.error:
        return None


def parse_version_info(blob):
    if not blob:
        return None
    nodes = version_nodes(blob, 0, len(blob))
    if not nodes or nodes[0][0] != "VS_VERSION_INFO" or len(nodes[0][2]) < 16:
        return None
    _, _, fixed, children = nodes[0]
    signature, _, most, least = struct.unpack_from("<IIII", fixed)
    if signature != FIXED_FILE_INFO_SIGNATURE:
        return None
    version = "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)
    languages, strings = [], {}
    for key, _, _, blocks in children:
        if key == "VarFileInfo":
            for name, _, value, _ in blocks:
                if name == "Translation":
                    languages += [u16(value, i) for i in range(0, len(value) - 3, 4)]
        elif key == "StringFileInfo" and blocks and not strings:
            for name, _, value, _ in blocks[0][3]:
                strings[name] = value.decode("utf-16-le", errors="replace").split("\0")[0]
    return VersionInfo(version, languages, strings)
