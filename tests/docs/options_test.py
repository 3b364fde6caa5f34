#!/usr/bin/env python3
"""The documents that restate the options against the program's own --help: the manual's
SYNOPSIS and OPTIONS and the README's synopsis and option table must name exactly its options,
with its argument forms; the manual, the README and the service's options file its default
endpoints; and all of them its example of GPIO lines.

Usage: options_test.py PROGRAM SOURCE_DIR
"""
import re
import subprocess
import sys

from documents import fault, finish, manual_sections, markdown_section, read

PROGRAM, SOURCE = sys.argv[1], sys.argv[2]
MANUAL = "packaging/saa1057-panel.1.in"
README = "README.md"
SERVICE_OPTIONS = "packaging/saa1057-panel.default"
# Where the service's options file gives an option's value.
SERVICE_VARIABLES = {"--rigctld": "RIGCTLD", "--port": "PORT"}
# The other chip that the README's Pi wiring names, a Raspberry Pi 5's.
OTHER_GPIO_CHIPS = ["pinctrl-rp1"]
GPIO_VALUE = re.compile(r"gpio:([\w/.-]+):(\w+,\w+,\w+)")

help_text = subprocess.run([PROGRAM, "--help"], capture_output=True, text=True, timeout=20,
                           check=True).stdout
# "  --name [FORM]  help" and the help's lines below it, each option's own.
HELP = {}
for line in help_text.splitlines():
    if match := re.match(r"  (--[a-z-]+)(?: (\S+))?(?:  |$)", line):
        name = match[1]
        HELP[name] = {"form": match[2] or "", "help": line[match.end():]}
    elif line.startswith(" " * 25) and HELP:
        HELP[name]["help"] += " " + line.strip()
if len(HELP) < 2:
    sys.exit(f"FAIL --help lists no options:\n{help_text}")


def named(document, options):
    """Compares {name: form} with --help's, each difference named."""
    for name in HELP.keys() - options.keys():
        fault(document, f"{name} is missing (--help names it)")
    for name in options.keys() - HELP.keys():
        fault(document, f"{name} is not an option of --help")
    for name in options.keys() & HELP.keys():
        if options[name] != HELP[name]["form"]:
            fault(document, f"{name} takes '{options[name]}', --help says '{HELP[name]['form']}'")


def split_option(text):
    name, _, form = text.strip().partition(" ")
    return name, form


def usage_options(text):
    """{name: form} of a usage line: [--a | --b FORM] [--c [FORM]] [--d [--e FORM]]."""
    tokens, options = text.split(), {}
    for i, token in enumerate(tokens):
        match = re.fullmatch(r"\[*(--[a-z-]+)(\]*)", token)
        if not match:
            continue
        form = "" if match[2] or i + 1 == len(tokens) else tokens[i + 1]
        if re.match(r"\[*--|\|", form):
            form = ""
        while form.count("]") > form.count("["):
            form = form[:-1]
        options[match[1]] = form
    return options


manual = manual_sections(f"{SOURCE}/{MANUAL}")
synopsis = [text for macro, text in manual["SYNOPSIS"] if macro in (".OP", ".B")]
named(f"{MANUAL} SYNOPSIS", dict(split_option(text) for text in synopsis))
option_lines = manual["OPTIONS"]
tags = [i + 1 for i, (macro, _) in enumerate(option_lines) if macro == ".TP"]
paragraphs = {}
for start, end in zip(tags, tags[1:] + [len(option_lines)]):
    name, form = split_option(option_lines[start][1])
    paragraphs[name] = (form, " ".join(text for _, text in option_lines[start + 1:end - 1]))
named(f"{MANUAL} OPTIONS", {name: form for name, (form, _) in paragraphs.items()})

readme_program = markdown_section(f"{SOURCE}/{README}", "The program")
usage = " ".join(line for line in readme_program if line.startswith("    "))
named(f"{README} synopsis", usage_options(usage))
# The table's rows give examples of values: only the names are compared.
table = {name: HELP.get(name, {}).get("form")
         for row in readme_program if row.startswith("| `--")
         for name in re.findall(r"`(--[a-z-]+)", row.split("|")[1])}
named(f"{README} option table", table)

# The default endpoints: "(default HOST:PORT;" in --help's text of each option that listens.
DEFAULTS = {}
for name, option in HELP.items():
    if option["form"] == "[[HOST:]PORT]":
        if match := re.search(r"\(default (\d[\d.]*:\d+);", option["help"]):
            DEFAULTS[name] = match[1]
        else:
            fault("--help", f"{name} does not say '(default HOST:PORT;': {option['help']}")
for name, endpoint in DEFAULTS.items():
    default = f"{endpoint} unless given"
    if default not in paragraphs.get(name, ("", ""))[1]:
        fault(f"{MANUAL} OPTIONS", f"{name} lacks '{default}'")
    rows = [row for row in readme_program if row.startswith(f"| `{name} ")]
    if not any(default in row for row in rows):
        fault(f"{README} option table", f"{name} lacks '{default}'")
    if name in SERVICE_VARIABLES:
        assignment = f"{SERVICE_VARIABLES[name]}={endpoint}"
        if assignment not in read(f"{SOURCE}/{SERVICE_OPTIONS}").splitlines():
            fault(SERVICE_OPTIONS, f"lacks '{assignment}', --help's default of {name}")

# Every endpoint of the loopback or all addresses that the documents show is at a default port.
DOCUMENTS = [(MANUAL, "\n".join(text for lines in manual.values() for _, text in lines)),
             (README, read(f"{SOURCE}/{README}")),
             (SERVICE_OPTIONS, read(f"{SOURCE}/{SERVICE_OPTIONS}"))]
default_ports = {endpoint.rsplit(":", 1)[1] for endpoint in DEFAULTS.values()}
for document, text in DOCUMENTS:
    for endpoint in re.findall(r"\b(?:127\.0\.0\.1|0\.0\.0\.0):\d+", text):
        if endpoint.rsplit(":", 1)[1] not in default_ports:
            fault(document, f"{endpoint} is at none of --help's default ports {sorted(default_ports)}")

# GPIO lines: the form --port takes, and the one example of it, where each document names them.
(form,) = GPIO_VALUE.findall(HELP["--port"]["form"])
(example,) = GPIO_VALUE.findall(HELP["--port"]["help"])
for document, text in DOCUMENTS:
    values = GPIO_VALUE.findall(text)
    if example not in values:
        fault(document, f"lacks --help's example gpio:{':'.join(example)}")
    for chip, lines in values:
        if chip.isupper() and (chip, lines) != form:
            fault(document, f"gpio:{chip}:{lines} is not --help's form gpio:{':'.join(form)}")
        elif not chip.isupper() and (lines != example[1] or
                                     chip not in [example[0]] + OTHER_GPIO_CHIPS):
            fault(document, f"gpio:{chip}:{lines} is not --help's example gpio:{':'.join(example)}")

finish(f"{len(HELP)} options of --help, their defaults and the GPIO example, in the manual, "
       "the README and the service's options")
