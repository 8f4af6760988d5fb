#!/usr/bin/python3
"""Draws Velmora's embedded artwork from code and writes it next to this script.

Every picture is computed: shapes, gradients, a ray-cast heart and value noise from fixed
seeds. Nothing depends on the clock or the environment, so running the script again rewrites
the same bytes. Needs Pillow and the WenQuanYi Micro Hei font (Debian: python3-pil,
fonts-wqy-microhei).

Outputs (see resources.list):
  coolingmap.bmp   160x200 8-bit grey bitmap, the flames' cooling map
  liveheart.gif    14-frame greyscale beating heart that feeds the flames
  image_error.jpg  300x150 "cannot load the picture" notice of the picture viewer
  logo0..5.jpg     130x120 About-page logo frames, the heart growing from 0 to 5
  about_bear.jpg   135x110 teddy bear with a gift box of the About page
  menu_heart.png   16x17 red heart with alpha for the About menu item
  btn_options.png  56x56 cogwheel with alpha for the settings dialog's Options button
  btn_about.png    56x56 heart with an information badge, with alpha, for its About button
  skin.ini         the skin: colours, fonts and metrics of the menu, dialogs and viewer
  skin.ini.z       the same, zlib-compressed, as the program stores it
  sample.jpg       640x480 picture placed beside velmora.exe: the view-image action's default
"""

import io
import math
import os
import random
import struct

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

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
# Pictures of the dialogs

FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
DIALOG_GREY = (85, 85, 85)
SUPERSAMPLE = 4


def font(size):
    return ImageFont.truetype(FONT_PATH, size)


def jpeg_bytes(img, quality=90):
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=quality, subsampling=0, optimize=False, progressive=False)
    return buf.getvalue()


def png_bytes(img):
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=False, compress_level=9)
    return buf.getvalue()


def glossy_red_shade(n):
    """A lacquered red: diffuse red, a sharp white highlight, a broad sheen and a pink rim."""
    diffuse = max(0.0, dot(n, LIGHT))
    h = max(0.0, dot(n, HALFWAY))
    spec = h ** 70
    sheen = h ** 9
    facing = n[1]
    fresnel = (1.0 - facing) ** 3
    under = max(0.0, -n[2]) * 0.25  # light bounced from below
    r = 0.16 + 0.78 * diffuse + 0.20 * sheen + 0.25 * fresnel + under
    g = 0.01 + 0.07 * diffuse + 0.10 * sheen + 0.08 * fresnel
    b = 0.03 + 0.12 * diffuse + 0.12 * sheen + 0.10 * fresnel
    r, g, b = (c * (0.55 + 0.45 * smoothstep(0.0, 0.6, facing)) for c in (r, g, b))
    return (clamp(r + spec), clamp(g + spec), clamp(b + spec))


def paint_heart(img, centre_x, centre_y, scale):
    """Draws the glossy red heart over an RGB or RGBA picture (RGBA: alpha is coverage)."""
    w, h = img.size
    cells = render_heart(w, h, centre_x, centre_y, scale, scale, glossy_red_shade)
    px = img.load()
    rgba = img.mode == "RGBA"
    for i, cell in enumerate(cells):
        if cell is None:
            continue
        coverage, colour = cell
        x, y = i % w, i // w
        c = tuple(int(round(255.0 * v)) for v in colour)
        if rgba:
            px[x, y] = c + (int(round(255.0 * coverage)),)
        else:
            old = px[x, y]
            px[x, y] = tuple(int(round(o + (n - o) * coverage)) for o, n in zip(old, c))


def vertical_gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(1, h - 1)
        d.line([(0, y), (w, y)], fill=tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom)))
    return img


def teddy_bear(size, head_x, head_y, radius, gift=False, seed=5):
    """A plush teddy bear (head centre and radius in pixels of the final picture), RGBA."""
    k = SUPERSAMPLE
    w, h = size
    layer = Image.new("RGBA", (w * k, h * k), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    fur = (166, 108, 58, 255)
    fur_dark = (112, 68, 34, 255)
    light = (226, 186, 132, 255)
    dark = (40, 24, 16, 255)
    R = radius * k
    hx, hy = head_x * k, head_y * k
    edge = max(1, int(0.05 * R))

    def ell(cx, cy, rx, ry, fill, outline=fur_dark):
        d.ellipse([cx - rx, cy - ry, cx + rx, cy + ry], fill=fill,
                  outline=outline, width=edge if outline else 0)

    bx, by = hx, hy + 1.62 * R  # body centre
    # Legs behind the body, feet with pads.
    for side in (-1, 1):
        ell(bx + side * 0.55 * R, by + 0.78 * R, 0.38 * R, 0.34 * R, fur)
    ell(bx, by, 0.86 * R, 0.92 * R, fur)
    ell(bx, by + 0.12 * R, 0.55 * R, 0.62 * R, light, None)
    for side in (-1, 1):
        ell(bx + side * 0.62 * R, by + 0.86 * R, 0.26 * R, 0.24 * R, light)
        ell(bx + side * 0.62 * R, by + 0.80 * R, 0.10 * R, 0.07 * R, fur_dark, None)
    if gift:
        # A gift box held against the belly: lid, ribbon and bow.
        gx0, gx1 = bx - 0.62 * R, bx + 0.62 * R
        gy0, gy1 = by - 0.22 * R, by + 0.62 * R
        d.rectangle([gx0, gy0, gx1, gy1], fill=(206, 40, 72, 255), outline=(130, 18, 40, 255),
                    width=edge)
        d.rectangle([gx0 - 0.06 * R, gy0 - 0.18 * R, gx1 + 0.06 * R, gy0 + 0.02 * R],
                    fill=(230, 64, 96, 255), outline=(130, 18, 40, 255), width=edge)
        ribbon = (250, 206, 70, 255)
        d.rectangle([bx - 0.09 * R, gy0 - 0.18 * R, bx + 0.09 * R, gy1], fill=ribbon)
        d.rectangle([gx0, by + 0.16 * R, gx1, by + 0.30 * R], fill=ribbon)
        for side in (-1, 1):
            d.ellipse([bx + (0.04 if side > 0 else -0.40) * R, gy0 - 0.46 * R,
                       bx + (0.40 if side > 0 else -0.04) * R, gy0 - 0.14 * R],
                      fill=ribbon, outline=(196, 146, 30, 255), width=edge)
        ell(bx, gy0 - 0.22 * R, 0.09 * R, 0.09 * R, ribbon, (196, 146, 30, 255))
        # Arms round the sides of the box.
        for side in (-1, 1):
            ell(bx + side * 0.70 * R, by + 0.10 * R, 0.24 * R, 0.42 * R, fur)
    else:
        # Arms resting at the sides.
        for side in (-1, 1):
            ell(bx + side * 0.78 * R, by + 0.05 * R, 0.26 * R, 0.44 * R, fur)
            ell(bx + side * 0.80 * R, by + 0.34 * R, 0.14 * R, 0.12 * R, light, None)
    # Ears, head, muzzle.
    for side in (-1, 1):
        ell(hx + side * 0.74 * R, hy - 0.70 * R, 0.34 * R, 0.34 * R, fur)
        ell(hx + side * 0.74 * R, hy - 0.70 * R, 0.18 * R, 0.18 * R, light, None)
    ell(hx, hy, R, 0.90 * R, fur)
    ell(hx, hy + 0.36 * R, 0.44 * R, 0.32 * R, light, None)
    ell(hx, hy + 0.24 * R, 0.16 * R, 0.11 * R, dark, None)
    d.line([hx, hy + 0.33 * R, hx, hy + 0.46 * R], fill=dark, width=edge)
    d.arc([hx - 0.20 * R, hy + 0.30 * R, hx, hy + 0.52 * R], 20, 160, fill=dark, width=edge)
    d.arc([hx, hy + 0.30 * R, hx + 0.20 * R, hy + 0.52 * R], 20, 160, fill=dark, width=edge)
    for side in (-1, 1):
        ell(hx + side * 0.36 * R, hy - 0.10 * R, 0.11 * R, 0.12 * R, dark, None)
        ell(hx + side * 0.36 * R - 0.04 * R, hy - 0.15 * R, 0.035 * R, 0.035 * R,
            (255, 255, 255, 255), None)
        ell(hx + side * 0.58 * R, hy + 0.22 * R, 0.12 * R, 0.07 * R, (214, 120, 96, 255), None)

    # Soft plush shading: darken towards the silhouette, lighten towards the upper left.
    alpha = layer.getchannel("A")
    inner = alpha.filter(ImageFilter.GaussianBlur(0.28 * R))
    shade = Image.eval(inner, lambda v: 255 - v)
    rgb = layer.convert("RGB")
    darker = Image.eval(rgb, lambda v: v * 3 // 5)
    rgb = Image.composite(darker, rgb, shade)
    glow = Image.new("L", layer.size, 0)
    ImageDraw.Draw(glow).ellipse([hx - 1.3 * R, hy - 1.3 * R, hx + 0.2 * R, hy + 0.1 * R], fill=70)
    glow = glow.filter(ImageFilter.GaussianBlur(0.5 * R))
    rgb = Image.composite(Image.new("RGB", layer.size, (255, 236, 200)), rgb, glow)
    # Fur grain.
    rng = random.Random(seed)
    grain = Image.frombytes("L", layer.size, bytes(rng.randrange(0, 256)
                                                   for _ in range(layer.size[0] * layer.size[1])))
    grain = grain.filter(ImageFilter.GaussianBlur(0.6 * k))
    rgb = Image.blend(rgb, Image.merge("RGB", (grain, grain, grain)), 0.06)
    layer = Image.merge("RGBA", rgb.split() + (alpha,))
    return layer.resize(size, Image.LANCZOS)


def floor_shadow(img, cx, cy, rx, ry, strength):
    k = SUPERSAMPLE
    mask = Image.new("L", (img.size[0] * k, img.size[1] * k), 0)
    ImageDraw.Draw(mask).ellipse([(cx - rx) * k, (cy - ry) * k, (cx + rx) * k, (cy + ry) * k],
                                 fill=strength)
    mask = mask.filter(ImageFilter.GaussianBlur(ry * k * 0.6)).resize(img.size, Image.LANCZOS)
    return Image.composite(Image.new("RGB", img.size, (0, 0, 0)), img, mask)


LOGO_SIZE = (130, 120)
LOGO_TITLE_BAND = 25  # rows above this hold no red above 100: the hover test ignores them
LOGO_HEART_SCALES = [0.55, 0.64, 0.73, 0.82, 0.91, 1.0]


def logo_frame(n):
    w, h = LOGO_SIZE
    img = vertical_gradient(LOGO_SIZE, (90, 90, 90), (80, 80, 80))
    band = vertical_gradient((w, LOGO_TITLE_BAND - 2), (44, 48, 58), (66, 70, 82))
    img.paste(band, (0, 0))
    d = ImageDraw.Draw(img)
    d.line([(0, LOGO_TITLE_BAND - 2), (w, LOGO_TITLE_BAND - 2)], fill=(30, 32, 38))
    # Lettering in cool blues only, so the band keeps its red low.
    title = "Velmora"
    f = font(19)
    tw = d.textlength(title, font=f)
    tx, ty = (w - tw) / 2, 1
    d.text((tx + 1, ty + 1), title, font=f, fill=(14, 16, 22))
    text_mask = Image.new("L", LOGO_SIZE, 0)
    ImageDraw.Draw(text_mask).text((tx, ty), title, font=f, fill=255)
    img = Image.composite(vertical_gradient(LOGO_SIZE, (70, 214, 255), (20, 120, 220)), img,
                          text_mask)
    scale = LOGO_HEART_SCALES[n]
    img = floor_shadow(img, 84, 115, 27 * scale, 3.0, int(60 + 80 * scale))
    img = floor_shadow(img, 20, 113, 16, 2.5, 110)
    bear = teddy_bear(LOGO_SIZE, 20, 73, 14)
    img.paste(bear, (0, 0), bear)
    paint_heart(img, 84.0, 75.0, 33.0 * scale)
    return img


def checked_logo_jpeg(n):
    """The JPEG of a logo frame, verified after encoding to keep the title band's red low."""
    data = jpeg_bytes(logo_frame(n))
    decoded = Image.open(io.BytesIO(data)).convert("RGB")
    for y in range(LOGO_TITLE_BAND):
        for x in range(LOGO_SIZE[0]):
            if decoded.getpixel((x, y))[0] > 100:
                raise SystemExit("logo%d: red %d at %d,%d in the title band"
                                 % (n, decoded.getpixel((x, y))[0], x, y))
    return data


def about_bear():
    size = (135, 110)
    img = Image.new("RGB", size, DIALOG_GREY)
    spot = Image.new("L", size, 0)
    ImageDraw.Draw(spot).ellipse([22, 6, 113, 104], fill=110)
    spot = spot.filter(ImageFilter.GaussianBlur(16))
    img = Image.composite(Image.new("RGB", size, (150, 140, 128)), img, spot)
    img = floor_shadow(img, 67, 101, 36, 4, 140)
    bear = teddy_bear(size, 67, 31, 23, gift=True, seed=8)
    img.paste(bear, (0, 0), bear)
    return img


def broken_picture_glyph(k):
    """A small picture (sky, hills, sun) torn in two, drawn k times larger, RGBA 64x56."""
    w, h = 64, 56
    whole = Image.new("RGBA", (w * k, h * k), (0, 0, 0, 0))
    d = ImageDraw.Draw(whole)
    d.rectangle([2 * k, 2 * k, 60 * k, 52 * k], fill=(236, 236, 236, 255),
                outline=(160, 160, 160, 255), width=k)
    d.rectangle([7 * k, 7 * k, 55 * k, 47 * k], fill=(120, 170, 220, 255))
    d.ellipse([40 * k, 11 * k, 50 * k, 21 * k], fill=(250, 214, 80, 255))
    d.polygon([(7 * k, 47 * k), (22 * k, 25 * k), (34 * k, 40 * k), (42 * k, 31 * k),
               (55 * k, 47 * k)], fill=(90, 150, 80, 255))
    # The tear: a zigzag from top to bottom; the right part slips down and tilts away.
    tear = [(36, 0), (30, 12), (37, 21), (29, 32), (36, 42), (31, 56)]
    left_mask = Image.new("L", whole.size, 0)
    ImageDraw.Draw(left_mask).polygon([(0, 0)] + [(x * k, y * k) for x, y in tear] + [(0, h * k)],
                                      fill=255)
    right_mask = Image.eval(left_mask, lambda v: 255 - v)
    empty = Image.new("RGBA", whole.size, (0, 0, 0, 0))
    left = Image.composite(whole, empty, left_mask)
    right = Image.composite(whole, empty, right_mask).rotate(-8, resample=Image.BICUBIC,
                                                            center=(36 * k, 0))
    out = Image.new("RGBA", ((w + 6) * k, (h + 8) * k), (0, 0, 0, 0))
    out.alpha_composite(left, (0, 0))
    out.alpha_composite(right, (4 * k, 3 * k))
    return out


def image_error():
    size = (300, 150)
    k = SUPERSAMPLE
    img = Image.new("RGB", size, DIALOG_GREY)
    glyph = broken_picture_glyph(k)
    glyph = glyph.resize((glyph.size[0] // k, glyph.size[1] // k), Image.LANCZOS)
    img.paste(glyph, (26, (size[1] - glyph.size[1]) // 2), glyph)
    d = ImageDraw.Draw(img)
    big, small = font(24), font(13)
    lines = [("无法加载图片", big, (255, 255, 255), 46),
             ("文件已损坏或格式不受支持", small, (200, 200, 200), 86)]
    for text, f, colour, y in lines:
        tw = d.textlength(text, font=f)
        x = 112 + (170 - tw) / 2
        d.text((x, y), text, font=f, fill=colour)
    return img


def menu_heart():
    img = Image.new("RGBA", (16, 17), (0, 0, 0, 0))
    paint_heart(img, 8.0, 8.4, 6.6)
    return img


# ---------------------------------------------------------------------------------------------


BUTTON_PICTURE = 56


def downsampled(img, k):
    return img.resize((img.size[0] // k, img.size[1] // k), Image.LANCZOS)


def btn_options():
    """A brushed-steel cogwheel with a dark hub, lit from the top left, RGBA."""
    k = SUPERSAMPLE
    n = BUTTON_PICTURE * k
    c = n / 2.0
    teeth, r_outer, r_root, r_hole = 10, 25.5 * k, 20.0 * k, 8.0 * k
    points = []
    steps = teeth * 24
    for i in range(steps):
        a = 2 * math.pi * i / steps
        phase = (i % 24) / 24.0
        # Flat-topped teeth with sloped flanks.
        if phase < 0.30:
            r = r_outer
        elif phase < 0.42:
            r = r_outer - (r_outer - r_root) * (phase - 0.30) / 0.12
        elif phase < 0.88:
            r = r_root
        else:
            r = r_root + (r_outer - r_root) * (phase - 0.88) / 0.12
        points.append((c + r * math.cos(a), c + r * math.sin(a)))
    mask = Image.new("L", (n, n), 0)
    md = ImageDraw.Draw(mask)
    md.polygon(points, fill=255)
    md.ellipse([c - r_hole, c - r_hole, c + r_hole, c + r_hole], fill=0)
    metal = vertical_gradient((n, n), (236, 238, 242), (132, 136, 146))
    # A light ring on the face and a darker groove near the hub.
    ring = Image.new("L", (n, n), 0)
    ImageDraw.Draw(ring).ellipse([c - 15 * k, c - 15 * k, c + 15 * k, c + 15 * k], outline=255,
                                 width=2 * k)
    metal = Image.composite(Image.new("RGB", (n, n), (104, 108, 118)), metal, ring)
    shadow = Image.new("L", (n, n), 0)
    shadow.paste(mask.filter(ImageFilter.GaussianBlur(2 * k)), (k, 2 * k))
    out = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    out.paste(Image.new("RGBA", (n, n), (0, 0, 0, 255)),
              (0, 0), shadow.point(lambda v: v * 110 // 255))
    gear = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    gear.paste(metal, (0, 0), mask)
    out.alpha_composite(gear)
    return downsampled(out, k)


def btn_about():
    """The glossy heart with a round blue information badge at its lower right, RGBA."""
    img = Image.new("RGBA", (BUTTON_PICTURE, BUTTON_PICTURE), (0, 0, 0, 0))
    paint_heart(img, 26.0, 27.0, 20.0)
    k = SUPERSAMPLE
    n = BUTTON_PICTURE * k
    badge = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(badge)
    cx, cy, r = 41 * k, 41 * k, 12 * k
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(255, 255, 255, 255))
    r2 = r - 2 * k
    d.ellipse([cx - r2, cy - r2, cx + r2, cy + r2], fill=(34, 110, 204, 255))
    d.ellipse([cx - 2 * k, cy - 8 * k, cx + 2 * k, cy - 4 * k], fill=(255, 255, 255, 255))
    d.rectangle([cx - 2 * k, cy - 2 * k, cx + 2 * k, cy + 7 * k], fill=(255, 255, 255, 255))
    img.alpha_composite(downsampled(badge, k))
    return img


# ---------------------------------------------------------------------------------------------
# The skin: colours, fonts and metrics of the menu, the dialogs and the viewer

SKIN_SECTIONS = [
    ("Colors", [
        ("Face", "#555555"),          # the dialogs' and the viewer's grey, RGB 85, 85, 85
        ("Strip", "#202020"),         # the settings dialog's left strip, RGB 32, 32, 32
        ("Text", "#FFFFFF"),
        ("DisabledText", "#9A9A9A"),
        ("Link", "#FFFF00"),
        ("Rule", "#FFFFFF"),
        ("Frame", "#2A2A2A"),
        ("EditFace", "#3A3A3A"),
        ("EditText", "#FFFFFF"),
        ("ButtonFace", "#444444"),
        ("ButtonHot", "#505050"),
        ("ButtonDown", "#2E2E2E"),
        ("ButtonText", "#FFFFFF"),
        ("Focus", "#D8D8D8"),
        ("Selection", "#8E1B1B"),
        ("SelectionText", "#FFFFFF"),
    ]),
    ("Menu", [
        ("Face", "#333333"),
        ("Text", "#FFFFFF"),
        ("Highlight", "#8E1B1B"),
        ("HighlightText", "#FFFFFF"),
        ("DisabledText", "#8A8A8A"),
        ("Separator", "#5A5A5A"),
        ("Frame", "#202020"),
        ("Check", "#FFFFFF"),
        ("ItemHeight", "22"),
        ("SeparatorHeight", "7"),
        ("GutterWidth", "26"),
        ("TextRightMargin", "24"),
        ("SubmenuArrowWidth", "14"),
    ]),
    ("Fonts", [
        # Face, height (negative: pixels), style. The main window sets every face to Tahoma and
        # the height one less when the skin has loaded.
        ("Dialog", "宋体,-11,normal"),
        ("Menu", "宋体,-11,normal"),
        ("Caption", "宋体,-11,bold"),
    ]),
    ("Controls", [
        ("CheckBoxSize", "13"),
        ("ListItemHeight", "16"),
        ("ButtonFrameWidth", "1"),
    ]),
]


def skin_ini():
    lines = ["; Velmora skin"]
    for section, values in SKIN_SECTIONS:
        lines.append("")
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % (name, value) for name, value in values)
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def compressed_skin(text):
    import zlib
    return zlib.compress(text, 9)
SAMPLE_SIZE = (640, 480)


def sample_picture():
    """A bear beside a big glossy heart on a hill at dusk: the first picture a new user views."""
    w, h = SAMPLE_SIZE
    img = vertical_gradient(SAMPLE_SIZE, (38, 40, 92), (238, 146, 98))
    glow = Image.new("L", SAMPLE_SIZE, 0)
    ImageDraw.Draw(glow).ellipse([160, 250, 480, 470], fill=150)
    glow = glow.filter(ImageFilter.GaussianBlur(60))
    img = Image.composite(Image.new("RGB", SAMPLE_SIZE, (255, 214, 150)), img, glow)
    hill = Image.new("L", SAMPLE_SIZE, 0)
    ImageDraw.Draw(hill).ellipse([-260, 360, 900, 900], fill=255)
    hill = hill.filter(ImageFilter.GaussianBlur(2))
    img = Image.composite(vertical_gradient(SAMPLE_SIZE, (70, 96, 64), (24, 40, 26)), img, hill)
    img = floor_shadow(img, 360, 405, 120, 10, 150)
    img = floor_shadow(img, 150, 405, 60, 7, 150)
    bear = teddy_bear(SAMPLE_SIZE, 150, 255, 52, gift=True, seed=11)
    img.paste(bear, (0, 0), bear)
    paint_heart(img, 360.0, 250.0, 140.0)
    return img


def main():
    write_file("coolingmap.bmp", grey_bmp_bytes(PLANE_WIDTH, PLANE_HEIGHT, cooling_map_grey()))
    pictures = [heart_picture(beat) for beat in range(len(HEART_BEAT_SCALES))]
    write_file("liveheart.gif", heart_gif_bytes(pictures))
    write_file("image_error.jpg", jpeg_bytes(image_error()))
    for n in range(len(LOGO_HEART_SCALES)):
        write_file("logo%d.jpg" % n, checked_logo_jpeg(n))
    write_file("about_bear.jpg", jpeg_bytes(about_bear()))
    write_file("menu_heart.png", png_bytes(menu_heart()))
    write_file("btn_options.png", png_bytes(btn_options()))
    write_file("btn_about.png", png_bytes(btn_about()))
    skin = skin_ini()
    write_file("skin.ini", skin)
    write_file("skin.ini.z", compressed_skin(skin))
    write_file("sample.jpg", jpeg_bytes(sample_picture()))


if __name__ == "__main__":
    main()
