#!/usr/bin/env python3
"""Where a colour shows in a screenshot, read with ImageMagick, not with Quenda.

    screen_pixels.py IMAGE RRGGBB X0 Y0 X1 Y1 [MIN_PIXELS [MIN_COLUMN]]

Prints "CX CY COUNT" (the centre of the matching pixels' bounding box and how many match)
for the pixels of exactly that colour inside the rectangle [X0, X1) x [Y0, Y1); exits 1
when fewer than MIN_PIXELS (default 400) match. Only columns holding at least MIN_COLUMN
(default 1) matching pixels count, so a filled area stands out from text edges that happen
to share its colour.
"""
import subprocess
import sys


def main():
    image, colour = sys.argv[1], bytes.fromhex(sys.argv[2])
    x0, y0, x1, y1 = (int(v) for v in sys.argv[3:7])
    least = int(sys.argv[7]) if len(sys.argv) > 7 else 400
    data = subprocess.run(["convert", image, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True).stdout
    # P6 header: magic, width, height, maxval, each followed by white space.
    header = data.split(maxsplit=4)
    width, height = int(header[1]), int(header[2])
    pixels = data[len(data) - width * height * 3:]
    least_in_column = int(sys.argv[8]) if len(sys.argv) > 8 else 1
    columns = {}
    for y in range(max(0, y0), min(height, y1)):
        row = y * width * 3
        for x in range(max(0, x0), min(width, x1)):
            i = row + x * 3
            if pixels[i:i + 3] == colour:
                columns.setdefault(x, []).append(y)
    columns = {x: ys for x, ys in columns.items() if len(ys) >= least_in_column}
    count = sum(len(ys) for ys in columns.values())
    if columns:
        left, right = min(columns), max(columns)
        top = min(min(ys) for ys in columns.values())
        bottom = max(max(ys) for ys in columns.values())
    if count < least:
        print(f"0 0 {count}")
        return 1
    print(f"{(left + right) // 2} {(top + bottom) // 2} {count}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
