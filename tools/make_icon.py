"""Draw the hazuro icon, a dashed "e" in a ring, as a 16/32/48 px 4-bit .ico.
Usage: make_icon.py OUT.ico [PREVIEW.png]  (stdlib only; same bytes every run)"""
import math
import struct
import sys
import zlib

# Standard 16-colour Windows palette, RGB.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
INK = 7  # silver
SIZES = (16, 32, 48)
DASH = {16: (3, 1), 32: (2, 1), 48: (3, 2)}  # (on, off) in pixels along the path


def arc(cx, cy, r, a0, a1):
    """Points along a circle from a0 to a1 degrees (y grows downwards)."""
    steps = max(8, int(abs(a1 - a0) / 360 * 2 * math.pi * r * 20))
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        yield cx + r * math.cos(a), cy + r * math.sin(a)


def line(x0, y0, x1, y1):
    steps = max(8, int(math.hypot(x1 - x0, y1 - y0) * 20))
    for i in range(steps + 1):
        t = i / steps
        yield x0 + (x1 - x0) * t, y0 + (y1 - y0) * t


def trace(points):
    """Distinct pixels along a path, kept 8-connected without staircase corners."""
    px = []
    for x, y in points:
        p = (math.floor(x + 0.5), math.floor(y + 0.5))
        if p in px:
            continue
        # A corner pixel would let dashes touch diagonally across a gap.
        if len(px) >= 2 and max(abs(px[-2][0] - p[0]), abs(px[-2][1] - p[1])) <= 1:
            px.pop()
        px.append(p)
    return px


def draw(n):
    """Return n rows of n palette indices, top row first."""
    c = (n - 1) / 2  # coordinates are pixel centres
    on, off = DASH[n]
    bowl = n * 0.25
    ey = n // 2  # puts the bar on a whole row
    ring = trace(arc(c, c, c - 0.5, 0, 360))
    # The e: from the terminal at the lower right, round the bowl, then the bar.
    e = trace(list(arc(c, ey, bowl, 45, 360)) + list(line(c + bowl, ey, c - bowl, ey)))
    drawn = set()
    for path in (ring, e):
        for i in range(0, len(path), on + off):
            dash = path[i:i + on]
            # Where paths meet or a loop closes, dashes must not touch.
            drawn.update([p for p in dash if not any(
                (p[0] + dx, p[1] + dy) in drawn
                for dx in (-1, 0, 1) for dy in (-1, 0, 1))])
    img = [[0] * n for _ in range(n)]
    for x, y in drawn:
        img[y][x] = INK
    return img


def ico_image(img):
    n = len(img)
    xor_row = (n * 4 + 31) // 32 * 4
    and_row = (n + 31) // 32 * 4
    xor, mask = b"", b""
    for row in reversed(img):  # DIBs are stored bottom-up
        nib = bytes(row[i] << 4 | row[i + 1] for i in range(0, n, 2))
        xor += nib.ljust(xor_row, b"\0")
        bits = int("".join("1" if v == 0 else "0" for v in row), 2)
        mask += bits.to_bytes(n // 8, "big").ljust(and_row, b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return header + pal + xor + mask


def write_ico(path, imgs):
    blobs = [ico_image(img) for img in imgs]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for img, blob in zip(imgs, blobs):
        n = len(img)
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def write_preview(path, imgs, scale=8, pad=16, bg=(40, 40, 48)):
    width = sum(len(i) * scale for i in imgs) + pad * (len(imgs) + 1)
    height = max(len(i) for i in imgs) * scale + 2 * pad
    rows = [[bg] * width for _ in range(height)]
    x0 = pad
    for img in imgs:
        for y, row in enumerate(img):
            for x, v in enumerate(row):
                if v:
                    for dy in range(scale):
                        yy = pad + y * scale + dy
                        rows[yy][x0 + x * scale:x0 + (x + 1) * scale] = [PALETTE[v]] * scale
        x0 += len(img) * scale + pad
    raw = b"".join(b"\0" + bytes(c for px in r for c in px) for r in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data)))

    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit("usage: make_icon.py OUT.ico [PREVIEW.png]")
    imgs = [draw(n) for n in SIZES]
    write_ico(argv[1], imgs)
    if len(argv) == 3:
        write_preview(argv[2], imgs)


if __name__ == "__main__":
    main(sys.argv)
