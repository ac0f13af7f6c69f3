#!/usr/bin/python3
"""Builds pm514rx-fullwidth.ttf: the full-width comma and colon that the program's texts carry.

Many desktops have no font with these two characters; the program embeds this one so that
"Channel：" and the messages with "，" never show empty boxes. Run with python3-fonttools:
    python3 res/fonts/make_fullwidth_font.py res/fonts/pm514rx-fullwidth.ttf
"""

import math
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

EM = 1000
ASCENT = 891
DESCENT = 216
ADVANCE = 1000


def dot(pen, cx, cy, r):
    """A round dot drawn clockwise from eight off-curve points."""
    reach = r / math.cos(math.pi / 8)
    points = []
    for i in range(8):
        angle = -i * math.pi / 4  # clockwise
        points.append((round(cx + reach * math.cos(angle)), round(cy + reach * math.sin(angle))))
    pen.qCurveTo(*points, None)
    pen.closePath()


def comma(pen):
    dot(pen, 190, 50, 72)
    # The tail hangs down and to the left from the dot, drawn clockwise.
    pen.moveTo((250, 60))
    pen.qCurveTo((250, -90), (130, -190))
    pen.lineTo((105, -160))
    pen.qCurveTo((175, -90), (150, 20))
    pen.closePath()


def colon(pen):
    dot(pen, 220, 60, 72)
    dot(pen, 220, 440, 72)


def empty(pen):
    pass


def glyph(draw):
    pen = TTGlyphPen(None)
    draw(pen)
    return pen.glyph()


def notdef(pen):
    pen.moveTo((100, 0))
    pen.lineTo((100, 700))
    pen.lineTo((500, 700))
    pen.lineTo((500, 0))
    pen.closePath()
    pen.moveTo((150, 50))
    pen.lineTo((450, 50))
    pen.lineTo((450, 650))
    pen.lineTo((150, 650))
    pen.closePath()


def main(path):
    order = [".notdef", "uniFF0C", "uniFF1A"]
    builder = FontBuilder(EM, isTTF=True)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap({0xFF0C: "uniFF0C", 0xFF1A: "uniFF1A"})
    glyphs = {".notdef": glyph(notdef), "uniFF0C": glyph(comma), "uniFF1A": glyph(colon)}
    builder.setupGlyf(glyphs)
    metrics = {".notdef": (600, 100)}
    for name in ("uniFF0C", "uniFF1A"):
        glyphs[name].recalcBounds(None)
        metrics[name] = (ADVANCE, glyphs[name].xMin)
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    builder.setupNameTable({"familyName": "PM514RX Fullwidth", "styleName": "Regular",
                            "uniqueFontIdentifier": "PM514RX Fullwidth Regular",
                            "fullName": "PM514RX Fullwidth Regular", "psName": "PM514RXFullwidth-Regular",
                            "version": "Version 1.0"})
    builder.setupOS2(sTypoAscender=ASCENT, sTypoDescender=-DESCENT, usWinAscent=ASCENT, usWinDescent=DESCENT,
                     achVendID="PM5X", ulUnicodeRange1=0, ulUnicodeRange2=0)
    builder.setupPost()
    builder.save(path)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "pm514rx-fullwidth.ttf")
