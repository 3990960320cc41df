#!/usr/bin/env python3
"""Draws the launcher's skin bitmaps and writes them as 24-bit BMP files.

    python3 tools/make_artwork.py [output folder]   (default: res/bitmaps)

The window is drawn whole (a dark panel with a golden frame, the title, a parchment
panel for the clue text and a footer) and cut into its three pieces: the top (262 x
144), a middle band of 4 identical rows that the launcher stretches to fit the number
of choices, and the bottom (262 x 190). Everything between the title and the
parchment panel depends on x only, so the pieces join without a seam at any height.
The pixels outside the window's rounded corners carry the shape key colour
RGB(255, 87, 226), and no other pixel does.

Also drawn: the choice button (183 x 33) and the close button (13 x 14), each in its
normal, pressed and hover look. Standard library only.
"""
import math
import os
import struct
import sys

KEY = (255, 87, 226)
WIDTH = 262
TOP_HEIGHT = 144
MIDDLE_HEIGHT = 4
BOTTOM_HEIGHT = 190
# The whole window as composed for two choices.
FULL_HEIGHT = 338
# Key pixels at each end of the outermost four rows, from the edge inwards.
CORNER_CUT = (4, 2, 1, 1)

# Where the launcher puts things, in window pixels.
CHOICE_LEFT, CHOICE_TOP, CHOICE_STEP = 39, 52, 59
CHOICE_SIZE = (183, 33)
CLOSE_LEFT, CLOSE_TOP = 234, 8
CLOSE_SIZE = (13, 14)
CLUE_LEFT, CLUE_FROM_BOTTOM, CLUE_SIZE = 32, 154, (204, 70)


# ---------------------------------------------------------------- small helpers

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    t = clamp(t)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexc(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def to_bytes(color):
    return tuple(int(round(clamp(c, 0, 255))) for c in color)


class Image:
    def __init__(self, width, height, color=(0, 0, 0)):
        self.width = width
        self.height = height
        self.px = [[tuple(color) for _ in range(width)] for _ in range(height)]

    def get(self, x, y):
        return self.px[y][x]

    def set(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = color

    def blend(self, x, y, color, alpha):
        if alpha <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        self.px[y][x] = mix(self.px[y][x], color, alpha)

    def crop(self, top, height):
        out = Image(self.width, height)
        out.px = [list(row) for row in self.px[top:top + height]]
        return out

    def bytes_rows(self):
        return [[to_bytes(c) for c in row] for row in self.px]


def write_bmp(path, image):
    rows = image.bytes_rows()
    stride = (image.width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, image.width, image.height, 1, 24, 0, len(data),
                       2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


# Coverage of a pixel by a shape given as a signed distance (negative inside).
def coverage(distance):
    return clamp(0.5 - distance)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else clamp(((px - ax) * dx + (py - ay) * dy) / length2)
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy)


def rounded_rect_distance(px, py, left, top, right, bottom, radius):
    """Signed distance to a rounded rectangle [left, right] x [top, bottom]."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0), max(qy, 0))
    inside = min(max(qx, qy), 0)
    return outside + inside - radius


# ---------------------------------------------------------------- palette

OUTLINE = hexc("#07080c")
GOLD_DARK = hexc("#7a5a22")
GOLD = hexc("#c8a04a")
GOLD_LIGHT = hexc("#f3d88e")
GROOVE = hexc("#0e1016")
PANEL_EDGE = hexc("#111521")
PANEL_CENTRE = hexc("#1d2436")
TITLE_GLOW = hexc("#2c3760")
PARCHMENT_TOP = hexc("#efe3c6")
PARCHMENT_BOTTOM = hexc("#dcc9a0")
WHITE = (255, 255, 255)


# ---------------------------------------------------------------- the window

def shape_mask(width, height):
    """True for pixels inside the window."""
    inside = [[True] * width for _ in range(height)]
    for row, cut in enumerate(CORNER_CUT):
        for x in list(range(cut)) + list(range(width - cut, width)):
            inside[row][x] = False
            inside[height - 1 - row][x] = False
    return inside


def edge_distance(inside, width, height):
    """Steps (8-connected) from each inside pixel to the nearest outside pixel,
    counting the area beyond the picture as outside."""
    far = 10 ** 6
    dist = [[0 if not inside[y][x] else far for x in range(width)] for y in range(height)]
    frontier = []
    for y in range(height):
        for x in range(width):
            if not inside[y][x]:
                continue
            if x == 0 or y == 0 or x == width - 1 or y == height - 1:
                dist[y][x] = 1
                frontier.append((x, y))
                continue
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    if not inside[y + dy][x + dx]:
                        dist[y][x] = 1
            if dist[y][x] == 1:
                frontier.append((x, y))
    level = 1
    while frontier and level < 12:
        level += 1
        nxt = []
        for x, y in frontier:
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < width and 0 <= ny < height and dist[ny][nx] > level:
                        dist[ny][nx] = level
                        nxt.append((nx, ny))
        frontier = nxt
    return dist


def panel_color(x):
    """The panel's colour across the window: darker at the sides."""
    t = abs(x - (WIDTH - 1) / 2) / ((WIDTH - 1) / 2)
    return mix(PANEL_CENTRE, PANEL_EDGE, t ** 1.6)


def frame_color(d):
    """The frame by distance from the outside: outline, gold bevel, groove."""
    if d == 1:
        return OUTLINE
    if d == 2:
        return GOLD_LIGHT
    if d == 3:
        return GOLD
    if d == 4:
        return GOLD_DARK
    if d == 5:
        return GROOVE
    return None


# Title letters as strokes in a 1 x 1 box (x right, y down).
def arc(cx, cy, rx, ry, a0, a1, steps=14):
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + ry * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


GLYPHS = {
    "A": [[(0.0, 1.0), (0.5, 0.0), (1.0, 1.0)], [(0.24, 0.62), (0.76, 0.62)],
          [(-0.12, 1.0), (0.14, 1.0)], [(0.86, 1.0), (1.12, 1.0)]],
    "R": [[(0.08, 0.0), (0.08, 1.0)],
          [(-0.08, 0.0), (0.58, 0.0)] + arc(0.58, 0.25, 0.3, 0.25, -90, 90)[1:] + [(0.08, 0.5)],
          [(0.46, 0.5), (0.98, 1.0)], [(-0.08, 1.0), (0.26, 1.0)], [(0.86, 1.0), (1.1, 1.0)]],
    "D": [[(0.08, 0.0), (0.08, 1.0)],
          [(-0.08, 0.0), (0.45, 0.0)] + arc(0.45, 0.5, 0.52, 0.5, -90, 90)[1:] + [(-0.08, 1.0)]],
    "U": [[(0.02, 0.0)] + [(0.02, 0.62)] + arc(0.5, 0.62, 0.48, 0.38, 180, 0)[1:-1] + [(0.98, 0.62), (0.98, 0.0)],
          [(-0.14, 0.0), (0.18, 0.0)], [(0.82, 0.0), (1.14, 0.0)]],
    "N": [[(0.02, 1.0), (0.02, 0.0), (0.98, 1.0), (0.98, 0.0)],
          [(-0.14, 1.0), (0.18, 1.0)], [(-0.14, 0.0), (0.1, 0.0)], [(0.82, 0.0), (1.14, 0.0)]],
}


def title_segments(text, left, top, letter_w, letter_h, gap):
    segments = []
    x = left
    for ch in text:
        for stroke in GLYPHS[ch]:
            pts = [(x + u * letter_w, top + v * letter_h) for u, v in stroke]
            segments += list(zip(pts, pts[1:]))
        x += letter_w + gap
    return segments


def distance_to_segments(px, py, segments):
    return min(segment_distance(px, py, a[0], a[1], b[0], b[1]) for a, b in segments)


def draw_title(img):
    letter_w, letter_h, gap, stroke = 15.0, 21.0, 8.0, 1.7
    text = "ARDUN"
    total = len(text) * letter_w + (len(text) - 1) * gap
    left = (WIDTH - total) / 2
    top = 12.0
    segments = title_segments(text, left, top, letter_w, letter_h, gap)
    x0, x1 = int(left) - 6, int(left + total) + 7
    y0, y1 = int(top) - 5, int(top + letter_h) + 6
    for y in range(y0, y1):
        for x in range(x0, x1):
            # 3 x 3 samples per pixel for smooth edges.
            body = shadow = rim = 0.0
            for sy in (-1 / 3, 0, 1 / 3):
                for sx in (-1 / 3, 0, 1 / 3):
                    d = distance_to_segments(x + 0.5 + sx, y + 0.5 + sy, segments)
                    ds = distance_to_segments(x - 0.7 + sx, y - 1.0 + sy, segments)
                    body += 1.0 if d <= stroke else 0.0
                    rim += 1.0 if d <= stroke + 1.0 else 0.0
                    shadow += 1.0 if ds <= stroke + 0.6 else 0.0
            body, rim, shadow = body / 9, rim / 9, shadow / 9
            img.blend(x, y, (0, 0, 0), 0.75 * shadow)
            img.blend(x, y, OUTLINE, 0.85 * rim)
            t = (y + 0.5 - top) / letter_h
            gold = mix(GOLD_LIGHT, GOLD, smoothstep(0.0, 0.55, t))
            gold = mix(gold, GOLD_DARK, smoothstep(0.55, 1.05, t))
            img.blend(x, y, gold, body)


def draw_divider(img, y, x_from, x_to, strength=1.0):
    centre = (x_from + x_to) / 2
    half = (x_to - x_from) / 2
    for x in range(x_from, x_to + 1):
        fade = 1 - smoothstep(0.55, 1.0, abs(x - centre) / half)
        img.blend(x, y, GOLD, 0.9 * fade * strength)
        img.blend(x, y + 1, OUTLINE, 0.6 * fade * strength)
    # A small diamond in the middle.
    for dy in range(-4, 5):
        for dx in range(-5, 6):
            d = (abs(dx) / 5 + abs(dy) / 4)
            cov = clamp((1.0 - d) * 4)
            col = mix(GOLD_LIGHT, GOLD_DARK, (dy + 4) / 8)
            img.blend(int(centre) + dx, y + dy, OUTLINE, clamp((1.15 - d) * 4) * strength)
            img.blend(int(centre) + dx, y + dy, col, cov * strength)


def draw_parchment(img, left, top, right, bottom):
    for y in range(top - 3, bottom + 4):
        for x in range(left - 3, right + 4):
            d = rounded_rect_distance(x + 0.5, y + 0.5, left, top, right, bottom, 4)
            # Soft dark halo, a gold rim, then the parchment with a slight inner shade.
            img.blend(x, y, (0, 0, 0), 0.45 * clamp(1 - abs(d - 1.5) / 2.5))
            img.blend(x, y, GOLD_DARK, coverage(abs(d + 0.5) - 1.0))
            inner = coverage(d + 1.5)
            if inner > 0:
                t = (y - top) / max(1, bottom - top)
                paper = mix(PARCHMENT_TOP, PARCHMENT_BOTTOM, t)
                shade = 0.22 * clamp(1 - (-d - 1.5) / 5)
                paper = mix(paper, hexc("#a88c5a"), shade)
                img.blend(x, y, paper, inner)


def draw_emblem(img, cx, cy):
    """A faint crossed-diamond crest in the footer."""
    for y in range(cy - 14, cy + 15):
        for x in range(cx - 20, cx + 21):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            outer = abs(dx) / 18 + abs(dy) / 12.5
            inner = abs(dx) / 11 + abs(dy) / 7.5
            ring = coverage((abs(outer - 1.0) * 12) - 0.9)
            core = coverage((inner - 1.0) * 8)
            img.blend(x, y, GOLD, 0.55 * ring)
            img.blend(x, y, GOLD_DARK, 0.5 * core)
            img.blend(x, y, GOLD_LIGHT, 0.35 * coverage((abs(dx) + abs(dy) * 1.5) - 2.5))


def draw_window(height):
    inside = shape_mask(WIDTH, height)
    dist = edge_distance(inside, WIDTH, height)
    bottom_top = height - BOTTOM_HEIGHT
    img = Image(WIDTH, height)
    for y in range(height):
        for x in range(WIDTH):
            if not inside[y][x]:
                img.set(x, y, KEY)
                continue
            color = panel_color(x)
            # The title area: a blue glow that fades out above the first choice.
            if y < 48:
                glow = (1 - smoothstep(6, 48, y)) * (1 - (abs(x - 131) / 131) ** 2)
                color = mix(color, TITLE_GLOW, 0.85 * glow)
            # The footer: a little darker towards the bottom edge.
            yb = y - bottom_top
            if yb > 112:
                color = mix(color, PANEL_EDGE, 0.6 * smoothstep(112, 185, yb))
            frame = frame_color(dist[y][x])
            img.set(x, y, frame if frame else color)
    # Thin inner guide lines down both sides of the panel, from the title to the footer.
    for y in range(46, height - 24):
        yb = y - bottom_top
        fade = smoothstep(46, 60, y) * (1 - smoothstep(BOTTOM_HEIGHT - 44, BOTTOM_HEIGHT - 26, yb))
        for x in (12, WIDTH - 13):
            img.blend(x, y, GOLD_DARK, 0.55 * fade)
    draw_title(img)
    draw_divider(img, 43, 24, WIDTH - 25)
    clue_top = height - CLUE_FROM_BOTTOM
    draw_parchment(img, CLUE_LEFT - 7, clue_top - 6, CLUE_LEFT + CLUE_SIZE[0] + 7,
                   clue_top + CLUE_SIZE[1] + 6)
    draw_divider(img, height - 62, 40, WIDTH - 41, 0.8)
    draw_emblem(img, WIDTH // 2, height - 34)
    return img


# ---------------------------------------------------------------- the buttons

def draw_choice_button(look, background_row):
    w, h = CHOICE_SIZE
    styles = {
        "normal": dict(top=hexc("#2e3f60"), bottom=hexc("#172036"), border=hexc("#9a7836"),
                       shine=0.16, ornament=hexc("#b8923f"), glow=0.0, sink=0.0),
        "hover": dict(top=hexc("#4a6aa3"), bottom=hexc("#223760"), border=hexc("#f0c868"),
                      shine=0.28, ornament=hexc("#ffe39a"), glow=0.55, sink=0.0),
        "pressed": dict(top=hexc("#0f1626"), bottom=hexc("#24355a"), border=hexc("#c89a45"),
                        shine=0.0, ornament=hexc("#d6ab55"), glow=0.0, sink=0.7),
    }[look]
    img = Image(w, h)
    for y in range(h):
        for x in range(w):
            img.set(x, y, background_row[x])
    for y in range(h):
        for x in range(w):
            d = rounded_rect_distance(x + 0.5, y + 0.5, 0, 0, w, h, 5)
            if d > 0.5:
                continue
            t = y / (h - 1)
            fill = mix(styles["top"], styles["bottom"], t)
            # Upper sheen.
            fill = mix(fill, WHITE, styles["shine"] * (1 - smoothstep(0, 16, y)) * 0.6)
            # Pressed: dark inner shadow along the top and left.
            if styles["sink"]:
                fill = mix(fill, (0, 0, 0), styles["sink"] * (1 - smoothstep(0, 5, min(y, x))))
            # Hover: warm glow inside the border.
            if styles["glow"]:
                fill = mix(fill, hexc("#e8b85a"), styles["glow"] * clamp(1 - (-d - 1.0) / 4) * 0.5)
            body = coverage(d)
            img.blend(x, y, fill, body)
            # Border: 1 px gold ring with a dark line outside it.
            img.blend(x, y, styles["border"], coverage(abs(d + 1.0) - 0.5))
            img.blend(x, y, OUTLINE, coverage(abs(d) - 0.5) * 0.8)
    # Small diamonds at both ends, clear of the caption.
    for cx in (13, w - 14):
        cy = h / 2 + (1 if look == "pressed" else 0)
        for y in range(h):
            for x in range(cx - 6, cx + 7):
                dd = abs(x + 0.5 - cx - 0.5) / 4.5 + abs(y + 0.5 - cy) / 4.5
                img.blend(x, y, OUTLINE, coverage((dd - 1.15) * 4.5))
                img.blend(x, y, styles["ornament"], coverage((dd - 1.0) * 4.5))
    return img


def draw_close_button(look, background):
    w, h = CLOSE_SIZE
    styles = {
        "normal": dict(top=hexc("#5e2222"), bottom=hexc("#381212"), border=hexc("#9a7836"),
                       glyph=hexc("#ead9b0"), shift=0.0),
        "hover": dict(top=hexc("#c43a32"), bottom=hexc("#7e1c18"), border=hexc("#f0c868"),
                      glyph=(255, 255, 255), shift=0.0),
        "pressed": dict(top=hexc("#3a0c0c"), bottom=hexc("#6a1a16"), border=hexc("#c89a45"),
                        glyph=hexc("#f5e6c4"), shift=0.6),
    }[look]
    img = Image(w, h)
    for y in range(h):
        for x in range(w):
            img.set(x, y, background[y][x])
    for y in range(h):
        for x in range(w):
            d = rounded_rect_distance(x + 0.5, y + 0.5, 0, 0, w, h, 3)
            fill = mix(styles["top"], styles["bottom"], y / (h - 1))
            img.blend(x, y, fill, coverage(d))
            img.blend(x, y, styles["border"], coverage(abs(d + 1.0) - 0.5))
            img.blend(x, y, OUTLINE, coverage(abs(d) - 0.5) * 0.8)
    # The cross: a pixel-exact 5 x 5 X, softened by half-tone neighbours at its sides.
    cx, cy = w // 2, h // 2 + (1 if styles["shift"] else 0)
    for i in range(-2, 3):
        for x in (cx + i, cx - i):
            img.blend(x - 1, cy + i, styles["glyph"], 0.35)
            img.blend(x + 1, cy + i, styles["glyph"], 0.35)
    for i in range(-2, 3):
        for x in (cx + i, cx - i):
            img.blend(x, cy + i, styles["glyph"], 1.0)
    return img


# ---------------------------------------------------------------- output

def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "res", "bitmaps")
    os.makedirs(out_dir, exist_ok=True)

    window = draw_window(FULL_HEIGHT)
    top = window.crop(0, TOP_HEIGHT)
    middle = window.crop(TOP_HEIGHT, MIDDLE_HEIGHT)
    bottom = window.crop(FULL_HEIGHT - BOTTOM_HEIGHT, BOTTOM_HEIGHT)

    # The band and the rows it joins must be alike, or a stretched band would show.
    rows = window.bytes_rows()
    for y in range(TOP_HEIGHT - 40, FULL_HEIGHT - BOTTOM_HEIGHT + 18):
        assert rows[y] == rows[TOP_HEIGHT], "row %d differs from the middle band" % y

    pieces = {
        "background_top.bmp": top,
        "background_middle.bmp": middle,
        "background_bottom.bmp": bottom,
    }
    background_row = [window.get(CHOICE_LEFT + x, CHOICE_TOP) for x in range(CHOICE_SIZE[0])]
    close_background = [[window.get(CLOSE_LEFT + x, CLOSE_TOP + y) for x in range(CLOSE_SIZE[0])]
                        for y in range(CLOSE_SIZE[1])]
    for look in ("normal", "pressed", "hover"):
        pieces["launch_%s.bmp" % look] = draw_choice_button(look, background_row)
        pieces["quit_%s.bmp" % look] = draw_close_button(look, close_background)

    for name, image in sorted(pieces.items()):
        key_pixels = sum(row.count(KEY) for row in image.bytes_rows())
        expected = 2 * sum(CORNER_CUT) if name in ("background_top.bmp", "background_bottom.bmp") else 0
        assert key_pixels == expected, "%s has %d key pixels" % (name, key_pixels)
        write_bmp(os.path.join(out_dir, name), image)
        print("wrote %s (%d x %d)" % (name, image.width, image.height))


if __name__ == "__main__":
    main()
