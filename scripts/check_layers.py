#!/usr/bin/env python3
"""Checks that every #include of the program's sources goes down the layers, never up or across.

Usage: check_layers.py [SOURCE_ROOT]   (default: the folder above this script)

The layers of src/, lowest first; a folder may include its own files and those of any lower
layer. Folders that share a layer (content, shortcuts, mappers, mergemodules) may not include one
another: what two of them need in common belongs to a lower layer. The engine's public interface
(engine/include/qv/) is reached from the project layer up, and the engine libraries themselves
include nothing of src/ but the platform layer.
"""
import pathlib
import re
import sys

LAYERS = [
    ["platform"],
    ["core"],
    ["options"],
    ["project"],
    ["capture"],
    ["content", "shortcuts", "mappers", "mergemodules"],
    ["frontend"],
]
ENGINE_INTERFACE = "qv"
ENGINE_INTERFACE_FROM = "project"  # the lowest layer that may talk to the engine
ENGINE_MAY_INCLUDE = {"qv", "platform"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}


def rank_of(folder):
    for rank, layer in enumerate(LAYERS):
        if folder in layer:
            return rank
    return None


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as text:
        for number, line in enumerate(text, 1):
            match = INCLUDE.match(line)
            if match:
                yield number, match.group(1)


def check_program(root, problems):
    src = root / "src"
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES:
            continue
        folder = path.relative_to(src).parts[0]
        own_rank = rank_of(folder)
        where = path.relative_to(root)
        if own_rank is None:
            problems.append(f"{where}: the folder '{folder}' has no layer in {__file__}")
            continue
        for number, target in includes(path):
            target_folder = target.split("/")[0] if "/" in target else None
            if target_folder == ENGINE_INTERFACE:
                if own_rank < rank_of(ENGINE_INTERFACE_FROM):
                    problems.append(f"{where}:{number}: '{folder}' reaches the engine ({target}); "
                                    f"only '{ENGINE_INTERFACE_FROM}' and the layers above may")
                continue
            if target_folder is None:
                # A bare name is a file beside the includer, in its own folder.
                if not (path.parent / target).exists():
                    problems.append(f"{where}:{number}: include \"{target}\" names no folder")
                continue
            if target_folder == folder:
                continue
            target_rank = rank_of(target_folder)
            if target_rank is None:
                problems.append(f"{where}:{number}: include of an unknown folder ({target})")
            elif target_rank == own_rank:
                problems.append(f"{where}:{number}: '{folder}' includes '{target_folder}' of its own "
                                f"layer ({target}); move what both need to a lower layer")
            elif target_rank > own_rank:
                problems.append(f"{where}:{number}: '{folder}' includes '{target_folder}' above it "
                                f"({target})")


def check_engine(root, problems):
    src_folders = {folder for layer in LAYERS for folder in layer}
    for path in sorted((root / "engine").rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES:
            continue
        for number, target in includes(path):
            folder = target.split("/")[0] if "/" in target else None
            if folder in src_folders and folder not in ENGINE_MAY_INCLUDE:
                problems.append(f"{path.relative_to(root)}:{number}: the engine includes the "
                                f"program's '{folder}' ({target})")


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    problems = []
    check_program(root, problems)
    check_engine(root, problems)
    for problem in problems:
        print(problem)
    order = " <- ".join(", ".join(layer) for layer in LAYERS)
    if problems:
        print(f"{len(problems)} include(s) against the layers ({order})")
        return 1
    print(f"Layers in order ({order})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
