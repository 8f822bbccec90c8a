#!/usr/bin/env python3
"""Draws the program's pictures into resources/images/.

The pictures are committed; the build never runs this.  Every picture is
described with simple shapes in pixel units, rendered at SS x SS samples per
pixel and averaged down, so straight edges placed on pixel boundaries stay
sharp while curves and diagonals get smooth edges.  Only the standard library
is used; avatar.jpg is converted from the drawn PNG with ImageMagick.

    python3 scripts/draw_images.py [output-dir]
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

SS = 6  # samples per pixel along each axis


# ---------------------------------------------------------------- shapes ---
# A shape answers "is this point inside?" and gives a bounding box, so the
# canvas only tests the samples it has to.

class Shape:
    def __or__(self, other):
        return Union(self, other)

    def __and__(self, other):
        return Intersect(self, other)

    def __sub__(self, other):
        return Minus(self, other)


class Rect(Shape):
    def __init__(self, x0, y0, x1, y1):
        self.box = (x0, y0, x1, y1)

    def contains(self, x, y):
        x0, y0, x1, y1 = self.box
        return x0 <= x < x1 and y0 <= y < y1


class RoundRect(Shape):
    def __init__(self, x0, y0, x1, y1, r):
        self.box = (x0, y0, x1, y1)
        self.r = r

    def contains(self, x, y):
        x0, y0, x1, y1 = self.box
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        r = self.r
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry=None):
        ry = rx if ry is None else ry
        self.c = (cx, cy, rx, ry)
        self.box = (cx - rx, cy - ry, cx + rx, cy + ry)

    def contains(self, x, y):
        cx, cy, rx, ry = self.c
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def Circle(cx, cy, r):
    return Ellipse(cx, cy, r, r)


def Ring(cx, cy, r_out, r_in):
    return Circle(cx, cy, r_out) - Circle(cx, cy, r_in)


class Polygon(Shape):
    def __init__(self, pts):
        self.pts = pts
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.box = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        pts = self.pts
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                if x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    inside = not inside
            j = i
        return inside


class Capsule(Shape):
    """A thick line with round ends."""

    def __init__(self, p, q, width):
        self.p, self.q, self.h = p, q, width / 2.0
        h = self.h
        self.box = (min(p[0], q[0]) - h, min(p[1], q[1]) - h,
                    max(p[0], q[0]) + h, max(p[1], q[1]) + h)

    def contains(self, x, y):
        (px, py), (qx, qy) = self.p, self.q
        dx, dy = qx - px, qy - py
        ll = dx * dx + dy * dy
        t = 0.0 if ll == 0 else max(0.0, min(1.0, ((x - px) * dx + (y - py) * dy) / ll))
        ex, ey = px + t * dx - x, py + t * dy - y
        return ex * ex + ey * ey <= self.h * self.h


def Polyline(pts, width):
    shape = Capsule(pts[0], pts[1], width)
    for a, b in zip(pts[1:], pts[2:]):
        shape = shape | Capsule(a, b, width)
    return shape


class Sector(Shape):
    """Pie slice; angles in degrees, clockwise from twelve o'clock."""

    def __init__(self, cx, cy, r, a0, a1):
        self.c = (cx, cy, r)
        self.a = (a0, a1)
        self.box = (cx - r, cy - r, cx + r, cy + r)

    def contains(self, x, y):
        cx, cy, r = self.c
        dx, dy = x - cx, y - cy
        if dx * dx + dy * dy > r * r:
            return False
        ang = math.degrees(math.atan2(dx, -dy)) % 360.0
        return self.a[0] <= ang < self.a[1]


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts
        self.box = (min(p.box[0] for p in parts), min(p.box[1] for p in parts),
                    max(p.box[2] for p in parts), max(p.box[3] for p in parts))

    def contains(self, x, y):
        return any(p.contains(x, y) for p in self.parts)


class Intersect(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.box = (max(a.box[0], b.box[0]), max(a.box[1], b.box[1]),
                    min(a.box[2], b.box[2]), min(a.box[3], b.box[3]))

    def contains(self, x, y):
        return self.a.contains(x, y) and self.b.contains(x, y)


class Minus(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.box = a.box

    def contains(self, x, y):
        return self.a.contains(x, y) and not self.b.contains(x, y)


# ---------------------------------------------------------------- paints ---

def rgb(hexstr, alpha=1.0):
    h = hexstr.lstrip('#')
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0,
            int(h[4:6], 16) / 255.0, alpha)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(4))


def vgrad(y0, c0, y1, c1):
    c0, c1 = rgb(c0) if isinstance(c0, str) else c0, rgb(c1) if isinstance(c1, str) else c1
    return lambda x, y: mix(c0, c1, (y - y0) / (y1 - y0))


def hgrad(x0, c0, x1, c1):
    c0, c1 = rgb(c0) if isinstance(c0, str) else c0, rgb(c1) if isinstance(c1, str) else c1
    return lambda x, y: mix(c0, c1, (x - x0) / (x1 - x0))


def rgrad(cx, cy, r, c0, c1):
    c0, c1 = rgb(c0) if isinstance(c0, str) else c0, rgb(c1) if isinstance(c1, str) else c1
    return lambda x, y: mix(c0, c1, math.hypot(x - cx, y - cy) / r)


# ---------------------------------------------------------------- canvas ---

class Canvas:
    # unit: pixels per drawing unit, so one drawing serves every icon size.
    def __init__(self, w, h, background=None, unit=1.0):
        self.w, self.h = w, h
        self.unit = unit
        self.sw, self.sh = w * SS, h * SS
        bg = background if background else (0.0, 0.0, 0.0, 0.0)
        # Straight (non-premultiplied) RGBA per sample.
        self.px = [list(bg) for _ in range(self.sw * self.sh)]

    def fill(self, shape, paint):
        if isinstance(paint, str):
            paint = rgb(paint)
        const = not callable(paint)
        x0, y0, x1, y1 = shape.box
        u = self.unit
        sx0 = max(0, int(math.floor(x0 * u * SS)))
        sy0 = max(0, int(math.floor(y0 * u * SS)))
        sx1 = min(self.sw, int(math.ceil(x1 * u * SS)) + 1)
        sy1 = min(self.sh, int(math.ceil(y1 * u * SS)) + 1)
        for sy in range(sy0, sy1):
            y = (sy + 0.5) / SS / u
            row = sy * self.sw
            for sx in range(sx0, sx1):
                x = (sx + 0.5) / SS / u
                if not shape.contains(x, y):
                    continue
                c = paint if const else paint(x, y)
                self._over(row + sx, c)

    def _over(self, i, c):
        d = self.px[i]
        sa = c[3]
        if sa >= 1.0:
            d[0], d[1], d[2], d[3] = c[0], c[1], c[2], 1.0
            return
        da = d[3]
        oa = sa + da * (1.0 - sa)
        if oa <= 0.0:
            return
        for k in range(3):
            d[k] = (c[k] * sa + d[k] * da * (1.0 - sa)) / oa
        d[3] = oa

    def pixels(self):
        """Averages the samples into 8-bit straight RGBA rows."""
        out = []
        n = SS * SS
        for py in range(self.h):
            row = bytearray()
            for px in range(self.w):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(py * SS, py * SS + SS):
                    base = sy * self.sw
                    for sx in range(px * SS, px * SS + SS):
                        r, g, b, a = self.px[base + sx]
                        acc[0] += r * a
                        acc[1] += g * a
                        acc[2] += b * a
                        acc[3] += a
                a = acc[3] / n
                if a <= 0.0:
                    row += bytes(4)
                    continue
                col = [acc[k] / acc[3] for k in range(3)]
                row += bytes(int(round(max(0.0, min(1.0, v)) * 255)) for v in col + [a])
            out.append(bytes(row))
        return out

    def save_png(self, path):
        rows = self.pixels()
        raw = b''.join(b'\x00' + r for r in rows)

        def chunk(tag, data):
            body = tag + data
            return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)

        png = b'\x89PNG\r\n\x1a\n'
        png += chunk(b'IHDR', struct.pack('>IIBBBBB', self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b'IDAT', zlib.compress(raw, 9))
        png += chunk(b'IEND', b'')
        with open(path, 'wb') as f:
            f.write(png)


# ------------------------------------------------------------ components ---

OUTLINE = '#4a5563'


def page(c, x0=2, y0=1, x1=13, y1=15, fold=4, lines=True):
    """A sheet with its top right corner folded over."""
    outer = Polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    inner = Polygon([(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4),
                     (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)])
    c.fill(outer, OUTLINE)
    c.fill(inner, vgrad(y0, '#ffffff', y1, '#e4ecf5'))
    c.fill(Polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]), OUTLINE)
    c.fill(Polygon([(x1 - fold + 1, y0 + 1.6), (x1 - fold + 1, y0 + fold - 1),
                    (x1 - 1.6, y0 + fold - 1)]), '#c9d3de')
    if lines:
        for y in range(y0 + 4, y1 - 2, 2):
            right = x1 - 2 if y > y0 + fold else x1 - fold - 1
            c.fill(Rect(x0 + 2, y, right, y + 1), '#9aa8b8')


def magnifier(c, cx, cy, r, ring, hx, hy, handle):
    """Lens centred at (cx, cy); the handle runs out to (hx, hy)."""
    d = math.hypot(hx - cx, hy - cy)
    ux, uy = (hx - cx) / d, (hy - cy) / d
    start = (cx + ux * (r + ring * 0.3), cy + uy * (r + ring * 0.3))
    c.fill(Capsule(start, (hx, hy), handle + 1.2), '#2b2f36')
    c.fill(Capsule(start, (hx, hy), handle), hgrad(cx, '#a0663a', hx, '#5e3a1e'))
    c.fill(Circle(cx, cy, r + ring / 2 + 0.5), '#2b2f36')
    c.fill(Circle(cx, cy, r - ring / 2), rgrad(cx - r * 0.4, cy - r * 0.4, r * 1.6,
                                               rgb('#ffffff', 0.95), rgb('#9fd0f5', 0.85)))
    c.fill(Ring(cx, cy, r + ring / 2, r - ring / 2), vgrad(cy - r, '#d7dde4', cy + r, '#7d8896'))
    # glint
    c.fill(Capsule((cx - r * 0.45, cy - r * 0.05), (cx - r * 0.05, cy - r * 0.45), max(0.8, r * 0.22)),
           rgb('#ffffff', 0.9))


def person(c, cx, top, scale, shirt, shirt_dark):
    """Head and shoulders; (cx, top) is the top of the head."""
    hr = 2.6 * scale
    hy = top + hr
    body_top = hy + hr * 0.85
    body = Intersect(Ellipse(cx, body_top + 6.2 * scale, 5.4 * scale, 6.2 * scale),
                     Rect(cx - 6 * scale, body_top - 1, cx + 6 * scale, body_top + 6.0 * scale))
    body_o = Intersect(Ellipse(cx, body_top + 6.2 * scale, 5.4 * scale + 0.9, 6.2 * scale + 0.9),
                       Rect(cx - 7 * scale, body_top - 2, cx + 7 * scale, body_top + 6.0 * scale))
    c.fill(body_o, '#26303b')
    c.fill(body, hgrad(cx - 5 * scale, shirt, cx + 5 * scale, shirt_dark))
    # collar
    c.fill(Polygon([(cx - 1.4 * scale, body_top - 0.1), (cx + 1.4 * scale, body_top - 0.1),
                    (cx, body_top + 1.8 * scale)]), '#f4f6f8')
    c.fill(Circle(cx, hy, hr + 0.9), '#26303b')
    c.fill(Circle(cx, hy, hr), rgrad(cx - hr * 0.4, hy - hr * 0.4, hr * 2, '#ffe2bf', '#e0a66c'))
    # hair cap
    c.fill(Intersect(Circle(cx, hy, hr), Rect(cx - hr, hy - hr, cx + hr, hy - hr * 0.25)), '#6b4424')


def disk(c, cx, ytop, ybot, rx, ry, side, side_dark, top_col):
    o = 0.9
    c.fill(Ellipse(cx, ybot, rx + o, ry + o) | Rect(cx - rx - o, ytop, cx + rx + o, ybot)
           | Ellipse(cx, ytop, rx + o, ry + o), '#2a3a4e')
    c.fill(Ellipse(cx, ybot, rx, ry) | Rect(cx - rx, ytop, cx + rx, ybot),
           hgrad(cx - rx, side, cx + rx, side_dark))
    c.fill(Ellipse(cx, ytop, rx, ry), top_col)


def badge_arrow(c, x0, y0, scale=1.0, body='#34a853', dark='#1e6b31'):
    """A right-pointing arrow whose bounding box starts at (x0, y0), 9x8 at scale 1."""
    def pts(grow):
        s = scale
        g = grow
        return [(x0 + (0 - g) * s, y0 + (2.5 - g) * s), (x0 + (4.5) * s, y0 + (2.5 - g) * s),
                (x0 + 4.5 * s, y0 + (0 - 1.5 * g) * s), (x0 + (9 + 1.8 * g) * s, y0 + 4 * s),
                (x0 + 4.5 * s, y0 + (8 + 1.5 * g) * s), (x0 + 4.5 * s, y0 + (5.5 + g) * s),
                (x0 + (0 - g) * s, y0 + (5.5 + g) * s)]
    c.fill(Polygon(pts(0.8 / scale)), dark)
    c.fill(Polygon(pts(0.0)), vgrad(y0, '#7fd88f', y0 + 8 * scale, body))


# -------------------------------------------------------------- pictures ---

def image00():  # two stacked windows
    c = Canvas(16, 16)
    for x0, y0 in ((1, 1), (5, 5)):
        x1, y1 = x0 + 10, y0 + 10
        c.fill(Rect(x0, y0, x1, y1), '#2d4a6e')
        c.fill(Rect(x0 + 1, y0 + 1, x1 - 1, y0 + 3), hgrad(x0, '#5f9be0', x1, '#2f6cb8'))
        c.fill(Rect(x0 + 1, y0 + 3, x1 - 1, y1 - 1), vgrad(y0, '#ffffff', y1, '#e3eaf3'))
        c.fill(Rect(x1 - 3, y0 + 1, x1 - 2, y0 + 2), '#ffffff')
    return c


def image01():  # page, green arrow to the right
    c = Canvas(16, 16)
    page(c, 1, 1, 12, 15)
    badge_arrow(c, 6.5, 7.5, 1.0)
    return c


def image02():  # page with a pencil
    c = Canvas(16, 16)
    page(c, 1, 1, 12, 15)
    a, b = (14.6, 5.4), (6.0, 14.0)  # eraser end, point
    d = math.hypot(b[0] - a[0], b[1] - a[1])
    ux, uy = (b[0] - a[0]) / d, (b[1] - a[1]) / d
    nx, ny = -uy, ux
    w = 1.55

    def quad(t0, t1, w0, w1):
        p0 = (a[0] + ux * t0, a[1] + uy * t0)
        p1 = (a[0] + ux * t1, a[1] + uy * t1)
        return Polygon([(p0[0] + nx * w0, p0[1] + ny * w0), (p1[0] + nx * w1, p1[1] + ny * w1),
                        (p1[0] - nx * w1, p1[1] - ny * w1), (p0[0] - nx * w0, p0[1] - ny * w0)])
    o = 0.75
    c.fill(quad(-o, d - 3.2, w + o, w + o) | quad(d - 3.2, d + o * 1.4, w + o, 0.0), '#3a2a12')
    c.fill(quad(0, 2.0, w, w), '#f08a9c')           # eraser
    c.fill(quad(2.0, 3.0, w, w), '#b8c0c8')         # ferrule
    c.fill(quad(3.0, d - 3.2, w, w), lambda x, y: mix(rgb('#ffd23f'), rgb('#e08a00'),
                                                    ((x - a[0]) * nx + (y - a[1]) * ny) / (2 * w) + 0.5))
    c.fill(quad(d - 3.2, d, w, 0.0), '#f1d3a6')     # sharpened wood
    c.fill(quad(d - 1.2, d, w * 1.2 / 3.2, 0.0), '#2b2b2b')  # lead
    return c


def image03():  # page with a red cross
    c = Canvas(16, 16)
    page(c, 1, 1, 12, 15)
    p, q, r, s = (8.2, 8.2), (13.8, 13.8), (13.8, 8.2), (8.2, 13.8)
    c.fill(Capsule(p, q, 4.4) | Capsule(r, s, 4.4), '#7a1010')
    c.fill(Capsule(p, q, 2.6) | Capsule(r, s, 2.6), vgrad(7, '#ff6b5e', 15, '#c9201a'))
    return c


def image04():  # page with a magnifier
    c = Canvas(16, 16)
    page(c, 1, 1, 12, 15)
    magnifier(c, 9.0, 9.0, 3.1, 1.3, 14.6, 14.6, 2.0)
    return c


def image05():  # one person
    c = Canvas(16, 16)
    person(c, 8.0, 1.2, 1.0, '#4a8fe0', '#2459a8')
    return c


def image06():  # a group of persons
    c = Canvas(16, 16)
    person(c, 3.9, 1.0, 0.72, '#5cbf6a', '#2f8a3c')
    person(c, 12.1, 1.0, 0.72, '#f0a040', '#c06a10')
    person(c, 8.0, 3.8, 0.86, '#4a8fe0', '#2459a8')
    return c


def image07():  # page with a green plus
    c = Canvas(16, 16)
    page(c, 1, 1, 12, 15)
    c.fill(Rect(7, 10, 16, 14) | Rect(9.5, 7.5, 13.5, 16), '#1e6b31')
    grad = vgrad(8, '#8fe09c', 15, '#2f9e46')
    c.fill(Rect(8, 11, 15, 13) | Rect(10.5, 8.5, 12.5, 15), grad)
    return c


def image08():  # an empty bucket
    c = Canvas(16, 16)
    cx, ry_rim, rim_y = 8.0, 1.7, 6.5
    # handle
    handle = Intersect(Ellipse(cx, rim_y, 5.6, 5.2) - Ellipse(cx, rim_y, 4.5, 4.1),
                       Rect(0, 0, 16, rim_y))
    c.fill(handle, '#4b5563')
    body = Polygon([(2.2, rim_y), (13.8, rim_y), (12.0, 14.6), (4.0, 14.6)]) | Ellipse(cx, 14.6, 4.0, 1.0)
    body_o = Polygon([(1.3, rim_y), (14.7, rim_y), (12.8, 15.0), (3.2, 15.0)]) | Ellipse(cx, 14.7, 4.8, 1.3)
    c.fill(body_o, '#2f3a47')
    c.fill(body, hgrad(2, '#d9e2ec', 14, '#7d8fa3'))
    c.fill(Rect(3.1, 9.8, 12.9, 10.8) & body, '#8c9bb0')  # hoop
    c.fill(Ellipse(cx, rim_y, 6.7, ry_rim + 0.9), '#2f3a47')
    c.fill(Ellipse(cx, rim_y, 5.8, ry_rim), '#c4d0dc')
    c.fill(Ellipse(cx, rim_y + 0.15, 4.9, ry_rim - 0.65), vgrad(rim_y - 1, '#3b4654', rim_y + 1, '#6b7a8c'))
    return c


def image09():  # a stack of disks
    c = Canvas(16, 16)
    for ytop in (11.0, 7.5, 4.0):
        disk(c, 8.0, ytop, ytop + 2.6, 6.0, 2.0, '#6fb0f0', '#2a65b0', '#bfe0ff')
    return c


def image10():  # page with a pie chart
    c = Canvas(16, 16)
    page(c, 1, 1, 12, 15)
    cx, cy, r = 10.6, 10.6, 4.6
    c.fill(Circle(cx, cy, r + 0.9), '#2b2f36')
    c.fill(Sector(cx, cy, r, 0, 200), rgrad(cx - 2, cy - 2, 7, '#6fb3ff', '#1f5fb8'))
    c.fill(Sector(cx, cy, r, 200, 290), rgrad(cx - 2, cy - 2, 7, '#ff8a7a', '#c62a1f'))
    c.fill(Sector(cx, cy, r, 290, 360), rgrad(cx - 2, cy - 2, 7, '#9be58a', '#2f9a2a'))
    for ang in (0, 200, 290):
        t = math.radians(ang)
        c.fill(Capsule((cx, cy), (cx + math.sin(t) * r, cy - math.cos(t) * r), 0.6), '#ffffff')
    return c


def image11():  # a magnifier over a blue disc
    c = Canvas(16, 16)
    c.fill(Circle(6.5, 6.5, 6.2), '#17407a')
    c.fill(Circle(6.5, 6.5, 5.3), rgrad(4.5, 4.5, 8, '#8cc4ff', '#1f5fc0'))
    magnifier(c, 9.6, 9.6, 3.0, 1.3, 14.8, 14.8, 2.0)
    return c


def image12():  # a blank page
    c = Canvas(16, 16)
    page(c, 2, 1, 14, 15, lines=False)
    return c


def image13():  # a magnifier
    c = Canvas(16, 16)
    magnifier(c, 6.4, 6.4, 4.2, 1.6, 14.4, 14.4, 2.4)
    return c


def image14():  # information sign
    c = Canvas(16, 16)
    c.fill(Circle(8, 8, 7.6), '#123f80')
    c.fill(Circle(8, 8, 6.7), rgrad(5.5, 4.5, 11, '#7fb8ff', '#1d5fc4'))
    c.fill(Circle(8, 4.4, 1.35), '#ffffff')
    c.fill(Rect(7, 7, 9, 12) | Rect(6, 7, 9, 8) | Rect(6, 11, 10, 12), '#ffffff')
    return c


def history():  # page with a clock: the loan history
    c = Canvas(16, 16)
    page(c, 1, 1, 12, 15)
    c.fill(Circle(10.5, 10.5, 5.2), '#1f3f66')
    c.fill(Circle(10.5, 10.5, 4.3), rgrad(9.0, 9.0, 6, '#ffffff', '#d4e4f7'))
    c.fill(Capsule((10.5, 10.5), (10.5, 7.4), 0.55), '#1f3f66')
    c.fill(Capsule((10.5, 10.5), (12.7, 11.6), 0.55), '#b3261e')
    return c


def reminder():  # an envelope: a reminder to send
    c = Canvas(16, 16)
    c.fill(Rect(1, 3, 15, 13), '#4a5563')
    c.fill(Rect(2, 4, 14, 12), vgrad(4, '#ffffff', 12, '#e4ecf5'))
    c.fill(Polyline([(2.2, 4.4), (8, 8.8), (13.8, 4.4)], 1.1), '#4a5563')
    return c


def search():  # white tick on a green disc
    c = Canvas(16, 16)
    c.fill(Circle(8, 8, 7.6), '#1d6b2c')
    c.fill(Circle(8, 8, 6.7), rgrad(5.5, 4.5, 11, '#8ee39a', '#27963d'))
    c.fill(Polyline([(4.4, 8.3), (7.0, 10.9), (11.6, 5.3)], 2.3), '#ffffff')
    return c


def book(c, x0, y0, x1, y1, cover, cover_dark, spine_w, o=1.4, pages_w=3.0):
    """A closed book seen from the front, pages showing on the right."""
    c.fill(RoundRect(x0 - o, y0 - o, x1 + pages_w + o, y1 + o, 2.0 + o), '#22303f')
    c.fill(RoundRect(x1 - 2, y0 + 1.5, x1 + pages_w, y1 - 1.5, 1.2),
           lambda x, y: rgb('#f6efdc') if int(y * 1.6) % 2 else rgb('#ddd3bb'))
    c.fill(RoundRect(x0, y0, x1, y1, 2.0), hgrad(x0, cover, x1, cover_dark))
    c.fill(Rect(x0 + spine_w, y0, x0 + spine_w + o * 0.8, y1), rgb('#000000', 0.25))


def zandrel(size=48):  # program icon, drawn on a 48 x 48 grid
    c = Canvas(size, size, unit=size / 48.0)
    book(c, 6, 4, 33, 42, '#3b8be0', '#1d4f9a', 5)
    # label on the cover
    c.fill(RoundRect(15, 10, 29, 20, 1.5), '#f7f3e8')
    c.fill(Rect(17, 13, 27, 14.5) | Rect(17, 16, 24, 17.5), '#7d8796')
    # bookmark ribbon
    c.fill(Polygon([(26.5, 2.5), (32.5, 2.5), (32.5, 31), (29.5, 27.5), (26.5, 31)]), '#7a1414')
    c.fill(Polygon([(27.5, 3.5), (31.5, 3.5), (31.5, 28.5), (29.5, 26), (27.5, 28.5)]),
           hgrad(27, '#ff6b5e', 32, '#c9201a'))
    c.fill(Rect(26.5, 2.5, 33, 4), '#22303f')
    # "lent out" badge
    bx, by, br = 35.5, 35.5, 10.5
    c.fill(Circle(bx, by, br + 1.3), '#ffffff')
    c.fill(Circle(bx, by, br), '#1e6b31')
    c.fill(Circle(bx, by, br - 1.2), rgrad(bx - 4, by - 4, 15, '#8fe09c', '#2f9e46'))
    c.fill(Polygon([(29, 33.5), (35, 33.5), (35, 29), (42.5, 35.5), (35, 42), (35, 37.5), (29, 37.5)]),
           '#ffffff')
    return c


def avatar():  # about box picture, 64 x 64
    bg = None
    c = Canvas(64, 64, bg)
    c.fill(Rect(0, 0, 64, 64), vgrad(0, '#fde7c8', 64, '#f6b98a'))
    # soft sun in the corner
    c.fill(Circle(10, 10, 6.5), rgb('#fff6e0', 0.9))
    # shelf
    c.fill(Rect(0, 47, 64, 52), vgrad(47, '#b7773f', 52, '#7a4a22'))
    c.fill(Rect(0, 52, 64, 54), rgb('#5a3416', 0.6))
    # books standing on the shelf
    books = [
        (5, 20, 7, '#d94f43', '#a3342b'),
        (12, 26, 6, '#3f7fd1', '#27589a'),
        (18, 17, 8, '#f2b632', '#c98b12'),
        (26, 24, 6, '#43a35a', '#2c7a40'),
    ]
    for x, top, w, col, dark in books:
        c.fill(RoundRect(x - 0.8, top - 0.8, x + w + 0.8, 47.5, 1.6), '#3b2a20')
        c.fill(RoundRect(x, top, x + w, 47.5, 1.0), hgrad(x, col, x + w, dark))
        c.fill(Rect(x, top + 4, x + w, top + 5.2) | Rect(x, 40, x + w, 41.2), rgb('#fff3d6', 0.85))
    # one leaning book
    lean = Polygon([(32.5, 47.5), (39.5, 47.5), (50.5, 27.5), (43.5, 25.0)])
    lean_o = Polygon([(31.3, 48.0), (40.3, 48.0), (51.8, 27.2), (43.0, 23.8)])
    c.fill(lean_o, '#3b2a20')
    c.fill(lean, hgrad(33, '#9a5fd1', 50, '#6a3aa0'))
    c.fill(Polygon([(41.5, 28.8), (48.4, 31.0), (47.8, 32.1), (40.9, 29.9)]), rgb('#fff3d6', 0.85))
    # a small potted plant keeps the shelf company
    c.fill(Polygon([(52.2, 38.5), (61.8, 38.5), (60.3, 47.5), (53.7, 47.5)]), '#3b2a20')
    c.fill(Polygon([(53.2, 39.5), (60.8, 39.5), (59.5, 47), (54.5, 47)]), hgrad(53, '#e07a4a', 61, '#b04e26'))
    for leaf in (Ellipse(54.5, 33.5, 2.4, 4.6), Ellipse(59.5, 33.5, 2.4, 4.6), Ellipse(57, 31, 2.2, 5.6)):
        c.fill(leaf, vgrad(26, '#7ccf6a', 39, '#2f8a3c'))
    # arrow: the leaning book is on its way out to a borrower
    c.fill(Capsule((30, 14), (47, 14), 6.2) | Polygon([(44.5, 5.6), (58.2, 14), (44.5, 22.4)]), '#ffffff')
    c.fill(Capsule((31.5, 14), (47, 14), 3.4) | Polygon([(46.5, 9.2), (54.6, 14), (46.5, 18.8)]),
           hgrad(30, '#7fd88f', 55, '#2f9e46'))
    return c


ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]

PICTURES = [
    ('image00.png', image00), ('image01.png', image01), ('image02.png', image02),
    ('image03.png', image03), ('image04.png', image04), ('image05.png', image05),
    ('image06.png', image06), ('image07.png', image07), ('image08.png', image08),
    ('image09.png', image09), ('image10.png', image10), ('image11.png', image11),
    ('image12.png', image12), ('image13.png', image13), ('image14.png', image14),
    ('history.png', history), ('reminder.png', reminder), ('search.png', search), ('zandrel.png', zandrel),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'resources', 'images')
    os.makedirs(out, exist_ok=True)
    for name, draw in PICTURES:
        draw().save_png(os.path.join(out, name))
    # The menu entry's icon at the sizes desktops ask for.
    icons = os.path.join(out, '..', 'icons')
    os.makedirs(icons, exist_ok=True)
    for size in ICON_SIZES:
        zandrel(size).save_png(os.path.join(icons, 'zandrel-%d.png' % size))
    # The about box decodes this with libjpeg itself, so keep it a plain
    # baseline, 4:2:0, no metadata.
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'avatar.png')
        avatar().save_png(src)
        subprocess.run(['convert', src, '-background', 'white', '-flatten', '-strip',
                        '-interlace', 'none', '-sampling-factor', '2x2', '-quality', '92',
                        'JPEG:' + os.path.join(out, 'avatar.jpg')], check=True)


if __name__ == '__main__':
    main()
