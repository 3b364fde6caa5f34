#!/usr/bin/env python3
"""Counts the lines of the tests against the code's, in every language the repository holds:
non-blank lines that are not comments, in C++, JavaScript and CSS (// and /* */), Python and
shell (#, files named so or by their #! line) and HTML (<!-- -->). The tests are everything
under tests/, the code everything else; data (golden files, captures) is neither. Prints both
and their ratio; with --limit PERCENT, fails above it.

Usage: count_lines.py SOURCE_DIR [--limit PERCENT]"""
import os
import re
import subprocess
import sys

C_LIKE = {".cpp", ".hpp", ".h", ".js", ".css"}
HASH = {".py", ".sh"}
HTML = {".html"}


def language(path):
    extension = os.path.splitext(path)[1]
    if extension in C_LIKE | HASH | HTML:
        return extension
    if extension:
        return None
    try:
        with open(path, encoding="utf-8") as file:
            first = file.readline()
    except (OSError, UnicodeDecodeError):
        return None
    return ".sh" if re.match(r"#!.*\b(sh|bash|python3?)\b", first) else None


def counted(path, kind):
    """The file's lines that are neither blank nor comments."""
    with open(path, encoding="utf-8") as file:
        text = file.read()
    if kind in C_LIKE:
        text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
        comment = re.compile(r"\s*(//.*)?$")
    elif kind in HTML:
        text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
        comment = re.compile(r"\s*$")
    else:
        comment = re.compile(r"\s*(#.*)?$")
    return sum(1 for line in text.splitlines() if not comment.match(line))


def main():
    source = sys.argv[1]
    limit = float(sys.argv[sys.argv.index("--limit") + 1]) if "--limit" in sys.argv else None
    files = subprocess.run(["git", "-C", source, "ls-files"], capture_output=True, text=True,
                           check=True).stdout.split()
    tests = code = 0
    for name in files:
        path = os.path.join(source, name)
        kind = language(path)
        if kind is None or not os.path.isfile(path):
            continue
        lines = counted(path, kind)
        if name.startswith("tests/"):
            tests += lines
        else:
            code += lines
    ratio = 100 * tests / code
    print(f"tests {tests} lines, code {code} lines: {ratio:.1f} %")
    if limit is not None and ratio > limit:
        sys.exit(f"FAIL the tests are {ratio:.1f} % of the code, above the limit of {limit} %")


main()
