#!/usr/bin/env python3
"""Fails when a folder includes a folder it may not depend on, or when a
library links one. Each folder is one library; the table below is the only
place the layers are written down. The composition root (the entry function
and the wiring of the subsystems) and the benchmarks may include anything."""

import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Folder -> the folders it may include, besides itself.
LAYERS = {
    "base": [],
    "ui/render": ["base"],
    "ui/resources": ["base", "ui/render"],
    "launcher/download": ["base"],
    "launcher/core": ["base", "ui/render", "ui/resources", "launcher/download"],
    "launcher/update": ["base", "ui/render", "ui/resources", "launcher/download", "launcher/core"],
    "ui/core": ["base", "ui/render", "ui/resources"],
    "ui/box": ["base", "ui/render", "ui/resources", "ui/core"],
    "ui/control": ["base", "ui/render", "ui/resources", "ui/core", "ui/box"],
    "browser": ["base", "ui/render", "ui/resources", "ui/core", "ui/box", "ui/control"],
    "launcher/windows": ["base", "ui/render", "ui/resources", "launcher/download", "launcher/core",
                         "launcher/update", "ui/core", "ui/box", "ui/control", "browser"],
}
# The library each folder builds.
TARGETS = {
    "base": "base", "ui/render": "ui_render", "ui/resources": "ui_resources",
    "launcher/download": "launcher_download", "launcher/core": "launcher_core",
    "launcher/update": "launcher_update", "ui/core": "ui_core", "ui/box": "ui_box",
    "ui/control": "ui_control", "browser": "browser", "launcher/windows": "launcher_windows",
}
COMPOSITION_ROOT = {"launcher/core/entry.cpp", "launcher/core/launcher_subsystems.cpp",
                    "launcher/core/launcher_main.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(path):
    """The layer folder a project path belongs to, or None."""
    for folder in sorted(LAYERS, key=len, reverse=True):
        if path.startswith(folder + "/"):
            return folder
    return None


def acyclic():
    state = {}

    def visit(folder):
        if state.get(folder) == "open":
            return False
        if state.get(folder) == "done":
            return True
        state[folder] = "open"
        ok = all(visit(below) for below in LAYERS[folder])
        state[folder] = "done"
        return ok

    return all(visit(folder) for folder in LAYERS)


def check_includes(errors):
    for top in ("base", "launcher", "ui", "browser", "tests"):
        for directory, _, names in os.walk(os.path.join(ROOT, top)):
            for name in names:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(directory, name), ROOT).replace(os.sep, "/")
                if path in COMPOSITION_ROOT:
                    continue
                test = path.startswith("tests/")
                owner = folder_of(path[len("tests/"):] if test else path)
                if owner is None:
                    if test and not path.startswith("tests/support/"):
                        errors.append("%s: tests for no known folder" % path)
                    continue
                allowed = set(LAYERS[owner]) | {owner}
                with open(os.path.join(ROOT, path), encoding="utf-8") as source:
                    text = source.read()
                for included in INCLUDE.findall(text):
                    if included.startswith("tests/"):
                        target = included[len("tests/"):]
                        if test and (included.startswith("tests/support/")
                                     or folder_of(target) in allowed):
                            continue
                        errors.append("%s includes %s" % (path, included))
                        continue
                    layer = folder_of(included)
                    if layer is not None and layer not in allowed:
                        errors.append("%s includes %s (%s may use only %s)" % (
                            path, included, owner, ", ".join(sorted(allowed - {owner})) or "itself"))


def check_links(errors):
    folder_by_target = {target: folder for folder, target in TARGETS.items()}
    call = re.compile(r"launcher_add_library\(\s*(\w+)(.*?)\)", re.DOTALL)
    for folder, target in TARGETS.items():
        cmake = os.path.join(ROOT, folder, "CMakeLists.txt")
        if not os.path.exists(cmake):
            continue
        with open(cmake, encoding="utf-8") as source:
            text = source.read()
        for name, arguments in call.findall(text):
            for word in re.findall(r"[\w:]+", arguments):
                linked = folder_by_target.get(word)
                if linked is not None and linked != folder and linked not in LAYERS[folder]:
                    errors.append("%s: %s links %s" % (os.path.relpath(cmake, ROOT), name, word))


def main():
    errors = []
    if not acyclic():
        errors.append("the layer table has a cycle")
    check_includes(errors)
    check_links(errors)
    for error in errors:
        print("layers: " + error, file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
