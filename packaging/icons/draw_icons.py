#!/usr/bin/env python3
"""Draws the application icon, an open padlock with a key beside it, once
for every size the desktop asks for, and as a scalable picture.

Run from anywhere: python3 draw_icons.py   (needs rsvg-convert, librsvg2-bin)
Each size gets its own drawing on its own pixel grid: edges fall on whole
pixels, lines are whole pixels wide, and the small sizes leave out what
would blur (highlights, the key's second tooth, the band along the foot).
The PNG files and kryvet.svg are committed; this script is how they were
made.
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (16, 24, 32, 48, 64, 128, 256)
# The size whose drawing, with every detail, is also the scalable icon.
SCALABLE_GRID = 256

OUTLINE = "#000000"
SHACKLE = "#8A8A8A"
SHACKLE_LIGHT = "#E8E8E8"
BODY = "#E02020"
BODY_DARK = "#8A0000"
BODY_LIGHT = "#FFB0B0"
KEY = "#F2C400"
KEY_DARK = "#8A6E00"


def drawing(size):
    """The SVG text of the icon on a size × size pixel grid."""
    unit = size / 32.0

    def px(value):
        """A design coordinate (of 32) on this grid's whole pixels."""
        return round(value * unit)

    line = max(1, round(unit))            # the outline
    bar = max(2, round(3 * unit))         # the shackle's thickness
    detailed = size >= 24
    fine = size >= 48
    parts = []

    def rect(x0, y0, x1, y1, fill, radius=0):
        parts.append(
            f'<rect x="{px(x0)}" y="{px(y0)}" width="{px(x1) - px(x0)}" '
            f'height="{px(y1) - px(y0)}" rx="{radius}" fill="{fill}"/>')

    # The shackle, open: its left leg stands in the body, its right leg
    # swings up beside it. Drawn as an outlined thick path.
    left, right = 6.5, 16.5
    top, foot, lifted = 2.5, 14, 9
    for width, colour in ((bar + 2 * line, OUTLINE), (bar, SHACKLE)):
        parts.append(
            f'<path d="M {px(left)} {px(foot)} V {px(top + 5)} '
            f'A {px((right - left) / 2)} {px(5)} 0 0 1 {px(right)} {px(top + 5)} '
            f'V {px(lifted)}" fill="none" stroke="{colour}" '
            f'stroke-width="{width}" stroke-linecap="butt"/>')
    if fine:
        parts.append(
            f'<path d="M {px(left) - bar / 4} {px(foot)} V {px(top + 5)} '
            f'A {px((right - left) / 2)} {px(5)} 0 0 1 {px(right - 1)} {px(top + 2)}" '
            f'fill="none" stroke="{SHACKLE_LIGHT}" stroke-width="{max(1, bar // 4)}"/>')

    # The body: outline, face, the band along its foot, the keyhole.
    radius = px(1.5) if fine else 0
    rect(1, 13, 22, 31, OUTLINE, radius)
    parts.append(
        f'<rect x="{px(1) + line}" y="{px(13) + line}" '
        f'width="{px(22) - px(1) - 2 * line}" height="{px(31) - px(13) - 2 * line}" '
        f'rx="{max(0, radius - line)}" fill="{BODY}"/>')
    if detailed:
        rect(1, 27, 22, 28.5, BODY_DARK)
        parts.append(
            f'<rect x="{px(1) + line}" y="{px(27)}" width="{px(22) - px(1) - 2 * line}" '
            f'height="{px(28.5) - px(27)}" fill="{BODY_DARK}"/>')
    if fine:
        parts.append(
            f'<rect x="{px(1) + 2 * line}" y="{px(13) + 2 * line}" '
            f'width="{px(22) - px(1) - 4 * line}" height="{line}" fill="{BODY_LIGHT}"/>')
    hole = max(1, round(1.6 * unit))
    parts.append(f'<circle cx="{px(11.5)}" cy="{px(19.5)}" r="{hole}" fill="{OUTLINE}"/>')
    slot = max(1, round(unit))
    parts.append(
        f'<rect x="{px(11.5) - slot / 2 if slot % 2 == 0 else px(11.5) - (slot + 1) / 2 + 0.5}" '
        f'y="{px(19.5)}" width="{slot}" height="{px(24) - px(19.5)}" fill="{OUTLINE}"/>')

    # The key, standing: its bow at the top, the bit at the foot.
    shaft_x0, shaft_x1 = 25.5, 28.5
    rect(shaft_x0 - line / unit, 9, shaft_x1 + line / unit, 30.5, OUTLINE)
    parts.append(
        f'<rect x="{px(shaft_x0)}" y="{px(9)}" width="{px(shaft_x1) - px(shaft_x0)}" '
        f'height="{px(30.5) - px(9) - line}" fill="{KEY}"/>')
    teeth = ((21, 23),) if not detailed else ((20, 22), (24, 26))
    for t0, t1 in teeth:
        rect(shaft_x1, t0 - line / unit, 31.5, t1 + line / unit, OUTLINE)
        parts.append(
            f'<rect x="{px(shaft_x1)}" y="{px(t0)}" width="{px(31.5) - px(shaft_x1) - line}" '
            f'height="{px(t1) - px(t0)}" fill="{KEY}"/>')
    bow = 27, 6, 4.5
    if not detailed:
        # A circle of two pixels' radius is a blot: a square ring reads.
        rect(23.5, 1, 31.5, 9.5, OUTLINE)
        rect(25.5, 3, 29.5, 7.5, KEY)
    if detailed:
        parts.append(
            f'<circle cx="{px(bow[0])}" cy="{px(bow[1])}" r="{px(bow[2])}" fill="{OUTLINE}"/>')
        parts.append(
            f'<circle cx="{px(bow[0])}" cy="{px(bow[1])}" r="{px(bow[2]) - line}" fill="{KEY}"/>')
        parts.append(
            f'<circle cx="{px(bow[0])}" cy="{px(bow[1])}" r="{px(1.5)}" fill="{OUTLINE}"/>')
    if fine:
        parts.append(
            f'<rect x="{px(shaft_x0) + line}" y="{px(11)}" width="{line}" '
            f'height="{px(18) - px(11)}" fill="{KEY_DARK}"/>')

    body = "\n  ".join(parts)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
            f'viewBox="0 0 {size} {size}" shape-rendering="crispEdges">\n  '
            f'<title>Kryvet</title>\n  {body}\n</svg>\n')


def render(svg, size, target):
    subprocess.run(
        ["rsvg-convert", "--width", str(size), "--height", str(size),
         "--format", "png", "--output", target],
        input=svg.encode(), check=True)


def main():
    for size in SIZES:
        render(drawing(size), size, os.path.join(HERE, f"kryvet-{size}.png"))
    scalable = drawing(SCALABLE_GRID).replace(' shape-rendering="crispEdges"', "")
    with open(os.path.join(HERE, "kryvet.svg"), "w", encoding="utf-8") as out:
        out.write(scalable)
    return 0


if __name__ == "__main__":
    sys.exit(main())
