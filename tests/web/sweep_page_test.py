#!/usr/bin/python3
"""A page sweeps the simulated chip's band where the panel reads a lock line: what it refuses,
its progress on every page, the rows and plot it hands back (to a page that opens later too),
the way back to the divider it started from, and what stops it early; without a lock line, no
sweep.

Usage: sweep_pagetest.py [wine] PROGRAM DATA_FOLDER"""
import itertools
import json
import os
import subprocess
import sys

from web_support import (check, finish, golden, program_command, ran, request, run_on_program,
                         tables)
from web_support import page as open_page

PROGRAM = program_command(sys.argv[1:])
DATA = sys.argv[-1]
TALKS = tables(os.path.join(os.path.dirname(os.path.abspath(__file__)), "page_talks.txt"))
STARTED_ON = 11690  # the divider the panel starts on
WHOLE_BAND = "63-120/0.1"
HOGGED = "75-118/0.3"  # both edges of the simulated oscillator's range, and slow locks
speeds = itertools.count(102)  # each idle_on's its own, that the panel says so


def fetched(port, outcome, extension):
    """The last sweep's file, as the page's links fetch it for `outcome`; its type and text."""
    answer = request(port, f"GET /sweep.{extension}?{outcome['number']}")
    check(f"/sweep.{extension} answered", answer.status == 200, answer.status)
    return answer.headers.get("content-type"), answer.body.decode()


def rows_of(port, outcome):
    """The rows without their lock times."""
    kind, text = fetched(port, outcome, "csv")
    check("the rows as CSV", kind == "text/csv; charset=utf-8", kind)
    return [line.rsplit(",", 1)[0] for line in text.splitlines()]


def idle_on(page, divider):
    """Waits for the panel to carry out everything before (and a change of speed), idle on
    `divider`."""
    speed = next(speeds)
    page.asked({"do": "speed", "value": speed},
               {"type": "state", "speed": speed, "divider": divider, "sweep": ""})


def sweeps(program):
    page = open_page(program.port)
    page.talk(TALKS["a sweep's setup"])
    for asked, reason in tables(os.path.join(DATA, "page_sweep_refusals.txt"))[""]:
        seen = page.asked({"do": "sweep", "range": asked}, {"type": "refused"})[-1]
        check(f"sweep {asked} refused", seen["reason"] == reason, seen)

    page.send({"do": "choose", "list": "test", "row": 3})
    page.send({"do": "press", "button": "send"})
    header, *edges = golden(os.path.join(DATA, "page_sweep_edges.csv"))
    numbers = []  # each outcome's, which its files are fetched by
    for asked, first_progress, summary in tables(os.path.join(DATA, "page_sweeps.txt"))[""]:
        *states, outcome = page.asked({"do": "sweep", "range": asked}, {"type": "sweep"}, 30)
        numbers.append(outcome["number"])
        check(f"{asked}: progress on the page and the information line", any(
            s.get("sweep") == first_progress and s["status"].endswith(" · " + first_progress)
            for s in states), [s.get("sweep") for s in states])
        low, high = sorted(map(float, asked.split("/")[0].split("-")))
        rows = [header] + [row for row in edges if low <= float(row.split(",")[2]) <= high]
        check(f"{asked}: the rows", (got := rows_of(program.port, outcome)) == rows, got)
        check(f"{asked}: the summary, and no notes on a whole sweep",
              (outcome["summary"], outcome["notes"]) == (summary, []), outcome)
        kind, plot = fetched(program.port, outcome, "svg")
        check(f"{asked}: the plot", kind == "image/svg+xml" and plot.startswith("<svg ") and
              "Lock time against frequency" in plot, (kind, plot[:200]))
        idle_on(page, STARTED_ON)
    same_as_the_command_line(program, page)

    for left, because, interrupt in TALKS["stops"]:
        page.asked({"do": "sweep", "range": WHOLE_BAND},
                    {"sweep": "sweeping: 2 of 571 steps, at 63.20 MHz"}, 30)
        refusal = page.asked({"do": "sweep", "range": "80-90"}, {"type": "refused"})[-1]
        check(f"{interrupt}: a second sweep refused while one runs",
              refusal["reason"] == "A sweep is running already: stop it first", refusal)
        for each in json.loads(interrupt):
            page.send(each)
        outcome = page.asked(None, {"type": "sweep"})[-1]
        numbers.append(outcome["number"])
        done = len(rows_of(program.port, outcome)) - 1
        check(f"{interrupt}: stopped after the steps it kept", done >= 2 and outcome["notes"] ==
              [f"the sweep stopped after {done} of 571 steps{because.strip('-')}"], outcome)
        idle_on(page, int(left) if left != "-" else 7370 + 10 * (done - 1))
    check("each outcome numbered apart from those before it, so that a page fetches its files",
          len(set(numbers)) == len(numbers), numbers)

    later = open_page(program.port)
    first = [later.received()[0] for _ in range(2)]
    check("a page that opens later is handed the last outcome after the setup",
          [m["type"] for m in first] == ["setup", "sweep"] and first[1] == outcome, first)


def same_as_the_command_line(program, page):
    """The page's rows are --sweep's, byte for byte, with both cores kept busy meanwhile: each
    step is timed on the simulated chip's own clock, not between the event loop's turns."""
    hogs = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2)]
    try:
        outcome = page.asked({"do": "sweep", "range": HOGGED}, {"type": "sweep"}, 60)[-1]
        command_line = ran(PROGRAM, "--simulate", "--sweep", HOGGED, seconds=60)[1]
    finally:
        for hog in hogs:
            hog.kill()
            hog.wait()
    pagerows = fetched(program.port, outcome, "csv")[1]
    check(f"{HOGGED}: the page's rows are the command line's",
          pagerows.splitlines() == command_line.splitlines(), pagerows)


run_on_program(PROGRAM, "--headless --lock", sweeps, "--headless", "--lock")
run_on_program(PROGRAM, "--headless", lambda program: open_page(program.port).talk(
    TALKS["without a lock line"]), "--headless")
finish()
