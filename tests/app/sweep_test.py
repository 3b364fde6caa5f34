#!/usr/bin/python3
"""The sweep as a user runs it on the simulated chip: its rows and summary against numbers
worked out by hand from the model (sweep_8590_12860_610.csv), the whole band's summary, the
the Word B it sends for the lock, the plot, and SIGINT part-way.

Usage: sweep_test.py [wine] PROGRAM DATA_DIR"""
import os
import re
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import zlib

WINE = sys.argv[1] == "wine"
PROGRAM, DATA = sys.argv[1 + WINE:3 + WINE]
COMMAND = ["wine", PROGRAM] if WINE else [PROGRAM]
NAME = "saa1057-panel"
SIM = ["--simulate", "--word-b", "test=lock"]
WAIT_S = 30
failures = []


def run(*options):
    """Status, standard output and error. Into files, not pipes: under Wine, services that the
    program starts may hold its pipes open until every Wine program has ended."""
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        status = subprocess.run([*COMMAND, *options], stdout=out, stderr=err,
                                timeout=WAIT_S).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read()


def check(what, seen, wanted, context=""):
    if seen != wanted:
        failures.append(f"{what}: wanted {wanted!r}, saw {seen!r}" +
                        (f"\n  standard error: {context!r}" if context else ""))


def rows_and_summary():
    with tempfile.TemporaryDirectory() as folder:
        plot = os.path.join(folder, "lock.svg")
        status, out, err = run(*SIM, "--sweep", "75.2-117.9/6.1", "--plot", plot)
        with open(os.path.join(DATA, "sweep_8590_12860_610.csv")) as f:
            check("rows of 75.2-117.9/6.1", out, f.read(), err)
        check("summary of 75.2-117.9/6.1", err,
              f"{NAME}: locks from 81.30 to 111.80 MHz, slowest 2.7 ms at 111.80\n")
        check("status of 75.2-117.9/6.1", status, 0, err)
        with open(plot) as f:
            svg = f.read()
        for part in ("<svg", "not locked from 75.20 to 75.20 MHz",
                     "not locked from 117.90 to 117.90 MHz", "<polyline"):
            check(f"the plot holds {part!r}", part in svg, True)
        plotted_as_rows(svg, out)


def plotted_as_rows(svg, csv):
    """The line's points stand for the rows that locked: left to right with frequency, higher
    for a slower lock, and in proportion to both (equal steps of frequency, equal distances)."""
    points = re.findall(r'<polyline[^>]* points="([^"]*)"', svg)
    check("one line through the stretch that locked", len(points), 1)
    if len(points) != 1:
        return
    xy = [tuple(map(float, point.split(","))) for point in points[0].split()]
    rows = [line.split(",") for line in csv.splitlines()[1:]]
    locked = [(float(row[2]), float(row[4])) for row in rows if row[3] == "1"]
    check("a point per locked row", len(xy), len(locked))
    if len(xy) != len(locked) or len(xy) < 3:
        return
    (x0, y0), (x1, y1) = xy[0], xy[-1]
    (f0, t0), (f1, t1) = locked[0], locked[-1]
    check("higher frequencies to the right", x1 > x0, True)
    check("slower locks drawn higher (smaller y)", y1 < y0, True)
    for (x, y), (f, t) in zip(xy, locked):
        check(f"the point of {f:.2f} MHz, {t} ms, in proportion",
              (round((x - x0) / (x1 - x0), 2), round((y - y0) / (y1 - y0), 2)),
              (round((f - f0) / (f1 - f0), 2), round((t - t0) / (t1 - t0), 2)))
    # The frequency axis: the longest level line, a labelled tick at each end, and each tick
    # where its frequency falls on the points' scale.
    ticks = [(float(x), float(f)) for x, f in re.findall(
        r'<text x="([\d.]+)" y="[\d.]+" text-anchor="middle">([\d.]+)</text>', svg)]
    levels = re.findall(r'<line x1="([\d.]+)" y1="([\d.]+)" x2="([\d.]+)" y2="\2"', svg)
    axis = max(((float(a), float(b)) for a, _, b in levels), key=lambda ends: ends[1] - ends[0])
    check("labelled ticks at the frequency axis's ends", (ticks[0][0], ticks[-1][0]), axis)
    check("ticks where their frequencies fall",
          max(abs(x0 + (f - f0) / (f1 - f0) * (x1 - x0) - x) for x, f in ticks) < 0.5, True)


def frequency_labels():
    """A plot's frequency axis, worked out by hand: round ticks, each labelled, out to both ends
    (frequency_ticks.txt has the rule)."""
    cases = [
        ("8580N-8620N/1N", "75.10 75.15 75.20 75.25 75.30 75.35 75.40 75.45 75.50"),
        ("7370N-13070N/100N", "60 65 70 75 80 85 90 95 100 105 110 115 120"),
        ("108-88/1", "88 90 92 94 96 98 100 102 104 106 108"),
    ]
    for dividers, labels in cases:
        with tempfile.TemporaryDirectory() as folder:
            plot = os.path.join(folder, "lock.svg")
            status, _, err = run(*SIM, "--sweep", dividers, "--plot", plot)
            with open(plot) as f:
                svg = f.read()
        check(f"status of {dividers}", status, 0, err)
        # Centred under their ticks, as the titles are, which have words.
        check(f"the frequency labels of {dividers}",
              " ".join(re.findall(r'text-anchor="middle">([\d.]+)</text>', svg)), labels)


def one_step():
    """A sweep of one divider: its lock time a dot, no line, in the middle of the axis."""
    with tempfile.TemporaryDirectory() as folder:
        plot = os.path.join(folder, "one.svg")
        status, _, err = run(*SIM, "--sweep", "8600N-8600N", "--plot", plot)
        with open(plot) as f:
            svg = f.read()
    check("status of 8600-8600", status, 0, err)
    check("the dot and lines of 8600-8600", (re.findall(r'<circle cx="([\d.]+)"', svg),
                                             svg.count("<polyline")), (["380.0"], 0))


def whole_band():
    # The slider's range at its small step: 7370 to 13070 by 10, locked from 8600 to 12850.
    status, out, err = run(*SIM, "--sweep")
    lines = out.splitlines()
    check("rows of the whole band", len(lines), 1 + 571, err)
    check("locked rows of the whole band", sum(line.split(",")[3] == "1" for line in lines[1:]),
          426)
    check("the whole band's first and last", (lines[1], lines[-1]),
          ("7370,73.70,63.00,0,", "13070,130.70,120.00,0,"))
    check("the whole band's edges", (lines[123], lines[124], lines[549], lines[550]),
          ("8590,85.90,75.20,0,", "8600,86.00,75.30,1,0.5", "12850,128.50,117.80,1,3.4",
           "12860,128.60,117.90,0,"))
    # Progress may come first on a slow machine.
    check("summary of the whole band", err.splitlines()[-1:],
          [f"{NAME}: locks from 75.30 to 117.80 MHz, slowest 3.4 ms at 117.80"], err)
    check("what else the whole band says", [line for line in err.splitlines()[:-1]
                                             if not line.startswith(f"{NAME}: sweeping: ")], [])
    check("status of the whole band", status, 0)


def never_locked():
    # Below the oscillator's range the line pulses low as the loop hunts: never a lock, and no
    # doubt of the wiring, which a line that moved has none of.
    status, out, err = run(*SIM, "--sweep", "63-63.3")
    check("rows below the range", out.splitlines()[1:],
          ["7370,73.70,63.00,0,", "7380,73.80,63.10,0,", "7390,73.90,63.20,0,",
           "7400,74.00,63.30,0,"], err)
    check("what a line that pulsed says", (status, err),
          (0, f"{NAME}: never locked from 63.00 to 63.30 MHz\n"))


def word_b_for_the_lock():
    # Without a Word B that puts the test pin on the lock, the sweep sends one and says so.
    said = (f"{NAME}: The sweep puts the test pin on \"Output in-lock counter\" with Word B "
            "(test=lock), to read the lock from it\n")
    # --sweep is enough: it implies the window's absence and the simulated chip's lock line.
    for word_b in ([], ["--word-b", "test=reference,current=2.3"]):
        options = ["--simulate", *word_b, "--sweep", "75.3-75.3"]
        status, out, err = run(*options)
        check(f"{' '.join(options)}: the row", (status, out.splitlines()[1:]),
              (0, ["8600,86.00,75.30,1,0.5"]), err)
        check(f"{' '.join(options)}: what it says", err,
              said + f"{NAME}: locks from 75.30 to 75.30 MHz, slowest 0.5 ms at 75.30\n")


def unwritable_plot():
    # Said before the first step, not after the sweep's waits.
    with tempfile.TemporaryDirectory() as folder:
        plot = os.path.join(folder, "missing", "lock.svg")
        status, out, err = run(*SIM, "--sweep", "--plot", plot)
    check("a plot that cannot be written: status, lines out, message",
          (status, len(out.splitlines()), err), (1, 0,
          f"{NAME}: Cannot create the plot {plot}: No such file or directory. "
          "Give --plot a file in a folder you may write to.\n"))
    if WINE:
        return
    # A file that takes nothing, found out as the plot is written: the rows and summary are out,
    # but a plot asked for and not drawn fails the run.
    with tempfile.TemporaryDirectory() as folder:
        plot = os.path.join(folder, "full.svg")
        os.symlink("/dev/full", plot)
        status, out, err = run(*SIM, "--sweep", "8600N-8610N", "--plot", plot)
    check("a plot that cannot be written to the end: status, rows, message",
          (status, out.splitlines()[1:], err.splitlines()), (1,
          ["8600,86.00,75.30,1,0.5", "8610,86.10,75.40,1,0.5"], [
              f"{NAME}: locks from 75.30 to 75.40 MHz, slowest 0.5 ms at 75.40",
              f"{NAME}: Cannot write the plot to {plot}: No space left on device. "
              "Give --plot a file in a folder you may write to."]))


def png_size(data):
    """Width and height from a PNG's signature and header chunk; none for anything else."""
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def png_grey(data):
    """The rows of an 8-bit RGB or RGBA PNG, each pixel the mean of its colours."""
    width, _, _, colour = struct.unpack(">IIBB", data[16:26])
    channels = {2: 3, 6: 4}[colour]
    packed, at = b"", 8
    while at < len(data):
        (length,), kind = struct.unpack(">I", data[at:at + 4]), data[at + 4:at + 8]
        if kind == b"IDAT":
            packed += data[at + 8:at + 8 + length]
        at += 12 + length
    raw, stride, rows = zlib.decompress(packed), width * channels, []
    previous = bytearray(stride)
    for start in range(0, len(raw), stride + 1):
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = row[i - channels] if i >= channels else 0
            b, c = previous[i], previous[i - channels] if i >= channels else 0
            paeth = min((abs(b - c), 0, a), (abs(a - c), 1, b), (abs(a + b - 2 * c), 2, c))[2]
            row[i] = (row[i] + [0, a, b, (a + b) // 2, paeth][kind]) & 0xFF
        rows.append([sum(row[x:x + 3]) // 3 for x in range(0, stride, channels)])
        previous = row
    return rows


def plot_formats():
    """The format from the name: PNG where the build has Qt SVG (the Windows build has not), at
    the SVG plot's size; any other name refused before the sweep."""
    with tempfile.TemporaryDirectory() as folder:
        png = os.path.join(folder, "lock.PNG")
        status, out, err = run(*SIM, "--sweep", "8600N-8610N", "--plot", png)
        if WINE:
            check("a PNG plot where the build writes SVG only", (status, out, err), (2, "",
                  f"{NAME}: --plot {png}: this build writes SVG plots only; give FILE.svg\n"
                  f"Try '{NAME} --help' for more information.\n"))
        else:
            check("status of a PNG plot", status, 0, err)
            with open(png, "rb") as f:
                data = f.read()
            check("a PNG plot's signature and size", png_size(data), (720, 360))
            if png_size(data) == (720, 360):
                # A white page with the frequency axis across it at y = 304, as in the SVG.
                grey = png_grey(data)
                check("a PNG plot's corner and axis", (grey[2][2], min(grey[y][380]
                      for y in range(300, 309)) < 128), (255, True))
        jpg = os.path.join(folder, "lock.jpg")
        status, out, err = run(*SIM, "--sweep", "--plot", jpg)
        check("a plot neither SVG nor PNG", (status, out, err, os.path.exists(jpg)), (2, "",
              f"{NAME}: --plot {jpg}: the name's extension chooses the picture's format, SVG or "
              f"PNG; give FILE.svg or FILE.png\nTry '{NAME} --help' for more information.\n",
              False))


def interrupted():
    """A hundred rows read, then SIGINT, part-way through 5701 steps: the sweep ends after the
    step under way."""
    process = subprocess.Popen([*COMMAND, *SIM, "--sweep", "63-120/0.01"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    # Read through the pipes' own buffers to the end: a program that hangs is killed.
    killer = threading.Timer(WAIT_S, process.kill)
    killer.start()
    first = process.stdout.readline()
    read = [process.stdout.readline() for _ in range(100)]
    process.send_signal(signal.SIGINT)
    rows = "".join(read + [process.stdout.read()]).splitlines()
    err = process.stderr.read()
    process.wait()
    killer.cancel()
    if process.returncode == -signal.SIGKILL:
        failures.append(f"the sweep did not end within {WAIT_S} s of SIGINT")
        return
    check("header before SIGINT", first, "n,oscillator_mhz,received_mhz,locked,lock_ms\n")
    check("status after SIGINT", process.returncode, 0, err)
    if not 100 <= len(rows) < 5701:
        failures.append(f"SIGINT kept {len(rows)} rows, not some of 5701")
        return
    check("rows after SIGINT, one divider after another",
          [int(row.split(",")[0]) for row in rows], list(range(7370, 7370 + len(rows))))
    lines = err.splitlines()
    check("what SIGINT leaves on standard error", lines[:1],
          [f"{NAME}: the sweep stopped after {len(rows)} of 5701 steps"], err)
    check("the summary after SIGINT", len(lines) >= 2 and lines[-1].startswith(f"{NAME}: "),
          True, err)


# Windows has no SIGINT to send a program: windows.console_events ends it from its console.
for test in (rows_and_summary, frequency_labels, one_step, whole_band, never_locked,
             word_b_for_the_lock, unwritable_plot, plot_formats) + \
        ((interrupted,) * (not WINE)):
    test()
for failure in failures:
    print(failure, file=sys.stderr)
sys.exit(1 if failures else 0)
