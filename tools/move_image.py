"""Write a copy of a 32-bit PE image moved to another base address, its
relocations applied, as Windows moves a program (ASLR) and Wine never does:
run under Wine, the copy shows whether the file still works where Windows
puts it. Usage: move_image.py IMAGE BASE COPY  (pefile: python3-pefile)"""
import struct
import sys

import pefile


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    with open(argv[1], "rb") as f:
        image = bytearray(f.read())
    pe = pefile.PE(data=bytes(image))
    delta = int(argv[2], 0) - pe.OPTIONAL_HEADER.ImageBase
    for block in pe.DIRECTORY_ENTRY_BASERELOC:
        for entry in block.entries:
            if entry.type == pefile.RELOCATION_TYPE["IMAGE_REL_BASED_HIGHLOW"]:
                offset = pe.get_offset_from_rva(entry.rva)
                address, = struct.unpack_from("<I", image, offset)
                struct.pack_into("<I", image, offset, (address + delta) & 0xFFFFFFFF)
    header = pe.OPTIONAL_HEADER.get_file_offset()
    struct.pack_into("<I", image, header + 28, int(argv[2], 0))  # ImageBase
    moved = pefile.PE(data=bytes(image))
    struct.pack_into("<I", image, header + 64, moved.generate_checksum())
    with open(argv[3], "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main(sys.argv)
