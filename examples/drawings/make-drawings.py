#!/usr/bin/env python3
# Writes two drawings of our own making for the previews in docs/:
#   part.dxf     a dimensioned flange plate: outline, holes, a wide polyline
#                slot, linear, diameter and aligned dimensions drawn from their
#                blocks (lines, arrows as solids, the measurement as text), and
#                a leader with its arrowhead;
#   section.dxf  a pattern-hatched section: a wall (ANSI31) with an opening, a
#                slab (ANSI37), insulation (a user pattern stored in the file),
#                a tilted circle seen edge-on and a tapered arrow.
import math

def writer():
    out = []
    def pair(code, value):
        out.append(str(code)); out.append(str(value))
    return out, pair

def header(pair):
    pair(0, "SECTION"); pair(2, "HEADER")
    pair(9, "$INSUNITS"); pair(70, 4)
    pair(9, "$DIMASZ"); pair(40, 3.0)
    pair(0, "ENDSEC")

def lwpolyline(pair, layer, points, closed=False, width=None, colour=None):
    pair(0, "LWPOLYLINE"); pair(8, layer)
    if colour: pair(62, colour)
    pair(90, len(points)); pair(70, 1 if closed else 0)
    if width is not None: pair(43, width)
    for p in points:
        pair(10, p[0]); pair(20, p[1])
        if len(p) > 2: pair(42, p[2])

def line(pair, layer, a, b, colour=None):
    pair(0, "LINE"); pair(8, layer)
    if colour is not None: pair(62, colour)
    pair(10, a[0]); pair(20, a[1]); pair(11, b[0]); pair(21, b[1])

def solid(pair, layer, pts, colour=None):
    pair(0, "SOLID"); pair(8, layer)
    if colour is not None: pair(62, colour)
    for i, (x, y) in enumerate(pts):
        pair(10 + i, x); pair(20 + i, y)

def arrow(pair, tip, toward, size=3.0):
    dx, dy = toward[0] - tip[0], toward[1] - tip[1]
    n = math.hypot(dx, dy); ux, uy = dx / n, dy / n
    bx, by = tip[0] + ux * size, tip[1] + uy * size
    h = size / 6
    solid(pair, "0", [tip, (bx - uy * h, by + ux * h), (bx + uy * h, by - ux * h),
                      (bx + uy * h, by - ux * h)], colour=0)

def mtext(pair, at, height, text):
    pair(0, "MTEXT"); pair(8, "0"); pair(62, 0)
    pair(10, at[0]); pair(20, at[1]); pair(40, height); pair(71, 8); pair(1, text)

def linear_block(pair, name, a, b, offset, text):
    # A horizontal or vertical dimension between a and b, its line `offset`
    # away, as a CAD program leaves it in the dimension's block.
    pair(0, "BLOCK"); pair(8, "0"); pair(2, name); pair(70, 1); pair(10, 0); pair(20, 0)
    pair(3, name)
    horizontal = a[1] == b[1]
    if horizontal:
        y = a[1] + offset
        p, q = (a[0], y), (b[0], y)
        line(pair, "0", (a[0], a[1] + 2), (a[0], y + 2), colour=0)
        line(pair, "0", (b[0], b[1] + 2), (b[0], y + 2), colour=0)
        mid = ((a[0] + b[0]) / 2, y + 1.5)
    else:
        x = a[0] + offset
        p, q = (x, a[1]), (x, b[1])
        line(pair, "0", (a[0] + 2, a[1]), (x + 2, a[1]), colour=0)
        line(pair, "0", (b[0] + 2, b[1]), (x + 2, b[1]), colour=0)
        mid = (x - 1.5, (a[1] + b[1]) / 2)
    line(pair, "0", p, q, colour=0)
    arrow(pair, p, q); arrow(pair, q, p)
    mtext(pair, mid, 3.5, text)
    pair(0, "ENDBLK"); pair(8, "0")

def dimension(pair, block, definition, kind):
    pair(0, "DIMENSION"); pair(8, "DIMS"); pair(2, block)
    pair(10, definition[0]); pair(20, definition[1]); pair(70, kind)

def part():
    out, pair = writer()
    header(pair)
    pair(0, "SECTION"); pair(2, "TABLES"); pair(0, "TABLE"); pair(2, "LAYER"); pair(70, 3)
    for name, colour in (("PART", 7), ("DIMS", 7), ("CENTRE", 3)):
        pair(0, "LAYER"); pair(2, name); pair(70, 0); pair(62, colour); pair(6, "CONTINUOUS")
    pair(0, "ENDTAB"); pair(0, "ENDSEC")
    pair(0, "SECTION"); pair(2, "BLOCKS")
    linear_block(pair, "*D1", (0, 0), (160, 0), -15, "160")
    linear_block(pair, "*D2", (160, 0), (160, 100), 15, "100")
    linear_block(pair, "*D3", (30, 100), (130, 100), 12, "100")
    pair(0, "ENDSEC")
    pair(0, "SECTION"); pair(2, "ENTITIES")
    lwpolyline(pair, "PART", [(0, 0), (160, 0), (160, 80, 0), (140, 100), (20, 100, 0.4142),
                              (0, 80)], closed=True, width=0.7)
    for cx, cy in ((30, 80), (130, 80), (30, 20), (130, 20)):
        pair(0, "CIRCLE"); pair(8, "PART"); pair(10, cx); pair(20, cy); pair(40, 6)
    pair(0, "CIRCLE"); pair(8, "PART"); pair(10, 80); pair(20, 50); pair(40, 25)
    line(pair, "CENTRE", (50, 50), (110, 50)); line(pair, "CENTRE", (80, 20), (80, 80))
    # A slot drawn as one wide polyline with round ends.
    lwpolyline(pair, "PART", [(65, 8, 0), (95, 8, 1), (95, 16, 0), (65, 16, 1)], closed=True,
               width=1.0)
    dimension(pair, "*D1", (160, -15), 0)
    dimension(pair, "*D2", (175, 100), 0)
    dimension(pair, "*D3", (130, 112), 0)
    pair(0, "LEADER"); pair(8, "DIMS"); pair(71, 1); pair(72, 0); pair(76, 3)
    for x, y in ((97.7, 67.7), (120, 120), (140, 120)):
        pair(10, x); pair(20, y)
    pair(0, "MTEXT"); pair(8, "DIMS"); pair(10, 142); pair(20, 122); pair(40, 3.5)
    pair(71, 7); pair(1, "%%c50")
    pair(0, "ENDSEC"); pair(0, "EOF")
    return out

def hatch(pair, layer, colour, loops, pattern, angle=0, scale=1, lines=None):
    pair(0, "HATCH"); pair(8, layer); pair(62, colour)
    pair(10, 0); pair(20, 0); pair(30, 0); pair(2, pattern)
    pair(70, 0); pair(71, 0); pair(91, len(loops))
    for loop in loops:
        pair(92, 2); pair(72, 0); pair(73, 1); pair(93, len(loop))
        for x, y in loop:
            pair(10, x); pair(20, y)
        pair(97, 0)
    pair(75, 0); pair(76, 2 if lines else 1); pair(52, angle); pair(41, scale); pair(77, 0)
    pair(78, len(lines or []))
    for a, bx, by, ox, oy, dashes in lines or []:
        pair(53, a); pair(43, bx); pair(44, by); pair(45, ox); pair(46, oy); pair(79, len(dashes))
        for d in dashes: pair(49, d)
    pair(98, 0)

def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]

def section():
    out, pair = writer()
    header(pair)
    pair(0, "SECTION"); pair(2, "ENTITIES")
    wall, opening = rect(0, 0, 40, 300), rect(0, 120, 40, 210)
    hatch(pair, "WALL", 1, [rect(0, 0, 40, 120), rect(0, 210, 40, 300)], "ANSI31", scale=2)
    hatch(pair, "SLAB", 5, [rect(40, 280, 400, 320)], "ANSI37", scale=2)
    # Insulation: a user pattern stored in the file, dashed lines 6 apart.
    hatch(pair, "INSULATION", 3, [rect(-30, 0, 0, 300)], "INSUL", lines=[
        (90, 0, 0, -6, 0, [8, -4]), (0, 0, 0, 0, 12, [])])
    hatch(pair, "GROUND", 8, [[(-60, 0), (400, 0), (400, -40), (-60, -40)], rect(100, -30, 160, -10)],
          "ANSI31", angle=90, scale=4)
    for loop in (wall, rect(40, 280, 400, 320), rect(-30, 0, 0, 300)):
        lwpolyline(pair, "OUTLINE", loop, closed=True, width=0.5)
    lwpolyline(pair, "OUTLINE", opening, closed=True)
    # A pipe seen along its axis and a pipe seen from the side (a tilted
    # circle, edge-on from above).
    pair(0, "CIRCLE"); pair(8, "PIPE"); pair(62, 6); pair(10, 130); pair(20, -20); pair(40, 8)
    pair(0, "CIRCLE"); pair(8, "PIPE"); pair(62, 6); pair(10, -20); pair(20, 250); pair(30, 200)
    pair(40, 20); pair(210, 1); pair(220, 0); pair(230, 0)
    # A tapered arrow from its tail to its tip.
    pair(0, "POLYLINE"); pair(8, "NOTES"); pair(62, 7); pair(66, 1); pair(70, 0)
    for x, y, w0, w1 in ((300, 150, 2, 2), (340, 150, 12, 0), (360, 150, 0, 0)):
        pair(0, "VERTEX"); pair(8, "NOTES"); pair(10, x); pair(20, y); pair(40, w0); pair(41, w1)
    pair(0, "SEQEND"); pair(8, "NOTES")
    pair(0, "ENDSEC"); pair(0, "EOF")
    return out

for name, make in (("part.dxf", part), ("section.dxf", section)):
    with open(name, "w") as f:
        f.write("\n".join(make()) + "\n")
