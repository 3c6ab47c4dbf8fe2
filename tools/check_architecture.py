#!/usr/bin/env python3
"""Checks the shape of the program's sources, beyond the include direction
that tools/check_layers.py checks:

- model/, movegen/ and engine/ use nothing of io/ but its file opening
  (io/file_open.h): the engine reports, the front ends print;
- model/ holds no thread machinery (std::atomic, mutexes, threads,
  condition variables): the records are plain data;
- engine/ and movegen/ read no environment variables (getenv): the programs
  pass their settings in;
- no struct or class has more than MAX_DATA_MEMBERS data members: a record
  is split by owner before it grows that far;
- no production file (anything outside tests/ and the fuzz corpus) has more
  than MAX_FILE_LINES lines;
- every include keeps the layer rules of tools/check_layers.py (the front
  ends side by side, console/ over commands/ one way only).

usage: tools/check_architecture.py [ROOT]   (run from the project root;
ROOT by default the current folder). Prints each finding and the number of
findings; exits 1 when there is any, 0 with "0 findings".
"""

import pathlib
import re
import sys

sys.dont_write_bytecode = True  # no __pycache__ left in tools/
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import check_layers  # noqa: E402  (the include resolution and layer rules)

MAX_DATA_MEMBERS = 60
MAX_FILE_LINES = 600

CPP_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}
# Code files whose length counts; data (books, corpus) and prose do not.
CODE_SUFFIXES = CPP_SUFFIXES | {".py", ".sh", ".js", ".mjs", ".ts", ".html", ".css", ".cmake"}
ENGINE_SIDE = ("model", "movegen", "engine")
ALLOWED_IO = {"io/file_open.h"}
THREAD_WORDS = re.compile(
    r"\bstd::(atomic\w*|(recursive_|shared_|timed_|recursive_timed_|shared_timed_)?mutex|"
    r"j?thread|condition_variable(_any)?|lock_guard|unique_lock|scoped_lock)\b|"
    r"#\s*include\s*<(atomic|mutex|shared_mutex|thread|condition_variable)>")
GETENV = re.compile(r"\b(secure_)?getenv\b")


def skipped(rel):
    first = rel.split("/", 1)[0]
    return (first.startswith("build") or first.startswith(".") or rel.startswith("fuzz/corpus/")
            or "/build" in rel)


def strip_code(text, keep_preprocessor=True):
    """The text with comments and string and character literals blanked out
    (line breaks kept, so line numbers stay); preprocessor lines blanked too
    unless `keep_preprocessor`."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            i = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end) + " ")
            i = end
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(]*)\(', text[i:])
            close = ")" + (m.group(1) if m else "") + '"'
            end = text.find(close, i)
            end = n if end < 0 else end + len(close)
            out.append('""' + "\n" * text.count("\n", i, end))
            i = end
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum()):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    code = "".join(out)
    if keep_preprocessor:
        return code
    lines = code.split("\n")
    in_directive = False
    for k, line in enumerate(lines):
        if in_directive or line.lstrip().startswith("#"):
            in_directive = line.rstrip().endswith("\\")
            lines[k] = ""
    return "\n".join(lines)


# ---- Data members of structs and classes ------------------------------------

STRUCT_HEAD = re.compile(r"\b(struct|class|union)\s+(?:alignas\s*\([^)]*\)\s*)?([A-Za-z_]\w*)")
NOISE = [
    re.compile(r"\[\[.*?\]\]"),
    re.compile(r"\balignas\s*\([^()]*\)"),
    re.compile(r"__attribute__\s*\(\(.*?\)\)"),
]
DECLTYPE = re.compile(r"\bdecltype\s*\(")
ACCESS = re.compile(r"\b(public|private|protected)\s*:(?!:)")
SKIPPED_STATEMENTS = re.compile(r"^(using|typedef|friend|static_assert|template|enum|struct|class|union)\b")
CONSTANT = re.compile(r"^(inline\s+)?static\s+(inline\s+)?(constexpr|const)\b|^constexpr\s+static\b")


def matching(code, open_at):
    """Index just past the bracket that closes the one at `open_at`."""
    pairs = {"{": "}", "(": ")", "[": "]"}
    stack = []
    for k in range(open_at, len(code)):
        c = code[k]
        if c in pairs:
            stack.append(pairs[c])
        elif stack and c == stack[-1]:
            stack.pop()
            if not stack:
                return k + 1
    return len(code)


def top_level_split(text, separator):
    """Splits at `separator` outside (), [], {} and <>."""
    parts, depth, angle, start = [], 0, 0, 0
    for k, c in enumerate(text):
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == "<" and depth == 0:
            angle += 1
        elif c == ">" and depth == 0 and angle > 0:
            angle -= 1
        elif c == separator and depth == 0 and angle == 0:
            parts.append(text[start:k])
            start = k + 1
    parts.append(text[start:])
    return parts


def declarators(statement):
    """How many data members a statement at a class's top level declares."""
    s = statement
    for noise in NOISE:
        s = noise.sub(" ", s)
    while True:
        m = DECLTYPE.search(s)
        if not m:
            break
        s = s[:m.start()] + " T " + s[matching(s, m.end() - 1):]
    s = " ".join(s.split())
    if not s or SKIPPED_STATEMENTS.match(s) or CONSTANT.match(s):
        return 0
    # A '(' before any initializer, outside template arguments, makes a
    # function (or constructor, operator), unless it opens a pointer to one.
    depth_angle = 0
    for k, c in enumerate(s):
        if c == "<":
            depth_angle += 1
        elif c == ">" and depth_angle > 0:
            depth_angle -= 1
        elif depth_angle == 0 and c in "={":
            break
        elif depth_angle == 0 and c == "(":
            if re.match(r"\(\s*[\w:]*\s*[*&]", s[k:]):
                return 1
            return 0
    return len([part for part in top_level_split(s, ",") if part.strip()])


def class_bodies(code):
    """Yields (name, line, body) for every struct, class and union defined in
    `code` (comments, literals and preprocessor lines already blanked)."""
    for m in STRUCT_HEAD.finditer(code):
        before = code[max(0, m.start() - 12):m.start()]
        if re.search(r"\benum\s*$", before):
            continue
        # The head runs to the body's brace: a name, "final", base classes.
        k = m.end()
        angle = 0
        while k < len(code):
            c = code[k]
            if c == "<":
                angle += 1
            elif c == ">":
                angle -= 1
                if angle < 0:
                    break  # the end of a template parameter list
            elif angle == 0 and c in ";(){=":
                break
            k += 1
        if k >= len(code) or code[k] != "{":
            continue  # a declaration, an elaborated type or a template parameter
        end = matching(code, k)
        yield m.group(2), code.count("\n", 0, m.start()) + 1, code[k + 1:end - 1]


def count_data_members(body):
    count = 0
    statement = []
    k, n = 0, len(body)
    body = ACCESS.sub(" ", body)
    n = len(body)
    while k < n:
        c = body[k]
        if c == ";":
            text = "".join(statement)
            if text.strip() != "Nested":  # a nested type without members of it
                count += declarators(text)
            statement = []
            k += 1
        elif c == "{":
            so_far = " ".join("".join(statement).split())
            close = matching(body, k)
            head = so_far
            for noise in NOISE:
                head = noise.sub(" ", head).strip()
            is_type = SKIPPED_STATEMENTS.match(head) and re.match(r"^(struct|class|union|enum)\b", head)
            is_function = re.search(
                r"\)\s*(const|noexcept(\s*\([^)]*\))?|override|final|volatile|&|&&|->\s*[\w:<>,\s*&]+|\s)*$",
                head) and "=" not in head.split("(")[0]
            if is_type:
                statement = ["Nested "]  # declarators after the body still count
                k = close
            elif is_function or (head.endswith(")") and "=" not in head):
                statement = []
                k = close
            else:  # a brace initializer: part of the declaration
                statement.append(" {} ")
                k = close
        elif c in "([":
            close = matching(body, k)
            statement.append(body[k:close])
            k = close
        else:
            statement.append(c)
            k += 1
    return count


# ---- The checks -----------------------------------------------------------------


def check_include(rel, folder, number, target, findings):
    if folder in ENGINE_SIDE and target.startswith("io/") and target not in ALLOWED_IO:
        findings.append(f"{rel}:{number}: {folder}/ includes {target} "
                        "(only io/file_open.h of io/ below the front ends)")
    if folder in check_layers.LAYER:
        problem = check_layers.include_problem(rel, folder, target)
        if problem:
            findings.append(f"{rel}:{number}: {problem}: {target}")


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    findings = []
    for path in check_layers.repository_files(root):
        if not path.is_file():
            continue
        rel = path.relative_to(root).as_posix()
        if skipped(rel) or "/" not in rel:
            continue
        folder = rel.split("/", 1)[0]
        text = path.read_text(encoding="utf-8", errors="replace")

        if path.suffix in CODE_SUFFIXES and folder != "tests":
            lines = text.count("\n") + (0 if text.endswith("\n") or not text else 1)
            if lines > MAX_FILE_LINES:
                findings.append(f"{rel}: {lines} lines (at most {MAX_FILE_LINES})")
        if path.suffix not in CPP_SUFFIXES:
            continue

        code = strip_code(text)
        for number, (line, original) in enumerate(zip(code.split("\n"), text.split("\n")), 1):
            # Literals are blanked in `line`: the include's name is read from
            # the original line, when the include is not inside a comment.
            m = check_layers.INCLUDE.match(original) if re.match(r"\s*#\s*include", line) else None
            if m:
                target = check_layers.resolve(root, path, m.group(2), quoted=m.group(1) == '"')
                if target is not None:
                    check_include(rel, folder, number, target, findings)
            if folder == "model":
                m = THREAD_WORDS.search(line)
                if m:
                    findings.append(f"{rel}:{number}: thread machinery in model/: {m.group(0)}")
            if folder in ("engine", "movegen"):
                m = GETENV.search(line)
                if m:
                    findings.append(f"{rel}:{number}: {folder}/ reads the environment: {m.group(0)}")

        if folder == "tests":
            continue
        plain = strip_code(text, keep_preprocessor=False)
        for name, number, body in class_bodies(plain):
            members = count_data_members(body)
            if members > MAX_DATA_MEMBERS:
                findings.append(f"{rel}:{number}: {name} has {members} data members "
                                f"(at most {MAX_DATA_MEMBERS})")

    for finding in findings:
        print(finding)
    print(f"{len(findings)} findings")
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
