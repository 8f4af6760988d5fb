#!/usr/bin/python3
"""Draws Velmora's embedded artwork from code and writes it next to this script.

Every picture is computed: shapes, gradients, a ray-cast heart and value noise from fixed
seeds. Nothing depends on the clock or the environment, so running the script again rewrites
the same bytes. Needs Pillow and the WenQuanYi Micro Hei font (Debian: python3-pil,
fonts-wqy-microhei).

Outputs (see resources.list):
  coolingmap.bmp   160x200 8-bit grey bitmap, the flames' cooling map
  liveheart.gif    14-frame greyscale beating heart that feeds the flames
"""

import math
import os
import random
import struct

from PIL import Image, ImageChops, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))

PLANE_WIDTH = 160
PLANE_HEIGHT = 200


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def normalize(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def write_file(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------------------------
# Value noise

class ValueNoise:
    """Smoothly interpolated lattice noise in [-1, 1], summed over a few octaves."""

    def __init__(self, seed, octaves):
        self.octaves = []  # (cell size, amplitude, lattice, lattice width)
        rng = random.Random(seed)
        for cell, amplitude in octaves:
            w = PLANE_WIDTH // cell + 3
            h = PLANE_HEIGHT // cell + 3
            lattice = [rng.uniform(-1.0, 1.0) for _ in range(w * h)]
            self.octaves.append((cell, amplitude, lattice, w))
        self.scale = sum(a for _, a in octaves)

    def __call__(self, x, y):
        total = 0.0
        for cell, amplitude, lattice, w in self.octaves:
            fx, fy = x / cell, y / cell
            ix, iy = int(fx), int(fy)
            tx, ty = fx - ix, fy - iy
            tx = tx * tx * (3 - 2 * tx)
            ty = ty * ty * (3 - 2 * ty)
            i = iy * w + ix
            top = lattice[i] + (lattice[i + 1] - lattice[i]) * tx
            bottom = lattice[i + w] + (lattice[i + w + 1] - lattice[i + w]) * tx
            total += amplitude * (top + (bottom - top) * ty)
        return total / self.scale


# ---------------------------------------------------------------------------------------------
# 8-bit grey Windows bitmap

def grey_bmp_bytes(width, height, grey):
    """An uncompressed bottom-up 8-bit bitmap with the 256-entry grey-ramp palette.

    grey: width*height values 0..255, row 0 at the top."""
    stride = (width + 3) & ~3
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    bits_offset = 14 + 40 + len(palette)
    image_size = stride * height
    file_header = struct.pack("<2sIHHI", b"BM", bits_offset + image_size, 0, 0, bits_offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, image_size,
                              2835, 2835, 256, 0)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytes(grey[y * width:(y + 1) * width])
        rows.append(row + b"\0" * (stride - width))
    return file_header + info_header + palette + b"".join(rows)


# ---------------------------------------------------------------------------------------------
# Cooling map: light border band, mottled inside, a ghostly face and a ringed star

def motif_mask():
    """Coverage 0..255 of the dark motifs, drawn 4x larger and reduced for soft edges."""
    k = 4
    img = Image.new("L", (PLANE_WIDTH * k, PLANE_HEIGHT * k), 0)
    d = ImageDraw.Draw(img)

    def ellipse(cx, cy, rx, ry, width=None):
        box = [(cx - rx) * k, (cy - ry) * k, (cx + rx) * k, (cy + ry) * k]
        if width is None:
            d.ellipse(box, fill=255)
        else:
            d.ellipse(box, outline=255, width=int(width * k))

    # The face: a tall head outline, hollow eyes, a long wailing mouth, nostrils and brows.
    ellipse(44, 56, 25, 42, width=3)
    ellipse(34, 47, 6.5, 10)
    ellipse(54, 47, 6.5, 10)
    ellipse(44, 82, 6, 11.5)
    ellipse(41.5, 64, 1.6, 2.4)
    ellipse(46.5, 64, 1.6, 2.4)
    d.line([(26 * k, 37 * k), (38 * k, 32 * k)], fill=255, width=2 * k)
    d.line([(62 * k, 37 * k), (50 * k, 32 * k)], fill=255, width=2 * k)
    # Cheek hollows, fainter than the rest.
    cheeks = Image.new("L", img.size, 0)
    cd = ImageDraw.Draw(cheeks)
    for cx in (30, 58):
        cd.ellipse([(cx - 4) * k, 62 * k, (cx + 4) * k, 76 * k], fill=150)
    img = ImageChops.lighter(img, cheeks)
    d = ImageDraw.Draw(img)

    # The star in a ring.
    cx, cy = 116, 152
    ellipse(cx, cy, 29, 29, width=3)
    outer, inner = 25.0, 9.6
    points = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        points.append(((cx + r * math.cos(a)) * k, (cy + r * math.sin(a)) * k))
    d.polygon(points, fill=255)

    small = img.resize((PLANE_WIDTH, PLANE_HEIGHT), Image.BOX)
    return small.tobytes()


def cooling_map_grey():
    noise = ValueNoise(1723, [(23, 1.0), (11, 0.55), (5, 0.35), (2, 0.18)])
    sparkle = random.Random(9011)
    mask = motif_mask()
    grey = []
    for y in range(PLANE_HEIGHT):
        for x in range(PLANE_WIDTH):
            n = noise(x, y)
            inner = 68.0 + 70.0 * n + sparkle.uniform(-6.0, 6.0)
            m = mask[y * PLANE_WIDTH + x] / 255.0
            inner = inner * (1.0 - m) + 10.0 * m
            band = 238.0 + 10.0 * n + sparkle.uniform(-3.0, 3.0)
            depth = min(y - 6, 196 - y, x - 5, 154 - x)
            if depth <= 0:
                v = max(226.0, band)
            else:
                t = smoothstep(0.0, 6.0, depth)
                v = band * (1.0 - t) + inner * t
            grey.append(int(clamp(round(v), 0, 255)))
    return grey


# ---------------------------------------------------------------------------------------------
# The heart: a ray-cast implicit surface
#   (x^2 + 9/4 y^2 + z^2 - 1)^3 - x^2 z^3 - 9/80 y^2 z^3 = 0,  z up, y toward the viewer.
# Its outline spans x in [-1.137, 1.137] and z in [-1.0, 1.236].

HEART_Z_CENTRE = (1.236 - 1.0) / 2


def heart_inside(x, z):
    a = x * x + z * z - 1.0
    return a * a * a <= x * x * z * z * z


def heart_normal(x, z):
    """Unit normal of the heart's front surface at (x, z); (x, z) must lie inside the outline."""
    a = x * x + z * z - 1.0
    z3 = z * z * z
    b = x * x * z3
    c = 0.1125 * z3

    def g(u):  # u = y^2
        q = a + 2.25 * u
        return q * q * q - c * u - b

    lo, hi = 0.0, 0.25
    while g(hi) <= 0.0:
        lo, hi = hi, hi * 2.0
    for _ in range(26):
        mid = 0.5 * (lo + hi)
        if g(mid) <= 0.0:
            lo = mid
        else:
            hi = mid
    y = math.sqrt(lo)
    q = a + 2.25 * lo
    q2 = q * q
    gx = 6.0 * x * q2 - 2.0 * x * z3
    gy = 13.5 * y * q2 - 0.225 * y * z3
    gz = 6.0 * z * q2 - 3.0 * x * x * z * z - 0.3375 * lo * z * z
    n = math.sqrt(gx * gx + gy * gy + gz * gz)
    if n == 0.0:
        return (0.0, 1.0, 0.0)
    return (gx / n, abs(gy) / n, gz / n)


def render_heart(width, height, centre_x, centre_y, scale_x, scale_y, shade, sub=4):
    """Renders the heart into a width*height list of (coverage, colour) pairs.

    centre_*: pixel position of the outline's centre; scale_*: pixels per heart unit.
    shade(normal) -> tuple of floats; edge pixels average the shade of their covered
    sub-samples (sub x sub per pixel)."""
    out = [None] * (width * height)
    x_reach = 1.14 * scale_x + 2
    z_reach = 1.12 * scale_y + 2
    x0 = max(0, int(centre_x - x_reach))
    x1 = min(width, int(centre_x + x_reach) + 1)
    y0 = max(0, int(centre_y - z_reach))
    y1 = min(height, int(centre_y + z_reach) + 1)
    offsets = [(i + 0.5) / sub for i in range(sub)]
    for py in range(y0, y1):
        for px in range(x0, x1):
            samples = []
            for oy in offsets:
                z = HEART_Z_CENTRE + (centre_y - (py + oy)) / scale_y
                for ox in offsets:
                    x = (px + ox - centre_x) / scale_x
                    if heart_inside(x, z):
                        samples.append((x, z))
            if not samples:
                continue
            count = sub * sub
            if len(samples) == count:
                x = (px + 0.5 - centre_x) / scale_x
                z = HEART_Z_CENTRE + (centre_y - (py + 0.5)) / scale_y
                colour = shade(heart_normal(x, z))
            else:
                shades = [shade(heart_normal(x, z)) for x, z in samples]
                colour = tuple(sum(s[i] for s in shades) / len(shades)
                               for i in range(len(shades[0])))
            out[py * width + px] = (len(samples) / count, colour)
    return out


# ---------------------------------------------------------------------------------------------
# Heart animation for the flames

HEART_RAMP = [0] + [4 * k + 1 for k in range(1, 61)] + [244, 249, 252]
HEART_TRANSPARENT_INDEX = 64
HEART_SEQUENCE = [0, 1, 2, 3, 4, 3, 2, 1, 2, 3, 4, 3, 2, 1]
HEART_BEAT_SCALES = [0.80, 0.85, 0.90, 0.95, 1.0]

LIGHT = normalize((-0.45, 0.75, 0.55))
VIEW = (0.0, 1.0, 0.0)
HALFWAY = normalize(tuple(l + v for l, v in zip(LIGHT, VIEW)))


def grey_heart_shade(n):
    diffuse = max(0.0, dot(n, LIGHT))
    spec = max(0.0, dot(n, HALFWAY)) ** 28
    facing = n[1]
    rim = smoothstep(0.0, 0.55, facing) ** 0.8
    v = (0.16 + 0.70 * diffuse) * (0.30 + 0.70 * rim) + 0.42 * spec
    return (clamp(v),)


def ramp_index(value):
    """Index of the ramp entry nearest to a grey value."""
    best = 0
    for k, level in enumerate(HEART_RAMP):
        if abs(level - value) < abs(HEART_RAMP[best] - value):
            best = k
    return best


def heart_picture(beat):
    k = HEART_BEAT_SCALES[beat]
    cells = render_heart(PLANE_WIDTH, PLANE_HEIGHT, 68.5, 141.0, 55.0 * k, 51.5 * k,
                         grey_heart_shade)
    lookup = [ramp_index(v) for v in range(256)]
    pixels = bytearray(PLANE_WIDTH * PLANE_HEIGHT)
    for i, cell in enumerate(cells):
        if cell is not None:
            coverage, (v,) = cell
            pixels[i] = lookup[int(round(252.0 * v * coverage))]
    return bytes(pixels)


def lzw_encode(pixels, min_code_size):
    """GIF variant of LZW: variable code width, clear code first, codes packed LSB first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    width = min_code_size + 1
    next_code = end + 1
    table = {}
    emit(clear, width)
    prefix = pixels[0]
    for p in pixels[1:]:
        key = (prefix << 8) | p
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix, width)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table = {}
            width = min_code_size + 1
            next_code = end + 1
        prefix = p
    emit(prefix, width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    parts = [bytes((len(data[i:i + 255]),)) + data[i:i + 255] for i in range(0, len(data), 255)]
    return b"".join(parts) + b"\0"


def heart_gif_bytes(pictures):
    out = bytearray(b"GIF89a")
    # Logical screen, no global colour table.
    out += struct.pack("<HHBBB", PLANE_WIDTH, PLANE_HEIGHT, 0x70, 0, 0)
    # Loop forever.
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\0"
    table = bytearray()
    for k in range(128):
        level = HEART_RAMP[k] if k < len(HEART_RAMP) else 0
        table += bytes((level, level, level))
    for frame, picture in enumerate(HEART_SEQUENCE):
        delay = 50 if frame == len(HEART_SEQUENCE) - 1 else 2
        # Graphic control: disposal 0, transparency flag with an index no pixel uses.
        out += b"\x21\xF9\x04" + struct.pack("<BHB", 0x01, delay, HEART_TRANSPARENT_INDEX) + b"\0"
        # Image descriptor: whole screen, local table of 128 entries, not interlaced.
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, PLANE_WIDTH, PLANE_HEIGHT, 0x86)
        out += table
        out += b"\x07" + sub_blocks(lzw_encode(pictures[picture], 7))
    out += b"\x3B"
    return bytes(out)


# ---------------------------------------------------------------------------------------------

def main():
    write_file("coolingmap.bmp", grey_bmp_bytes(PLANE_WIDTH, PLANE_HEIGHT, cooling_map_grey()))
    pictures = [heart_picture(beat) for beat in range(len(HEART_BEAT_SCALES))]
    write_file("liveheart.gif", heart_gif_bytes(pictures))


if __name__ == "__main__":
    main()
