#!/usr/bin/env python3
"""Draws the tooth pictures of the printed chart into this folder.

One GIF per name of the chart's picture tables (crowns NN_b_h / NN_l_h, roots
NN_b_r / NN_l_r, buccal and lingual view) and imp.gif, the implant that
stands in for a root. The chart mirrors and stretches them, so they are all
drawn in one frame:

- the right side of the mouth, mesial towards the right edge (the midline of
  the chart);
- upper roots pointing up and upper crowns with the biting edge down; lower
  roots and the implant pointing down, lower crowns with the biting edge up;
- a root picture 34 : 63 (width : height), a crown picture 34 : 31; the
  cemento-enamel junction lies on the edge where root and crown meet (the
  band line of the chart), and a root picture's height stands for the 13 mm
  of the chart's scale, so roots are about as long as the scale says.

The build only copies the GIFs; run this script after changing a drawing and
commit the pictures with it. It needs nothing but Python 3: the shapes are
filled with 8 sub-rows of anti-aliasing and written as GIF by the LZW coder
at the end of this file.

    python3 make_pictures.py [output folder]
    python3 make_pictures.py --check    exit 1 when a committed picture differs
"""

import math
import pathlib
import struct
import sys
import tempfile

UNIT_PX = 3          # pixels per drawing unit
WIDTH = 34           # units, every picture
ROOT_HEIGHT = 63
CROWN_HEIGHT = 31
SUBROWS = 8

WHITE = (255, 255, 255)
OUTLINE = (72, 60, 48)
ROOT = (236, 212, 166)
ROOT_BEHIND = (206, 178, 128)
CANAL = (214, 182, 128)
ENAMEL = (250, 247, 232)
ENAMEL_SHADE = (226, 222, 204)
TITANIUM = (172, 178, 188)
TITANIUM_LIGHT = (206, 210, 218)
THREAD = (104, 110, 124)

OUTLINE_WIDTH = 1.0  # units
DETAIL_WIDTH = 0.6


# ---------------------------------------------------------------- geometry

def catmull_rom(points, closed=True, steps=10):
    """A smooth curve through the points, as a dense polyline."""
    n = len(points)
    out = []
    last = n if closed else n - 1
    for i in range(last):
        p0 = points[(i - 1) % n] if closed or i > 0 else points[0]
        p1 = points[i]
        p2 = points[(i + 1) % n]
        p3 = points[(i + 2) % n] if closed or i + 2 < n else points[-1]
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(
                0.5 * (2 * p1[k] + (-p0[k] + p2[k]) * t + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2 +
                       (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3) for k in (0, 1)))
    if not closed:
        out.append(points[-1])
    return out


def signed_area(poly):
    return 0.5 * sum(poly[i][0] * poly[(i + 1) % len(poly)][1] - poly[(i + 1) % len(poly)][0] * poly[i][1]
                     for i in range(len(poly)))


def positive(poly):
    return poly if signed_area(poly) >= 0 else list(reversed(poly))


def inset(poly, d):
    """The outline moved d units inwards."""
    poly = positive(poly)
    n = len(poly)
    out = []
    for i in range(n):
        ax, ay = poly[i - 1]
        bx, by = poly[(i + 1) % n]
        tx, ty = bx - ax, by - ay
        length = math.hypot(tx, ty) or 1.0
        # With a positive area (y down), the inside lies to the right of the direction of travel.
        nx, ny = -ty / length, tx / length
        out.append((poly[i][0] + nx * d, poly[i][1] + ny * d))
    return out


def stroke(polyline, width):
    """Contours covering a line of the given width: one quad per segment and a disc per joint."""
    r = width / 2
    contours = []
    for (x0, y0), (x1, y1) in zip(polyline, polyline[1:]):
        length = math.hypot(x1 - x0, y1 - y0)
        if length == 0:
            continue
        nx, ny = -(y1 - y0) / length * r, (x1 - x0) / length * r
        contours.append(positive([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]))
    for x, y in polyline:
        contours.append(positive([(x + r * math.cos(a * math.pi / 6), y + r * math.sin(a * math.pi / 6))
                                  for a in range(12)]))
    return contours


def mirror_vertical(points, height):
    return [(x, height - y) for x, y in points]


# ---------------------------------------------------------------- raster

class Canvas:
    def __init__(self, height_units):
        self.w = WIDTH * UNIT_PX
        self.h = height_units * UNIT_PX
        self.pixels = [[list(WHITE) for _ in range(self.w)] for _ in range(self.h)]

    def coverage(self, contours):
        """Per pixel the share covered by the union of the contours (in units)."""
        rows = self.h * SUBROWS
        edges_by_row = [[] for _ in range(rows)]
        for contour in contours:
            pts = [(x * UNIT_PX, y * UNIT_PX) for x, y in positive(contour)]
            for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
                if y0 == y1:
                    continue
                direction = 1 if y1 > y0 else -1
                lo, hi = min(y0, y1), max(y0, y1)
                first = max(0, math.ceil(lo * SUBROWS - 0.5))
                last = min(rows - 1, math.ceil(hi * SUBROWS - 0.5) - 1)
                for r in range(first, last + 1):
                    edges_by_row[r].append((x0, y0, x1, y1, direction))
        cover = [[0.0] * (self.w + 1) for _ in range(self.h)]
        step = 1.0 / SUBROWS
        for r, edges in enumerate(edges_by_row):
            if not edges:
                continue
            y = (r + 0.5) / SUBROWS
            crossings = sorted((x0 + (y - y0) * (x1 - x0) / (y1 - y0), d) for x0, y0, x1, y1, d in edges)
            acc = cover[r // SUBROWS]
            winding = 0
            start = 0.0
            for x, d in crossings:
                was = winding
                winding += d
                if was == 0 and winding != 0:
                    start = x
                elif was != 0 and winding == 0:
                    self._span(acc, start, x, step)
        return cover

    def _span(self, acc, xa, xb, step):
        xa = max(0.0, min(float(self.w), xa))
        xb = max(0.0, min(float(self.w), xb))
        if xb <= xa:
            return
        ia, ib = int(xa), int(xb)
        if ia == ib:
            acc[ia] += (xb - xa) * step
            return
        acc[ia] += (ia + 1 - xa) * step
        for i in range(ia + 1, ib):
            acc[i] += step
        if ib < self.w:
            acc[ib] += (xb - ib) * step

    def paint(self, contours, colour, within=None):
        """Fills the union of the contours; with `within`, only where that outline also covers."""
        cover = self.coverage(contours)
        limit = self.coverage([within]) if within else None
        for y in range(self.h):
            row, acc = self.pixels[y], cover[y]
            for x in range(self.w):
                a = acc[x]
                if limit:
                    a = min(a, limit[y][x])
                if a <= 0:
                    continue
                a = min(a, 1.0)
                px = row[x]
                for k in range(3):
                    px[k] += (colour[k] - px[k]) * a

    def shape(self, outline, fill, outline_width=OUTLINE_WIDTH, closed=True):
        """A closed smooth shape through the control points, outlined."""
        poly = catmull_rom(outline) if closed else outline
        self.paint([poly], OUTLINE)
        # A sharp corner folds the inset outline outwards; the fill stays inside the shape.
        self.paint([inset(poly, outline_width)], fill, within=poly)

    def line(self, points, colour=OUTLINE, width=DETAIL_WIDTH, smooth=True):
        self.paint(stroke(catmull_rom(points, closed=False) if smooth and len(points) > 2 else points, width), colour)

    def flipped(self):
        self.pixels.reverse()
        return self

    def indexed(self):
        """Palette (at most 256 colours) and the pixel indices, row by row."""
        for quantum in (1, 2, 4, 8, 16):
            palette, indices = {}, []
            for row in self.pixels:
                for px in row:
                    c = tuple(min(255, int(round(v / quantum)) * quantum) for v in px)
                    if c not in palette:
                        palette[c] = len(palette)
                    indices.append(palette[c])
            if len(palette) <= 256:
                return list(palette), indices
        raise ValueError("too many colours")


# ---------------------------------------------------------------- teeth
# All shapes are drawn in the upper frame: roots with the apex at the top and
# the cemento-enamel junction on the bottom edge (y = 63), crowns with the
# junction on the top edge (y = 0) and the biting edge at the bottom. Lower
# teeth and the implant are flipped afterwards. Points below or above the
# picture are cut off, so shapes run past the junction edge.

def single_root(cervical, apex, tilt, centre=17.0, taper=0.5):
    """A conical root: cervical width, apex height, apex moved distally (to the left) by tilt."""
    h = cervical / 2
    mid = (apex + ROOT_HEIGHT) / 2
    return [
        (centre - h, ROOT_HEIGHT + 4), (centre - h, ROOT_HEIGHT - 6),
        (centre - h * 0.92 - tilt * 0.25, mid + 6), (centre - h * taper - tilt * 0.6, apex + 9),
        (centre - tilt, apex),
        (centre + h * taper - tilt * 0.6, apex + 9), (centre + h * 0.92 - tilt * 0.25, mid + 6),
        (centre + h, ROOT_HEIGHT - 6), (centre + h, ROOT_HEIGHT + 4),
    ]


def two_roots(left, right, furcation, distal_apex, mesial_apex, spread=1.0):
    """A root trunk from `left` to `right` at the junction that splits at height `furcation`
    into a distal (left) and a mesial (right) root."""
    width = right - left
    mid = left + width / 2
    return [
        (left, ROOT_HEIGHT + 4), (left, ROOT_HEIGHT - 6),
        (left - 0.6 * spread, furcation + 4), (left + 0.5, (furcation + distal_apex[1]) / 2),
        (distal_apex[0] - 2.2, distal_apex[1] + 4), distal_apex, (distal_apex[0] + 2.6, distal_apex[1] + 5),
        (mid - width * 0.14, (furcation + distal_apex[1]) / 2 + 2), (mid, furcation),
        (mid + width * 0.14, (furcation + mesial_apex[1]) / 2 + 2),
        (mesial_apex[0] - 2.6, mesial_apex[1] + 5), mesial_apex, (mesial_apex[0] + 2.2, mesial_apex[1] + 4),
        (right - 0.5, (furcation + mesial_apex[1]) / 2), (right + 0.6 * spread, furcation + 4),
        (right, ROOT_HEIGHT - 6), (right, ROOT_HEIGHT + 4),
    ]


def canal(root_apex, centre=17.0, bottom=ROOT_HEIGHT + 2):
    return [(root_apex[0], root_apex[1] + 5), ((root_apex[0] + centre) / 2, (root_apex[1] + bottom) / 2),
            (centre, bottom)]


def incisor_crown(cervical, widest, edge, round_distal=3.0, round_mesial=2.2):
    c, w = cervical / 2, widest / 2
    return [
        (17 - c, -4), (17 - c, 1.5), (17 - w + 1.2, 10), (17 - w, 19),
        (17 - w + round_distal * 0.3, edge - round_distal), (17 - w + round_distal, edge - 0.4),
        (17, edge), (17 + w - round_mesial, edge - 0.2), (17 + w - round_mesial * 0.2, edge - round_mesial),
        (17 + w, 17), (17 + w - 1.2, 9), (17 + c, 1.5), (17 + c, -4),
    ]


def cusp_crown(cervical, widest, tip, tip_x=17.5, distal_contact=15, mesial_contact=19):
    c, w = cervical / 2, widest / 2
    return [
        (17 - c, -4), (17 - c, 1.5), (17 - w + 0.8, 8), (17 - w, distal_contact), (17 - w + 2.5, tip - 6),
        (tip_x, tip),
        (17 + w - 2.5, tip - 7), (17 + w, mesial_contact), (17 + w - 0.8, 9), (17 + c, 1.5), (17 + c, -4),
    ]


def molar_crown(cervical, widest, cusps, edge_y):
    """cusps: (x, y) tips from distal to mesial; grooves between them rise by 2.5."""
    c, w = cervical / 2, widest / 2
    pts = [(17 - c, -4), (17 - c, 1.5), (17 - w + 1.2, 8), (17 - w, 15), (17 - w + 0.8, edge_y - 4)]
    for i, tip in enumerate(cusps):
        pts.append(tip)
        if i + 1 < len(cusps):
            nxt = cusps[i + 1]
            pts.append(((tip[0] + nxt[0]) / 2, min(tip[1], nxt[1]) - 2.5))
    pts += [(17 + w - 0.8, edge_y - 4), (17 + w, 15), (17 + w - 1.2, 8), (17 + c, 1.5), (17 + c, -4)]
    return pts


def grooves(cusps, length=9):
    """Developmental grooves running from the notches between cusps towards the junction."""
    lines = []
    for a, b in zip(cusps, cusps[1:]):
        x, y = (a[0] + b[0]) / 2, min(a[1], b[1]) - 2.5
        lines.append([(x, y - 0.5), (x + 0.3, y - length * 0.5), (x - 0.2, y - length)])
    return lines


# Crowns: (outline, details) by jaw ("u", "l"), unit (1..8) and view ("b", "l").
def crown(jaw, unit, view):
    details = []
    shade = []
    lingual = view == "l"
    if unit in (1, 2) and jaw == "u":
        cerv, wide = (18, 28) if unit == 1 else (14, 22)
        if lingual:
            cerv -= 3
        outline = incisor_crown(cerv, wide, 29.6 if unit == 1 else 28.6, 3.0 if unit == 1 else 4.5)
        if lingual:
            shade.append(catmull_rom([(17 - cerv / 2 + 1.5, 1.0), (17, 12), (17 + cerv / 2 - 1.5, 1.0)]))
            details.append([(17 - wide / 2 + 2.5, 24), (17 - cerv / 2 + 1.2, 8)])
            details.append([(17 + wide / 2 - 2.5, 24), (17 + cerv / 2 - 1.2, 8)])
    elif unit in (1, 2):
        cerv, wide = (10, 16) if unit == 1 else (11, 18)
        if lingual:
            cerv -= 2
        outline = incisor_crown(cerv, wide, 29.6, 2.2, 2.0)
        if lingual:
            shade.append(catmull_rom([(17 - cerv / 2 + 1.0, 1.0), (17, 10), (17 + cerv / 2 - 1.0, 1.0)]))
    elif unit == 3:
        cerv, wide = (16, 25) if jaw == "u" else (14, 21)
        if lingual:
            cerv -= 3
        outline = cusp_crown(cerv, wide, 29.8, 18.2, 14, 20)
        if lingual:
            shade.append(catmull_rom([(17 - cerv / 2 + 1.5, 1.0), (17.5, 13), (17 + cerv / 2 - 1.5, 1.0)]))
            details.append([(18.2, 27.5), (17.8, 18), (17.5, 13)])
    elif unit in (4, 5):
        cerv, wide = (16, 24) if unit == 4 else (15, 23)
        if lingual:
            tip = 27.0 if jaw == "u" else 25.5
            outline = cusp_crown(cerv, wide - 0.4, tip, 17.2, 15, 17.5)
            # The taller buccal cusp seen over the lingual one.
            behind = cusp_crown(cerv, wide, 29.6, 17.5, 15, 18)
            return behind, outline, details, shade
        outline = cusp_crown(cerv, wide, 29.6, 17.5 if unit == 4 else 17.0, 15, 18)
        details.append([(17.5, 27.5), (17.4, 19), (17.2, 13)])
    else:
        widest = {6: 31.5, 7: 30.0, 8: 27.0}[unit]
        cerv = widest - 5
        if jaw == "u":
            if lingual:
                cusps = [(10.5, 27.5), (22.5, 30.0)] if unit != 8 else [(12, 27.5), (22, 29.0)]
            else:
                cusps = [(9.5, 29.0), (24.5, 30.0)] if unit != 8 else [(11, 28.0), (23, 28.5)]
        else:
            if lingual:
                cusps = [(10.0, 30.0), (24.0, 30.5)] if unit != 8 else [(11.5, 29.0), (22.5, 29.5)]
            elif unit == 6:
                cusps = [(6.5, 28.0), (14.0, 29.5), (24.5, 30.2)]
            else:
                cusps = [(10.0, 29.2), (24.0, 30.0)] if unit == 7 else [(11, 28.5), (22.5, 29.0)]
        cusps = [(x, y - 0.7) for x, y in cusps]  # the tips stay clear of the picture's edge
        outline = molar_crown(cerv, widest, cusps, 27.3)
        details.extend(grooves(cusps, 9 if not lingual else 7))
    return None, outline, details, shade


def root(jaw, unit, view):
    """Layers of a root picture: (outline points, fill colour) back to front, and canals."""
    lingual = view == "l"
    upper = jaw == "u"
    if unit in (1, 2, 3) or (unit in (4, 5) and not upper):
        cerv = {("u", 1): 16, ("u", 2): 12, ("u", 3): 15,
                ("l", 1): 10, ("l", 2): 11, ("l", 3): 14, ("l", 4): 13, ("l", 5): 13}[(jaw, unit)]
        apex = {("u", 1): 4, ("u", 2): 8, ("u", 3): 1,
                ("l", 1): 6, ("l", 2): 4, ("l", 3): 1, ("l", 4): 4, ("l", 5): 5}[(jaw, unit)]
        tilt = {1: 1.2, 2: 2.2, 3: 1.5, 4: 1.0, 5: 1.4}[unit]
        if lingual:
            cerv -= 1.5
        outline = single_root(cerv, apex, tilt)
        return [(outline, ROOT)], [canal((17 - tilt, apex))]
    if upper and unit == 4:
        # Buccal and palatal roots that part in the apical third, one behind the other.
        outline = two_roots(9.5, 24.5, 24, (12.5, 5), (21.5, 4), spread=0.3)
        return [(outline, ROOT)], [canal((12.5, 5)), canal((21.5, 4))]
    if upper:
        furcation = 40 if unit == 6 else 45
        apexes = ((9.5, 8), (25.5, 6)) if unit == 6 else ((12.0, 9), (23.5, 7))
        buccal = two_roots(3.5, 30.5, furcation, *apexes)
        palatal = single_root(15, 3 if unit == 6 else 5, 0.3, taper=0.55)
        if lingual:
            return ([(buccal, ROOT_BEHIND), (palatal, ROOT)], [canal((16.7, 3 if unit == 6 else 5))])
        return [(palatal, ROOT_BEHIND), (buccal, ROOT)], [canal(apexes[0]), canal(apexes[1])]
    if unit == 8:
        outline = single_root(22, 9, 3.5, taper=0.6)
        return [(outline, ROOT)], [[(12.8, 16), (14.5, 38), (15.5, ROOT_HEIGHT + 2)]]
    furcation = 42 if unit == 6 else 47
    apexes = ((7.5, 5), (24.0, 4)) if unit == 6 else ((11.0, 6), (22.5, 5))
    left, right = (3.5, 30.5) if unit == 6 else (4.5, 29.5)
    if lingual:
        left, right = left + 1, right - 1
    outline = two_roots(left, right, furcation, *apexes)
    return [(outline, ROOT)], [canal(apexes[0]), canal(apexes[1])]


def draw_crown(jaw, unit, view):
    canvas = Canvas(CROWN_HEIGHT)
    behind, outline, details, shade = crown(jaw, unit, view)
    if behind:
        canvas.shape(behind, ENAMEL_SHADE)
    canvas.shape(outline, ENAMEL)
    for poly in shade:
        canvas.paint([poly], ENAMEL_SHADE)
    for line in details:
        canvas.line(line)
    return canvas.flipped() if jaw == "l" else canvas


def draw_root(jaw, unit, view):
    canvas = Canvas(ROOT_HEIGHT)
    layers, canals = root(jaw, unit, view)
    for outline, fill in layers:
        canvas.shape(outline, fill)
    for line in canals:
        canvas.line(line, CANAL, 0.9)
    return canvas.flipped() if jaw == "l" else canvas


def draw_implant():
    """A threaded fixture with its collar at the junction, drawn apex up and flipped (it points down)."""
    canvas = Canvas(ROOT_HEIGHT)
    body_top, body_bottom = 7.0, ROOT_HEIGHT - 6

    def half_width(y):
        t = (y - body_top) / (body_bottom - body_top)
        return 5.0 + 2.2 * min(1.0, t * 1.6)

    body = [(17 - half_width(y), y) for y in (body_bottom, 40, 20, 12)]
    body += [(17 - 3.6, 8.4), (17, body_top - 0.5), (17 + 3.6, 8.4)]
    body += [(17 + half_width(y), y) for y in (12, 20, 40, body_bottom)]
    body += [(17 + half_width(body_bottom), ROOT_HEIGHT + 4), (17 - half_width(body_bottom), ROOT_HEIGHT + 4)]
    canvas.shape(body, TITANIUM)
    y = 12.5
    while y < body_bottom - 1:
        hw = half_width(y) + 0.9
        canvas.line([(17 - hw, y + 1.4), (17 + hw, y - 1.4)], THREAD, 0.9, smooth=False)
        y += 3.6
    collar = [(17 - 8, body_bottom - 1), (17 - 8.5, ROOT_HEIGHT - 1.5), (17 - 8.5, ROOT_HEIGHT + 4),
              (17 + 8.5, ROOT_HEIGHT + 4), (17 + 8.5, ROOT_HEIGHT - 1.5), (17 + 8, body_bottom - 1)]
    canvas.paint([collar], OUTLINE)
    canvas.paint([inset(collar, OUTLINE_WIDTH)], TITANIUM_LIGHT)
    return canvas.flipped()


# ---------------------------------------------------------------- GIF

def lzw(indices, min_size=8):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    bits = nbits = 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    size = min_size + 1
    table, next_code = {}, end + 1
    emit(clear, size)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix, size)
        if next_code < 4096:
            table[key] = next_code
            if next_code == (1 << size) and size < 12:
                size += 1
            next_code += 1
        else:
            emit(clear, size)
            table, next_code, size = {}, end + 1, min_size + 1
        prefix = k
    emit(prefix, size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def write_gif(path, canvas):
    palette, indices = canvas.indexed()
    palette += [(0, 0, 0)] * (256 - len(palette))
    data = lzw(indices)
    with open(path, "wb") as f:
        f.write(b"GIF89a" + struct.pack("<HHBBB", canvas.w, canvas.h, 0xF7, 0, 0))
        f.write(bytes(v for c in palette for v in c))
        f.write(b"\x2c" + struct.pack("<HHHHB", 0, 0, canvas.w, canvas.h, 0) + b"\x08")
        for i in range(0, len(data), 255):
            chunk = data[i:i + 255]
            f.write(bytes([len(chunk)]) + chunk)
        f.write(b"\x00\x3b")


# ---------------------------------------------------------------- the set

def pictures():
    """File name and drawing of every picture of the chart's tables."""
    for view in ("b", "l"):
        for jaw, quadrant in (("u", 1), ("l", 4)):
            for unit in range(1, 9):
                yield f"{quadrant}{unit}_{view}_h.gif", lambda j=jaw, u=unit, v=view: draw_crown(j, u, v)
            # 18 and 15 print with the roots of 17 and 14.
            for unit in ((1, 2, 3, 4, 6, 7) if jaw == "u" else range(1, 9)):
                yield f"{quadrant}{unit}_{view}_r.gif", lambda j=jaw, u=unit, v=view: draw_root(j, u, v)
    yield "imp.gif", draw_implant


def main(argv):
    here = pathlib.Path(__file__).parent
    if argv[1:] == ["--check"]:
        with tempfile.TemporaryDirectory() as scratch:
            stale = []
            for name, draw in pictures():
                write_gif(pathlib.Path(scratch) / name, draw())
                committed = here / name
                if not committed.is_file() or committed.read_bytes() != (pathlib.Path(scratch) / name).read_bytes():
                    stale.append(name)
        for name in stale:
            print(f"{name} differs from what make_pictures.py draws")
        return 1 if stale else 0
    folder = pathlib.Path(argv[1]) if len(argv) > 1 else here
    folder.mkdir(parents=True, exist_ok=True)
    for name, draw in pictures():
        write_gif(folder / name, draw())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
