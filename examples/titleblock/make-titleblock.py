#!/usr/bin/env python3
# Writes titleblock.dxf: a drawing sheet's title block of our own making that
# uses the text adihost draws - TEXT in a shape font and in TrueType fonts at
# every alignment, aligned and fitted text, turned and slanted text, MTEXT
# wrapped at its width with paragraphs, heights, fonts and a stacked
# fraction, the %% codes, accented letters, and attributes of a placed block.
# Millimetres; the sheet is 180 x 90.

out = []
def pair(code, value):
    out.append(str(code)); out.append(str(value))
def entity(kind, layer="0", colour=None):
    pair(0, kind); pair(8, layer)
    if colour is not None: pair(62, colour)
def line(x1, y1, x2, y2, layer="FRAME"):
    entity("LINE", layer); pair(10, x1); pair(20, y1); pair(11, x2); pair(21, y2)
def text(x, y, h, s, style="STANDARD", align=None, justify=(0, 0), groups=()):
    entity("TEXT", "TEXT"); pair(10, x); pair(20, y); pair(40, h); pair(1, s); pair(7, style)
    for code, value in groups: pair(code, value)
    if justify != (0, 0):
        pair(72, justify[0]); pair(73, justify[1])
        pair(11, align[0]); pair(21, align[1])

pair(0, "SECTION"); pair(2, "HEADER")
pair(9, "$ACADVER"); pair(1, "AC1027")
pair(9, "$INSUNITS"); pair(70, 4)
pair(0, "ENDSEC")

pair(0, "SECTION"); pair(2, "TABLES")
pair(0, "TABLE"); pair(2, "LAYER"); pair(70, 3)
for name, colour, weight in [("FRAME", 7, 50), ("GRID", 8, 18), ("TEXT", 7, 25)]:
    pair(0, "LAYER"); pair(2, name); pair(70, 0); pair(62, colour); pair(6, "CONTINUOUS")
    pair(370, weight)
pair(0, "ENDTAB")
styles = [("STANDARD", "romans.shx", 1, 0), ("TITLE", "arialbd.ttf", 1, 0),
          ("SANS", "arial.ttf", 1, 0), ("NARROW", "romans.shx", 0.7, 0),
          ("SLANT", "romans.shx", 1, 15), ("SERIF", "times.ttf", 1, 0)]
pair(0, "TABLE"); pair(2, "STYLE"); pair(70, len(styles))
for name, font, width, oblique in styles:
    pair(0, "STYLE"); pair(2, name); pair(70, 0); pair(40, 0); pair(41, width)
    pair(50, oblique); pair(71, 0); pair(3, font)
pair(0, "ENDTAB"); pair(0, "ENDSEC")

# The drawing number, a block whose attributes each placement fills in.
pair(0, "SECTION"); pair(2, "BLOCKS")
pair(0, "BLOCK"); pair(8, "0"); pair(2, "NUMBER"); pair(70, 2); pair(10, 0); pair(20, 0)
entity("ATTDEF"); pair(10, 0); pair(20, 0); pair(40, 6); pair(1, "?"); pair(3, "Number")
pair(2, "NUMBER"); pair(70, 0); pair(7, "TITLE")
entity("ATTDEF"); pair(10, 0); pair(20, -5); pair(40, 2); pair(1, "número do desenho"); pair(3, "")
pair(2, "KIND"); pair(70, 2)
pair(0, "ENDBLK"); pair(8, "0")
pair(0, "ENDSEC")

pair(0, "SECTION"); pair(2, "ENTITIES")
# The frame and its cells.
for x1, y1, x2, y2 in [(0, 0, 180, 0), (180, 0, 180, 90), (180, 90, 0, 90), (0, 90, 0, 0),
                       (0, 60, 180, 60), (0, 40, 120, 40), (0, 20, 180, 20),
                       (120, 0, 120, 60), (60, 0, 60, 20), (150, 0, 150, 20)]:
    line(x1, y1, x2, y2)
for y in (10,):
    line(0, y, 120, y, "GRID")

# The title: bold TrueType, centred in its cell; the subtitle fitted to its cell.
text(0, 0, 7, "PLANTA DE SITUAÇÃO", "TITLE", align=(60, 80), justify=(1, 2))
text(4, 64, 4, "Residência unifamiliar — lote 12", "SANS", align=(116, 64), justify=(5, 0))
# Notes: MTEXT wrapped at its width, with paragraphs, a larger heading in
# another font and a stacked fraction.
entity("MTEXT", "TEXT"); pair(10, 122); pair(20, 88); pair(40, 2.2); pair(41, 56); pair(71, 1)
pair(7, "STANDARD")
pair(1, "{\\fArial|b1;\\H1.4x;NOTAS}\\PCotas em milímetros; níveis em metros. "
        "Furos %%c12 a cada 150, tolerância %%p0,5. Inclinação do telhado 30%%d. "
        "Tubos de 1\\S1/2; polegada.\\PNão medir no desenho.")
# Labels at each corner of their cells, turned and slanted.
text(0, 0, 2.5, "DESENHO", align=(2, 57), justify=(0, 3))
text(0, 0, 2.5, "ESCALA", align=(118, 57), justify=(2, 3))
text(0, 0, 2.5, "DATA", align=(2, 37), justify=(0, 3))
text(0, 0, 4, "1:200", "SANS", align=(118, 42), justify=(2, 1))
text(0, 0, 4, "07/12/2024", "SERIF", align=(60, 30), justify=(4, 0))
text(0, 0, 2.5, "REVISÃO", align=(148, 3), justify=(2, 0))
text(176, 22, 3, "A3 — folha 1/1", "NARROW", groups=[(50, 90)])
text(4, 13, 3, "Projetado: R. Araújo", "SLANT")
text(4, 3, 3, "Aprovado: M. Conceição", "SLANT")
text(64, 13, 3, "Verificado:", "SANS")
text(64, 3, 3, "Cliente: J. Ávila", "SANS")
text(152, 3, 5, "B", "TITLE", align=(165, 10), justify=(1, 2))
# The drawing number, filled in by the placement's attribute.
entity("INSERT"); pair(66, 1); pair(2, "NUMBER"); pair(10, 124); pair(20, 26)
entity("ATTRIB"); pair(10, 124); pair(20, 26); pair(40, 6); pair(1, "KV-7410-001"); pair(2, "NUMBER")
pair(70, 0); pair(7, "TITLE")
entity("SEQEND")
pair(0, "ENDSEC")
pair(0, "EOF")

with open("titleblock.dxf", "w", encoding="utf-8", newline="\n") as f:
    f.write("\n".join(out) + "\n")
