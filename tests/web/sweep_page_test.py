#!/usr/bin/python3
"""A page sweeps the simulated chip's band where the panel reads a lock line: what it refuses,
its progress on every page, the rows and plot it hands back (to a page that opens later too),
the way back to the divider it started from, and what stops it early; the lock on the
information line; without a lock line, no sweep.

Usage: sweep_page_test.py [wine] PROGRAM DATA_FOLDER"""
import itertools
import json
import os
import subprocess
import sys

from web_support import (check, finish, golden, page, program_command, ran, request,
                         run_on_program, tables)

PROGRAM = program_command(sys.argv[1:])
DATA = sys.argv[-1]
TALKS = tables(os.path.join(os.path.dirname(os.path.abspath(__file__)), "page_talks.txt"))
STARTED_ON = 11690  # the divider the panel starts on
HOGGED = "75-118/0.3"  # both edges of the simulated oscillator's range, and slow locks
speeds = itertools.count(102)  # each idle_on's its own, that the panel says so


def fetched(port, outcome, extension):
    """The last sweep's file, as the page's links fetch it for `outcome`: its text."""
    answer = request(port, f"GET /sweep.{extension}?{outcome['number']}")
    kind = {"csv": "text/csv; charset=utf-8", "svg": "image/svg+xml"}[extension]
    check(f"/sweep.{extension}: 200, {kind}", (answer.status, answer.headers.get(
        "content-type")) == (200, kind), (answer.status, answer.headers))
    return answer.body.decode()


def idle_on(sweeper, divider):
    """Waits for the panel to carry out everything before (and a speed), idle on `divider`."""
    sweeper.asked({"do": "speed", "value": (speed := next(speeds))},
                  {"type": "state", "speed": speed, "divider": divider, "sweep": ""})


def sweeps(program):
    sweeper = page(program.port)
    sweeper.talk(TALKS["a sweep's setup"])
    header, *edges = golden(os.path.join(DATA, "page_sweep_edges.csv"))
    numbers = []  # each outcome's, which its files are fetched by
    for asked, first_progress, summary in tables(os.path.join(DATA, "page_sweeps.txt"))[""]:
        *states, outcome = sweeper.asked({"do": "sweep", "range": asked}, {"type": "sweep"}, 30)
        numbers.append(outcome["number"])
        check(f"{asked}: progress on the page and the information line", any(
            s.get("sweep") == first_progress and s["status"].endswith(" · " + first_progress)
            for s in states), [s.get("sweep") for s in states])
        low, high = sorted(map(float, asked.split("/")[0].split("-")))
        rows = [header] + [row for row in edges if low <= float(row.split(",")[2]) <= high]
        got = [row.rsplit(",", 1)[0] for row in fetched(program.port, outcome, "csv").split()]
        check(f"{asked}: the rows, but their lock times", got == rows, got)
        check(f"{asked}: the summary, and no notes on a whole sweep",
              (outcome["summary"], outcome["notes"]) == (summary, []), outcome)
        plot = fetched(program.port, outcome, "svg")
        check(f"{asked}: the plot", plot.startswith("<svg ") and
              "Lock time against frequency" in plot, plot[:200])
        idle_on(sweeper, STARTED_ON)
    # The page's rows are --sweep's, byte for byte, with both cores kept busy meanwhile: each
    # step is timed on the simulated chip's own clock, not between the event loop's turns.
    hogs = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2)]
    try:
        outcome = sweeper.asked({"do": "sweep", "range": HOGGED}, {"type": "sweep"}, 60)[-1]
        command_line = ran(PROGRAM, "--simulate", "--sweep", HOGGED, seconds=60)[1]
    finally:
        for hog in hogs:
            hog.kill()
            hog.wait()
    pagerows = fetched(program.port, outcome, "csv")
    check(f"{HOGGED}: the page's rows are the command line's",
          pagerows.splitlines() == command_line.splitlines(), pagerows)

    for left, because, interrupt in TALKS["stops"]:
        sweeper.talk(TALKS["a sweep running"], 30)
        for each in json.loads(interrupt):
            sweeper.send(each)
        outcome = sweeper.asked(None, {"type": "sweep"})[-1]
        numbers.append(outcome["number"])
        done = len(fetched(program.port, outcome, "csv").splitlines()) - 1
        check(f"{interrupt}: stopped after the steps it kept", done >= 2 and outcome["notes"] ==
              [f"the sweep stopped after {done} of 571 steps{because.strip('-')}"], outcome)
        idle_on(sweeper, int(left) if left != "-" else 7370 + 10 * (done - 1))
    check("each outcome numbered apart from those before it, so that a page fetches its files",
          len(set(numbers)) == len(numbers), numbers)

    later = page(program.port)
    first = [later.received()[0] for _ in range(2)]
    check("a page that opens later is handed the last outcome after the setup",
          [m["type"] for m in first] == ["setup", "sweep"] and first[1] == outcome, first)


run_on_program(PROGRAM, "--headless --lock", sweeps, "--headless", "--lock")
for talk, *options in (("the lock", "--lock", "--word-b", "test=lock"), ("without a lock line",)):
    run_on_program(PROGRAM, talk, lambda program: page(program.port).talk(TALKS[talk]),
                   "--headless", *options)
finish()
