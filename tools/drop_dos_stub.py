"""Move a linked PE image's headers over its DOS stub, so that they fit in the
first 512 bytes of the file and every section moves up by the block saved.
The stub only tells MS-DOS that the program needs Windows; the linker offers
no way to leave it out, and with it hazuro's headers need a second block.
The checksum is written anew for the moved bytes. An image with a debug
directory, a certificate or a symbol table is refused: their file offsets
would have to move too.
Usage: drop_dos_stub.py IMAGE  (rewritten in place; stdlib only)"""
import struct
import sys

DOS_HEADER_SIZE = 0x40
SECTION_HEADER_SIZE = 40
CHECKSUM = 64  # in the optional header
CERTIFICATE, DEBUG = 4, 6  # entries of the data directory


def pe_checksum(image, checksum_offset):
    """The optional header's checksum: the file's 16-bit words, the checksum
    itself taken as 0, added with end-around carry, plus the file's length."""
    data = image[:checksum_offset] + bytes(4) + image[checksum_offset + 4:]
    if len(data) % 2:
        data += bytes(1)
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def drop_dos_stub(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, = struct.unpack_from("<H", image, pe + 6)
    symbols, = struct.unpack_from("<I", image, pe + 12)
    optional_size, = struct.unpack_from("<H", image, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from("<H", image, optional)
    directory = optional + (96 if magic == 0x10B else 112)
    if symbols or any(struct.unpack_from("<II", image, directory + 8 * entry) != (0, 0)
                      for entry in (CERTIFICATE, DEBUG)):
        raise ValueError("a symbol table, certificate or debug directory would not move")
    file_alignment, = struct.unpack_from("<I", image, optional + 36)
    headers_size, = struct.unpack_from("<I", image, optional + 60)
    headers_end = optional + optional_size + sections * SECTION_HEADER_SIZE
    moved_end = DOS_HEADER_SIZE + headers_end - pe
    moved_size = -(-moved_end // file_alignment) * file_alignment
    shift = headers_size - moved_size
    if shift <= 0:
        return image

    out = bytearray(image[:DOS_HEADER_SIZE])
    struct.pack_into("<I", out, 0x3C, DOS_HEADER_SIZE)
    out += image[pe:headers_end]
    out += bytes(moved_size - len(out))
    optional = DOS_HEADER_SIZE + 24
    struct.pack_into("<I", out, optional + 60, moved_size)
    for i in range(sections):
        raw_pointer = optional + optional_size + i * SECTION_HEADER_SIZE + 20
        offset, = struct.unpack_from("<I", out, raw_pointer)
        if offset:
            struct.pack_into("<I", out, raw_pointer, offset - shift)
    out += image[headers_size:]
    struct.pack_into("<I", out, optional + CHECKSUM, pe_checksum(out, optional + CHECKSUM))
    return bytes(out)


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    with open(argv[1], "rb") as f:
        image = f.read()
    try:
        moved = drop_dos_stub(image)
    except ValueError as e:
        sys.exit("%s: %s" % (argv[1], e))
    with open(argv[1], "wb") as f:
        f.write(moved)


if __name__ == "__main__":
    main(sys.argv)
