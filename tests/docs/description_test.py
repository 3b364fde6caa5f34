#!/usr/bin/env python3
"""The program's one-line description, as CMake's project has it, wherever the program is
described: the files CMake cannot write (the README, the Debian package, the desktop entry) and
those it makes (the help, the manual, the AppStream summary). A manual's NAME line and a Debian
synopsis go on in lower case; a sentence ends with a full stop.

Usage: description_test.py DESCRIPTION PROGRAM SOURCE_DIR BUILD_DIR
"""
import glob
import re
import sys

from documents import FAULTS, finish, help_text, read

DESCRIPTION, PROGRAM, SOURCE, BUILD = sys.argv[1:5]
(METAINFO,) = glob.glob(f"{BUILD}/packaging/*.metainfo.xml")
# Where each document says it: the line after a title, or after a lead on a line of its own.
PLACES = [("README.md, below the title", f"{SOURCE}/README.md", r"\A# .*\n\n"),
          ("debian/control", f"{SOURCE}/debian/control", r"^Description: "),
          ("app/saa1057-panel.desktop", f"{SOURCE}/app/saa1057-panel.desktop", r"^Comment="),
          ("--help", None, r"\AUsage: .*\n"),
          ("the built manual's NAME", f"{BUILD}/packaging/saa1057-panel.1", r"^saa1057-panel \\- "),
          ("the built AppStream summary", METAINFO, r"^ *<summary>")]
for document, path, lead in PLACES:
    found = re.search(lead + r"(.*?)\.?(</summary>)?$", read(path) if path else help_text(PROGRAM),
                      re.M)
    words = found[1] if found else "(nothing)"
    if words[:1].lower() + words[1:] != DESCRIPTION[:1].lower() + DESCRIPTION[1:]:
        FAULTS.append(f"{document}: describes the program as '{words}', CMake's project as "
                      f"'{DESCRIPTION}'")

finish(f"the description in {len(PLACES)} places")
