#!/usr/bin/env python3
"""Draws the launcher's skin bitmaps and writes them as 24-bit BMP files, one set for
each display scale the launcher has pictures for: 100%, 150% and 200%.

    python3 tools/make_artwork.py [output folder]   (default: res/bitmaps)

Each set goes to a folder of its own, named after its scale (100, 150, 200). Every
length below is given in pixels at 100% (96 DPI). A set is drawn at its scale, not
resampled: every shape is evaluated at the centres of the scale's own pixels, and
edges are smoothed over one pixel of the scale. Lengths that the launcher also uses
(the pieces, the places and sizes of the buttons) are rounded as the launcher rounds
them, to the nearest pixel with halves up (S below), so that each picture fills its
place exactly. The 100% set is today's pictures, pixel for pixel.

The window is drawn whole (a dark panel with a golden frame, the title, a parchment
panel for the clue text and a footer) and cut into its three pieces: the top (262 x
144), a middle band of 4 identical rows that the launcher stretches to fit the number
of choices, and the bottom (262 x 190). Everything between the title and the
parchment panel depends on x only, so the pieces join without a seam at any height.
The pixels outside the window's rounded corners carry the shape key colour
RGB(255, 87, 226), and no other pixel does.

Also drawn: the choice button (183 x 33) and the close button (13 x 14), each in its
normal, pressed and hover look. At a scale the corners are cut by the 100% rows and
cuts above, each scaled with S, and the frame's bands are as wide as S makes them.
Standard library only.
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

# The scales drawn, in percent; the set being drawn sets SCALE.
SCALES = (100, 150, 200)
SCALE = 1.0


def S(length):
    """A length at 100% in pixels of the scale: rounded to the nearest, halves up (the
    launcher's rule, ui/skin_scale.h)."""
    return int(math.floor(length * SCALE + 0.5))


def design(pixel):
    """The 100% pixel position of the centre of a pixel of the scale (exactly `pixel`
    at 100%)."""
    return (pixel + 0.5) / SCALE - 0.5


def pixel_range(low, high):
    """The pixels of the scale that cover the 100% pixels low .. high - 1 (integers)."""
    if SCALE == 1:
        return range(low, high)
    return range(int(math.floor(low * SCALE)), int(math.ceil(high * SCALE)))


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

def corner_cuts():
    """Key pixels at each end of the outermost rows at the scale, from the edge inwards:
    each 100% row becomes the rows S(row) .. S(row + 1) - 1, each cut S(cut)."""
    cuts = []
    for row, cut in enumerate(CORNER_CUT):
        cuts += [S(cut)] * (S(row + 1) - S(row))
    return cuts


def shape_mask(width, height):
    """True for pixels inside the window."""
    inside = [[True] * width for _ in range(height)]
    for row, cut in enumerate(corner_cuts()):
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
    while frontier and level < S(12):
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
    """The panel's colour across the window (x at 100%): darker at the sides."""
    t = abs(x - (WIDTH - 1) / 2) / ((WIDTH - 1) / 2)
    return mix(PANEL_CENTRE, PANEL_EDGE, t ** 1.6)


def frame_color(steps):
    """The frame by distance from the outside (steps of the scale): outline, gold bevel,
    groove, each band as wide as S makes a pixel of it."""
    d = 1
    while d <= 5 and steps > S(d):
        d += 1
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


def centre(pixel):
    """The 100% position of the centre of a pixel of the scale."""
    return (pixel + 0.5) / SCALE


def overlap(pixel, low, high):
    """How much of a pixel of the scale lies within [low, high) at 100%: 0 .. 1."""
    return max(0.0, min((pixel + 1) / SCALE, high) - max(pixel / SCALE, low)) * SCALE


def draw_title(img):
    letter_w, letter_h, gap, stroke = 15.0, 21.0, 8.0, 1.7
    text = "ARDUN"
    total = len(text) * letter_w + (len(text) - 1) * gap
    left = (WIDTH - total) / 2
    top = 12.0
    segments = title_segments(text, left, top, letter_w, letter_h, gap)
    x0, x1 = int(left) - 6, int(left + total) + 7
    y0, y1 = int(top) - 5, int(top + letter_h) + 6
    # The shadow is cast 1.2 pixels left and 1.5 up of the letters (at 100%).
    shadow_x, shadow_y = 1.2 * SCALE - 0.5, 1.5 * SCALE - 0.5
    for y in pixel_range(y0, y1):
        for x in pixel_range(x0, x1):
            # 3 x 3 samples per pixel for smooth edges.
            body = shadow = rim = 0.0
            for sy in (-1 / 3, 0, 1 / 3):
                for sx in (-1 / 3, 0, 1 / 3):
                    d = distance_to_segments((x + 0.5 + sx) / SCALE, (y + 0.5 + sy) / SCALE, segments)
                    ds = distance_to_segments((x - shadow_x + sx) / SCALE, (y - shadow_y + sy) / SCALE, segments)
                    body += 1.0 if d <= stroke else 0.0
                    rim += 1.0 if d <= stroke + 1.0 else 0.0
                    shadow += 1.0 if ds <= stroke + 0.6 else 0.0
            body, rim, shadow = body / 9, rim / 9, shadow / 9
            img.blend(x, y, (0, 0, 0), 0.75 * shadow)
            img.blend(x, y, OUTLINE, 0.85 * rim)
            t = (centre(y) - top) / letter_h
            gold = mix(GOLD_LIGHT, GOLD, smoothstep(0.0, 0.55, t))
            gold = mix(gold, GOLD_DARK, smoothstep(0.55, 1.05, t))
            img.blend(x, y, gold, body)


def draw_divider(img, y, x_from, x_to, strength=1.0):
    centre_x = (x_from + x_to) / 2
    half = (x_to - x_from) / 2
    for x in pixel_range(x_from, x_to + 1):
        fade = 1 - smoothstep(0.55, 1.0, abs(design(x) - centre_x) / half)
        for row in pixel_range(y, y + 2):
            img.blend(x, row, GOLD, 0.9 * fade * strength * overlap(row, y, y + 1))
            img.blend(x, row, OUTLINE, 0.6 * fade * strength * overlap(row, y + 1, y + 2))
    # A small diamond in the middle.
    middle = int(centre_x)
    for row in pixel_range(y - 4, y + 5):
        for x in pixel_range(middle - 5, middle + 6):
            dx, dy = design(x) - middle, design(row) - y
            d = (abs(dx) / 5 + abs(dy) / 4)
            cov = clamp((1.0 - d) * 4 * SCALE)
            col = mix(GOLD_LIGHT, GOLD_DARK, (dy + 4) / 8)
            img.blend(x, row, OUTLINE, clamp((1.15 - d) * 4 * SCALE) * strength)
            img.blend(x, row, col, cov * strength)


def draw_parchment(img, left, top, right, bottom):
    for y in pixel_range(top - 3, bottom + 4):
        for x in pixel_range(left - 3, right + 4):
            d = rounded_rect_distance(centre(x), centre(y), left, top, right, bottom, 4)
            # Soft dark halo, a gold rim, then the parchment with a slight inner shade.
            img.blend(x, y, (0, 0, 0), 0.45 * clamp(1 - abs(d - 1.5) / 2.5))
            img.blend(x, y, GOLD_DARK, coverage((abs(d + 0.5) - 1.0) * SCALE))
            inner = coverage((d + 1.5) * SCALE)
            if inner > 0:
                t = (design(y) - top) / max(1, bottom - top)
                paper = mix(PARCHMENT_TOP, PARCHMENT_BOTTOM, t)
                shade = 0.22 * clamp(1 - (-d - 1.5) / 5)
                paper = mix(paper, hexc("#a88c5a"), shade)
                img.blend(x, y, paper, inner)


def draw_emblem(img, cx, cy):
    """A faint crossed-diamond crest in the footer."""
    for y in pixel_range(cy - 14, cy + 15):
        for x in pixel_range(cx - 20, cx + 21):
            dx, dy = centre(x) - cx, centre(y) - cy
            outer = abs(dx) / 18 + abs(dy) / 12.5
            inner = abs(dx) / 11 + abs(dy) / 7.5
            ring = coverage(((abs(outer - 1.0) * 12) - 0.9) * SCALE)
            core = coverage((inner - 1.0) * 8 * SCALE)
            img.blend(x, y, GOLD, 0.55 * ring)
            img.blend(x, y, GOLD_DARK, 0.5 * core)
            img.blend(x, y, GOLD_LIGHT, 0.35 * coverage(((abs(dx) + abs(dy) * 1.5) - 2.5) * SCALE))


def draw_window(height):
    """The window `height` pixels high at 100%, drawn at the scale."""
    width_s, height_s = S(WIDTH), S(height)
    inside = shape_mask(width_s, height_s)
    dist = edge_distance(inside, width_s, height_s)
    bottom_top = height - BOTTOM_HEIGHT
    img = Image(width_s, height_s)
    for y in range(height_s):
        v = design(y)
        for x in range(width_s):
            if not inside[y][x]:
                img.set(x, y, KEY)
                continue
            u = design(x)
            color = panel_color(u)
            # The title area: a blue glow that fades out above the first choice.
            if v < 48:
                glow = (1 - smoothstep(6, 48, v)) * (1 - (abs(u - 131) / 131) ** 2)
                color = mix(color, TITLE_GLOW, 0.85 * glow)
            # The footer: a little darker towards the bottom edge.
            yb = v - bottom_top
            if yb > 112:
                color = mix(color, PANEL_EDGE, 0.6 * smoothstep(112, 185, yb))
            frame = frame_color(dist[y][x])
            img.set(x, y, frame if frame else color)
    # Thin inner guide lines down both sides of the panel, from the title to the footer.
    for y in pixel_range(46, height - 24):
        yb = design(y) - bottom_top
        fade = smoothstep(46, 60, design(y)) * (1 - smoothstep(BOTTOM_HEIGHT - 44, BOTTOM_HEIGHT - 26, yb))
        for line in (12, WIDTH - 13):
            for x in pixel_range(line, line + 1):
                img.blend(x, y, GOLD_DARK, 0.55 * fade * overlap(x, line, line + 1))
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
    w, h = S(CHOICE_SIZE[0]), S(CHOICE_SIZE[1])
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
    # Distances here are in pixels of the scale.
    for y in range(h):
        for x in range(w):
            d = rounded_rect_distance(x + 0.5, y + 0.5, 0, 0, w, h, 5 * SCALE)
            if d > 0.5:
                continue
            t = y / (h - 1)
            fill = mix(styles["top"], styles["bottom"], t)
            # Upper sheen.
            fill = mix(fill, WHITE, styles["shine"] * (1 - smoothstep(0, 16 * SCALE, y)) * 0.6)
            # Pressed: dark inner shadow along the top and left.
            if styles["sink"]:
                fill = mix(fill, (0, 0, 0), styles["sink"] * (1 - smoothstep(0, 5 * SCALE, min(y, x))))
            # Hover: warm glow inside the border.
            if styles["glow"]:
                fill = mix(fill, hexc("#e8b85a"), styles["glow"] * clamp(1 - (-d - 1.0 * SCALE) / (4 * SCALE)) * 0.5)
            body = coverage(d)
            img.blend(x, y, fill, body)
            # Border: a gold ring one pixel (at 100%) wide with a dark line outside it.
            img.blend(x, y, styles["border"], coverage(abs(d + 1.0 * SCALE) - 0.5 * SCALE))
            img.blend(x, y, OUTLINE, coverage(abs(d) - 0.5 * SCALE) * 0.8)
    # Small diamonds at both ends, clear of the caption, 13.5 pixels (at 100%) in from
    # each end.
    radius = 4.5 * SCALE
    for cx in (13.5 * SCALE, w - 13.5 * SCALE):
        cy = h / 2 + (SCALE if look == "pressed" else 0)
        for y in range(h):
            for x in range(int(math.floor(cx - 6.5 * SCALE)), int(math.ceil(cx + 6.5 * SCALE))):
                dd = abs(x + 0.5 - cx) / radius + abs(y + 0.5 - cy) / radius
                img.blend(x, y, OUTLINE, coverage((dd - 1.15) * radius))
                img.blend(x, y, styles["ornament"], coverage((dd - 1.0) * radius))
    return img


def draw_cross(img, w, h, glyph, shifted):
    """The close button's X. At 100% a pixel-exact 5 x 5 X, softened by half-tone
    neighbours at its sides; at a larger scale the same X drawn as two strokes of
    that look (a full pixel wide, with a faint pixel either side) with smooth edges."""
    cx, cy = w // 2, h // 2 + (1 if shifted else 0)
    if SCALE == 1:
        for i in range(-2, 3):
            for x in (cx + i, cx - i):
                img.blend(x - 1, cy + i, glyph, 0.35)
                img.blend(x + 1, cy + i, glyph, 0.35)
        for i in range(-2, 3):
            for x in (cx + i, cx - i):
                img.blend(x, cy + i, glyph, 1.0)
        return
    # The 100% X's pixel centres lie on two diagonals through the middle pixel's centre,
    # from -2 to +2 pixels; distances below are at 100%.
    mx, my = w / 2, h / 2 + (SCALE if shifted else 0)
    for y in range(h):
        for x in range(w):
            u, v = (x + 0.5 - mx) / SCALE, (y + 0.5 - my) / SCALE
            d = min(segment_distance(u, v, -2, -2, 2, 2), segment_distance(u, v, -2, 2, 2, -2))
            img.blend(x, y, glyph, 0.35 * coverage((d - 1.2) * SCALE))
            img.blend(x, y, glyph, coverage((d - 0.5) * SCALE))


def draw_close_button(look, background):
    w, h = S(CLOSE_SIZE[0]), S(CLOSE_SIZE[1])
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
            d = rounded_rect_distance(x + 0.5, y + 0.5, 0, 0, w, h, 3 * SCALE)
            fill = mix(styles["top"], styles["bottom"], y / (h - 1))
            img.blend(x, y, fill, coverage(d))
            img.blend(x, y, styles["border"], coverage(abs(d + 1.0 * SCALE) - 0.5 * SCALE))
            img.blend(x, y, OUTLINE, coverage(abs(d) - 0.5 * SCALE) * 0.8)
    draw_cross(img, w, h, styles["glyph"], bool(styles["shift"]))
    return img


# ---------------------------------------------------------------- output

def draw_set():
    """The pictures at SCALE: {file name: picture}."""
    full = S(FULL_HEIGHT)
    top_height, middle_height, bottom_height = S(TOP_HEIGHT), S(MIDDLE_HEIGHT), S(BOTTOM_HEIGHT)
    assert top_height + middle_height + bottom_height == full, "the pieces do not make the window"
    window = draw_window(FULL_HEIGHT)
    top = window.crop(0, top_height)
    middle = window.crop(top_height, middle_height)
    bottom = window.crop(full - bottom_height, bottom_height)

    # The band and the rows it joins must be alike, or a stretched band would show.
    rows = window.bytes_rows()
    for y in range(S(TOP_HEIGHT - 40), S(FULL_HEIGHT - BOTTOM_HEIGHT + 18)):
        assert rows[y] == rows[top_height], "row %d differs from the middle band" % y

    pieces = {
        "background_top.bmp": top,
        "background_middle.bmp": middle,
        "background_bottom.bmp": bottom,
    }
    left, choice_top = S(CHOICE_LEFT), S(CHOICE_TOP)
    background_row = [window.get(left + x, choice_top) for x in range(S(CHOICE_SIZE[0]))]
    close_left, close_top = S(CLOSE_LEFT), S(CLOSE_TOP)
    close_background = [[window.get(close_left + x, close_top + y) for x in range(S(CLOSE_SIZE[0]))]
                        for y in range(S(CLOSE_SIZE[1]))]
    for look in ("normal", "pressed", "hover"):
        pieces["launch_%s.bmp" % look] = draw_choice_button(look, background_row)
        pieces["quit_%s.bmp" % look] = draw_close_button(look, close_background)

    corner_pixels = 2 * sum(corner_cuts())
    for name, image in pieces.items():
        key_pixels = sum(row.count(KEY) for row in image.bytes_rows())
        expected = corner_pixels if name in ("background_top.bmp", "background_bottom.bmp") else 0
        assert key_pixels == expected, "%s has %d key pixels" % (name, key_pixels)
    return pieces


def main():
    global SCALE
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "res", "bitmaps")
    for percent in SCALES:
        SCALE = percent / 100
        folder = os.path.join(out_dir, str(percent))
        os.makedirs(folder, exist_ok=True)
        for name, image in sorted(draw_set().items()):
            write_bmp(os.path.join(folder, name), image)
            print("wrote %d/%s (%d x %d)" % (percent, name, image.width, image.height))


if __name__ == "__main__":
    main()
