#!/usr/bin/env python3
"""Draws the two pictures of the area dialog as PNG files.

bm_area.png:    a workpiece passing the scanner in a straight line: the object in the
                middle, the warning bands (yellow) and error bands (red) on both sides.
bm_area_nl.png: the scanner's rotating arm: the object on its ray, the warning and error
                sectors before and behind it.

The pictures are committed; run this again only to change them:
    python3 resources/make_area_pictures.py
"""
import math
import os

from make_images import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 520, 470

WHITE = (255, 255, 255)
GREEN = (120, 200, 120)
YELLOW = (255, 255, 0)
RED = (255, 0, 0)
GREY = (110, 110, 110)
DARK = (40, 40, 40)
BLUE = (0, 90, 170)


def band_colour(t):
    """t: distance from the object as a share of the full span (0 object, 1 edge)."""
    if t < 0.30:
        return GREEN
    if t < 0.60:
        return YELLOW
    return RED


def linear(px, py):
    x, y = px / W, py / H
    # the ruler band
    if 0.40 <= y <= 0.55 and 0.08 <= x <= 0.92:
        return band_colour(abs(x - 0.5) / 0.42)
    # tick marks under the band
    if 0.56 <= y <= 0.60 and 0.08 <= x <= 0.92 and abs(((x - 0.08) / 0.84 * 10) % 1.0) < 0.03:
        return DARK
    # the workpiece above the band and the scanner's path arrow below
    if 0.22 <= y <= 0.40 and abs(x - 0.5) <= 0.05:
        return GREY
    if abs(y - 0.72) < 0.006 and 0.12 <= x <= 0.86:
        return BLUE
    if 0.86 <= x <= 0.90 and abs(y - 0.72) <= (0.90 - x) * 0.8:
        return BLUE
    if abs(x - 0.5) < 0.003 and 0.18 <= y <= 0.62:
        return DARK
    return WHITE


def arc(px, py):
    cx, cy = W * 0.5, H * 0.86
    dx, dy = px - cx, cy - py
    r = math.hypot(dx, dy)
    a = math.degrees(math.atan2(dy, dx))  # 0 right, 90 up
    if r < 14:
        return DARK
    if 150 <= r <= 210 and 10 <= a <= 170:
        return band_colour(abs(a - 90) / 80)
    # the object on its ray and the scanner's arm
    if 215 <= r <= 250 and abs(a - 90) < 5:
        return GREY
    if r < 260 and abs(dx) < 2 and dy > 0:
        return DARK
    # the direction of rotation
    if abs(r - 120) < 2 and 30 <= a <= 150:
        return BLUE
    return WHITE


def render(shader):
    return [[shader(px + 0.5, py + 0.5) + (255,) for px in range(W)] for py in range(H)]


def main():
    write_png(os.path.join(HERE, "bitmaps", "area", "bm_area.png"), W, H, render(linear))
    write_png(os.path.join(HERE, "bitmaps", "area", "bm_area_nl.png"), W, H, render(arc))


if __name__ == "__main__":
    main()
