"""Plain text out of the documents that restate the program's facts: the manual's roff, the
README's Markdown, and the checks' verdicts."""
import re
import sys

FAULTS = []


def fault(document, what):
    FAULTS.append(f"{document}: {what}")


def finish(checked):
    for line in FAULTS:
        print("FAIL", line)
    if FAULTS:
        sys.exit(1)
    print(f"ok: {checked}")


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


# Escapes the manual uses, as a reader sees them.
ROFF_ESCAPES = [("\\fR", ""), ("\\fB", ""), ("\\fI", ""), ("\\fP", ""), ("\\-", "-"), ("\\%", ""),
                ("\\:", ""), ("\\&", ""), ("\\~", " "), ("\\(aq", "'"), ("\\e", "\\")]
# Macros that alternate fonts join their arguments with nothing between them.
JOINED = {".BI", ".BR", ".IB", ".IR", ".RB", ".RI"}


def roff_arguments(line):
    return [quoted if quoted else bare for quoted, bare in re.findall(r'"([^"]*)"|(\S+)', line)]


def roff_text(line):
    """A line of the manual as a reader sees it: a macro's arguments, or the text itself."""
    if line.startswith("."):
        macro, *arguments = roff_arguments(line)
        line = ("" if macro in JOINED else " ").join(arguments)
    for escape, replacement in ROFF_ESCAPES:
        line = line.replace(escape, replacement)
    return line


def manual_sections(path):
    """{".SH" name: its lines}, each line as a reader sees it, macros kept apart by their name."""
    sections, name = {}, None
    for line in read(path).splitlines():
        if line.startswith(".SH "):
            name = roff_text(line[4:]).strip()
            sections[name] = []
        elif name:
            macro = line.split(" ", 1)[0] if line.startswith(".") else ""
            sections[name].append((macro, roff_text(line)))
    return sections


def markdown_section(path, heading):
    """The lines under a `## heading`, up to the next heading."""
    lines = read(path).splitlines()
    start = lines.index("## " + heading) + 1
    end = next((i for i in range(start, len(lines)) if lines[i].startswith("#")), len(lines))
    return lines[start:end]
