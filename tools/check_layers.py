#!/usr/bin/env python3
"""Checks the direction of the program's includes and the wording of its comments.

The source folders form layers, lowest first; a file may include its own
folder and the layers below it, and the front-end folders may include each
other:

    1 model      the record, board, notation, start data, start position
    2 io         console and transcript streams
    3 movegen    generation, make and take back, perft, castling rights
    4 engine     evaluation, search, move choice, depth schedule, book lookup
    5 commands, console, uci   the front ends
    6 apps, bench, fuzz        programs and tools on top

The benches and the book builder are offline tools: they use layers 1 to 4
only. Comments speak of the code alone: none may point to outside papers
(the words are listed in OUTSIDE_WORDS).

usage: check_layers.py [ROOT]   (ROOT: the repository, by default this
script's parent folder). Prints each finding and exits 1 when there is any.
"""

import pathlib
import re
import sys

LAYER = {
    "model": 1,
    "io": 2,
    "movegen": 3,
    "engine": 4,
    "commands": 5,
    "console": 5,
    "uci": 5,
    "web": 5,
    "apps": 6,
    "bench": 6,
    "fuzz": 6,
}
FRONT_END = 5
TOOLS = 6

# Files of the offline tools, which stay below the front end.
OFFLINE_TOOL_FILES = re.compile(r"^(bench/.*|apps/book_builder\.(h|cpp)|apps/chess_book\.cpp)$")

# Words that point away from the code to papers about it.
OUTSIDE_WORDS = re.compile(
    r"\bspec(ification)?s?\b|\bthe\s+documents?\b|\bdocumented\b|"
    r"\bdocumentation\b|\breference\s+tables?\b|\b(reference|independent)\s+models?\b|"
    r"\bpart\s+\d+\.\d+\b",
    re.IGNORECASE,
)

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def comments(text):
    """Yields (line number, comment text) for // and /* */ comments, outside
    string and character literals."""
    i, line, n = 0, 1, len(text)
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            yield line, text[i:end]
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            body = text[i:end]
            yield line, body
            line += body.count("\n")
            i = end
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            close = ")" + (m.group(1) if m else "") + '"'
            end = text.find(close, i)
            end = n if end < 0 else end + len(close)
            line += text[i:end].count("\n")
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            i = j + 1
        else:
            i += 1


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    findings = []
    checked = 0
    for path in sorted(root.rglob("*")):
        rel = path.relative_to(root).as_posix()
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        if rel.startswith("build") or "/build" in rel or rel.startswith("."):
            continue
        checked += 1
        text = path.read_text(encoding="utf-8", errors="replace")
        folder = rel.split("/", 1)[0]

        for number, comment in comments(text):
            m = OUTSIDE_WORDS.search(comment)
            if m:
                findings.append(f"{rel}:{number}: comment points outside the code: '{m.group(0)}'")

        own = LAYER.get(folder)
        if own is None:
            continue  # tests and anything else on top may include every layer
        for number, source_line in enumerate(text.splitlines(), 1):
            m = INCLUDE.match(source_line)
            if not m or "/" not in m.group(1):
                continue  # a file of the same folder
            target = m.group(1).split("/", 1)[0]
            layer = LAYER.get(target)
            if layer is None or target == folder:
                continue
            if OFFLINE_TOOL_FILES.match(rel) and layer > 4:
                findings.append(f"{rel}:{number}: offline tool includes the front end: {m.group(1)}")
            elif layer > own:
                findings.append(
                    f"{rel}:{number}: {folder}/ (layer {own}) includes a layer above it: "
                    f"{m.group(1)} (layer {layer})")
            elif layer == own and own not in (FRONT_END, TOOLS):
                findings.append(f"{rel}:{number}: {folder}/ includes another folder of its layer: "
                                f"{m.group(1)}")

    for f in findings:
        print(f)
    print(f"{checked} files checked, {len(findings)} findings")
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
