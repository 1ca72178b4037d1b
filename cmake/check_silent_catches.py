#!/usr/bin/env python3
"""Fails on a catch block that swallows its error: one whose body neither
rethrows nor hands the exception on (throw, std::current_exception), logs it
(LUMRA_LOG, LUMRA_LOG_CAUGHT, DiagnosticLog), nor uses the error it names (a
message or a result made from it carries it on). A caught CancellationError
is no failure: the task was asked to stop. The few blocks left are listed in
ALLOWED below, each with the reason.

check_silent_catches.py <src dir>...: every .h and .cpp below each directory;
fails too when it reads no file, so a wrong path cannot pass."""
import re
import sys
from pathlib import Path

# (file under the source directory, caught type, why it may stay silent)
ALLOWED = [
    ("base/DiagnosticLog.cpp", "...",
     "the log itself, writing the line for an exception of no standard type"),
    ("platform/http/CurlTransfer.cpp", "std::bad_alloc",
     "the callback answers curl with an error code, and the transfer ends in an HttpError"),
]

# Comments, string and character literals, blanked so that neither a brace
# nor a word inside them counts.
LITERALS = re.compile(
    r'R"(?P<delimiter>[^(\s]*)\(.*?\)(?P=delimiter)"'
    r'|"(?:\\.|[^"\\\n])*"'
    r"|'(?:\\.|[^'\\\n])+'"
    r"|//[^\n]*"
    r"|/\*.*?\*/",
    re.S)
CATCH = re.compile(r"\bcatch\s*\(")
DECLARATION = re.compile(r"^\s*(?:const\s+)?(?P<type>[\w:<>]+)\s*(?:const\s*)?[&*]*\s*(?P<name>\w+)?\s*$")
HANDS_ON = re.compile(r"\bthrow\b|\brethrow_exception\b|\bcurrent_exception\b")
LOGS = re.compile(r"\bLUMRA_LOG\w*\b|\bDiagnosticLog\s*::")


def blanked(text):
    return LITERALS.sub(lambda m: re.sub(r"[^\n]", " ", m.group()), text)


def closing(text, start, opening, closing_char):
    """The index of the bracket that closes the one at start."""
    depth = 0
    for i in range(start, len(text)):
        if text[i] == opening:
            depth += 1
        elif text[i] == closing_char:
            depth -= 1
            if depth == 0:
                return i
    return len(text)


def catches(text):
    """(offset, caught type, name or None, body) of every catch block."""
    for match in CATCH.finditer(text):
        parenthesis = match.end() - 1
        end = closing(text, parenthesis, "(", ")")
        declaration = text[parenthesis + 1:end].strip()
        brace = text.find("{", end)
        if brace < 0:
            continue
        body = text[brace + 1:closing(text, brace, "{", "}")]
        if declaration == "...":
            yield match.start(), "...", None, body
            continue
        parsed = DECLARATION.match(declaration)
        if parsed is None:
            yield match.start(), declaration, None, body
            continue
        yield match.start(), parsed.group("type"), parsed.group("name"), body


def is_allowed(relative, caught):
    return any(relative == path and caught == allowed for path, allowed, _ in ALLOWED)


def passes_on(caught, name, body):
    if caught.split("::")[-1] == "CancellationError":
        return True
    if HANDS_ON.search(body) or LOGS.search(body):
        return True
    return name is not None and re.search(rf"\b{re.escape(name)}\b", body) is not None


def silent_catches(root, path):
    text = blanked(path.read_text(encoding="utf-8"))
    relative = path.relative_to(root).as_posix()
    for offset, caught, name, body in catches(text):
        if passes_on(caught, name, body) or is_allowed(relative, caught):
            continue
        line = text.count("\n", 0, offset) + 1
        yield f"{path}:{line}: catch ({caught}) swallows the error: log it " \
              "(LUMRA_LOG_CAUGHT), pass it on, or list it in " \
              "cmake/check_silent_catches.py with the reason"


def main(roots):
    failures = []
    read = 0
    for root in map(Path, roots):
        for path in sorted(root.rglob("*")):
            if path.suffix not in (".h", ".cpp") or not path.is_file():
                continue
            read += 1
            failures.extend(silent_catches(root, path))
    if read == 0:
        failures.append(f"no .h or .cpp file under {' '.join(roots) or '(no directory given)'}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
