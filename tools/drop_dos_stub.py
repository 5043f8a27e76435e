"""Move a linked PE image's headers over its DOS stub, so that they fit in the
first 512 bytes of the file and every section moves up by the block saved.
The stub only tells MS-DOS that the program needs Windows; the linker offers
no way to leave it out, and with it hazuro's headers need a second block.
Usage: drop_dos_stub.py IMAGE  (rewritten in place; stdlib only)"""
import struct
import sys

DOS_HEADER_SIZE = 0x40
SECTION_HEADER_SIZE = 40


def drop_dos_stub(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, = struct.unpack_from("<H", image, pe + 6)
    optional_size, = struct.unpack_from("<H", image, pe + 20)
    optional = pe + 24
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
    return bytes(out + image[headers_size:])


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    with open(argv[1], "rb") as f:
        image = f.read()
    with open(argv[1], "wb") as f:
        f.write(drop_dos_stub(image))


if __name__ == "__main__":
    main(sys.argv)
