#!/usr/bin/python3
"""Draws the installer's page pictures, its icon and the plug-in's logo.

Writes, relative to the repository root:
  res/pictures/welcome.bmp, agreement.bmp, location.bmp, finished.bmp
      445 x 240, 8 bits per pixel, BI_RLE8, 256-entry colour table,
      with the page messages of res/page_texts.h
  res/pictures/zuv.ico   32 x 32, 16 x 16, 24 x 24 and 48 x 48 in 16 colours,
                         256 x 256 as a PNG
  plugin/zvlogo.jpg      the logo for the plug-in's help page

Same inputs, same bytes: nothing here depends on the time, the locale or
the order of a dict.  --check writes nothing and exits 1 unless the
committed files are exactly what it would write.  Run it with Debian's own python3 (it needs python3-pil
and fonts-liberation); see README.md.
"""

import io
import math
import os
import re
import struct
import sys
import zlib


def need(what, package):
    sys.stderr.write("make_pictures: %s is missing; install it with\n"
                     "    apt-get install -y %s\n"
                     "and run this script with /usr/bin/python3.\n" % (what, package))
    sys.exit(2)


try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    need("the Python imaging library (PIL)", "python3-pil")

FONT_DIRS = ["/usr/share/fonts/truetype/liberation", "/usr/share/fonts/truetype/liberation2"]
FONT_FILE = "LiberationSans-Bold.ttf"


def font_path():
    for d in FONT_DIRS:
        p = os.path.join(d, FONT_FILE)
        if os.path.isfile(p):
            return p
    need("the font " + FONT_FILE, "fonts-liberation")


ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

WIDTH, HEIGHT = 445, 240

# The colours.  Every one is a "web-safe" colour, so a 256-colour display
# that holds the 6x6x6 cube shows them without dithering.
BACKGROUND = (102, 51, 255)
WAVE = (51, 204, 255)        # the logo's waveform
WHITE = (255, 255, 255)      # the logo's letters
SHADOW = (51, 0, 153)        # the letters' drop shadow
YELLOW = (255, 204, 0)       # the speaker mark
MESSAGE = (153, 255, 255)    # the pages' messages: 5.2:1 against the background
USED = [BACKGROUND, WAVE, WHITE, SHADOW, YELLOW, MESSAGE]


def contrast(a, b):
    """WCAG's contrast ratio of two sRGB colours, 1 to 21."""
    def luminance(rgb):
        def channel(v):
            v /= 255.0
            return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
        r, g, b = (channel(v) for v in rgb)
        return 0.2126 * r + 0.7152 * g + 0.0722 * b
    hi, lo = sorted((luminance(a), luminance(b)), reverse=True)
    return (hi + 0.05) / (lo + 0.05)


# Body text must reach 4.5:1 (WCAG AA) to be readable for everyone.
assert contrast(MESSAGE, BACKGROUND) >= 4.5


def web_cube():
    return [(r, g, b) for r in range(0, 256, 51) for g in range(0, 256, 51) for b in range(0, 256, 51)]


def extra_greys(count):
    levels = [v for v in range(6, 256, 6) if v % 51 != 0]
    return [(v, v, v) for v in levels[:count]]


def welcome_table():
    """Picture 103's table: the whole web-safe cube and a grey ramp.  The
    wizard builds its palette from this picture only, so it holds every
    colour that the other pages use."""
    table = web_cube()
    table += extra_greys(256 - len(table))
    assert len(table) == 256 and len(set(table)) == 256
    return table


def pages_table():
    """The table of pictures 104, 106 and 107: the same colours, with the
    ones the pictures use first."""
    rest = [c for c in welcome_table() if c not in USED]
    table = USED + rest
    assert len(table) == 256 and set(table) == set(welcome_table())
    return table


# ---------------------------------------------------------------------------
# The logo: a speaker with the slanted block letters ZUV and a waveform under
# them.  Drawn from polygons in design units (letters 40 units tall), so the
# same shape serves the pictures and the help page's JPEG.

def page_art():
    """The #define numbers and byte arrays of res/page_art.h, which the
    wizard draws its pages from at other display scales."""
    with open(os.path.join(ROOT, "res", "page_art.h"), encoding="ascii") as f:
        source = f.read()
    numbers = {name: (float(v) if "." in v else int(v))
               for name, v in re.findall(r"^#define (\w+) ([0-9.]+)$", source, re.M)}
    arrays = {name: [int(v) for v in body.split(",")]
              for name, body in re.findall(r"^static const unsigned char (\w+)\[\] = \{([^}]*)\};$", source, re.M)}
    return numbers, arrays


ART, ART_ARRAYS = page_art()


def outline(name):
    """An outline of page_art.h: x, y pairs in half units."""
    v = ART_ARRAYS[name]
    return [(v[i] / 2, v[i + 1] / 2) for i in range(0, len(v), 2)]


SLANT = ART["LOGO_SLANT"]
LETTER_H = ART["LOGO_LETTER_HEIGHT"]

LETTERS = [(outline(name), left / 2) for name, left in zip(["LogoZ", "LogoU", "LogoV"], ART_ARRAYS["LogoLetterLeft"])]

# A loudspeaker: magnet block and cone, left of the letters.
SPEAKER = [outline("LogoMagnet"), outline("LogoCone")]

# Extent of the whole drawing, shadow and wave included.
LOGO_W, LOGO_H = 130.0, 60.0


def sheared(points, dx, dy):
    return [(x + dx + SLANT * (LETTER_H - y), y + dy) for x, y in points]


def wave_points(x0, x1, mid, amp, steps):
    """A decaying two-and-a-half cycle wave packet, as a polyline."""
    pts = []
    for i in range(steps + 1):
        t = i / steps
        envelope = math.sin(math.pi * t)
        y = mid - amp * envelope * math.sin(2 * math.pi * 2.5 * t)
        pts.append((x0 + (x1 - x0) * t, y))
    return pts


def draw_logo(draw, ox, oy, scale, shadow=True):
    """The page pictures draw it flat (shadow=False): the shadow's edges
    would double the colour changes in every row through the letters, and
    each costs bytes in the run-length encoding."""
    def tr(points):
        return [(ox + x * scale, oy + y * scale) for x, y in points]

    for part in SPEAKER:
        draw.polygon(tr(part), fill=YELLOW)
    if shadow:
        for shape, dx in LETTERS:
            draw.polygon(tr(sheared(shape, dx + 2.5, 2.5)), fill=SHADOW)
    for shape, dx in LETTERS:
        draw.polygon(tr(sheared(shape, dx, 0)), fill=WHITE)
    wave = tr(wave_points(ART["LOGO_WAVE_LEFT"], ART["LOGO_WAVE_RIGHT"], ART["LOGO_WAVE_MIDDLE"],
                          ART["LOGO_WAVE_AMPLITUDE"], ART["LOGO_WAVE_SEGMENTS"]))
    draw.line(wave, fill=WAVE, width=max(2, int(round(ART["LOGO_WAVE_WIDTH"] * scale))), joint="curve")


# ---------------------------------------------------------------------------
# Page pictures.
#
# Each picture costs its headers (1,078 bytes) and 6 bytes for every plain
# row; beyond that, every colour change in a row costs bytes.  So the logo is
# drawn flat, the pages carry their message and no heading, and the messages
# are kept short.

LOGO_X, LOGO_Y, LOGO_SCALE = ART["LOGO_X"], ART["LOGO_Y"], ART["LOGO_SCALE"]   # the logo spans x 12-129, y 6-60

BODY_SIZE = ART["PAGE_TEXT_SIZE"]
LINE_STEP = ART["PAGE_TEXT_STEP"]


def text_lines(draw, x, y, lines, font):
    for i, line in enumerate(lines):
        draw.text((x, y + i * LINE_STEP), line, font=font, fill=MESSAGE)


# The messages come from res/page_texts.h, which the wizard reads too: one
# #define PAGE_TEXT_<NAME> a page, in page order, each PAGE_LINE a line of
# the picture <name>.bmp.  The free areas the controls need are kept clear;
# see tests/unit/pictures_test.cpp for the rectangles.
PAGE_NAMES = ["WELCOME", "AGREEMENT", "LOCATION", "FINISHED"]


def page_texts():
    with open(os.path.join(ROOT, "res", "page_texts.h"), encoding="ascii") as f:
        source = f.read().replace("\\\n", " ")
    pages = []
    for m in re.finditer(r"^#define PAGE_TEXT_(\w+)(.*)$", source, re.M):
        pieces = re.findall(r'PAGE_LINE\("([^"\\]*)"\)', m.group(2))
        # Joined, the pieces must read as the sentence the picture shows.
        if not re.fullmatch(r'(\s*PAGE_LINE\("[^"\\]*"\))+\s*', m.group(2)) \
                or any(not p.endswith(" ") or p.endswith("  ") for p in pieces[:-1]) or pieces[-1].endswith(" "):
            raise SystemExit("make_pictures: PAGE_TEXT_%s: PAGE_LINE(\"...\") pieces, each but the last "
                             "ending in one space" % m.group(1))
        pages.append((m.group(1).lower() + ".bmp", [p.rstrip(" ") for p in pieces]))
    if [name for name, _ in pages] != [n.lower() + ".bmp" for n in PAGE_NAMES]:
        raise SystemExit("make_pictures: res/page_texts.h must define %s, in that order"
                         % ", ".join("PAGE_TEXT_" + n for n in PAGE_NAMES))
    return pages


def draw_page(lines):
    img = Image.new("RGB", (WIDTH, HEIGHT), BACKGROUND)
    draw = ImageDraw.Draw(img)
    # Solid colours only: no smoothed edges, so the runs stay long.
    draw.fontmode = "1"
    draw_logo(draw, LOGO_X, LOGO_Y, LOGO_SCALE, shadow=False)
    text_lines(draw, ART["PAGE_TEXT_X"], ART["PAGE_TEXT_Y"], lines, ImageFont.truetype(font_path(), BODY_SIZE))
    return img


def to_indices(img, table):
    index = {c: i for i, c in enumerate(table)}
    out = bytearray()
    for c in img.getdata():
        if c not in index:
            raise SystemExit("make_pictures: colour %r is not in the table" % (c,))
        out.append(index[c])
    return bytes(out)


def rle8_row(row):
    """One row in BI_RLE8, as short as the format allows: encoded runs
    (count 1-255, index) cost 2 bytes; absolute runs (0, count 3-255,
    indices, padded to a 16-bit boundary) cost 2 bytes plus a byte a pixel.

    best[j] is the fewest bytes for the row's first j pixels; the last piece
    is either an encoded run of one index or an absolute run.  For the
    absolute runs, best[k] - k is kept in two sliding-window minimum queues,
    one for each parity of k, since the padding byte depends on the run's
    length being odd.  The choice depends on the row alone, so the output
    is the same on every run."""
    n = len(row)
    best = [0] + [1 << 30] * n
    piece = [0] * (n + 1)   # > 0: encoded run of that length; < 0: absolute run
    queues = ([], [])       # indices k with rising best[k] - k, from heads[parity] on
    heads = [0, 0]
    same = 0
    for j in range(1, n + 1):
        same = same + 1 if j > 1 and row[j - 1] == row[j - 2] else 1
        for length in range(1, min(same, 255) + 1):
            cost = best[j - length] + 2
            if cost < best[j]:
                best[j], piece[j] = cost, length
        k = j - 3
        if k >= 0:
            q = queues[k & 1]
            while len(q) > heads[k & 1] and best[q[-1]] - q[-1] >= best[k] - k:
                q.pop()
            q.append(k)
        for parity in (0, 1):
            q = queues[parity]
            while len(q) > heads[parity] and q[heads[parity]] < j - 255:
                heads[parity] += 1
            if len(q) > heads[parity]:
                k = q[heads[parity]]
                length = j - k
                cost = best[k] + 2 + length + (length & 1)
                if cost < best[j]:
                    best[j], piece[j] = cost, -length
    pieces = []
    j = n
    while j > 0:
        pieces.append(piece[j])
        j -= abs(piece[j])
    out = bytearray()
    i = 0
    for p in reversed(pieces):
        if p > 0:
            out += bytes((p, row[i]))
        else:
            out += bytes((0, -p)) + row[i:i - p]
            if p & 1:
                out += b"\0"
        i += abs(p)
    assert i == n and len(out) == best[n]
    return bytes(out)

def rle8(pixels, width, height):
    """Bottom-up: the file's first row is the picture's last."""
    out = bytearray()
    for y in range(height - 1, -1, -1):
        out += rle8_row(pixels[y * width:(y + 1) * width])
        out += b"\0\1" if y == 0 else b"\0\0"
    return bytes(out)


def bmp_rle8(img, table):
    data = rle8(to_indices(img, table), WIDTH, HEIGHT)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in table)
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 1, len(data), 2835, 2835, 256, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + colours + data


# ---------------------------------------------------------------------------
# The icon's 32 x 32 and 16 x 16 images: drawn pixel by pixel, 16 colours.

ICON_TABLE = [
    (0, 0, 0), BACKGROUND, WAVE, WHITE, SHADOW, YELLOW, (128, 128, 128), (192, 192, 192),
    (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128), (128, 128, 0), (255, 0, 0), (0, 255, 0),
]

# 32 x 32: '.' transparent, 'b' background, 'w' letter, 's' shadow, 'c' wave, 'y' speaker.
ICON32 = """
..bbbbbbbbbbbbbbbbbbbbbbbbbbbb..
.bbbbbbbbbbbbbbbbbbbbbbbbbbbbbb.
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbwwwwwwwbwwbbbwwbwwbbbbwwbbbb
bbbbwwwwwwwswwsbbwwswwsbbbwwsbbb
bbbbbsssswwswwsbbwwswwsbbbwwsbbb
bbbbbbbbwwsbwwsbbwwswwsbbbwwsbbb
bbbbbbbwwsbbwwsbbwwsbwwsbwwsbbbb
bbbbbbwwsbbbwwsbbwwsbwwsbwwsbbbb
bbbbbwwsbbbbwwsbbwwsbbwwwwsbbbbb
bbbbwwsbbbbbwwwwwwwsbbwwwwsbbbbb
bbbbwwwwwwwbbwwwwwsbbbbwwsbbbbbb
bbbbwwwwwwwsbbssssbbbbbbssbbbbbb
bbbbbsssssssbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbybbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbyybbbbbbbbbbbbbbbbbbbbbbbbb
bbbbyyybbbbbbbccbbbbbbbbbbbbbbbb
bbyyyyybbbbbbcbbcbbbbbccbbbbbbbb
bbyyyyybcbbbcbbbbcbbbcbbcbbbcbbb
bbyyyyybbcbcbbbbbbcbcbbbbcbcbcbb
bbbbyyybbbcbbbbbbbbcbbbbbbcbbbcb
bbbbbyybbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbybbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb
.bbbbbbbbbbbbbbbbbbbbbbbbbbbbbb.
..bbbbbbbbbbbbbbbbbbbbbbbbbbbb..
"""

ICON16 = """
.bbbbbbbbbbbbbb.
bbbbbbbbbbbbbbbb
bbwwwwwwwwwwbbbb
bbwwwwwwwwwwsbbb
bbbsssssswwssbbb
bbbbbbbbwwssbbbb
bbbbbbbwwssbbbbb
bbbbbbwwssbbbbbb
bbbbbwwssbbbbbbb
bbbbwwssbbbbbbbb
bbbwwwwwwwwwwbbb
bbbwwwwwwwwwwsbb
bbbbssssssssssbb
bbccbbbbccbbbbcb
bcbbcbbcbbcbbcbb
.bbbbccbbbbccbb.
"""

ICON_KEYS = {"b": 1, "c": 2, "w": 3, "s": 4, "y": 5, ".": 0}


def icon_dib(indices, transparent, table, size):
    """A 4-bit icon image: header, 16-colour table, colour image and AND
    mask.  `indices` and `transparent` hold a value a pixel, top-down."""
    xor = bytearray()
    mask = bytearray()
    xor_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    for y in reversed(range(size)):  # bottom-up, as in every DIB
        line = bytearray(xor_stride)
        bits = bytearray(mask_stride)
        for x in range(size):
            line[x // 2] |= indices[y * size + x] << (4 if x % 2 == 0 else 0)
            if transparent[y * size + x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    table = table + [(0, 0, 0)] * (16 - len(table))
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in table)
    # The header's height counts the colour image and the mask together.
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    return info + colours + bytes(xor) + bytes(mask)


def icon_image(art, size):
    rows = [r for r in art.strip("\n").split("\n")]
    assert len(rows) == size and all(len(r) == size for r in rows), "icon art is not %dx%d" % (size, size)
    pixels = "".join(rows)
    return icon_dib([ICON_KEYS[ch] for ch in pixels], [ch == "." for ch in pixels], ICON_TABLE, size)


# ---------------------------------------------------------------------------
# The icon's larger sizes, for display scales above 100 % and Explorer's
# larger views.  Each is drawn at its own size from the logo's shapes, never
# scaled from another image: 24 x 24 as the 16 x 16 above (a Z over a wave),
# 48 x 48 and 256 x 256 as the 32 x 32 (ZUV over the speaker and the wave),
# the letters upright as there.  The shapes' corners are put on the pixel
# grid, so straight edges stay sharp; a pixel on a slanted edge or a curve
# takes its share of the shape in steps of 1/levels.

ICON_SIZES = [(24, 1), (48, 2), (256, 4)]   # size, levels: whole colours at 24, halves at 48, quarters at 256


def coverage(polygons, size, levels):
    """How much of each pixel the polygons cover (even-odd), in steps of
    1/levels: eight sample rows a pixel, each exact across."""
    rows = 8
    cover = [0.0] * (size * size)
    edges = [(p[i - 1], p[i]) for p in polygons for i in range(len(p))]
    for sy in range(size * rows):
        y = (sy + 0.5) / rows
        xs = sorted(x0 + (y - y0) * (x1 - x0) / (y1 - y0) for (x0, y0), (x1, y1) in edges if (y0 <= y) != (y1 <= y))
        line = sy // rows * size
        for a, b in zip(xs[0::2], xs[1::2]):
            for x in range(max(int(a), 0), min(math.ceil(b), size)):
                cover[line + x] += (min(b, x + 1) - max(a, x)) / rows
    return [math.floor(min(c, 1.0) * levels + 0.5) / levels for c in cover]


def rounded_square(size, radius, steps=16):
    points = []
    for cx, cy, start in ((size - radius, radius, -90), (size - radius, size - radius, 0),
                          (radius, size - radius, 90), (radius, radius, 180)):
        for i in range(steps + 1):
            a = math.radians(start + 90 * i / steps)
            points.append((cx + radius * math.cos(a), cy + radius * math.sin(a)))
    return points


def band(points, width):
    """The outline of a line through `points`, `width` thick."""
    upper, lower = [], []
    for i, (x, y) in enumerate(points):
        (ax, ay), (bx, by) = points[max(i - 1, 0)], points[min(i + 1, len(points) - 1)]
        d = math.hypot(bx - ax, by - ay)
        dx, dy = -(by - ay) / d * width / 2, (bx - ax) / d * width / 2
        upper.append((x + dx, y + dy))
        lower.append((x - dx, y - dy))
    return upper + lower[::-1]


def icon_layers(size):
    """The icon at `size` pixels as (polygons, colour), back to front.
    Lengths are in 32nds of the icon, as on the 32 x 32 image, or in 16ths
    for the small design."""
    def on_grid(shape, scale, left, top):
        return [(round(left + x * scale), round(top + y * scale)) for x, y in shape]

    u = size / 32.0
    layers = [([rounded_square(size, 3 * u)], BACKGROUND)]
    if size < 32:
        u = size / 16.0
        letters, height, top, wave = LETTERS[:1], 9.5 * u, 1.5 * u, (0.5 * u, 15.5 * u, 13.5 * u, u)
    else:
        letters, height, top, wave = LETTERS, 10 * u, 5 * u, (8.5 * u, 30.5 * u, 23 * u, 2.5 * u)
        speaker = 9 * u / 32   # the cone, 32 units high, 9/32 of the icon
        layers.append(([on_grid(part, speaker, 2 * u, 23 * u - 20 * speaker) for part in SPEAKER], YELLOW))
    stroke = max(1, round(height / 10))   # the wave's line and the letters' shadow
    layers.append(([band(wave_points(*wave, 60), stroke)], WAVE))
    scale = height / LETTER_H
    first, last = letters[0][1], max(x + dx for shape, dx in letters for x, _ in shape)
    left = (size - (last - first) * scale - stroke) / 2 - first * scale
    shapes = [on_grid(shape, scale, left + dx * scale, top) for shape, dx in letters]
    layers.append(([[(x + stroke, y + stroke) for x, y in shape] for shape in shapes], SHADOW))
    layers.append((shapes, WHITE))
    return layers


def icon_pixels(size, levels):
    """The icon drawn at `size`: RGBA pixels, top-down."""
    mixed = [(0.0, 0.0, 0.0, 0.0)] * (size * size)   # alpha-premultiplied
    for polygons, colour in icon_layers(size):
        for i, c in enumerate(coverage(polygons, size, levels)):
            if c:
                mixed[i] = tuple(c * v + (1 - c) * w for v, w in zip(colour + (1,), mixed[i]))
    return [tuple(round(v / a) for v in (r, g, b)) + (round(a * 255),) if a else (0, 0, 0, 0) for r, g, b, a in mixed]


def palette_icon_image(pixels, size):
    """A 4-bit image: black for the transparent pixels, then the colours the
    opaque ones use."""
    table = [(0, 0, 0)] + sorted({p[:3] for p in pixels if p[3] >= 128})
    assert len(table) <= 16, "the %d x %d icon uses %d colours" % (size, size, len(table))
    index = {c: i for i, c in enumerate(table)}
    return icon_dib([index[p[:3]] if p[3] >= 128 else 0 for p in pixels], [p[3] < 128 for p in pixels], table, size)


def png_image(pixels, size):
    """A PNG of 8-bit RGBA, the form Windows reads in an icon.  No row is
    filtered: the flat colours then repeat in whole runs, which deflate
    finds (3,110 bytes here, against 3,480 with the usual filter a row)."""
    raw = b"".join(b"\0" + bytes(v for p in pixels[y * size:(y + 1) * size] for v in p) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon_file(preview=None):
    """Icon group 110: the 32 x 32 and 16 x 16 images first, byte for byte
    as they always were, then the drawn ones; 256 x 256 as a PNG, which
    Windows reads from Vista on (XP has the others, up to its 48 x 48)."""
    images = [(32, 4, icon_image(ICON32, 32)), (16, 4, icon_image(ICON16, 16))]
    for size, levels in ICON_SIZES:
        pixels = icon_pixels(size, levels)
        if preview:
            img = Image.new("RGBA", (size, size))
            img.putdata(pixels)
            img.save(os.path.join(preview, "icon-%d.png" % size))
        images.append((size, 32, png_image(pixels, size)) if size == 256 else (size, 4, palette_icon_image(pixels, size)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        # A width or height of 256 is written as 0; the colour count only below 8 bits.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return out


# ---------------------------------------------------------------------------
# The help page's logo: the same drawing, smoothed by drawing it four times
# larger and scaling down.

def logo_jpeg():
    w, h, k = 200, 80, 4
    big = Image.new("RGB", (w * k, h * k), BACKGROUND)
    scale = 1.2
    draw_logo(ImageDraw.Draw(big), (w - LOGO_W * scale) / 2 * k, (h - LOGO_H * scale) / 2 * k, scale * k)
    small = big.resize((w, h), Image.LANCZOS)
    buf = io.BytesIO()
    small.save(buf, "JPEG", quality=90, optimize=False, progressive=False, subsampling=0)
    return buf.getvalue()


def write(rel, data, check):
    """Writes the file or, with check, only says whether the committed one
    holds these bytes."""
    path = os.path.join(ROOT, rel)
    if check:
        with open(path, "rb") as f:
            same = f.read() == data
        print("%-28s %6d bytes  %s" % (rel, len(data), "same" if same else "DIFFERS"))
        return same
    with open(path, "wb") as f:
        f.write(data)
    print("%-28s %6d bytes" % (rel, len(data)))
    return True


def main():
    args = sys.argv[1:]
    preview = args[args.index("--preview") + 1] if "--preview" in args[:-1] else None
    check = "--check" in args
    total = 0
    same = True
    for i, (name, lines) in enumerate(page_texts()):
        img = draw_page(lines)
        data = bmp_rle8(img, welcome_table() if i == 0 else pages_table())
        same = write(os.path.join("res", "pictures", name), data, check) and same
        total += len(data)
        if preview:
            img.save(os.path.join(preview, name.replace(".bmp", ".png")))
    print("%-28s %6d bytes" % ("(four pictures)", total))
    same = write(os.path.join("res", "pictures", "zuv.ico"), icon_file(preview), check) and same
    same = write(os.path.join("plugin", "zvlogo.jpg"), logo_jpeg(), check) and same
    if not same:
        sys.stderr.write("make_pictures: the committed files are not what the generator draws; "
                         "run it and commit them\n")
        sys.exit(1)


if __name__ == "__main__":
    main()
