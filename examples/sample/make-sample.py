#!/usr/bin/env python3
# Writes sample.dxf: a small site plan of our own making that uses what
# adihost plots - lines, arcs, circles, polylines with bulges, an ellipse, a
# spline, points, a solid, hatches with a hole, a block placed several times
# (scaled, turned, nested), text in a shape font and in a TrueType font,
# colours, lineweights, linetypes, a frozen layer and a raster image (logo.png
# beside it).
import math

out = []
def pair(code, value):
    out.append(str(code)); out.append(str(value))
def entity(kind, layer, **extra):
    pair(0, kind); pair(8, layer)
    for code, value in extra.get("style", []): pair(code, value)

pair(0, "SECTION"); pair(2, "HEADER")
pair(9, "$INSUNITS"); pair(70, 4)       # millimetres
pair(9, "$LWDEFAULT"); pair(370, 25)
pair(0, "ENDSEC")

layers = [("0", 7, 25, "CONTINUOUS", 0), ("WALLS", 7, 70, "CONTINUOUS", 0),
          ("GARDEN", 3, 35, "CONTINUOUS", 0), ("PATHS", 30, 25, "DASHED", 0),
          ("AXES", 1, 18, "CENTER", 0), ("TEXT", 5, 25, "CONTINUOUS", 0),
          ("NOTES", 2, 25, "CONTINUOUS", 1)]          # frozen: not plotted
pair(0, "SECTION"); pair(2, "TABLES")
pair(0, "TABLE"); pair(2, "LAYER"); pair(70, len(layers))
for name, colour, weight, linetype, flags in layers:
    pair(0, "LAYER"); pair(2, name); pair(70, flags); pair(62, colour)
    pair(6, linetype); pair(370, weight)
pair(0, "ENDTAB")
# Labels in a shape font (single strokes), the title in a TrueType font.
pair(0, "TABLE"); pair(2, "STYLE"); pair(70, 2)
for name, font in [("STANDARD", "romans.shx"), ("TITLE", "arial.ttf")]:
    pair(0, "STYLE"); pair(2, name); pair(70, 0); pair(40, 0); pair(41, 1); pair(50, 0)
    pair(71, 0); pair(3, font)
pair(0, "ENDTAB"); pair(0, "ENDSEC")

def lwpolyline(layer, points, closed=False, style=()):
    entity("LWPOLYLINE", layer, style=style)
    pair(90, len(points)); pair(70, 1 if closed else 0)
    for p in points:
        pair(10, p[0]); pair(20, p[1])
        if len(p) > 2: pair(42, p[2])

def circle(layer, cx, cy, r, style=()):
    entity("CIRCLE", layer, style=style); pair(10, cx); pair(20, cy); pair(40, r)

def arc(layer, cx, cy, r, a0, a1, style=()):
    entity("ARC", layer, style=style); pair(10, cx); pair(20, cy); pair(40, r)
    pair(50, a0); pair(51, a1)

def line(layer, x1, y1, x2, y2, style=()):
    entity("LINE", layer, style=style)
    pair(10, x1); pair(20, y1); pair(11, x2); pair(21, y2)

def text(layer, x, y, h, s, angle=0, style=()):
    entity("TEXT", layer, style=style); pair(10, x); pair(20, y); pair(40, h)
    pair(1, s); pair(50, angle)

pair(0, "SECTION"); pair(2, "BLOCKS")
# A tree: crown, trunk hatch and a BYBLOCK-coloured outline.
pair(0, "BLOCK"); pair(8, "0"); pair(2, "TREE"); pair(70, 0); pair(10, 0); pair(20, 0)
circle("0", 0, 0, 6, style=[(62, 0)])
circle("0", 0, 0, 1)
arc("0", 0, 0, 4, 30, 150, style=[(62, 0)])
pair(0, "ENDBLK"); pair(8, "0")
# A bench made of a tree-less seat and a nested tree.
pair(0, "BLOCK"); pair(8, "0"); pair(2, "BENCH"); pair(70, 0); pair(10, 5); pair(20, 1)
lwpolyline("0", [(0, 0), (10, 0), (10, 2), (0, 2)], closed=True)
entity("INSERT", "0"); pair(2, "TREE"); pair(10, 14); pair(20, 1); pair(41, 0.3); pair(42, 0.3)
pair(0, "ENDBLK"); pair(8, "0")
pair(0, "ENDSEC")

pair(0, "SECTION"); pair(2, "ENTITIES")
# The plot boundary and the house with a rounded bay (bulges) and a door arc.
lwpolyline("WALLS", [(0, 0), (200, 0), (200, 140), (0, 140)], closed=True, style=[(370, 35)])
lwpolyline("WALLS", [(20, 20), (90, 20), (90, 45, 1), (90, 65), (90, 80), (20, 80)], closed=True)
arc("WALLS", 40, 20, 10, 0, 90, style=[(62, 1), (370, 25)])
line("WALLS", 40, 20, 50, 20, style=[(62, 1), (370, 25)])
# A pond: an ellipse, and a solid hatch with an island in it.
entity("ELLIPSE", "GARDEN"); pair(10, 150); pair(20, 40); pair(11, 25); pair(21, 8)
pair(40, 0.5); pair(41, 0); pair(42, 2 * math.pi)
entity("HATCH", "GARDEN", style=[(62, 4)]); pair(10, 0); pair(20, 0); pair(2, "SOLID")
pair(70, 1); pair(71, 0); pair(91, 2)
pair(92, 1); pair(93, 1)                      # outer loop: one ellipse edge
pair(72, 3); pair(10, 150); pair(20, 40); pair(11, 20); pair(21, 6.4); pair(40, 0.5)
pair(50, 0); pair(51, 360); pair(73, 1); pair(97, 0)
pair(92, 2); pair(72, 0); pair(73, 1); pair(93, 4)   # the island, a polyline loop
for x, y in [(145, 38), (155, 38), (155, 42), (145, 42)]:
    pair(10, x); pair(20, y)
pair(97, 0)
pair(75, 0); pair(76, 1); pair(98, 0)
# A lawn: a solid hatch bounded by lines and an arc.
entity("HATCH", "GARDEN", style=[(62, 92)]); pair(10, 0); pair(20, 0); pair(2, "SOLID")
pair(70, 1); pair(71, 0); pair(91, 1); pair(92, 0); pair(93, 3)
pair(72, 1); pair(10, 110); pair(20, 90); pair(11, 170); pair(21, 90)
pair(72, 2); pair(10, 170); pair(20, 110); pair(40, 20); pair(50, 270); pair(51, 360); pair(73, 1)
pair(72, 1); pair(10, 190); pair(20, 110); pair(11, 110); pair(21, 90)
pair(97, 0); pair(75, 0); pair(76, 1); pair(98, 0)
# The garden path as a spline, dashed by its layer.
entity("SPLINE", "PATHS"); pair(70, 8); pair(71, 3); pair(72, 8); pair(73, 4); pair(74, 0)
for k in [0, 0, 0, 0, 1, 1, 1, 1]: pair(40, k)
for x, y in [(90, 50), (120, 50), (110, 110), (190, 120)]: pair(10, x); pair(20, y)
# Axes of the house, in the centre line type, thin red.
line("AXES", 55, 10, 55, 90)
line("AXES", 10, 50, 100, 50)
# Trees along the path, one scaled, one turned, one coloured by its insert.
for i, (x, y, s, a, c) in enumerate([(110, 20, 1, 0, 3), (130, 70, 1.5, 0, 94), (175, 85, 0.8, 45, 6),
                                     (20, 110, 1, 0, 3), (45, 120, 1.2, 0, 3)]):
    entity("INSERT", "GARDEN", style=[(62, c)]); pair(2, "TREE"); pair(10, x); pair(20, y)
    pair(41, s); pair(42, s); pair(50, a)
# Two benches, the second turned; each holds a small tree.
entity("INSERT", "GARDEN"); pair(2, "BENCH"); pair(10, 70); pair(20, 100); pair(50, 0)
entity("INSERT", "GARDEN"); pair(2, "BENCH"); pair(10, 100); pair(20, 125); pair(50, 90)
# A paved square (SOLID) and survey points.
entity("SOLID", "PATHS", style=[(62, 8)])
pair(10, 92); pair(20, 45); pair(11, 100); pair(21, 45); pair(12, 92); pair(22, 55); pair(13, 100); pair(23, 55)
for x, y in [(5, 5), (195, 5), (195, 135), (5, 135)]:
    entity("POINT", "AXES"); pair(10, x); pair(20, y)
# Labels, and a note on a frozen layer that is not plotted.
text("TEXT", 30, 60, 6, "HOUSE")
text("TEXT", 135, 15, 4, "POND")
text("TEXT", 120, 100, 4, "LAWN", angle=20)
entity("MTEXT", "TEXT"); pair(10, 5); pair(20, 135); pair(40, 3); pair(71, 1); pair(41, 60); pair(7, "TITLE")
pair(1, "SITE PLAN\\P1:200")
text("NOTES", 100, 70, 5, "DRAFT - NOT PLOTTED")
# The owner's logo as a raster image, 40 x 24 mm.
entity("IMAGE", "0"); pair(10, 150); pair(20, 105); pair(11, 0.2); pair(21, 0); pair(12, 0); pair(22, 0.2)
pair(13, 200); pair(23, 120); pair(340, "A1"); pair(70, 1); pair(280, 0); pair(281, 50); pair(282, 50); pair(283, 0)
pair(0, "ENDSEC")

pair(0, "SECTION"); pair(2, "OBJECTS")
pair(0, "IMAGEDEF"); pair(5, "A1"); pair(1, "logo.png"); pair(10, 200); pair(20, 120)
pair(0, "ENDSEC")
pair(0, "EOF")

with open(__file__.replace("make-sample.py", "sample.dxf"), "w") as f:
    f.write("\n".join(out) + "\n")
