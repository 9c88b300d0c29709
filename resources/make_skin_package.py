#!/usr/bin/env python3
"""Builds the skin package: the language files and themes of this folder and
the images rendered from images/, stored under "resources/" in a zip whose
bytes depend only on the inputs."""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

FOLDERS = ("lang", "themes")
THEME = "themes/default"
IMAGE_LIST = os.path.join("images", "images.txt")
FIXED_TIME = (2020, 1, 1, 0, 0, 0)


class SkinError(Exception):
    pass


def read_image_list(source):
    """The image list: (PNG path under the theme, SVG file, width, height, CSS)."""
    images = []
    seen = set()
    path = os.path.join(source, IMAGE_LIST)
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split(None, 4)
            if len(fields) < 4 or not fields[2].isdigit() or not fields[3].isdigit():
                raise SkinError("%s:%d: expected <png> <svg> <width> <height> [css]" % (path, number))
            name, svg = fields[0], fields[1]
            if not name.endswith(".png") or ".." in name.split("/") or name in seen:
                raise SkinError("%s:%d: bad or repeated image path %s" % (path, number, name))
            seen.add(name)
            css = fields[4] if len(fields) == 5 else ""
            images.append((name, os.path.join(source, "images", svg), int(fields[2]), int(fields[3]), css))
    return images


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SkinError("rsvg-convert wrote no PNG")
    return struct.unpack(">II", data[16:24])


def render(svg, width, height, css, cache):
    """The PNG bytes of one image, rendered once per distinct input and kept in
    the cache folder, which every package of the build shares."""
    with open(svg, "rb") as source:
        svg_bytes = source.read()
    key = hashlib.sha1(b"%d %d\n%s\n" % (width, height, css.encode()) + svg_bytes).hexdigest()
    cached = os.path.join(cache, key + ".png")
    if os.path.exists(cached):
        with open(cached, "rb") as data:
            return data.read()
    rsvg = shutil.which("rsvg-convert")
    if not rsvg:
        raise SkinError("rsvg-convert is missing: run scripts/install-packages.sh")
    os.makedirs(cache, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=cache) as work:
        command = [rsvg, "-w", str(width), "-h", str(height), "-o", os.path.join(work, "out.png")]
        if css:
            sheet = os.path.join(work, "style.css")
            with open(sheet, "w", encoding="utf-8") as style:
                style.write(css + "\n")
            command += ["-s", sheet]
        result = subprocess.run(command + [svg], capture_output=True, text=True)
        if result.returncode != 0:
            raise SkinError("rsvg-convert failed on %s: %s" % (svg, result.stderr.strip()))
        with open(os.path.join(work, "out.png"), "rb") as data:
            png = data.read()
        if png_size(png) != (width, height):
            raise SkinError("%s rendered at %dx%d, not %dx%d" % ((svg,) + png_size(png) + (width, height)))
        # Another package of the same build may render the same image at once.
        os.replace(os.path.join(work, "out.png"), cached)
    return png


def main(source, output, cache):
    entries = {}
    for folder in FOLDERS:
        for root, _, files in os.walk(os.path.join(source, folder)):
            for name in files:
                path = os.path.join(root, name)
                with open(path, "rb") as data:
                    entries[os.path.relpath(path, source).replace(os.sep, "/")] = data.read()
    for name, svg, width, height, css in read_image_list(source):
        entry = THEME + "/" + name
        if entry in entries:
            raise SkinError("%s exists both as a file and in %s" % (entry, IMAGE_LIST))
        entries[entry] = render(svg, width, height, css, cache)
    temporary = output + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as package:
        for name in sorted(entries):
            info = zipfile.ZipInfo("resources/" + name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            package.writestr(info, entries[name])
    os.replace(temporary, output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: make_skin_package.py <resources folder> <output zip> <image cache folder>")
    try:
        main(sys.argv[1], sys.argv[2], sys.argv[3])
    except (SkinError, OSError) as error:
        sys.exit("make_skin_package.py: %s" % error)
