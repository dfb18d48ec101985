#!/usr/bin/env python3
"""Draws the four message-box icons (critical, question, exclamation, information) as 32x32
PNG files in the classic desktop's manner: flat colours, a dark outline, a drop shadow.

Each icon is a list of layers painted in order; a layer is a colour and a test that says whether
a point lies inside it. Every pixel is sampled 4x4 times, so edges are smooth but the colours
stay flat. Run from the assets folder: python3 src/msgbox-icons.py (writes png/msgbox-*.png).
"""

import math
import struct
import sys
import zlib

SIZE = 32
SAMPLES = 4


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                hit = not hit
        return hit
    return inside


def grown(points, d):
    """The polygon moved outward from its centre by d (for outlines of convex shapes)."""
    cx = sum(p[0] for p in points) / len(points)
    cy = sum(p[1] for p in points) / len(points)
    out = []
    for x, y in points:
        length = math.hypot(x - cx, y - cy)
        out.append((x + (x - cx) / length * d, y + (y - cy) / length * d))
    return out


def stroke(x0, y0, x1, y1, half):
    """A straight stroke of half-width `half` between two points."""
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= half * half
    return inside


def arc(cx, cy, r_in, r_out, start, end):
    """A ring segment from angle `start` to `end` (degrees, clockwise from the right, y down)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if not r_in <= d <= r_out:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (a - start) % 360 <= (end - start) % 360
    return inside


def shifted(test, dx, dy):
    return lambda x, y: test(x - dx, y - dy)


def union(*tests):
    return lambda x, y: any(t(x, y) for t in tests)


SHADOW = (0, 0, 0, 80)
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
RED = (255, 0, 0, 255)
DARK_RED = (128, 0, 0, 255)
YELLOW = (255, 255, 0, 255)
BLUE = (0, 0, 255, 255)


def balloon():
    body = ellipse(15.5, 13, 13.5, 11)
    tail = polygon([(8, 21), (14, 23), (6, 30)])
    inner = union(ellipse(15.5, 13, 12.5, 10), polygon([(9, 20.5), (13, 22.5), (7.5, 28)]))
    outer = union(body, tail)
    return outer, inner


def critical():
    return [
        (SHADOW, shifted(circle(16, 16, 14), 2, 2)),
        (DARK_RED, circle(16, 16, 14)),
        (RED, circle(16, 16, 13)),
        (WHITE, union(stroke(10.5, 10.5, 21.5, 21.5, 2.2), stroke(21.5, 10.5, 10.5, 21.5, 2.2))),
    ]


def exclamation():
    tri = [(16, 1.5), (30.5, 28.5), (1.5, 28.5)]
    return [
        (SHADOW, shifted(polygon(tri), 2, 2)),
        (BLACK, polygon(tri)),
        (YELLOW, polygon(grown(tri, -1.6))),
        (BLACK, union(polygon([(14, 9), (18, 9), (17, 20), (15, 20)]), rect(14.5, 22, 17.5, 25))),
    ]


def information():
    outer, inner = balloon()
    return [
        (SHADOW, shifted(outer, 2, 2)),
        (BLACK, outer),
        (WHITE, inner),
        (BLUE, union(circle(15.5, 6.5, 2), rect(13.5, 10, 17.5, 20), rect(12, 10, 17.5, 11.5),
                     rect(12, 18.5, 19, 20))),
    ]


def question():
    outer, inner = balloon()
    return [
        (SHADOW, shifted(outer, 2, 2)),
        (BLACK, outer),
        (WHITE, inner),
        (BLUE, union(arc(15.5, 9, 2.5, 5.5, 170, 80), rect(13.8, 13, 17.3, 16.5),
                     rect(13.8, 18, 17.3, 21))),
    ]


def render(layers):
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    r = g = b = a = 0.0
                    for (cr, cg, cb, ca), test in layers:
                        if test(x, y):
                            alpha = ca / 255.0
                            r = cr * alpha + r * (1 - alpha)
                            g = cg * alpha + g * (1 - alpha)
                            b = cb * alpha + b * (1 - alpha)
                            a = alpha + a * (1 - alpha)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha <= 0:
                row += bytes(4)
                continue
            # The colour sums carry the coverage already; divide it out (straight alpha).
            row += bytes(round(min(255, c / n / alpha)) for c in acc[:3])
            row.append(round(alpha * 255))
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\0" + row for row in rows)
    head = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "png"
    for name, layers in (("critical", critical()), ("question", question()),
                         ("exclamation", exclamation()), ("information", information())):
        with open(f"{out}/msgbox-{name}.png", "wb") as f:
            f.write(png(render(layers)))


if __name__ == "__main__":
    main()
