"""The documents that restate the program's facts as a reader sees them: the help, the manual's
roff, the README's Markdown; and the checks' verdict."""
import re
import subprocess
import sys

FAULTS = []


def finish(checked):
    print("\n".join(f"FAIL {line}" for line in FAULTS) or f"ok: {checked}")
    sys.exit(1 if FAULTS else 0)


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


def help_text(program):
    return subprocess.run([program, "--help"], capture_output=True, text=True, timeout=20,
                          check=True).stdout


# Escapes the manual uses, as a reader sees them.
ROFF_ESCAPES = [("\\fR", ""), ("\\fB", ""), ("\\fI", ""), ("\\fP", ""), ("\\-", "-"), ("\\%", ""),
                ("\\:", ""), ("\\&", ""), ("\\~", " "), ("\\(aq", "'"), ("\\e", "\\")]


def roff_text(line):
    """A macro's arguments, joined with nothing by those that alternate fonts, or the text."""
    if line.startswith("."):
        macro, *arguments = [q or bare for q, bare in re.findall(r'"([^"]*)"|(\S+)', line)]
        line = ("" if re.fullmatch(r"\.[BIR][BIR]", macro) else " ").join(arguments)
    for escape, replacement in ROFF_ESCAPES:
        line = line.replace(escape, replacement)
    return line


def manual_sections(path):
    """{".SH" name: its lines of roff}."""
    parts = re.split(r"^\.SH (.*)\n", read(path), flags=re.M)
    return {name.strip(): body.splitlines() for name, body in zip(parts[1::2], parts[2::2])}


def markdown_section(path, heading):
    """The lines under a `## heading`, up to the next heading."""
    return re.split(r"\n#", read(path).split(f"\n## {heading}\n", 1)[1], 1)[0].splitlines()
