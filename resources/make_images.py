#!/usr/bin/env python3
"""Draws the program's LED pictures and its application icon as PNG files.

The pictures are committed; run this again only to change them:
    python3 resources/make_images.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # supersampling per axis, for smooth edges


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, 0..255."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def render(size, shader):
    """Averages shader(x, y) -> (r, g, b, a) floats over SAMPLES^2 points per pixel."""
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    r, g, b, a = shader(x, y)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / n
            if a > 0:
                rgb = [min(255, round(c / acc[3])) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(a * 255)))
        rows.append(row)
    return rows


def mix(c1, c2, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def led_shader(base):
    dark = tuple(c * 0.45 for c in base)
    light = mix(base, (255, 255, 255), 0.85)
    rim = (70, 70, 70)

    def shade(x, y):
        dx, dy = x - 0.5, y - 0.5
        d = math.hypot(dx, dy)
        if d > 0.48:
            return (0, 0, 0, 0.0)
        if d > 0.43:  # a dark bezel around the lamp
            return rim + (1.0,)
        # body: lit from the upper left, darker towards the lower right edge
        t = d / 0.43
        col = mix(base, dark, t ** 2.2)
        # highlight spot
        hx, hy = x - 0.38, y - 0.34
        h = math.hypot(hx, hy)
        if h < 0.16:
            col = mix(col, light, (1 - h / 0.16) ** 1.5)
        return col + (1.0,)

    return shade


def icon_shader():
    blue = (30, 90, 160)
    blue_dark = (15, 50, 100)
    white = (245, 245, 245)
    green = (60, 190, 80)

    def shade(x, y):
        # rounded square
        r = 0.16
        cx = min(max(x, r + 0.02), 0.98 - r)
        cy = min(max(y, r + 0.02), 0.98 - r)
        if math.hypot(x - cx, y - cy) > r:
            return (0, 0, 0, 0.0)
        col = mix(blue, blue_dark, y)
        # the letter T
        if 0.2 <= x <= 0.8 and 0.2 <= y <= 0.34:
            col = white
        if 0.43 <= x <= 0.57 and 0.2 <= y <= 0.82:
            col = white
        # a small status lamp in the corner
        if math.hypot(x - 0.76, y - 0.74) < 0.09:
            col = green
        return col + (1.0,)

    return shade


LEDS = {
    "led_lightgray.png": (205, 205, 205),
    "led_gray.png": (120, 120, 120),
    "led_red.png": (230, 30, 30),
    "led_yellow.png": (250, 210, 20),
    "led_green.png": (30, 200, 50),
}


def main():
    for name, colour in LEDS.items():
        size = 32
        write_png(os.path.join(HERE, "bitmaps", name), size, size, render(size, led_shader(colour)))
    write_png(os.path.join(HERE, "icons", "application.png"), 64, 64, render(64, icon_shader()))


if __name__ == "__main__":
    main()
