#!/usr/bin/env python3
"""Draws the glyph bitmaps of the calendar window's digit clock.

Writes three 24-bit BMPs next to this script:
  numb_d2l.bmp  the date strip, soft cyan
  numb_d2c.bmp  the time strip, bright green
  weekday.bmp   the weekday labels (月) .. (日) and the AM and PM marks

A strip holds the digits 0..9, each 12 x 22, side by side, then "/" at x = 120
and ":" at x = 126, each 6 wide. The digits are seven-segment figures with the
unlit segments faintly showing, their pointed ends smoothed by 8 x 8
supersampling. The weekday bitmap holds seven labels of 24 x 10, Monday first,
then AM at x = 168 and PM at x = 184, each 16 x 10.

The output depends on nothing but this file: run it again after a change and
commit the images with it.
"""

import os
import struct

GLYPH_W = 12
GLYPH_H = 22
HALF_W = GLYPH_W // 2
STRIP_W = 10 * GLYPH_W + 2 * HALF_W
LABEL_W = 24
LABEL_H = 10
MARK_W = 16
WEEKDAY_W = 7 * LABEL_W + 2 * MARK_W

SUPERSAMPLE = 8
# The brightness of an unlit segment, as a share of the lit colour.
GHOST = 0.11

DATE_COLOUR = (110, 215, 255)
TIME_COLOUR = (70, 255, 120)
WEEKDAY_COLOUR = (225, 230, 235)
SATURDAY_COLOUR = (120, 170, 255)
SUNDAY_COLOUR = (255, 110, 110)
BRACKET_COLOUR = (120, 125, 130)
MARK_COLOUR = (255, 185, 70)


class Image:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[(0, 0, 0)] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def write_bmp(self, path):
        row_size = (self.width * 3 + 3) & ~3
        image_size = row_size * self.height
        header = struct.pack("<2sIHHI", b"BM", 14 + 40 + image_size, 0, 0, 14 + 40)
        # 2835 pixels a metre is 72 dots an inch.
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, image_size, 2835, 2835, 0, 0)
        rows = []
        for y in range(self.height - 1, -1, -1):
            row = bytearray()
            for r, g, b in self.pixels[y]:
                row += bytes((b, g, r))
            row += bytes(row_size - len(row))
            rows.append(bytes(row))
        with open(path, "wb") as out:
            out.write(header + info + b"".join(rows))


def scaled(colour, share):
    return tuple(min(255, round(c * share)) for c in colour)


# ---------------------------------------------------------------- digits

# The segment centre lines inside a 12 x 22 cell: left and right columns,
# top, middle and bottom rows, on whole pixels so that the bars stay sharp; the
# bars are THICK wide, GAP apart at the joints.
LEFT, RIGHT = 2.0, 10.0
TOP, MIDDLE, BOTTOM = 2.0, 11.0, 20.0
THICK = 2.0
GAP = 0.5

SEGMENTS_OF = {
    "0": "abcdef",
    "1": "bc",
    "2": "abged",
    "3": "abgcd",
    "4": "fgbc",
    "5": "afgcd",
    "6": "afgedc",
    "7": "abc",
    "8": "abcdefg",
    "9": "abcdfg",
}


def bar(x1, y1, x2, y2):
    """A segment from one end point to the other, pointed at both ends."""
    h = THICK / 2
    if y1 == y2:
        return [(x1, y1), (x1 + h, y1 - h), (x2 - h, y1 - h), (x2, y1), (x2 - h, y1 + h), (x1 + h, y1 + h)]
    return [(x1, y1), (x1 + h, y1 + h), (x1 + h, y2 - h), (x1, y2), (x1 - h, y2 - h), (x1 - h, y1 + h)]


def segment_shapes():
    g = GAP
    return {
        "a": bar(LEFT + g, TOP, RIGHT - g, TOP),
        "g": bar(LEFT + g, MIDDLE, RIGHT - g, MIDDLE),
        "d": bar(LEFT + g, BOTTOM, RIGHT - g, BOTTOM),
        "f": bar(LEFT, TOP + g, LEFT, MIDDLE - g),
        "b": bar(RIGHT, TOP + g, RIGHT, MIDDLE - g),
        "e": bar(LEFT, MIDDLE + g, LEFT, BOTTOM - g),
        "c": bar(RIGHT, MIDDLE + g, RIGHT, BOTTOM - g),
    }


def inside_convex(polygon, x, y):
    sign = 0
    count = len(polygon)
    for i in range(count):
        ax, ay = polygon[i]
        bx, by = polygon[(i + 1) % count]
        cross = (bx - ax) * (y - ay) - (by - ay) * (x - ax)
        if cross != 0:
            if sign == 0:
                sign = 1 if cross > 0 else -1
            elif (cross > 0) != (sign > 0):
                return False
    return True


def coverage(shapes, x, y):
    """The share of pixel (x, y) that the shapes cover."""
    hits = 0
    for sy in range(SUPERSAMPLE):
        for sx in range(SUPERSAMPLE):
            px = x + (sx + 0.5) / SUPERSAMPLE
            py = y + (sy + 0.5) / SUPERSAMPLE
            if any(inside_convex(shape, px, py) for shape in shapes):
                hits += 1
    return hits / (SUPERSAMPLE * SUPERSAMPLE)


def paint_shapes(image, left, width, lit, ghost, colour):
    """Lit shapes in the colour, ghost shapes faintly, each pixel blended by coverage."""
    for y in range(GLYPH_H):
        for x in range(width):
            on = coverage(lit, x, y)
            off = coverage(ghost, x, y) if ghost else 0.0
            share = min(1.0, on + off * GHOST)
            if share > 0:
                image.put(left + x, y, scaled(colour, share))


def square(cx, cy, half):
    return [(cx - half, cy - half), (cx + half, cy - half), (cx + half, cy + half), (cx - half, cy + half)]


def make_strip(colour):
    image = Image(STRIP_W, GLYPH_H)
    shapes = segment_shapes()
    for digit in range(10):
        lit_names = SEGMENTS_OF[str(digit)]
        lit = [shapes[name] for name in lit_names]
        ghost = [shape for name, shape in shapes.items() if name not in lit_names]
        paint_shapes(image, digit * GLYPH_W, GLYPH_W, lit, ghost, colour)
    # "/": a thin bar from the bottom left to the top right of its half cell.
    slash = [(0.2, BOTTOM + 1.0), (2.2, BOTTOM + 1.0), (5.8, TOP - 1.0), (3.8, TOP - 1.0)]
    paint_shapes(image, 10 * GLYPH_W, HALF_W, [slash], [], colour)
    # ":": two square dots level with the middle of each half of a figure.
    dots = [square(3.0, (TOP + MIDDLE) / 2 + 0.5, 1.05), square(3.0, (MIDDLE + BOTTOM) / 2 - 0.5, 1.05)]
    paint_shapes(image, 10 * GLYPH_W + HALF_W, HALF_W, dots, [], colour)
    return image


# ---------------------------------------------------------------- labels

# The weekday kanji, 9 x 10 pixel art.
KANJI = {
    "月": [
        "..######.",
        "..#....#.",
        "..#....#.",
        "..######.",
        "..#....#.",
        "..######.",
        "..#....#.",
        ".#.....#.",
        ".#.....#.",
        "#....##..",
    ],
    "火": [
        "....#....",
        "....#....",
        "#...#...#",
        ".#..#..#.",
        "....#....",
        "....#....",
        "...#.#...",
        "..#...#..",
        ".#.....#.",
        "#.......#",
    ],
    "水": [
        "....#....",
        "....#...#",
        "###.#..#.",
        "..#.#.#..",
        "..#.##...",
        ".#..#.#..",
        ".#..#..#.",
        "#...#...#",
        "....#....",
        "..###....",
    ],
    "木": [
        "....#....",
        "....#....",
        "#########",
        "....#....",
        "...###...",
        "..#.#.#..",
        ".#..#..#.",
        "#...#...#",
        "....#....",
        "....#....",
    ],
    "金": [
        "....#....",
        "...#.#...",
        "..#...#..",
        "##.....##",
        "..#####..",
        "....#....",
        ".#######.",
        ".#..#..#.",
        "..#.#.#..",
        "#########",
    ],
    "土": [
        ".........",
        "....#....",
        "....#....",
        "....#....",
        ".#######.",
        "....#....",
        "....#....",
        "....#....",
        "#########",
        ".........",
    ],
    "日": [
        ".#######.",
        ".#.....#.",
        ".#.....#.",
        ".#.....#.",
        ".#######.",
        ".#.....#.",
        ".#.....#.",
        ".#.....#.",
        ".#.....#.",
        ".#######.",
    ],
}

OPEN_BRACKET = [".#", "#.", "#.", "#.", "#.", "#.", "#.", "#.", "#.", ".#"]
CLOSE_BRACKET = ["#.", ".#", ".#", ".#", ".#", ".#", ".#", ".#", ".#", "#."]

# 5 x 7 capitals.
LETTERS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
}


def stamp(image, art, left, top, colour):
    for dy, row in enumerate(art):
        for dx, cell in enumerate(row):
            if cell == "#":
                image.put(left + dx, top + dy, colour)


def make_weekdays():
    image = Image(WEEKDAY_W, LABEL_H)
    # Monday first, as the clock counts them; Saturday blue, Sunday red.
    week = "月火水木金土日"
    for index, kanji in enumerate(week):
        left = index * LABEL_W
        colour = SATURDAY_COLOUR if kanji == "土" else SUNDAY_COLOUR if kanji == "日" else WEEKDAY_COLOUR
        stamp(image, OPEN_BRACKET, left + 3, 0, BRACKET_COLOUR)
        stamp(image, KANJI[kanji], left + 7, 0, colour)
        stamp(image, CLOSE_BRACKET, left + 18, 0, BRACKET_COLOUR)
    for index, mark in enumerate(("AM", "PM")):
        left = 7 * LABEL_W + index * MARK_W
        stamp(image, LETTERS[mark[0]], left + 2, 2, MARK_COLOUR)
        stamp(image, LETTERS[mark[1]], left + 9, 2, MARK_COLOUR)
    return image


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    make_strip(DATE_COLOUR).write_bmp(os.path.join(folder, "numb_d2l.bmp"))
    make_strip(TIME_COLOUR).write_bmp(os.path.join(folder, "numb_d2c.bmp"))
    make_weekdays().write_bmp(os.path.join(folder, "weekday.bmp"))


if __name__ == "__main__":
    main()
