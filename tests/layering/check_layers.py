#!/usr/bin/env python3
"""Checks that every #include of the project's own code points down the layers, never up or sideways.

Each folder of C++ sources is a layer; the list says which layers it may use directly (what those use, it may use
too). A folder may always include its own files. Only layers marked in QT may include Qt headers. A folder of
sources missing from LAYERS is an error too, so a new folder is placed before it is used.

    check_layers.py SOURCE_ROOT

The layers are listed once, in cmake/Layers.txt, which the format target reads too.
"""
import os
import re
import sys
from pathlib import Path



def read_layers(path):
    """The layers of the list at path: {folder: [layers it may use directly]}, and the set that may use Qt."""
    layers, qt = {}, set()
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        folder, sep, uses = line.partition(":")
        if not sep:
            sys.exit(f"{path}:{number}: expected 'folder: layers it uses'")
        words = uses.split()
        layers[folder.strip()] = [word for word in words if word != "+qt"]
        if "+qt" in words:
            qt.add(folder.strip())
    unknown = {use for uses in layers.values() for use in uses} - set(layers)
    if unknown:
        sys.exit(f"{path}: uses layers it does not list: {', '.join(sorted(unknown))}")
    return layers, qt


LAYERS, QT = {}, set()

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
SKIP = {"build", ".git"}


def closure(layer):
    seen, todo = set(), list(LAYERS[layer])
    while todo:
        below = todo.pop()
        if below not in seen:
            seen.add(below)
            todo.extend(LAYERS[below])
    return seen


def layer_of(path):
    """The longest layer name that path (relative, with "/") lies in, or None."""
    best = None
    for layer in LAYERS:
        if (path == layer or path.startswith(layer + "/")) and (best is None or len(layer) > len(best)):
            best = layer
    return best


def main(root):
    global LAYERS, QT
    root = Path(root)
    LAYERS, QT = read_layers(root / "cmake" / "Layers.txt")
    allowed = {layer: closure(layer) | {layer} for layer in LAYERS}
    errors = []
    sources = []
    # The build folders are never entered: the tests running beside this one make and remove files there.
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = [d for d in subfolders if d not in SKIP
                         and not (Path(folder) == root and d.startswith("build"))]
        sources += [Path(folder) / f for f in files if Path(f).suffix in (".cpp", ".h")]
    for source in sorted(sources):
        rel = source.relative_to(root).as_posix()
        layer = layer_of(rel)
        if layer is None:
            errors.append(f"{rel}: its folder is no layer; place it in cmake/Layers.txt")
            continue
        text = source.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            kind, name = match.groups()
            line = text.count("\n", 0, match.start()) + 1
            if kind == "<":
                if re.match(r"Q[A-Za-z]", name) and layer not in QT:
                    errors.append(f"{rel}:{line}: includes <{name}>, but {layer}/ is toolkit-free")
                if layer_of(name) is None or not (root / name).is_file():
                    continue  # a system or library header (<net/if.h>); ours are checked in either brackets
            if "/" not in name:
                continue  # a file beside it
            target = layer_of(name)
            if target is None:
                if (root / name).exists() or (root / name.split("/")[0]).is_dir():
                    errors.append(f'{rel}:{line}: includes "{name}", which lies in no layer')
                continue
            if target not in allowed[layer]:
                errors.append(f'{rel}:{line}: includes "{name}", but {layer}/ may not use {target}/ '
                              f"(it may use: {', '.join(sorted(allowed[layer] - {layer})) or 'nothing of ours'})")
    for error in errors:
        print(error)
    print(f"{len(sources)} source files checked, {len(errors)} includes against the layers")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]))
