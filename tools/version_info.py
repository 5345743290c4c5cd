#!/usr/bin/env python3
"""Prints the string values of a Windows program's version resource.

    version_info.py PROGRAM.exe NAME...

prints the value of each NAME (such as ProductVersion or Comments) on a line
of its own, an empty line for a value the resource lacks. Exit code 1 when
the file is no PE image with a version resource. The release tools read the
version and the names of a built setup here, so that what they sign and
describe is the file itself, not what the build folder says now.
"""
import struct
import sys

RT_VERSION = 16
RESOURCE_DIRECTORY_INDEX = 2


class NotAProgram(Exception):
    pass


def unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise NotAProgram("truncated image")
    return struct.unpack_from(fmt, data, offset)


def resource_section(image):
    """The resource directory's file offset and a mapper from RVAs to offsets."""
    if image[:2] != b"MZ":
        raise NotAProgram("no MZ header")
    (pe,) = unpack("<I", image, 0x3C)
    if image[pe:pe + 4] != b"PE\0\0":
        raise NotAProgram("no PE header")
    sections, optional_size = unpack("<H12xH", image, pe + 6)
    optional = pe + 24
    (magic,) = unpack("<H", image, optional)
    directories = optional + (112 if magic == 0x20B else 96)
    rva, size = unpack("<II", image, directories + 8 * RESOURCE_DIRECTORY_INDEX)
    if size == 0:
        raise NotAProgram("no resources")
    table = optional + optional_size
    spans = [unpack("<8xIIII", image, table + 40 * i) for i in range(sections)]

    def offset_of(address):
        for virtual_size, virtual_address, raw_size, raw_offset in spans:
            if virtual_address <= address < virtual_address + max(virtual_size, raw_size):
                return raw_offset + address - virtual_address
        raise NotAProgram("address outside every section")

    return offset_of(rva), offset_of


def version_resource(image):
    root, offset_of = resource_section(image)

    def entries(directory):
        named, numbered = unpack("<12xHH", image, directory)
        for i in range(named + numbered):
            yield unpack("<II", image, directory + 16 + 8 * i)

    def first_leaf(target):
        # Below the type: the first name, then its first language.
        while target & 0x80000000:
            target = next(entries(root + (target & 0x7FFFFFFF)), (0, None))[1]
            if target is None:
                raise NotAProgram("empty resource directory")
        return target

    for name, target in entries(root):
        if name == RT_VERSION:
            data_rva, data_size = unpack("<II", image, root + first_leaf(target))
            start = offset_of(data_rva)
            return image[start:start + data_size]
    raise NotAProgram("no version resource")


def blocks(block, offset, end):
    """The blocks between offset and end: each is wLength, wValueLength,
    wType, a UTF-16 key, then its value and its children, each part aligned
    to four bytes. Yields the key, the value's offset and the block's end."""
    while offset + 6 <= end:
        (length,) = unpack("<H", block, offset)
        if length < 6 or offset + length > end:
            break
        key_end = offset + 6
        while key_end + 1 < offset + length and block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[offset + 6:key_end].decode("utf-16-le", "replace")
        yield key, (key_end + 2 + 3) & ~3, offset + length
        offset = (offset + length + 3) & ~3


def strings(block):
    """The String values of every StringTable in the StringFileInfo."""
    found = {}
    for _, value, end in blocks(block, 0, len(block)):
        # VS_VERSION_INFO: the fixed part, then StringFileInfo and VarFileInfo.
        (fixed_size,) = unpack("<H", block, 2)
        for key, tables, info_end in blocks(block, (value + fixed_size + 3) & ~3, end):
            if key != "StringFileInfo":
                continue
            for _, entries, table_end in blocks(block, tables, info_end):
                for name, text, string_end in blocks(block, entries, table_end):
                    found[name] = block[text:string_end].decode("utf-16-le", "replace").split("\0", 1)[0]
    return found


def main(arguments):
    if len(arguments) < 2:
        print("usage: version_info.py PROGRAM.exe NAME...", file=sys.stderr)
        return 2
    try:
        with open(arguments[0], "rb") as program:
            image = program.read()
        values = strings(version_resource(image))
    except (OSError, NotAProgram) as error:
        print(f"version_info.py: {arguments[0]}: {error}", file=sys.stderr)
        return 1
    for name in arguments[1:]:
        print(values.get(name, ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
