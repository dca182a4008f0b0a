#!/usr/bin/env python3
"""Draws the dialogs' pictures and writes them as 16-colour XPM files.

Run from anywhere: python3 draw_pictures.py [--preview DIR]
The XPM files are committed; this script is how they were made, so that a
change to a picture is a change to a few lines here rather than to pixels.
With --preview it also writes enlarged PNGs for looking at the result.
"""

import math
import os
import struct
import sys
import zlib

# The sixteen colours of the classic display palette, one letter each.
PALETTE = {
    "k": "#000000",  # black
    "m": "#800000",  # maroon
    "g": "#008000",  # green
    "o": "#808000",  # olive
    "n": "#000080",  # navy
    "p": "#800080",  # purple
    "t": "#008080",  # teal
    "s": "#C0C0C0",  # silver
    "d": "#808080",  # grey
    "r": "#FF0000",  # red
    "l": "#00FF00",  # lime
    "y": "#FFFF00",  # yellow
    "b": "#0000FF",  # blue
    "f": "#FF00FF",  # fuchsia
    "c": "#00FFFF",  # aqua
    "w": "#FFFFFF",  # white
    " ": "None",     # only in the application icon
}

# Notice pictures are drawn opaque on the classic button face, silver. Silver
# is kept for the background alone, so that the forms can draw it in the
# platform's own button face. While drawing, the background is '.', written
# out as silver.
FACE = "."
# The button glyphs' background; the button makes the lower-left pixel's
# colour transparent, so this colour must not occur inside a glyph.
GLYPH_KEY = "t"


class Canvas:
    def __init__(self, w, h, bg):
        self.w, self.h, self.bg = w, h, bg
        self.px = [[bg] * w for _ in range(h)]

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y][x]
        return self.bg

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def ring(self, cx, cy, r_out, r_in, c, keep=lambda x, y: True):
        """Pixels whose centres lie between the two radii around (cx, cy)."""
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x - cx, y - cy)
                if r_in <= d <= r_out and keep(x, y):
                    self.set(x, y, c)

    def disk(self, cx, cy, r, c):
        self.ring(cx, cy, r, -1, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dy in range(width):
                for dx in range(width):
                    self.set(int(round(x)) + dx, int(round(y)) + dy, c)

    def art(self, x0, y0, rows):
        """Pixel art; '.' leaves the canvas as it is."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch != ".":
                    self.set(x0 + i, y0 + j, ch)

    def outline(self, c, inside):
        """Puts colour c on every background pixel next to a pixel that
        inside() accepts (four-neighbourhood)."""
        marks = []
        for y in range(self.h):
            for x in range(self.w):
                if self.px[y][x] != self.bg:
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < self.w and 0 <= ny < self.h and inside(self.px[ny][nx]):
                        marks.append((x, y))
                        break
        for x, y in marks:
            self.set(x, y, c)

    def paste(self, other, x0, y0):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] != other.bg:
                    self.set(x0 + x, y0 + y, other.px[y][x])


# ---------------------------------------------------------------- the key

def key_canvas(bg):
    c = Canvas(32, 32, bg)
    cx, cy = 7.5, 16
    c.ring(cx, cy, 6.7, 2.7, "y")  # the bow
    c.rect(14, 15, 30, 17, "y")  # the shaft
    c.rect(20, 18, 22, 21, "y")  # the bits
    c.rect(24, 18, 25, 19, "y")
    c.rect(27, 18, 30, 22, "y")
    c.outline("k", lambda v: v == "y")
    # shade the lower right of the bow and the underside of the metal
    for y in range(32):
        for x in range(15):
            if c.px[y][x] == "y" and (x - cx) + (y - cy) > 4.5:
                c.set(x, y, "o")
    c.ring(cx, cy, 5.4, 4.4, "w", keep=lambda x, y: (x - cx) + (y - cy) < -4.5)
    c.rect(15, 15, 29, 15, "w")
    c.rect(14, 17, 30, 17, "o")
    for x in (22, 25, 30):
        c.rect(x, 18, x, 22, "o")
    for (x0, x1, y) in ((20, 22, 21), (24, 25, 19), (27, 30, 22)):
        for x in range(x0, x1 + 1):
            if c.px[y][x] in ("y", "o"):
                c.set(x, y, "o")
    return c


def broken_key_canvas(bg):
    whole = key_canvas(bg)
    c = Canvas(32, 32, bg)
    # The shaft snaps between x = 18 and 19: the bow half drops and moves
    # left, the bitted half rises and moves right; each end is closed with
    # a jagged black edge.
    for y in range(32):
        for x in range(32):
            v = whole.px[y][x]
            if v == bg:
                continue
            if x <= 18:
                c.set(x - 1, y + 2, v)
            else:
                c.set(x + 1, y - 1, v)
    for (x, y) in ((17, 16), (18, 17), (17, 18), (18, 19), (17, 20)):
        c.set(x, y, "k")
    c.set(17, 17, "y")
    c.set(17, 19, "o")
    for (x, y) in ((20, 13), (21, 14), (20, 15), (21, 16), (20, 17)):
        c.set(x, y, "k")
    for (x, y) in ((20, 14), (20, 16)):
        c.set(x, y, bg)
    # red marks above the break, like a snap
    c.line(19, 2, 19, 7, "r")
    c.line(13, 4, 16, 8, "r")
    c.line(25, 4, 22, 8, "r")
    c.line(9, 9, 12, 10, "r")
    c.line(29, 9, 26, 10, "r")
    return c


# ---------------------------------------------------------- button glyphs

DOOR_ROWS = [  # a closed red door on its threshold
    "tttttttttttttttt",
    "tttkkkkkkkkkkttt",
    "tttkwrrrrrrmkttt",
    "tttkwrmmmmrmkttt",
    "tttkwrmrrmrmkttt",
    "tttkwrmrrmrmkttt",
    "tttkwrmmmmrmkttt",
    "tttkwrrrrrrmkttt",
    "tttkwrrrrykmkttt",
    "tttkwrmmmmrmkttt",
    "tttkwrmrrmrmkttt",
    "tttkwrmrrmrmkttt",
    "tttkwrmrrmrmkttt",
    "tttkwrmmmmrmkttt",
    "tkkkkkkkkkkkkkkt",
    "tttttttttttttttt",
]

BOOK_ROWS = [  # a blue book with a red question mark
    "tttttttttttttttt",
    "tttkkkkkkkkkkttt",
    "ttknbbbbbbbbbktt",
    "ttknbbbrrrbbbktt",
    "ttknbbrrbrrbbktt",
    "ttknbbbbbrrbbktt",
    "ttknbbbbrrbbbktt",
    "ttknbbbrrbbbbktt",
    "ttknbbbrrbbbbktt",
    "ttknbbbbbbbbbktt",
    "ttknbbbrrbbbbktt",
    "ttknbbbbbbbbbktt",
    "ttknwwwwwwwwwktt",
    "ttknsssssssssktt",
    "tttkkkkkkkkkkktt",
    "tttttttttttttttt",
]


def glyph_pair(rows, etched):
    """32 x 16: the picture, then its greyed form for a disabled button, in
    which only the colours in etched (the lines of the drawing) remain."""
    src = Canvas(16, 16, GLYPH_KEY)
    src.art(0, 0, rows)
    out = Canvas(32, 16, GLYPH_KEY)
    out.paste(src, 0, 0)
    # Disabled: the lines in grey with a white shadow one pixel down and
    # right, the way the platform etches disabled pictures.
    lines = {(x, y) for y in range(16) for x in range(16) if src.px[y][x] in etched}
    for x, y in lines:
        if x + 1 < 16 and y + 1 < 16:
            out.set(16 + x + 1, y + 1, "w")
    for x, y in lines:
        out.set(16 + x, y, "d")
    # the lower-left pixel must stay the background colour
    assert out.px[15][0] == GLYPH_KEY
    return out


# ------------------------------------------------------ the struck folder

def struck_folder():
    c = Canvas(32, 32, FACE)
    # back of the folder with its tab
    c.rect(3, 7, 11, 9, "o")
    c.rect(3, 9, 27, 26, "o")
    # front flap, lighter, leaning slightly
    for y in range(12, 27):
        shift = (26 - y) // 5
        c.rect(3 + shift, y, 28 - (26 - y) // 7, y, "y")
    c.outline("k", lambda v: v in ("o", "y"))
    # highlight along the flap's upper edge
    for x in range(6, 27):
        c.set(x, 12, "w")
    # the red cross, three pixels wide, over everything
    for i in range(0, 26):
        for w in (-1, 0, 1):
            c.set(3 + i + w, 3 + i, "r")
            c.set(28 - i + w, 3 + i, "r")
    return c


# --------------------------------------------- the full container (64x32)

MAN = [  # a hand-drawn 満
    "r.....r....r...",
    ".r..rrrrrrrrrr.",
    "......r....r...",
    "r..............",
    ".r..rrrrrrrrrr.",
    "........r......",
    "....rrrrrrrrr..",
    "r...r..rr...r..",
    ".r..r.r.r.r.r..",
    "....r.rr.rr.r..",
    "...rr.r..r..r..",
    "..r.r.......r..",
    ".r..r.......r..",
    "r...r.....rr...",
]

HAI = [  # a hand-drawn 杯
    "...r...........",
    "...r..rrrrrrrr.",
    "rrrrrr....r....",
    "...r.....r.....",
    "..rrr...rrr....",
    "..rr.r.r.r.r...",
    ".r.r..r..r..r..",
    ".r.r.....r...r.",
    "r..r.....r.....",
    "...r.....r.....",
    "...r.....r.....",
    "...r.....r.....",
    "...r.....r.....",
    "...r.....r.....",
]


def full_container():
    c = Canvas(64, 32, FACE)
    # a metal pail, narrowing to the bottom
    top, bottom = 9, 29

    def span(y):
        inset = (y - top) // 6
        return 20 + inset, 43 - inset

    for y in range(top, bottom + 1):
        x0, x1 = span(y)
        c.rect(x0, y, x1, y, "w")
        c.rect(x1 - 2, y, x1, y, "d")
    for y in (15, 22):  # the hoops
        x0, x1 = span(y)
        c.rect(x0, y, x1, y, "d")
    # water heaped above the rim: full to the brim and a little more
    c.rect(20, 6, 43, 6, "b")
    c.rect(21, 5, 42, 5, "b")
    c.rect(24, 4, 39, 4, "b")
    # the rim
    c.rect(18, 7, 45, 8, "d")
    c.rect(18, 7, 45, 7, "w")
    # drops running over the rim down the outside
    c.rect(19, 9, 19, 12, "b")
    c.rect(44, 9, 44, 14, "b")
    c.outline("k", lambda v: v in ("b", "s", "w", "d"))
    # light on the water
    c.rect(26, 5, 35, 5, "c")
    c.set(24, 5, "c")
    # red lettering on both sides
    c.art(1, 10, MAN)
    c.art(48, 10, HAI)
    return c


# ---------------------------------------------------------- the padlocks

def padlock_body(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, "r")
    # rounded corners
    for (x, y) in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
        c.set(x, y, c.bg)
    # shading: light top and left, dark bottom and right
    c.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 2, "w")
    c.rect(x0 + 1, y0 + 3, x0 + 2, y1 - 1, "r")
    c.rect(x1 - 3, y0 + 3, x1 - 1, y1 - 1, "m")
    c.rect(x0 + 1, y1 - 3, x1 - 1, y1 - 1, "m")
    c.rect(x0 + 3, y0 + 1, x1 - 3, y0 + 1, "w")
    c.rect(x0 + 1, y0 + 2, x1 - 1, y0 + 2, "r")
    # two ribs across the body
    for y in (y0 + 6, y1 - 7):
        c.rect(x0 + 2, y, x1 - 4, y, "m")
    # keyhole
    cx = (x0 + x1) // 2
    cy = (y0 + y1) // 2
    c.disk(cx, cy - 2, 3.2, "k")
    c.rect(cx - 1, cy, cx + 1, cy + 7, "k")


def shackle(c, cx, top, r_out, width, leg_left_to, leg_right_to, lift=0):
    """A U of round steel: the arc centred at (cx, top + r_out), legs down to
    the given rows. lift raises the right leg (an open lock)."""
    r_in = r_out - width
    cy = top + r_out

    c.ring(cx, cy, r_out, r_in, "d", keep=lambda x, y: y <= cy)
    c.rect(cx - r_out, cy, cx - r_in, leg_left_to, "d")
    c.rect(cx + r_in, cy - lift, cx + r_out, leg_right_to - lift, "d")
    # a bright line along the steel
    mid = (r_out + r_in) / 2
    c.ring(cx, cy, mid + 0.6, mid - 0.6, "w",
           keep=lambda x, y: y <= cy - 2 and x <= cx + 2)
    c.rect(int(cx - mid), cy, int(cx - mid), leg_left_to, "w")
    c.rect(int(cx + mid), cy - lift, int(cx + mid), leg_right_to - lift, "w")


def closed_padlock():
    c = Canvas(64, 64, FACE)
    shackle(c, 32, 5, 15, 6, 30, 30)
    c.outline("k", lambda v: v in ("d", "w", "s"))
    padlock_body(c, 12, 29, 51, 60)
    c.outline("k", lambda v: v in ("r", "m", "w"))
    return c


def open_padlock():
    c = Canvas(64, 64, FACE)
    # the shackle, sprung open: its right leg out of the body
    shackle(c, 32, 1, 14, 5, 31, 22)
    c.outline("k", lambda v: v in ("d", "w", "s"))
    # the nail it hangs from, resting against the inside of the bend
    nail = Canvas(64, 64, FACE)
    nail.disk(32, 9, 2.8, "d")
    nail.set(31, 8, "w")
    nail.set(32, 8, "w")
    nail.set(31, 7, "w")
    nail.outline("k", lambda v: v in ("d", "w"))
    c.paste(nail, 0, 0)
    padlock_body(c, 12, 30, 51, 61)
    c.outline("k", lambda v: v in ("r", "m", "w"))
    # the empty hole where the right leg sat
    c.rect(41, 30, 45, 31, "k")
    return c


# ------------------------------------------------------ the restored page

def restored_page():
    c = Canvas(32, 32, FACE)
    # a sheet with its upper right corner folded over
    c.rect(3, 2, 20, 29, "w")
    for y in range(2, 8):
        for x in range(15, 21):
            if x - 15 > y - 2:
                c.set(x, y, FACE)
            elif x - 15 == y - 2 or x == 15 or y == 7:
                c.set(x, y, "k")
            else:
                c.set(x, y, "s")
    c.outline("k", lambda v: v in ("w", "s"))
    for y in (6, 10, 14, 18, 22, 26):
        c.rect(6, y, 12 if y == 6 else 17, y, "d")
    # a green arrow going round, clockwise: the rewrite brought round to
    # its end
    cx, cy = 22, 21
    arrow = Canvas(32, 32, FACE)
    arrow.ring(cx, cy, 8.4, 4.6, "g", keep=lambda x, y: not (x >= cx and y < cy))
    for x in range(cx - 1, cx + 6):
        half = (5 - (x - cx)) * 0.9 + 0.3
        for y in range(cy - 13, cy):
            if abs(y - (cy - 6.5)) <= half:
                arrow.set(x, y, "g")
    arrow.ring(cx, cy, 7.0, 6.0, "l", keep=lambda x, y: x < cx - 1 and y < cy + 4)
    # black around the arrow, on the sheet as on the background
    for y in range(32):
        for x in range(32):
            if arrow.get(x, y) != FACE:
                continue
            if any(arrow.get(x + dx, y + dy) in ("g", "l")
                   for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                arrow.set(x, y, "k")
    c.paste(arrow, 0, 0)
    return c


# ------------------------------------------------------- application icon

def app_icon():
    c = Canvas(32, 32, " ")
    # open padlock, left
    shackle(c, 11, 1, 7, 3, 14, 9, lift=4)
    c.outline("k", lambda v: v in ("d", "w", "s"))
    c.rect(2, 13, 20, 29, "r")
    c.rect(3, 14, 19, 14, "w")
    c.rect(17, 15, 19, 28, "m")
    c.rect(3, 27, 19, 28, "m")
    c.disk(11, 20, 1.6, "k")
    c.rect(11, 21, 11, 24, "k")
    c.outline("k", lambda v: v in ("r", "m", "w"))
    # a key standing beside it, bow up
    c.ring(26, 6, 4.2, 1.6, "y")
    c.rect(25, 10, 27, 29, "y")
    c.rect(28, 22, 30, 23, "y")
    c.rect(28, 25, 29, 27, "y")
    c.outline("k", lambda v: v in ("y",))
    c.set(24, 4, "w")
    c.set(25, 3, "w")
    for y in range(11, 21):
        c.set(27, y, "o")
    return c


# --------------------------------------------------------------- output

def flatten(canvas):
    for row in canvas.px:
        for i, v in enumerate(row):
            if v == ".":
                row[i] = "s"


def write_xpm(path, name, canvas):
    used = sorted({v for row in canvas.px for v in row})
    lines = ["/* XPM */", "static const char* const %s_xpm[] = {" % name]
    body = ['"%d %d %d 1"' % (canvas.w, canvas.h, len(used))]
    body += ['"%s c %s"' % (u, PALETTE[u]) for u in used]
    body += ['"%s"' % "".join(row) for row in canvas.px]
    lines.append(",\n".join(body))
    lines.append("};")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def write_png(path, canvas, scale):
    """Enlarged preview; transparent pixels on a chequerboard."""
    w, h = canvas.w * scale, canvas.h * scale
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        for x in range(w):
            v = canvas.px[y // scale][x // scale]
            if v == " ":
                g = 0xEE if ((x // 4 + y // 4) % 2) else 0xCC
                raw += bytes((g, g, g))
            else:
                hexv = PALETTE[v]
                raw += bytes(int(hexv[i:i + 2], 16) for i in (1, 3, 5))

    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


PICTURES = {
    "key": lambda: key_canvas(FACE),
    "key_broken": lambda: broken_key_canvas(FACE),
    "ok_door": lambda: glyph_pair(DOOR_ROWS, "km"),
    "cancel_book": lambda: glyph_pair(BOOK_ROWS, "knr"),
    "folder_struck": struck_folder,
    "container_full": full_container,
    "padlock_closed": closed_padlock,
    "padlock_open": open_padlock,
    "page_restored": restored_page,
    "app_icon": app_icon,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    preview = None
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview = sys.argv[2]
        os.makedirs(preview, exist_ok=True)
    for name, make in PICTURES.items():
        canvas = make()
        flatten(canvas)
        write_xpm(os.path.join(here, name + ".xpm"), name, canvas)
        if preview:
            write_png(os.path.join(preview, name + ".png"), canvas, 8)


if __name__ == "__main__":
    main()
