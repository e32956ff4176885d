#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files.

Standard library only. Every picture is described once on a 16 x 16 unit
grid and rendered at 16 and 32 pixels with supersampling. Each .ico holds
16-colour images with a 1-bit mask (the form the program loads at 16 x 16)
and 32-bit images with alpha for displays that show more. "icon1616.ico",
the drawing template of the tray icons, holds only 16-colour images with a
mask that is opaque everywhere, so that every drawn pixel shows.

    scripts/make-icons.py [--out DIR] [--preview FILE.png]

--out defaults to resources/icons beside this script's folder; --preview
writes an enlarged contact sheet of every image for a look by eye.
"""
import argparse
import math
import os
import struct
import zlib

# ---------------------------------------------------------------- shapes
# A shape answers whether a point (x, y) of the 16-unit grid lies inside.
# x runs right, y runs down; angles are in degrees, 0 pointing right and
# 90 pointing up, as on a clock face seen normally.


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def _angle(cx, cy, x, y):
    return math.degrees(math.atan2(cy - y, x - cx)) % 360.0


def arc(cx, cy, r_in, r_out, a_from, a_to):
    """Ring between two radii, from a_from counter-clockwise to a_to."""
    span = (a_to - a_from) % 360.0 or 360.0

    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not (r_in * r_in <= d2 <= r_out * r_out):
            return False
        return (_angle(cx, cy, x, y) - a_from) % 360.0 <= span
    return inside


def stroke(points, width):
    """A polyline of the given width with round joints and ends."""
    half2 = (width / 2.0) ** 2
    segments = list(zip(points, points[1:]))

    def inside(x, y):
        for (ax, ay), (bx, by) in segments:
            dx, dy = bx - ax, by - ay
            t = ((x - ax) * dx + (y - ay) * dy) / float(dx * dx + dy * dy)
            t = min(max(t, 0.0), 1.0)
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half2:
                return True
        return False
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


def rgb(hex_text, alpha=255):
    v = int(hex_text.lstrip("#"), 16)
    return (v >> 16 & 255, v >> 8 & 255, v & 255, alpha)


# -------------------------------------------------------------- pictures
# Each picture is a list of layers (shape, colour), painted in order.

WHITE = rgb("#FFFFFF")
BLACK = rgb("#000000")


def template_chart():
    """The tray drawing surface: a small chart, opaque to the last pixel."""
    layers = [(rect(0, 0, 16, 16), WHITE),
              (rect(0, 0, 16, 1), BLACK), (rect(0, 0, 1, 16), BLACK)]
    heights = [0, 4, 5, 6, 5, 7, 8, 7, 9, 8, 10, 9, 11, 12, 13, 12]
    for x in range(1, 16):
        colour = rgb("#FF0000") if heights[x] >= 12 else rgb("#008000")
        layers.append((rect(x, 16 - heights[x], x + 1, 16), colour))
    return layers


def program_chip():
    """A memory chip with a gauge on its back."""
    gold, edge, body = rgb("#E3B341"), rgb("#557699"), rgb("#22303F")
    layers = []
    for y in (3, 7, 11):
        layers.append((rect(0, y, 2, y + 2), gold))
        layers.append((rect(14, y, 16, y + 2), gold))
    layers.append((minus(rounded_rect(2, 1, 14, 15, 1.5), circle(8, 1, 1.6)), edge))
    layers.append((minus(rounded_rect(3, 2, 13, 14, 0.8), circle(8, 1, 2.6)), body))
    cx, cy = 8, 12
    layers.append((arc(cx, cy, 3.0, 5.0, 120, 180), rgb("#3DDC84")))
    layers.append((arc(cx, cy, 3.0, 5.0, 60, 120), rgb("#FFD23F")))
    layers.append((arc(cx, cy, 3.0, 5.0, 0, 60), rgb("#FF5A4E")))
    tip = (cx + 4.6 * math.cos(math.radians(50)), cy - 4.6 * math.sin(math.radians(50)))
    layers.append((stroke([(cx, cy), tip], 1.2), WHITE))
    layers.append((circle(cx, cy, 1.4), WHITE))
    return layers


def disc(dark, light):
    return [(circle(8, 8, 8), rgb(dark)), (circle(8, 8, 7), rgb(light))]


def tile(dark, light):
    return [(rounded_rect(0, 0, 16, 16, 3.2), rgb(dark)), (rounded_rect(1, 1, 15, 15, 2.4), rgb(light))]


def status_work():
    """Freeing in progress: a turning arrow on amber."""
    return disc("#B85F06", "#F39C12") + [
        (arc(8, 8, 2.5, 4.5, 80, 360), WHITE),
        (polygon([(9.0, 8.0), (14.0, 8.0), (11.5, 4.0)]), WHITE)]


def status_idle():
    """Waiting: a clock at three."""
    hands = rgb("#17304F")
    return disc("#1B5FA8", "#3D8FE0") + [
        (circle(8, 8, 5.5), WHITE),
        (rect(7, 3.5, 9, 9), hands),
        (rect(7, 7, 11.5, 9), hands)]


def status_normal():
    """Monitoring: a pulse line on green."""
    pulse = [(2.5, 8.5), (5.5, 8.5), (6.5, 4.5), (8.5, 12.5), (10.5, 6.5), (11.5, 8.5), (13.5, 8.5)]
    return tile("#1B7A43", "#2ECC71") + [(stroke(pulse, 1.25), WHITE)]


def status_off():
    """Off: a power symbol on grey."""
    return tile("#5F6A6A", "#A3ADAE") + [
        (arc(8, 8.5, 3.0, 5.0, 125, 55), WHITE),
        (rect(7, 2, 9, 8.5), WHITE)]


ICONS = [
    # file name, picture, with 32-bit images, fully opaque
    ("icon1616.ico", template_chart, False, True),
    ("kalvora.ico", program_chip, True, False),
    ("statuswork.ico", status_work, True, False),
    ("statusidle.ico", status_idle, True, False),
    ("statusnormal.ico", status_normal, True, False),
    ("statusoff.ico", status_off, True, False),
]

# ------------------------------------------------------------- rendering


def render(layers, size):
    """RGBA rows of size x size pixels, edges smoothed by supersampling."""
    samples = max(4, 64 // size)
    unit = 16.0 / size
    image = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * unit
                    y = (py + (sy + 0.5) / samples) * unit
                    colour = None
                    for shape, c in layers:
                        if shape(x, y):
                            colour = c
                    if colour:
                        a = colour[3] / 255.0
                        acc[0] += colour[0] * a
                        acc[1] += colour[1] * a
                        acc[2] += colour[2] * a
                        acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha * 255)),))
        image.append(row)
    return image


def quantize(image, opaque):
    """16-colour version: palette, index rows and mask rows (True = clear).

    Index 0 is black, which is also what a clear pixel holds so that the
    colour part leaves the screen unchanged there.
    """
    mask = [[(not opaque) and px[3] < 128 for px in row] for row in image]
    colours = [px[:3] for row, mrow in zip(image, mask) for px, clear in zip(row, mrow) if not clear]
    palette = [(0, 0, 0)] + median_cut([c for c in colours if c != (0, 0, 0)], 15)
    palette += [(0, 0, 0)] * (16 - len(palette))

    def nearest(c):
        return min(range(16), key=lambda i: sum((c[k] - palette[i][k]) ** 2 for k in range(3)))

    cache = {}
    indices = []
    for row, mrow in zip(image, mask):
        out = []
        for px, clear in zip(row, mrow):
            if clear:
                out.append(0)
            else:
                key = px[:3]
                if key not in cache:
                    cache[key] = nearest(key)
                out.append(cache[key])
        indices.append(out)
    return palette, indices, mask


def median_cut(colours, count):
    unique = sorted(set(colours))
    if len(unique) <= count:
        return unique
    boxes = [colours]
    while len(boxes) < count:
        # Split the box with the widest channel range.
        def spread(box):
            return max(max(c[k] for c in box) - min(c[k] for c in box) for k in range(3))
        box = max((b for b in boxes if len(set(b)) > 1), key=spread, default=None)
        if box is None:
            break
        boxes.remove(box)
        channel = max(range(3), key=lambda k: max(c[k] for c in box) - min(c[k] for c in box))
        box.sort(key=lambda c: c[channel])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(int(round(sum(c[k] for c in b) / len(b))) for k in range(3)) for b in boxes]


# -------------------------------------------------------------- .ico file


def mask_bits(mask):
    size = len(mask)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(mask):
        line = bytearray(stride)
        for x, clear in enumerate(row):
            if clear:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def dib_header(size, bits, colours):
    image_bytes = size * ((size * bits + 31) // 32) * 4
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, colours, 0)


def image_4bit(palette, indices, mask):
    size = len(indices)
    data = bytearray(dib_header(size, 4, 16))
    for r, g, b in palette:
        data += bytes((b, g, r, 0))
    stride = ((size * 4 + 31) // 32) * 4
    for row in reversed(indices):
        line = bytearray(stride)
        for x, index in enumerate(row):
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += line
    return bytes(data + mask_bits(mask))


def image_32bit(image):
    size = len(image)
    data = bytearray(dib_header(size, 32, 0))
    for row in reversed(image):
        for r, g, b, a in row:
            data += bytes((b, g, r, a))
    mask = [[px[3] < 128 for px in row] for row in image]
    return bytes(data + mask_bits(mask))


def ico_file(entries):
    """entries: (size, bit count, colour count, image bytes)."""
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    directory, body = b"", b""
    for size, bits, colours, data in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
        body += data
    return head + directory + body


# --------------------------------------------------------------- preview


def png_file(rows):
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def contact_sheet(pictures, scale=6, gap=8):
    """One row per icon, for each size the 32-bit image (if any), then the 16-colour one."""
    cell = 32 * scale + gap
    width, height = cell * 4 + gap, cell * len(pictures) + gap
    sheet = [[(200, 204, 210)] * width for _ in range(height)]
    for r, images in enumerate(pictures):
        for c, image in enumerate(images):
            zoom = scale * 32 // len(image)
            for y in range(32 * scale):
                for x in range(32 * scale):
                    red, green, blue, a = image[y // zoom][x // zoom]
                    back = (236, 236, 236) if (x // 8 + y // 8) % 2 else (255, 255, 255)
                    px = tuple(int(round(v * a / 255 + b * (255 - a) / 255)) for v, b in zip((red, green, blue), back))
                    sheet[gap + r * cell + y][gap + c * cell + x] = px
    return png_file(sheet)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", default=os.path.join(here, "..", "resources", "icons"))
    parser.add_argument("--preview")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    sheet = []
    for name, picture, with_alpha, opaque in ICONS:
        layers = picture()
        entries, shown = [], []
        for size in (16, 32):
            image = render(layers, size)
            palette, indices, mask = quantize(image, opaque)
            entries.append((size, 4, 16, image_4bit(palette, indices, mask)))
            shown.append([[palette[i] + ((0,) if clear else (255,)) for i, clear in zip(irow, mrow)]
                          for irow, mrow in zip(indices, mask)])
            if with_alpha:
                entries.append((size, 32, 0, image_32bit(image)))
                shown.insert(len(shown) - 1, image)
        # The 16-colour images first: the order the program's loader meets them.
        entries.sort(key=lambda e: (e[1], e[0]))
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(ico_file(entries))
        sheet.append(shown)
    if args.preview:
        with open(args.preview, "wb") as f:
            f.write(contact_sheet(sheet))


if __name__ == "__main__":
    main()
