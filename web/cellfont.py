#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Draws "gridpin cells", the face in which the page shows three characters
# of map text, a cell each: the capital letter O as a round ring as wide as
# its cell, a full stop as a dot, and the digit zero narrow and slashed, so
# that at any size O and 0 differ plainly. The page takes every other
# character from the system's monospace face; these three have its common
# advance, 0.602 em, so that map rows keep their columns.
#
#   /usr/bin/python3 web/cellfont.py web/cellfont.ttf   (Debian: python3-fonttools)
#
# The file is kept with the sources, so that building the page needs no
# font tools; this script makes it again, byte for byte.
import math
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

UPM, ADVANCE = 1000, 602
SIDES = 16  # quadratic segments of an ellipse


def ellipse(pen, cx, cy, rx, ry, clockwise):
    # On-curve points on the ellipse, off-curve ones where the tangents
    # of their neighbours meet.
    step = 2 * math.pi / SIDES * (-1 if clockwise else 1)
    far = 1 / math.cos(math.pi / SIDES)
    on = lambda i: (round(cx + rx * math.cos(i * step)), round(cy + ry * math.sin(i * step)))
    off = lambda i: (round(cx + rx * far * math.cos((i + 0.5) * step)), round(cy + ry * far * math.sin((i + 0.5) * step)))
    pen.moveTo(on(0))
    for i in range(SIDES):
        pen.qCurveTo(off(i), on(i + 1))
    pen.closePath()


def ring(pen, cx, cy, rx, ry, weight):
    # TrueType fills clockwise outlines: the outer one clockwise, the hole not.
    ellipse(pen, cx, cy, rx, ry, True)
    ellipse(pen, cx, cy, rx - weight, ry - weight, False)


def glyph(draw):
    pen = TTGlyphPen(None)
    draw(pen)
    return pen.glyph()


def empty(pen):
    pass


def letter_o(pen):
    ring(pen, ADVANCE / 2, 364, 290, 364, 100)


def full_stop(pen):
    ellipse(pen, ADVANCE / 2, 70, 75, 75, True)


def zero(pen):
    ring(pen, ADVANCE / 2, 364, 175, 364, 70)
    # The slash, from the lower left inside the ring to the upper right.
    pen.moveTo((170, 140))
    pen.lineTo((370, 640))
    pen.lineTo((445, 605))
    pen.lineTo((245, 105))
    pen.closePath()


def main(out):
    names = [".notdef", "zero", "O", "period"]
    fb = FontBuilder(UPM, isTTF=True)
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({0x30: "zero", 0x4F: "O", 0x2E: "period"})
    glyphs = {".notdef": glyph(empty), "zero": glyph(zero), "O": glyph(letter_o), "period": glyph(full_stop)}
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({n: (ADVANCE, glyphs[n].xMin if hasattr(glyphs[n], "xMin") else 0) for n in names})
    fb.setupHorizontalHeader(ascent=760, descent=-240)
    fb.setupNameTable({"familyName": "gridpin cells", "styleName": "Regular",
                       "copyright": "gridpin's own drawing, MIT License"})
    fb.setupOS2(sTypoAscender=760, sTypoDescender=-240, usWinAscent=760, usWinDescent=240, achVendID="NONE")
    fb.setupPost()
    # Fixed dates, so that the file is the same whenever it is made.
    fb.updateHead(created=0, modified=0)
    fb.save(out)


if __name__ == "__main__":
    main(sys.argv[1])
