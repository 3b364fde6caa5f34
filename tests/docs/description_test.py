#!/usr/bin/env python3
"""The program's one-line description, as CMake's project has it, wherever the program is
described: the files CMake cannot write (the README, the Debian package, the desktop entry) and
those it makes (the help, the manual, the AppStream summary). A manual's NAME line and a Debian
synopsis go on in lower case; a sentence ends with a full stop.

Usage: description_test.py DESCRIPTION PROGRAM SOURCE_DIR BUILD_DIR
"""
import glob
import subprocess
import sys

from documents import fault, finish, read

DESCRIPTION, PROGRAM, SOURCE, BUILD = sys.argv[1:5]


def line_after(path, lead):
    """The line of `path` that starts with `lead`, without it."""
    stripped = (line.strip() for line in read(path).splitlines())
    return next((line[len(lead):] for line in stripped if line.startswith(lead)), "(none)")


def readme_tagline(path):
    lines = read(path).splitlines()
    return lines[lines.index("") + 1]


help_lines = subprocess.run([PROGRAM, "--help"], capture_output=True, text=True, timeout=20,
                            check=True).stdout.splitlines()
(metainfo,) = glob.glob(f"{BUILD}/packaging/*.metainfo.xml")
PLACES = [
    ("README.md, below the title", readme_tagline(f"{SOURCE}/README.md")),
    ("debian/control", line_after(f"{SOURCE}/debian/control", "Description: ")),
    ("app/saa1057-panel.desktop", line_after(f"{SOURCE}/app/saa1057-panel.desktop", "Comment=")),
    ("--help", help_lines[1]),
    ("the built manual's NAME",
     line_after(f"{BUILD}/packaging/saa1057-panel.1", "saa1057-panel \\- ")),
    ("the built AppStream summary", line_after(metainfo, "<summary>").removesuffix("</summary>")),
]
for document, line in PLACES:
    words = line.removesuffix(".")
    if words[:1].lower() + words[1:] != DESCRIPTION[:1].lower() + DESCRIPTION[1:]:
        fault(document, f"describes the program as '{words}', CMake's project as '{DESCRIPTION}'")

finish(f"the description in {len(PLACES)} places")
