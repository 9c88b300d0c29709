#!/usr/bin/python3
"""Writes one face of a TrueType/OpenType collection as a font file of its
own, chosen by its family and subfamily names. Run with Debian's python3, which
carries fonttools (python3-fonttools)."""
import os
import sys

from fontTools.ttLib import TTCollection


def names(font, name_id):
    return {record.toUnicode() for record in font["name"].names if record.nameID == name_id}


def main(collection, family, style, output):
    faces = TTCollection(collection, lazy=True)
    for font in faces.fonts:
        if family in names(font, 1) and style in names(font, 2):
            temporary = output + ".tmp"
            font.save(temporary, reorderTables=False)
            os.replace(temporary, output)
            return
    sys.exit("extract_font.py: %s has no face %s %s" % (collection, family, style))


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit("usage: extract_font.py <collection> <family> <subfamily> <output>")
    main(*sys.argv[1:])
