"""What the release reads from a Windows program (a PE image): its headers,
its hardening and its version resource. Run as a script, it is the last step
of a program's link: `pe.py set-load-config PROGRAM`."""

import dataclasses
import os
import struct
import sys

RT_VERSION = 16
# The offset of the image's checksum in the optional header.
CHECKSUM = 64
# The offsets of the DllCharacteristics and of the data directories in a
# PE32+ optional header, and the index of the load configuration's entry.
DLL_CHARACTERISTICS = 70
DATA_DIRECTORIES = 112
LOAD_CONFIG = 10
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD

# The DllCharacteristics every program of the suite carries: ASLR with
# 64-bit (high-entropy) addresses, DEP, and terminal-server awareness.
HARDENING_FLAGS = {"HIGH_ENTROPY_VA": 0x0020, "DYNAMIC_BASE": 0x0040, "NX_COMPAT": 0x0100,
                   "TERMINAL_SERVER_AWARE": 0x8000}
# The section that holds a program's load configuration (app/main.cpp), and
# where DependentLoadFlags stands in it.
LOAD_CONFIG_SECTION = b".ldcfg"
DEPENDENT_LOAD_FLAGS = 0x4E
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800


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


def pe32_plus(data):
    """The offsets of the PE signature and of a PE32+ optional header that
    holds all 16 data directories, or None."""
    found = headers(data)
    if found is None or len(data) < found[1] + DATA_DIRECTORIES + 16 * 8 or u16(data, found[1]) != 0x20B:
        return None
    return found


def checksum(data):
    """The image checksum of a PE file: its 16-bit words summed with the
    carries folded back in, the checksum field itself left out, plus the
    file's length."""
    found = headers(data)
    field = found[1] + CHECKSUM
    padded = bytes(data[:field]) + bytes(4) + bytes(data[field + 4:]) + bytes(len(data) % 2)
    total = sum(struct.unpack("<%dH" % (len(padded) // 2), padded))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def sections(data, pe):
    """(name, virtual address, virtual size, raw size, raw offset) of each section."""
    table = pe + 24 + u16(data, pe + 20)
    found = []
    for i in range(u16(data, pe + 6)):
        entry = table + 40 * i
        name = data[entry:entry + 8].rstrip(b"\0")
        size, address, raw_size, raw = struct.unpack_from("<IIII", data, entry + 8)
        found.append((name, address, size, raw_size, raw))
    return found


def set_load_config(data):
    """The image with its load-configuration directory pointing at the
    structure in its LOAD_CONFIG_SECTION and its checksum set again; the image
    unchanged when it has no such section. ValueError when the section does
    not hold a load configuration."""
    found = pe32_plus(data)
    if found is None:
        raise ValueError("not a PE32+ image")
    pe, optional = found
    section = [s for s in sections(data, pe) if s[0] == LOAD_CONFIG_SECTION]
    if not section:
        return bytes(data)
    _, address, size, raw_size, raw = section[0]
    if raw_size < 4:
        raise ValueError("the %s section is empty" % LOAD_CONFIG_SECTION.decode())
    length = u32(data, raw)
    if length < DEPENDENT_LOAD_FLAGS + 2 or length > min(size, raw_size):
        raise ValueError("the %s section holds no load configuration (size %d)"
                         % (LOAD_CONFIG_SECTION.decode(), length))
    image = bytearray(data)
    struct.pack_into("<II", image, optional + DATA_DIRECTORIES + 8 * LOAD_CONFIG, address, length)
    struct.pack_into("<I", image, optional + CHECKSUM, checksum(image))
    return bytes(image)


def dependent_load_flags(data):
    """The DependentLoadFlags of the image's load configuration; None when it
    has none, or one too short to hold them."""
    found = pe32_plus(data)
    if found is None:
        return None
    pe, optional = found
    rva, size = struct.unpack_from("<II", data, optional + DATA_DIRECTORIES + 8 * LOAD_CONFIG)
    offset = rva_to_offset(data, pe, rva) if rva else None
    if offset is None or size < DEPENDENT_LOAD_FLAGS + 2 or len(data) < offset + DEPENDENT_LOAD_FLAGS + 2:
        return None
    if u32(data, offset) < DEPENDENT_LOAD_FLAGS + 2:
        return None
    return u16(data, offset + DEPENDENT_LOAD_FLAGS)


def hardening_faults(data):
    """What a program lacks of the suite's hardening, by name: missing
    DllCharacteristics flags, DependentLoadFlags other than the system
    folder only, a checksum that does not match the image."""
    found = pe32_plus(data)
    if found is None:
        return ["a PE32+ header"]
    characteristics = u16(data, found[1] + DLL_CHARACTERISTICS)
    faults = [name for name, bit in HARDENING_FLAGS.items() if not characteristics & bit]
    if dependent_load_flags(data) != LOAD_LIBRARY_SEARCH_SYSTEM32:
        faults.append("DependentLoadFlags LOAD_LIBRARY_SEARCH_SYSTEM32")
    if u32(data, found[1] + CHECKSUM) != checksum(data):
        faults.append("a matching checksum")
    return faults


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


def main(arguments):
    """set-load-config PROGRAM: the program's load configuration made known
    to the loader, in place. A program that cannot be fixed is removed, so
    that the next build links it again."""
    if len(arguments) != 2 or arguments[0] != "set-load-config":
        sys.exit("usage: pe.py set-load-config PROGRAM")
    path = arguments[1]
    with open(path, "rb") as f:
        data = f.read()
    try:
        fixed = set_load_config(data)
    except (ValueError, struct.error) as fault:
        os.remove(path)
        sys.exit("pe.py: %s: %s" % (path, fault))
    if fixed != data:
        with open(path, "wb") as f:
            f.write(fixed)


if __name__ == "__main__":
    main(sys.argv[1:])
