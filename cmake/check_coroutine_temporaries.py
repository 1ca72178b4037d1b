#!/usr/bin/env python3
"""Fails when a co_await expression holds a lambda with owning captures or a
brace-initialised temporary. g++ 12 destroys such temporaries twice when the
coroutine suspends or the awaited operation throws; name them first.

Also fails on a co_await in the condition of an if (not an init-declaration
such as `if (auto x = co_await f())`): with g++ 12, an awaited task that
completes without suspending can leave the awaiting coroutine never resumed
there; bind the result to a named local first."""
import re
import sys
from pathlib import Path

LAMBDA = re.compile(r"\[([^\[\]]*)\]\s*(\(|\{|mutable\b|->)")
HARMLESS_CAPTURE = re.compile(r"^\s*(&\s*\w*|this|\s*)(\s*,\s*(&\s*\w*|this))*\s*$")
# A named aggregate (Foo{...}, Foo<T>{...}) or a bare braced list passed as an
# argument ((..., {...})).
BRACED = re.compile(r"\b[A-Z]\w*(<[^;(){}]*>)?\s*\{|[(,]\s*\{")


def statement_after(text, start):
    """The text from start to the end of its statement (depth-0 ';')."""
    depth = 0
    for i in range(start, len(text)):
        c = text[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth < 0:
                return text[start:i]
        elif c == ";" and depth == 0:
            return text[start:i]
    return text[start:]


def strip_comments(text):
    text = re.sub(r"//[^\n]*", lambda m: " " * len(m.group()), text)
    return re.sub(r"/\*.*?\*/", lambda m: re.sub(r"[^\n]", " ", m.group()), text, flags=re.S)


def lambda_heads(expression):
    """The capture lists of the lambdas in expression and the expression with
    their bodies cut out (a body holds statements of its own)."""
    captures = []
    outside = []
    position = 0
    while True:
        head = LAMBDA.search(expression, position)
        if head is None:
            outside.append(expression[position:])
            return captures, "".join(outside)
        captures.append(head.group(1))
        outside.append(expression[position:head.start()])
        body = expression.find("{", head.start())
        if body < 0:
            outside.append(expression[head.end():])
            return captures, "".join(outside)
        depth = 0
        end = len(expression)
        for i in range(body, len(expression)):
            if expression[i] == "{":
                depth += 1
            elif expression[i] == "}":
                depth -= 1
                if depth == 0:
                    end = i + 1
                    break
        position = end


def problems(path):
    text = strip_comments(path.read_text(encoding="utf-8"))
    for match in re.finditer(r"(?<!operator )\bco_await\b(?!\s*\()", text):
        captures, outside = lambda_heads(statement_after(text, match.end()))
        if any(not HARMLESS_CAPTURE.match(c) for c in captures):
            yield match.start(), "co_await expression holds a lambda with owning captures; bind it to a named local first"
        if BRACED.search(outside):
            yield match.start(), "co_await expression holds a brace-initialised temporary; bind it to a named local first"


IF_CONDITION = re.compile(r"\bif\s*(constexpr\s*)?\(")
DECLARATION = re.compile(r"^\s*(const\s+)?[\w:<>,\s]*?[\w>]\s*[&*]?\s*\w+\s*=[^=]")


def await_in_if_conditions(path):
    text = strip_comments(path.read_text(encoding="utf-8"))
    for match in IF_CONDITION.finditer(text):
        condition = statement_after(text, match.end())
        if re.search(r"\bco_await\b", condition) and not DECLARATION.match(condition):
            yield match.start(), "co_await in an if condition; bind its result to a named local first"


def main(roots):
    failures = []
    for root in roots:
        for path in sorted(Path(root).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            text = path.read_text(encoding="utf-8")
            for offset, what in [*problems(path), *await_in_if_conditions(path)]:
                line = text.count("\n", 0, offset) + 1
                failures.append(f"{path}:{line}: {what}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
