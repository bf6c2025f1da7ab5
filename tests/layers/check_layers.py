#!/usr/bin/env python3
"""Checks that every source file includes only what its layer may use.

A file belongs to the layer of the longest folder in LAYERS that holds it;
a project include ("core/files.h") belongs to a layer the same way. A layer
may use itself and the layers it lists. GUI-free layers may not include the
headers of Qt's GUI modules either, so that the database and record code
keeps building and running without a display.

Usage: check_layers.py --root SOURCE_TREE [--qt-headers QT_INCLUDE_ROOT]
Prints one line per forbidden include and exits 1 when there is any.
"""

import argparse
import os
import re
import sys

_PLATFORM_GUI_FREE = ["platform", "platform/db"]
_PLATFORM = _PLATFORM_GUI_FREE + ["platform/com", "platform/gui"]
_CORE_GUI_FREE = ["core", "core/sound", "records", "upgrade"]
# Screens, printing and the tools window: everything GUI-free, all of
# platform, and the controls only through their host headers.
_SCREEN_USES = _PLATFORM + _CORE_GUI_FREE + ["controls/host"]
_PROGRAM_USES = _SCREEN_USES + ["shell", "screens", "printing", "tools"]

# folder: (GUI allowed, layers it may use besides itself)
LAYERS = {
    "platform": (False, []),
    "platform/db": (False, ["platform"]),
    # The Access reader, a program of its own that the database layer starts.
    "platform/db/jet_read": (False, ["platform", "platform/db"]),
    "platform/com": (True, ["platform"]),
    "platform/gui": (True, ["platform"]),
    "core": (False, _PLATFORM_GUI_FREE),
    "core/sound": (False, ["core"] + _PLATFORM_GUI_FREE),
    "records": (False, ["core"] + _PLATFORM_GUI_FREE),
    # The upgrade steps rewrite examination records, so they sit above them.
    "upgrade": (False, ["core", "records"] + _PLATFORM_GUI_FREE),
    # The start-up and end-of-run windows every program shares.
    "shell": (True, _PLATFORM + _CORE_GUI_FREE),
    # The two modules are loaded by hosts that know nothing of the clinic's
    # data: they see only the hosting layer and the drawing helpers.
    "controls/tooth_button": (True, ["platform", "platform/com", "platform/gui"]),
    "controls/colour_button": (True, ["platform", "platform/com", "platform/gui"]),
    # The chart screen previews and prints the sheets of printing/.
    "screens": (True, _SCREEN_USES + ["screens/input/entry", "printing"]),
    # The examination entry of the input screen runs without a window, so
    # that tests drive it alone; its window sits in screens/input above it.
    "screens/input/entry": (False, _PLATFORM_GUI_FREE + _CORE_GUI_FREE),
    "printing": (True, _SCREEN_USES),
    "tools": (True, _SCREEN_USES),
    "converter": (True, _PROGRAM_USES),
    "maintenance": (True, _PROGRAM_USES),
    "app": (True, _PROGRAM_USES),
}

# What a host may include of a control module: the dispatch ids, the OLE
# colours, the design settings and the set of colour buttons built on them,
# and the furcation numerals the printed sheets draw as the button does;
# never the control's own code.
HOST_HEADERS = {
    "controls/tooth_button/tooth_button_ids.h",
    "controls/tooth_button/furcation_numeral.h",
    "controls/colour_button/colour_button_design.h",
    "controls/colour_button/prismet_properties.h",
    "controls/colour_button/ole_colour.h",
    "controls/colour_button/colour_button_set.h",
}

GUI_MODULES = ["QtGui", "QtWidgets", "QtPrintSupport", "QtOpenGL", "QtOpenGLWidgets", "QtSvg",
               "QtSvgWidgets", "QtMultimediaWidgets", "QtQuick", "QtQml"]

# Folders that hold no product code: tests and benchmarks reach into any layer.
NOT_CHECKED = {"tests", "bench", "data", "scripts", "cmake", "build"}
SOURCE_SUFFIXES = (".cpp", ".cc", ".cxx", ".h", ".hpp")

_INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def LayerOf(path):
    """The layer folder of a tree-relative path, or None."""
    parts = path.split("/")[:-1]
    while parts:
        folder = "/".join(parts)
        if folder in LAYERS:
            return folder
        parts.pop()
    return None


def CheckTable():
    """A GUI-free layer that may use a GUI layer would pull widgets in anyway."""
    problems = []
    for folder, (gui, uses) in LAYERS.items():
        for used in uses:
            if used == "controls/host":
                target_gui = True
            elif used not in LAYERS:
                problems.append(f"layer table: {folder} uses unknown layer {used}")
                continue
            else:
                target_gui = LAYERS[used][0]
            if not gui and target_gui:
                problems.append(f"layer table: GUI-free {folder} uses GUI layer {used}")
    return problems


def GuiHeader(name, qt_headers):
    """True when `name` (as written in <...>) is a header of a Qt GUI module."""
    first = name.split("/")[0]
    if first in GUI_MODULES:
        return True
    if not qt_headers or "/" in name:
        return False
    return any(os.path.isfile(os.path.join(qt_headers, module, name)) for module in GUI_MODULES)


def CheckInclude(rel, layer, bracket, name, qt_headers, exists):
    """The reason an include is forbidden, or None."""
    gui, uses = LAYERS[layer]
    target_layer = LayerOf(name)
    if target_layer is None:
        if bracket == '"' and "/" not in name and exists(os.path.join(os.path.dirname(rel), name)):
            return None  # a neighbour in the same folder
        if bracket == "<" and not gui and GuiHeader(name, qt_headers):
            return f"GUI-free layer {layer} includes the Qt GUI header <{name}>"
        return None
    if target_layer == layer:
        return None
    if target_layer.startswith("controls/") and name in HOST_HEADERS and "controls/host" in uses:
        return None
    if target_layer in uses:
        return None
    return f"layer {layer} may not use {target_layer}"


def SourceFiles(root):
    for folder, dirs, files in os.walk(root):
        rel_folder = os.path.relpath(folder, root).replace(os.sep, "/")
        if rel_folder == ".":
            dirs[:] = [d for d in dirs if d not in NOT_CHECKED and not d.startswith(".")
                       and not d.startswith("build")]
        # A build folder anywhere (its CMakeCache.txt tells) is generated code.
        dirs[:] = [d for d in dirs if not os.path.isfile(os.path.join(folder, d, "CMakeCache.txt"))]
        for f in sorted(files):
            if f.endswith(SOURCE_SUFFIXES):
                yield "" if rel_folder == "." else rel_folder, f


def Check(root, qt_headers=None):
    """Every problem of the tree as 'path:line: reason' lines."""
    problems = CheckTable()
    exists = lambda rel: os.path.isfile(os.path.join(root, rel))
    for rel_folder, f in SourceFiles(root):
        rel = f"{rel_folder}/{f}" if rel_folder else f
        layer = LayerOf(rel)
        if layer is None:
            problems.append(f"{rel}: folder '{rel_folder or '.'}' is in no layer; add it to the table")
            continue
        with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                m = _INCLUDE.match(line)
                if not m:
                    continue
                reason = CheckInclude(rel, layer, m.group(1), m.group(2), qt_headers, exists)
                if reason:
                    problems.append(f"{rel}:{number}: {m.group(2)}: {reason}")
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--qt-headers", help="the folder that holds QtCore/, QtGui/, QtWidgets/ ...")
    args = parser.parse_args(argv)
    if args.qt_headers and not os.path.isdir(os.path.join(args.qt_headers, "QtGui")):
        print(f"no QtGui folder under {args.qt_headers}")
        return 2
    problems = Check(args.root, args.qt_headers)
    for p in problems:
        print(p)
    print(f"{len(problems)} forbidden include(s)" if problems else "every include follows the layers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
