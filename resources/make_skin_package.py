#!/usr/bin/env python3
"""Builds the skin package: the language files and themes of this folder,
stored under "resources/" in a zip whose bytes depend only on the inputs."""
import os
import sys
import zipfile

FOLDERS = ("lang", "themes")
FIXED_TIME = (2020, 1, 1, 0, 0, 0)


def main(source, output):
    names = []
    for folder in FOLDERS:
        for root, _, files in os.walk(os.path.join(source, folder)):
            for name in files:
                path = os.path.join(root, name)
                names.append(os.path.relpath(path, source).replace(os.sep, "/"))
    temporary = output + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as package:
        for name in sorted(names):
            info = zipfile.ZipInfo("resources/" + name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            with open(os.path.join(source, name), "rb") as data:
                package.writestr(info, data.read())
    os.replace(temporary, output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: make_skin_package.py <resources folder> <output zip>")
    main(sys.argv[1], sys.argv[2])
