#!/usr/bin/env python3
"""Writes the demo content service's files: a small generated game in three
versions, its version maps and patches, the directory replies and the
launcher's "setting.json".

  make_demo_content.py --out DIR --game PATH [--launcher PATH]

DIR (build/demo by scripts/run.sh) receives:
  content/game/      the current version (3_2_8): its files, "version_map.txt",
                     and under "patchs/3_2_7/" the patches from the previous
                     version with their "patch_list.txt"
  content/next/      the next version (3_2_9) for pre-download, whole files
  content/launcher/  "launcher_version_map.txt": the launcher at PATH (when
                     given) is current, so the launcher pass ends in the ready
                     state
  content/notice/    the notice page ("ActivityAddr"): a solid NOTICE_COLOUR
                     background, an in-page link, a link to a new window, and
                     buttons opening http, javascript: and file: addresses
  previous/          the previous version (3_2_7) as installed, with its map
  replies/           directory replies, in the stages of the next version:
                     get_urls.json with pre_download.json offer it for
                     pre-download; get_urls_withheld.json with
                     pre_download_none.json do not; get_urls_released.json
                     makes it the current version
  setting.json       the launcher's service settings
The game's "TOVA.exe" is the program at --game (the stand-in game the project
builds): the previous version has it as it is, the later ones with bytes
appended, so every version installed still starts. The replies and
"setting.json" carry the fields @CONTENT_URL@ (the folder "content" as
served), @FILES_URL@ (the same folder as served for the game's versions),
@PAGE_URL@ (the same folder over plain HTTP, for the notice page, whose
browser does not trust the test CA) and @SERVICE_URL@ (the directory
service); the demo runner fills them in. The same seed always gives the same bytes.
"""

import argparse
import hashlib
import json
import os
import random
import shutil
import struct
import sys
import zlib

PREVIOUS = "3_2_7"
CURRENT = "3_2_8"
NEXT = "3_2_9"
LAUNCHER_VERSION = "1.0.0"
SEED = 20261210
# The notice page's background, for tests that find the page on the screen.
NOTICE_COLOUR = "#1e6b52"

BLANK_NAME = "TOVA_Data/StreamingAssets/Audio/Sound Banks/Ambient Forest.bank"
CJK_NAME = "TOVA_Data/Localization/繁體中文/對話字幕.txt"
LARGEST_NAME = "TOVA_Data/StreamingAssets/Video/intro.usm"


def md5_of(data):
    return hashlib.md5(data).hexdigest()


def previous_files(rng, game):
    """The previous version: the game program `game`, a few hundred small
    files in nested folders and a few larger ones."""
    files = {"TOVA.exe": game, "UnityPlayer.dll": rng.randbytes(131072)}
    for index in range(24):
        files["TOVA_Data/Managed/Assembly%02d.dll" % index] = rng.randbytes(rng.randint(2048, 40960))
    for region in ("Aldmoor", "Brinefall", "Cindervale", "Duskreach"):
        for area in range(4):
            for chunk in range(14):
                name = "TOVA_Data/StreamingAssets/Bundles/%s/Area%d/chunk_%02d.bundle" % (
                    region, area, chunk)
                files[name] = rng.randbytes(rng.randint(200, 8192))
    for language in ("en", "th", "zh_TW"):
        for table in range(10):
            name = "TOVA_Data/Localization/%s/table_%d.txt" % (language, table)
            files[name] = ("%s table %d\n" % (language, table)).encode() * rng.randint(5, 80)
    files[CJK_NAME] = "第一章：歸來的旅人\n".encode("utf-8") * 40
    files[BLANK_NAME] = rng.randbytes(65536)
    files["TOVA_Data/resources.assets"] = rng.randbytes(3 * 1048576)
    files["TOVA_Data/sharedassets0.assets"] = rng.randbytes(2 * 1048576)
    files[LARGEST_NAME] = rng.randbytes(4 * 1048576 + 123)
    return files


def mutated(rng, old, stride):
    """`old` with every `stride`-th byte changed; also the per-byte
    difference (new minus old), which a patch's diff block carries."""
    new = bytearray(old)
    diff = bytearray(len(old))
    for position in range(rng.randrange(stride), len(old), stride):
        delta = rng.randint(1, 255)
        new[position] = (old[position] + delta) & 0xFF
        diff[position] = delta
    return bytes(new), bytes(diff)


def patch_number(value):
    magnitude = abs(value)
    encoded = bytearray(struct.pack("<Q", magnitude))
    if value < 0:
        encoded[7] |= 0x80
    return bytes(encoded)


def new_version_with_patch(rng, old):
    """A changed file and the patch that makes it from `old`: the first part
    of the old file with some bytes changed, new bytes, the rest after a
    skipped stretch of the old file with some bytes changed, and a new tail.
    Two control triples (add, copy, seek) describe exactly that."""
    cut = len(old) // 3
    skipped = min(len(old) - cut, max(1, len(old) // 10))
    head, head_diff = mutated(rng, old[:cut], 97)
    rest, rest_diff = mutated(rng, old[cut + skipped:], 131)
    inserted = rng.randbytes(rng.randint(64, 4096))
    tail = rng.randbytes(rng.randint(0, 512))
    new = head + inserted + rest + tail
    control = (patch_number(len(head)) + patch_number(len(inserted)) + patch_number(skipped) +
               patch_number(len(rest)) + patch_number(len(tail)) + patch_number(0))
    payload = (b"BSDIFN40" + patch_number(len(control)) +
               patch_number(len(head_diff) + len(rest_diff)) + patch_number(len(new)) + control +
               head_diff + rest_diff + inserted + tail)
    compressed = zlib.compress(payload, 9)
    container = struct.pack("<II", len(payload), len(compressed)) + compressed
    return new, container


def appended_with_patch(rng, old):
    """`old` with new bytes appended, and its patch: one control triple that
    keeps all of `old` (an all-zero difference) and adds the new tail. A
    program stays a program this way."""
    tail = rng.randbytes(rng.randint(64, 4096))
    control = patch_number(len(old)) + patch_number(len(tail)) + patch_number(0)
    payload = (b"BSDIFN40" + patch_number(len(control)) + patch_number(len(old)) +
               patch_number(len(old) + len(tail)) + control + bytes(len(old)) + tail)
    compressed = zlib.compress(payload, 9)
    return old + tail, struct.pack("<II", len(payload), len(compressed)) + compressed


def current_files(rng, previous):
    """The current version and the patches from the previous one."""
    files = dict(previous)
    patches = {}
    names = sorted(previous)
    patched = ["TOVA.exe", "TOVA_Data/resources.assets", BLANK_NAME, CJK_NAME]
    patched += rng.sample([n for n in names if n not in patched], 30)
    for name in patched:
        make = appended_with_patch if name == "TOVA.exe" else new_version_with_patch
        files[name], patches[name] = make(rng, previous[name])
    # Changed without a patch: these come whole.
    for name in rng.sample([n for n in names if n not in patched], 10):
        files[name] = rng.randbytes(len(previous[name]) + rng.randint(1, 300))
    for name in rng.sample([n for n in names if n not in patched and n in files], 5):
        del files[name]
    for index in range(12):
        files["TOVA_Data/StreamingAssets/Bundles/Emberhold/Area0/chunk_%02d.bundle" % index] = (
            rng.randbytes(rng.randint(200, 8192)))
    return files, patches


def next_files(rng, current):
    """The next version: the program, the largest file (so its transfer lasts
    a while) and 20 more changed, and a few new files."""
    files = dict(current)
    others = sorted(n for n in current if n not in ("TOVA.exe", LARGEST_NAME))
    for name in ["TOVA.exe", LARGEST_NAME] + rng.sample(others, 20):
        if name == "TOVA.exe":
            files[name] = current[name] + rng.randbytes(rng.randint(64, 4096))
        else:
            files[name] = rng.randbytes(max(1, len(current[name]) + rng.randint(-100, 300)))
    for index in range(6):
        files["TOVA_Data/StreamingAssets/Bundles/Frostmere/Area0/chunk_%02d.bundle" % index] = (
            rng.randbytes(rng.randint(200, 8192)))
    return files


def map_text(version, entries):
    """The flat map form: "version" holds the version text as its "md5"."""
    document = {"version": {"md5": version}}
    for name in sorted(entries):
        data = entries[name]
        document[name] = {"md5": md5_of(data), "size": len(data)}
    return json.dumps(document, indent="\t") + "\n"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data.encode("utf-8") if isinstance(data, str) else data)


def write_tree(folder, files):
    for name, data in files.items():
        write(os.path.join(folder, *name.split("/")), data)


def launcher_map(launcher):
    entries = {}
    if launcher:
        with open(launcher, "rb") as source:
            entries["launcher.exe"] = source.read()
    document = {"version": LAUNCHER_VERSION, "list": {}}
    for name, data in entries.items():
        document["list"][name] = {"md5": md5_of(data), "size": len(data)}
    return json.dumps(document, indent="\t") + "\n"


def directory_replies():
    """The directory replies by stage of the next version: {file name: text}."""
    def get_urls(game_host, pre_download_hosts):
        others = {
            "DlcAddr": ["@CONTENT_URL@/launcher/"],
            "PatchOption": 2,
            "UseWebExtraParam": False,
            "DeleteLogTXT": False,
            "PreDlcCheck": True,
            "TransToGame": {"channel": "TW", "demo": True},
            "ActivityAddr": "@PAGE_URL@/notice/index.html",
        }
        if pre_download_hosts:
            others["PreDlcAddr"] = pre_download_hosts
        reply = {"DlcAddr": [game_host], "Others": json.dumps(others)}
        return json.dumps(reply, indent="\t") + "\n"

    def pre_download(hosts):
        info = [json.dumps({"TW_pc_addr": hosts})] if hosts else []
        return json.dumps({"info": info}, indent="\t") + "\n"

    game, upcoming = "@FILES_URL@/game/", "@FILES_URL@/next/"
    return {
        "get_urls.json": get_urls(game, [upcoming]),
        "pre_download.json": pre_download([upcoming]),
        "get_urls_withheld.json": get_urls(game, []),
        "pre_download_none.json": pre_download([]),
        "get_urls_released.json": get_urls(upcoming, []),
    }


def notice_page():
    return """<!DOCTYPE html>
<html lang="zh-Hant">
<head>
<meta charset="utf-8">
<title>Notice</title>
<style>
  html, body { margin: 0; height: 100%%; overflow: hidden; background: %s;
               color: #f0f0f0; font: 14px sans-serif; }
  main { padding: 16px; }
  a, button { display: block; margin: 6px 0; color: #ffe9a8; }
  button { background: #2c4d40; border: 1px solid #ffe9a8; }
</style>
</head>
<body>
<main>
  <h1>Demo notice</h1>
  <a id="to-events" href="#events">Events below</a>
  <a id="new-window" href="https://demo.invalid/news?id=1" target="_blank">News in a new window</a>
  <button id="open-http" onclick="window.open('http://demo.invalid/patch-notes')">Patch notes</button>
  <button id="open-javascript" onclick="window.open('javascript:void(0)')">Script address</button>
  <button id="open-file" onclick="window.open('file:///C:/windows/win.ini')">File address</button>
  <section id="events"><h2>Events</h2><p>Nothing planned.</p></section>
</main>
</body>
</html>
""" % NOTICE_COLOUR


def setting_json():
    settings = {
        "GateURLs": ["@SERVICE_URL@/~gate/"],
        "TrackURL": "@SERVICE_URL@/~track/track/json_track",
        # The ready state's first content refresh, which loads the notice
        # page, comes once this much time has passed since the system
        # started; the least interval lets it come at once, then every minute.
        "RefreshInterval": 1,
    }
    return json.dumps(settings, indent="\t") + "\n"


def generate(out, game, launcher):
    with open(game, "rb") as source:
        game_program = source.read()
    rng = random.Random(SEED)
    previous = previous_files(rng, game_program)
    current, patches = current_files(rng, previous)
    upcoming = next_files(rng, current)

    # Start from nothing, so no file of an earlier run lingers in a map's folder.
    for part in ("content", "previous", "replies"):
        shutil.rmtree(os.path.join(out, part), ignore_errors=True)
    content = os.path.join(out, "content")
    game = os.path.join(content, "game")
    write_tree(game, current)
    write(os.path.join(game, "version_map.txt"), map_text(CURRENT, current))
    patch_folder = os.path.join(game, "patchs", PREVIOUS)
    write_tree(patch_folder, {name + ".patch": data for name, data in patches.items()})
    write(os.path.join(patch_folder, "patch_list.txt"), map_text(PREVIOUS, patches))

    next_folder = os.path.join(content, "next")
    write_tree(next_folder, upcoming)
    write(os.path.join(next_folder, "version_map.txt"), map_text(NEXT, upcoming))

    write(os.path.join(content, "launcher", "launcher_version_map.txt"), launcher_map(launcher))
    write(os.path.join(content, "notice", "index.html"), notice_page())

    installed = os.path.join(out, "previous")
    write_tree(installed, previous)
    write(os.path.join(installed, "version_map.txt"), map_text(PREVIOUS, previous))

    for name, text in directory_replies().items():
        write(os.path.join(out, "replies", name), text)
    write(os.path.join(out, "setting.json"), setting_json())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--game", required=True, help="the program to serve as TOVA.exe")
    parser.add_argument("--launcher", help="launcher.exe to list as current")
    arguments = parser.parse_args()
    generate(os.path.abspath(arguments.out), arguments.game, arguments.launcher)
    return 0


if __name__ == "__main__":
    sys.exit(main())
