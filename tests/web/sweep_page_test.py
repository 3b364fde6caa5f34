#!/usr/bin/python3
"""A page sweeps the simulated chip's band where the panel reads a lock line: what it refuses,
its progress on every page, the rows and plot it hands back (to a page that opens later too),
the way back to the divider it started from, and what stops it early.

Usage: sweep_page_test.py [wine] PROGRAM DATA_FOLDER"""
import itertools
import os
import subprocess
import sys

from web_support import Connection, check, finish, golden, program_command, ran, run_on_program
from web_support import page as open_page

PROGRAM = program_command(sys.argv[1:])
DATA = sys.argv[-1]
STARTED_ON = 11690  # the divider the panel starts on
WHOLE_BAND = "63-120/0.1"
IN_LOCK_ROW, REFERENCE_ROW = 3, 1
HOGGED = "75-118/0.3"  # both edges of the simulated oscillator's range, and slow locks
STOPS = [  # what stops a whole-band sweep part-way, what its note adds, the divider it leaves
    ([{"do": "stop sweep"}], "", STARTED_ON),
    ([{"do": "tune", "divider": 9000}], ": the divider was moved to 9000", 9000),
    # Taken off the lock, the test pin leaves it on the last step swept.
    ([{"do": "choose", "list": "test", "row": REFERENCE_ROW}, {"do": "press", "button": "send"}],
     ': lock unknown: the test pin shows "Reference frequency", not "Output in-lock counter"',
     None),
]
speeds = itertools.count(101)  # each state_after's its own, that the panel says so


def table(name):
    return [line.split(" | ") for line in golden(os.path.join(DATA, name))]


def fetched(port, outcome, extension):
    """The last sweep's file, as the page's links fetch it for `outcome`; its type and text."""
    own = f"127.0.0.1:{port}"
    answer = Connection(port, "GET", f"/sweep.{extension}?{outcome['number']}", {"Host": own})
    check(f"/sweep.{extension} answered", answer.status == 200, answer.status)
    return answer.headers.get("content-type"), answer.body.decode()


def rows_of(port, outcome):
    """The rows without their lock times."""
    kind, text = fetched(port, outcome, "csv")
    check("the rows as CSV", kind == "text/csv; charset=utf-8", kind)
    return [line.rsplit(",", 1)[0] for line in text.splitlines()]


def swept(page, asked, seconds=30):
    """The states seen while the sweep runs, and its outcome."""
    page.send({"do": "sweep", "range": asked})
    seen = page.await_message(f"the outcome of {asked}", {"type": "sweep"}, seconds=seconds)
    return [m for m in seen if m.get("type") == "state"], seen[-1]


def state_after(page):
    """The state once the panel has carried out everything before it (and a change of speed)."""
    page.send({"do": "speed", "value": (speed := next(speeds))})
    return page.await_message("the speed's change", {"type": "state", "speed": speed})[-1]


def refused(page, asked):
    page.send({"do": "sweep", "range": asked})
    return page.await_message(f"a refusal of {asked}", {"type": "refused"})[-1]["reason"]


def sweeps(program):
    page = open_page(program.port)
    setup = page.await_message("the setup", {"type": "setup"})[-1]
    check("the setup offers the sweep, over the whole band by the slider's step, in MHz",
          setup.get("sweep") is True and setup.get("sweepRange") == WHOLE_BAND, setup)
    for asked, reason in table("page_sweep_refusals.txt"):
        check(f"sweep {asked} refused", (seen := refused(page, asked)) == reason, seen)

    page.send({"do": "choose", "list": "test", "row": IN_LOCK_ROW})
    page.send({"do": "press", "button": "send"})
    header, *expected = golden(os.path.join(DATA, "page_sweep_edges.csv"))
    numbers = []  # each outcome's, which its files are fetched by
    for asked, first_progress, summary in table("page_sweeps.txt"):
        states, outcome = swept(page, asked)
        numbers.append(outcome["number"])
        check(f"{asked}: progress on the page and the information line",
              any(s["sweep"] == first_progress and s["status"].endswith(" · " + first_progress)
                  for s in states), [s["sweep"] for s in states])
        low, high = sorted(map(float, asked.split("/")[0].split("-")))
        rows = [header] + [row for row in expected if low <= float(row.split(",")[2]) <= high]
        check(f"{asked}: the rows", (got := rows_of(program.port, outcome)) == rows, got)
        check(f"{asked}: the summary, and no notes on a whole sweep",
              (outcome["summary"], outcome["notes"]) == (summary, []), outcome)
        kind, plot = fetched(program.port, outcome, "svg")
        check(f"{asked}: the plot", kind == "image/svg+xml" and plot.startswith("<svg ") and
              "Lock time against frequency" in plot, (kind, plot[:200]))
        check(f"{asked}: back where it started, idle", (state := state_after(page))["divider"]
              == STARTED_ON and state["sweep"] == "", state)
    same_as_the_command_line(program, page)

    for interrupt, because, left in STOPS:
        page.send({"do": "sweep", "range": WHOLE_BAND})
        page.await_message("2 steps swept", {"sweep": "sweeping: 2 of 571 steps, at 63.20 MHz"},
                           seconds=30)
        check(f"{interrupt}: a second sweep refused while one runs",
              refused(page, "80-90") == "A sweep is running already: stop it first")
        for request in interrupt:
            page.send(request)
        outcome = page.await_message("the stopped sweep's outcome", {"type": "sweep"})[-1]
        numbers.append(outcome["number"])
        done = len(rows_of(program.port, outcome)) - 1
        check(f"{interrupt}: stopped after the steps it kept", done >= 2 and outcome["notes"] ==
              [f"the sweep stopped after {done} of 571 steps{because}"], outcome["notes"])
        state = state_after(page)
        check(f"{interrupt}: left idle on {left or 'the last step'}", state["sweep"] == "" and
              state["divider"] == (left or 7370 + 10 * (done - 1)), (done, state))
    check("each outcome numbered apart from those before it, so that a page fetches its files",
          len(set(numbers)) == len(numbers), numbers)

    later = open_page(program.port)
    first = [later.receive() for _ in range(2)]
    check("a page that opens later is handed the last outcome after the setup",
          [m["type"] for m in first] == ["setup", "sweep"] and first[1] == outcome,
          [m.get("type") for m in first])


def same_as_the_command_line(program, page):
    """The page's rows are --sweep's, byte for byte, with both cores kept busy meanwhile: each
    step is timed on the simulated chip's own clock, not between the event loop's turns."""
    hogs = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2)]
    try:
        outcome = swept(page, HOGGED, seconds=60)[1]
        command_line = ran(PROGRAM, "--simulate", "--sweep", HOGGED, seconds=60)[1]
    finally:
        for hog in hogs:
            hog.kill()
            hog.wait()
    page_rows = fetched(program.port, outcome, "csv")[1]
    check(f"{HOGGED}: the page's rows are the command line's",
          page_rows.splitlines() == command_line.splitlines(), page_rows)


def without_lock(program):
    page = open_page(program.port)
    setup = page.await_message("the setup", {"type": "setup"})[-1]
    check("without a lock line the setup offers no sweep", setup.get("sweep") is False and
          "sweepRange" not in setup, setup)
    page.send({"do": "sweep", "range": "80-90"})
    state = state_after(page)
    check("nor does a sweep start", "sweep" not in state and state["divider"] == STARTED_ON,
          state)


for options, run in [(("--headless", "--lock"), sweeps), (("--headless",), without_lock)]:
    run_on_program(PROGRAM, " ".join(options), run, *options)
finish()
