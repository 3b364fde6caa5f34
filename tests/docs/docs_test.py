#!/usr/bin/env python3
# The facts that documents restate, against their one home. The options against the program's
# own --help: the manual's SYNOPSIS and OPTIONS and the README's synopsis and option table must
# name exactly its options, with its argument forms; the manual, the README and the service's
# options file its default endpoints; and all of them its example of GPIO lines. The one-line
# description against CMake's project, wherever the program is described (description_places.txt;
# a manual's NAME line and a Debian synopsis go on in lower case; a sentence ends with a full stop).
#
# Usage: docs_test.py PROGRAM SOURCE_DIR BUILD_DIR DESCRIPTION
import glob
import re
import subprocess
import sys

PROGRAM, SOURCE, BUILD, DESCRIPTION = sys.argv[1:5]
MANUAL, README = "packaging/saa1057-panel.1.in", "README.md"
SERVICE = "packaging/saa1057-panel.default"
GPIO_VALUE = re.compile(r"gpio:([\w/.-]+):(\w+,\w+,\w+)")
# Escapes the manual uses, as a reader sees them; the fonts' and the others, nothing.
ROFF_ESCAPES = {"\\-": "-", "\\~": " ", "\\(aq": "'", "\\e": "\\"}
FAULTS = []


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


def roff_text(line):  # a macro's arguments, joined with nothing by those that alternate fonts
    if line.startswith("."):
        macro, *arguments = [q or bare for q, bare in re.findall(r'"([^"]*)"|(\S+)', line)]
        line = ("" if re.fullmatch(r"\.[BIR][BIR]", macro) else " ").join(arguments)
    return re.sub(r"\\(f[RBIP]|[-%:&~e]|\(aq)", lambda e: ROFF_ESCAPES.get(e[0], ""), line)


HELP_TEXT = subprocess.check_output([PROGRAM, "--help"], text=True, timeout=20)
# "  --name [FORM]  help" and the help's lines below it, each option's own.
FORMS, HELP = {}, {}
for line in HELP_TEXT.splitlines():
    if match := re.match(r"  (--[a-z-]+)(?: (\S+))?(?:  |$)", line):
        name, FORMS[match[1]], HELP[match[1]] = match[1], match[2] or "", line[match.end():]
    elif line.startswith(" " * 25) and HELP:
        HELP[name] += " " + line.strip()


def options(lines):  # {name: form} of usage lines: [--a | --b FORM] [--c [FORM]] [--d [--e FORM]]
    found = {}
    for tokens in (line.split() for line in lines):
        for token, form in zip(tokens, tokens[1:] + [""]):
            if match := re.fullmatch(r"\[*(--[a-z-]+)(\]*)", token):
                form = "" if match[2] or re.match(r"\[*--|\|", form) else form
                while form.count("]") > form.count("["):
                    form = form[:-1]
                found[match[1]] = form
    return found


def named(document, found):  # {name: form} against --help's, each difference named
    for name in sorted(FORMS.keys() | found.keys()):
        if found.get(name, "(missing)") != FORMS.get(name, "(no such option)"):
            FAULTS.append(f"{document}: {name} takes '{found.get(name, '(missing)')}', --help "
                          f"says '{FORMS.get(name, '(no such option)')}'")


# The manual's ".SH" sections, and the README's under "## The program".
MANUAL_TEXT, README_TEXT, SERVICE_TEXT = (read(f"{SOURCE}/{p}") for p in (MANUAL, README, SERVICE))
parts = re.split(r"^\.SH (.*)\n", MANUAL_TEXT, flags=re.M)
manual = {name.strip(): body.splitlines() for name, body in zip(parts[1::2], parts[2::2])}
named(f"{MANUAL} SYNOPSIS", options(map(roff_text, manual["SYNOPSIS"])))
# Each option's tag and paragraph, below its .TP.
items = [[roff_text(line) for line in item.splitlines()]
         for item in re.split(r"^\.TP\n", "\n".join(manual["OPTIONS"]), flags=re.M)[1:]]
named(f"{MANUAL} OPTIONS", options(item[0] for item in items))
paragraphs = {item[0].split()[0]: " ".join(item[1:]) for item in items}
readme_program = README_TEXT.split("\n## The program\n", 1)[1].split("\n#", 1)[0].splitlines()
named(f"{README} synopsis", options(line for line in readme_program if line.startswith("    ")))
# The table's rows give examples of values: only the names are compared.
named(f"{README} option table", {name: FORMS.get(name) for row in readme_program
                                 if row.startswith("| `--")
                                 for name in re.findall(r"`(--[a-z-]+)", row.split("|")[1])})

# The default endpoints: "(default HOST:PORT;" in --help's text of each option that listens (one
# it leaves out puts the documents' endpoints at none of its ports, below).
DEFAULTS = {name: match[1] for name, form in FORMS.items() if form == "[[HOST:]PORT]"
            and (match := re.search(r"\(default (\d[\d.]*:\d+);", HELP[name]))}
for name, endpoint in DEFAULTS.items():
    for document, texts in [(f"{MANUAL} OPTIONS", [paragraphs.get(name, "")]), (
            f"{README} option table", [r for r in readme_program if r.startswith(f"| `{name} ")])]:
        if not any(f"{endpoint} unless given" in text for text in texts):
            FAULTS.append(f"{document}: {name} lacks '{endpoint} unless given'")
    # The service's options file gives rigctld's endpoint alone.
    if name == "--rigctld" and f"RIGCTLD={endpoint}" not in SERVICE_TEXT.splitlines():
        FAULTS.append(f"{SERVICE}: lacks 'RIGCTLD={endpoint}', --help's default of {name}")

# Every endpoint of the loopback or all addresses that the documents show is at a default port;
# every GPIO value is --port's form (CHIP) or its example, on its chip or the other.
ports = {endpoint.rsplit(":", 1)[1] for endpoint in DEFAULTS.values()}
(form,), (example,) = GPIO_VALUE.findall(FORMS["--port"]), GPIO_VALUE.findall(HELP["--port"])
for document, text in [(MANUAL, "\n".join(map(roff_text, MANUAL_TEXT.split("\n")))),
                       (README, README_TEXT), (SERVICE, SERVICE_TEXT)]:
    for endpoint in re.findall(r"\b(?:127\.0\.0\.1|0\.0\.0\.0):\d+", text):
        if endpoint.rsplit(":", 1)[1] not in ports:
            FAULTS.append(f"{document}: {endpoint} is at none of --help's default ports {ports}")
    values = GPIO_VALUE.findall(text)
    if example not in values:
        FAULTS.append(f"{document}: lacks --help's example gpio:{':'.join(example)}")
    for value in values:  # on the example's chip, or a Raspberry Pi 5's that the README names
        allowed = [form] if value[0].isupper() else [example, ("pinctrl-rp1", example[1])]
        if value not in allowed:
            FAULTS.append(f"{document}: gpio:{':'.join(value)} is not --help's "
                          + " or ".join(f"gpio:{':'.join(v)}" for v in allowed))

# The description: the line after a title, or after a lead on a line of its own, in each file
# (one the build made: a glob) of description_places.txt.
PLACES = [line.split(" | ") for line in read(f"{SOURCE}/tests/docs/description_places.txt")
          .splitlines() if line and not line.startswith("#")]
for path, lead in PLACES:
    text = HELP_TEXT if path == "--help" else read(
        *glob.glob(path.replace("{build}", BUILD).replace("{source}", SOURCE)))
    found = re.search(lead + r"(.*?)\.?(</summary>)?$", text, re.M)
    words = found[1] if found else "(nothing)"
    if words[:1].lower() + words[1:] != DESCRIPTION[:1].lower() + DESCRIPTION[1:]:
        FAULTS.append(f"{path}: describes the program as '{words}', CMake's project as "
                      f"'{DESCRIPTION}'")

print("\n".join(f"FAIL {line}" for line in FAULTS) or f"ok: {len(HELP)} options of --help, their "
      f"defaults and the GPIO example, and the description in {len(PLACES)} places")
sys.exit(1 if FAULTS else 0)
