#!/usr/bin/python3
# The sweep as a user runs it on the simulated chip: each run of sweep_runs.txt, its rows, what
# it says and its plot, drawn where its rows put it (a PNG one as ImageMagick reads it); and
# SIGINT part-way.
#
# Usage: sweep_test.py [wine] PROGRAM DATA_DIR
import fnmatch
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from web_support import check, finish, golden, program_command, ran  # noqa: E402

COMMAND = program_command(sys.argv[1:])
WINE = COMMAND[0] == "wine"
NAME = "saa1057-panel"
# Left out of standard error: progress, which a slow machine shows, and the offscreen platform's
# note of a session without XDG_RUNTIME_DIR, which PNG plots draw on.
NOT_SAID = (f"{NAME}: sweeping: ", "QStandardPaths: ")


def runs(path):
    # The runs for this platform: their arguments, status, lines of standard output ("|") and
    # standard error ("!"), {number: pattern}, and what their plots show ("%").
    found = []
    for line in golden(path):
        kind, _, text = line.partition(" ")
        if kind.endswith("$"):
            run = {"arguments": text.split(), "status": None, "|": {}, "!": {}, "%": {}}
            found += [run] * (kind in ("$", "wine$" if WINE else "linux$"))
        elif kind == "?":
            run["status"] = int(text)
        elif kind == "%":
            run["%"].update([text.partition(" ")[::2]])
        else:  # "|", "N|", "N-M|" or "!"
            lines = run[kind[-1]]
            first, _, last = (kind[:-1] or str(max(lines, default=0) + 1)).partition("-")
            lines.update(dict.fromkeys(range(int(first), int(last or first) + 1), text))
    return found


def sweep(run):
    with tempfile.TemporaryDirectory() as folder:
        if not WINE:
            os.symlink("/dev/full", os.path.join(folder, "full.svg"))
        arguments = [argument.replace("{dir}", folder) for argument in run["arguments"]]
        what = " ".join(arguments)
        status, rows, said = ran(COMMAND, *arguments)
        said = [line for line in said.splitlines() if not line.startswith(NOT_SAID)]
        check(f"{what}: status {run['status']}", status == run["status"], f"{status}: {said}")
        for name, lines, wanted in (("output", rows.splitlines(), run["|"]), ("error", said, {
                n: line.replace("{dir}", folder) for n, line in run["!"].items()})):
            # The first few (number, pattern, line) that differ.
            wrong = [(n, wanted.get(n), lines[n - 1] if n <= len(lines) else None)
                     for n in sorted(set(wanted) | set(range(1, len(lines) + 1))) if n > len(lines)
                     or not fnmatch.fnmatchcase(lines[n - 1], wanted.get(n, "\0"))][:3]
            check(f"{what}: standard {name}", not wrong, wrong)
        plot = arguments[arguments.index("--plot") + 1] if "--plot" in arguments else None
        if plot and status != 1:  # 1: found out as the plot was made, or written
            check(f"{what}: a plot, none if refused", os.path.isfile(plot) == (status == 0))
        if plot and status == 0 and os.path.isfile(plot) and plot.lower().endswith(".png"):
            seen = ran(["convert", plot, "-format", "%m %wx%h %[fx:p{2,2}.intensity]\n", "-write",
                        "info:", "-crop", "1x9+380+300", "-format", "%[fx:minima < 0.5]", "info:"])
            check(f"{what}: a white PNG of 720 by 360, its axis at y = 304",
                  seen[1] == "PNG 720x360 1\n1", seen)
        elif plot and status == 0 and os.path.isfile(plot):
            with open(plot, encoding="utf-8") as file:
                svg_drawn(what, file.read(), rows, run["%"])


def svg_drawn(what, svg, rows, wanted):
    # What the plot shows that `wanted` names, and its scales: the frequency axis from its first
    # labelled tick to its last, and every tick and every point of a row that locked where its
    # frequency and lock time fall between the end ticks, frequencies rightward, lock times up.
    labels = re.findall(r'<text x="([\d.]+)" y="[\d.]+" text-anchor="middle">([\d.]+)</text>', svg)
    shown = {"labels": " ".join(label for _, label in labels), "dots": str(svg.count("<circle")),
             "lines": str(svg.count("<polyline")),
             "shaded": "; ".join(re.findall(r"<title>(.*?)</title>", svg))}
    check(f"{what}: the plot shows {wanted}", {key: shown[key] for key in wanted} == wanted, shown)
    levels = re.findall(r'<line x1="([\d.]+)" y1="([\d.]+)" x2="([\d.]+)" y2="\2"', svg)
    axis = max(levels, key=lambda ends: float(ends[2]) - float(ends[0]), default=None)
    ms = [(float(y), float(label)) for (_, y, _), label in zip(
        [level for level in levels if level != axis], re.findall(r'"end">(\d+)</text>', svg))]
    points = [tuple(map(float, point.split(","))) for line, x, y in re.findall(
        r'<polyline[^>]* points="([^"]*)"|<circle cx="([\d.]+)" cy="([\d.]+)"', svg)
        for point in (line.split() or [f"{x},{y}"])]
    locked = [(float(row[2]), float(row[4])) for row in
              (line.split(",") for line in rows.splitlines()[1:]) if row[3] == "1"]
    check(f"{what}: a point for each row that locked", len(points) == len(locked), points)
    if len(labels) < 2 or len(ms) < 2:
        return check(f"{what}: the plot's axes labelled", False, svg)
    check(f"{what}: the frequency axis from its first tick to its last",
          (labels[0][0], labels[-1][0]) == (axis[0], axis[2]), (labels, axis))
    check(f"{what}: the points within the axes", all(
        float(axis[0]) <= x <= float(axis[2]) and ms[-1][0] <= y <= ms[0][0] for x, y in points))
    frequency = [(float(x), float(label)) for x, label in labels]
    for name, scale, up, pairs in [
            ("frequencies", frequency, 1, [(x, f) for (x, _), (f, _) in zip(points, locked)]),
            ("lock times", ms, -1, [(y, t) for (_, y), (_, t) in zip(points, locked)])]:
        (a, u), (b, v) = scale[0], scale[-1]
        off = [(at, value) for at, value in scale + pairs
               if abs(a + (value - u) / (v - u) * (b - a) - at) > 0.2]
        check(f"{what}: ticks and points where their {name} fall", not off and
              (b - a) / (v - u) * up > 0, (scale, off))


for run in runs(os.path.join(sys.argv[-1], "sweep_runs.txt")):
    sweep(run)
# Windows has no SIGINT to send a program: windows.console_events ends it from its console.
if not WINE:
    # A hundred rows read, then SIGINT, part-way through 5701 steps: the sweep ends after the
    # step under way, and sums up the rows it kept.
    process = subprocess.Popen([*COMMAND, "--simulate", "--word-b", "test=lock", "--sweep",
                                "63-120/0.01"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               text=True)
    # Read through the pipes' own buffers to the end: a program that hangs is killed.
    (killer := threading.Timer(30, process.kill)).start()
    read = [process.stdout.readline() for _ in range(101)]
    process.send_signal(signal.SIGINT)
    rows = "".join(read + [process.stdout.read()]).splitlines()
    said = [line for line in process.stderr.read().splitlines() if not line.startswith(NOT_SAID)]
    killer.cancel()
    check("SIGINT: ended within 30 s, with 0", process.wait() == 0, process.returncode)
    check("SIGINT: some of 5701 rows after the header, one divider after another",
          101 <= len(rows) < 5702 and [int(row.split(",")[0]) for row in rows[1:]] ==
          list(range(7370, 7369 + len(rows))), rows[:2] + rows[-1:] + [len(rows)])
    # Far below the top of the oscillator's range, where each lock is slower than the last.
    _, _, mhz, locked, ms = (rows[-1] + ",,,,").split(",")[:5]
    check("SIGINT: the steps kept, said, then summed up", said == [
        f"{NAME}: the sweep stopped after {len(rows) - 1} of 5701 steps",
        f"{NAME}: locks from 75.30 to {mhz} MHz, slowest {ms} ms at {mhz}" if locked == "1" else
        f"{NAME}: never locked from 63.00 to {mhz} MHz"], said)
finish()
