#!/usr/bin/env python3
"""Draws the welcome picture the content server offers: a "WELCOME" sign in the sky,
a sun rising over a green hill and the icon's pointer arrow clicking, 400 x 300.

    python3 make_welcome.py   # writes www/qt/welcome/welcome.png

The arrow and the PNG writer come from resources/make_icon.py, so the picture keeps
the icon's look; like it, only the standard library is used.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # leave no cache behind in resources/
sys.path.insert(0, os.path.join(HERE, "..", "resources"))
from make_icon import ARROW, inside_polygon, png_bytes  # noqa: E402

WIDTH, HEIGHT = 400, 300
SUPERSAMPLE = 3

# 5 x 7 dot letters; each dot is drawn as a round blob for a friendly look.
LETTERS = {
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
}
WORD = "WELCOME"
DOT = 7
CARD = (45, 28, 355, 122)  # left, top, right, bottom
TEXT_LEFT = (WIDTH - (len(WORD) * 6 - 1) * DOT) / 2
TEXT_TOP = (CARD[1] + CARD[3] - 7 * DOT) / 2
SUN = (78, 214, 38)  # centre x, centre y, radius
TIP = (262, 190)  # where the arrow clicks
ARROW_SCALE = 1.15


def hill_top(x):
    return 232 + 14 * math.sin(x / 55.0) + 6 * math.sin(x / 23.0 + 1)


def in_card(x, y):
    left, top, right, bottom = CARD
    r = 18
    cx = min(max(x, left + r), right - r)
    cy = min(max(y, top + r), bottom - r)
    return left <= x <= right and top <= y <= bottom and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_letter_dot(x, y):
    col = math.floor((x - TEXT_LEFT) / DOT)
    row = math.floor((y - TEXT_TOP) / DOT)
    if not (0 <= row < 7 and 0 <= col < len(WORD) * 6):
        return False
    letter, dot = divmod(col, 6)
    if dot == 5 or LETTERS[WORD[letter]][row][dot] != "1":
        return False
    cx = TEXT_LEFT + (col + 0.5) * DOT
    cy = TEXT_TOP + (row + 0.5) * DOT
    return (x - cx) ** 2 + (y - cy) ** 2 <= (DOT * 0.55) ** 2


def sun(x, y):
    """Colour of the sun's face at (x, y), or None outside it."""
    sx, sy, r = SUN
    dx, dy = x - sx, y - sy
    d = math.hypot(dx, dy)
    if d > r:
        return None
    for ex in (-12, 12):  # eyes
        if math.hypot(dx - ex, dy + 10) < 4:
            return (120, 70, 20)
    if abs(math.hypot(dx, dy + 6) - 17) < 2.2 and dy > 0:  # smile
        return (120, 70, 20)
    return (255, 205, 60)


def sample(x, y):
    """Colour (r, g, b, a) of the picture at point (x, y)."""
    if in_card(x, y):
        return (40, 100, 210, 255) if in_letter_dot(x, y) else (255, 255, 255, 255)
    if in_card(x - 4, y - 5):  # the card's shadow
        return (110, 160, 205, 255)

    ax, ay = (x - TIP[0]) / ARROW_SCALE, (y - TIP[1]) / ARROW_SCALE
    if inside_polygon(ax, ay, ARROW):
        edge = any(not inside_polygon(ax + dx, ay + dy, ARROW)
                   for dx, dy in ((3, 0), (-3, 0), (0, 3), (0, -3)))
        return (30, 30, 40, 255) if edge else (255, 255, 255, 255)
    for radius in (14, 24):  # click ripples, open towards the arrow
        if abs(math.hypot(ax, ay) - radius) < 2.2 and not (ax > -4 and ay > -4):
            return (255, 214, 90, 255)

    if y >= hill_top(x):
        shade = min(1.0, (y - hill_top(x)) / 60)
        return (int(90 - 30 * shade), int(185 - 45 * shade), int(80 - 20 * shade), 255)
    face = sun(x, y)
    if face:
        return face + (255,)
    glow = max(0.0, 1 - (math.hypot(x - SUN[0], y - SUN[1]) - SUN[2]) / 45)
    t = y / HEIGHT
    sky = (120 + 90 * t, 190 + 45 * t, 250)
    warm = (255, 230, 150)
    return tuple(int(s + (w - s) * glow * 0.7) for s, w in zip(sky, warm)) + (255,)


def render():
    n = SUPERSAMPLE
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            acc = [0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, _ = sample(x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
            row.append(tuple(round(c / (n * n)) for c in acc) + (255,))
        rows.append(row)
    return rows


def main():
    path = os.path.join(HERE, "www", "qt", "welcome", "welcome.png")
    with open(path, "wb") as f:
        f.write(png_bytes(render()))


if __name__ == "__main__":
    main()
