#!/usr/bin/python3
"""A page sweeps the simulated chip's band where the panel reads a lock line: what it refuses,
its progress on every page, the rows and plot it hands back (to a page that opens later too),
the way back to the divider it started from, and what stops it early.

Usage: sweep_page_test.py [wine] PROGRAM DATA_FOLDER"""
import csv
import os
import re
import subprocess
import sys

from web_support import Connection, Failed, check, finish, program_command, run_on_program
from web_support import page as open_page

PROGRAM = program_command(sys.argv[1:])
DATA = sys.argv[-1]
STARTED_ON = 11690  # the divider the panel starts on
WHOLE_BAND = "63-120/0.1"
WAY_OUT = "; choose it for the test pin and press Send Word 'B'"
IN_LOCK_ROW, REFERENCE_ROW = 3, 1
BAND = "63.00 to 120.00 MHz, dividers 7370N to 13070N"
HOGGED = "75-118/0.3"  # both edges of the simulated oscillator's range, and slow locks

REFUSALS = [  # (the range asked for, or None for a well-formed one; the refusal)
    ("8000", "Cannot sweep 8000: give FROM-TO or FROM-TO/STEP in MHz, such as 88-108/0.1, or as "
             "dividers ending in N, such as 8600N-12850N/5N"),
    ("7000N-8000N", f"Cannot sweep 7000N-8000N: 7000N is outside the band, {BAND}"),
    ("80-90/0", "Cannot sweep 80-90/0: the step 0 MHz is zero: give 1N (10 kHz) or more"),
    ("88.005-90", "Cannot sweep 88.005-90: 88.005 MHz is off the 10 kHz grid: give 88.00 (9870N) "
                  "or 88.01 (9871N)"),
    ("80-90/0.2", 'The sweep cannot read the lock: no Word B has put the test pin on "Output '
                  'in-lock counter" yet' + WAY_OUT),
]

EDGES = [  # (range, its first step's progress, the summary)
    ("75.1-75.5/0.2", "sweeping: 0 of 3 steps, at 75.10 MHz",
     r"locks from 75\.30 to 75\.50 MHz, slowest \d+\.\d ms at 75\.[35]0"),
    ("117.6-118/0.2", "sweeping: 0 of 3 steps, at 117.60 MHz",
     r"locks from 117\.60 to 117\.80 MHz, slowest \d+\.\d ms at 117\.[68]0"),
]

# Ranges that end, then begin, on the divider the panel is on, and their rows. The first ends
# with no word's lock left to decide; the second's first step is the divider the panel has, so
# its word must go out again, or no lock is ever decided for it.
FROM_HERE = [
    ("106-106.2/0.1", [["11670", "116.70", "106.00", "1"], ["11680", "116.80", "106.10", "1"],
                       ["11690", "116.90", "106.20", "1"]]),
    ("106.2-106.4/0.1", [["11690", "116.90", "106.20", "1"], ["11700", "117.00", "106.30", "1"],
                         ["11710", "117.10", "106.40", "1"]]),
]


def expected_rows():
    with open(os.path.join(DATA, "page_sweep_edges.csv"), encoding="utf-8") as golden:
        return list(csv.reader(line for line in golden if not line.startswith("#")))


def fetched(port, outcome, extension):
    """The last sweep's file, as the page's links fetch it for `outcome`; its type and text."""
    own = f"127.0.0.1:{port}"
    answer = Connection(port, "GET", f"/sweep.{extension}?{outcome['number']}", {"Host": own})
    check(f"/sweep.{extension} answered", answer.status == 200, answer.status)
    return answer.headers.get("content-type"), answer.body.decode()


def rows_of(port, outcome):
    """The rows without their lock times, which the machine's clock decides."""
    kind, text = fetched(port, outcome, "csv")
    check("the rows as CSV", kind == "text/csv; charset=utf-8", kind)
    return [row[:4] for row in csv.reader(text.splitlines())]


def sweep_until_outcome(page, request, seconds=60):
    """The states seen while the sweep runs, and its outcome."""
    page.send(request)
    seen = page.await_message("the sweep's outcome", {"type": "sweep"}, seconds=seconds)
    return [m for m in seen if m.get("type") == "state"], seen[-1]


def back_where_started(page, what):
    try:
        page.await_message("the divider it started from", {"divider": STARTED_ON, "sweep": ""})
    except Failed as failure:
        check(f"{what}: back where it started, idle", False, failure)


def state_after(page, request):
    """The state once the panel has carried out everything before it (and a change of speed)."""
    page.send({"do": "speed", "value": request})
    return page.await_message("the speed's change", {"type": "state", "speed": request})[-1]


def refused(page, request):
    page.send(request)
    return page.await_message(f"a refusal of {request}", {"type": "refused"})[-1]["reason"]


def await_progress(page, steps_done):
    page.await_message(f"{steps_done} steps swept",
                       {"sweep": f"sweeping: {steps_done} of 571 steps, at "
                                 f"{63 + steps_done / 10:.2f} MHz"}, seconds=30)


def stopped_early(port, page, interrupt, because):
    """Starts a whole-band sweep, interrupts it two steps in; checks its one note."""
    page.send({"do": "sweep", "range": WHOLE_BAND})
    await_progress(page, 2)
    page.send(interrupt)
    outcome = page.await_message("the stopped sweep's outcome", {"type": "sweep"}, seconds=30)[-1]
    done = len(rows_of(port, outcome)) - 1
    check(f"{interrupt}: stopped after the steps it kept",
          outcome["notes"] == [f"the sweep stopped after {done} of 571 steps{because}"]
          and done >= 2, outcome["notes"])
    return outcome


def sweeps(program):
    page = open_page(program.port)
    setup = page.await_message("the setup", {"type": "setup"})[-1]
    check("the setup offers the sweep", setup.get("sweep") is True, setup)
    check("the setup's range to begin with: the whole band by the slider's step, in MHz",
          setup.get("sweepRange") == WHOLE_BAND, setup)
    for asked, reason in REFUSALS:
        seen = refused(page, {"do": "sweep", "range": asked})
        check(f"sweep {asked} refused", seen == reason, seen)

    page.send({"do": "choose", "list": "test", "row": IN_LOCK_ROW})
    page.send({"do": "press", "button": "send"})
    expected = expected_rows()
    numbers = []  # each outcome's, which its files are fetched by
    for (asked, first_progress, summary), rows in zip(EDGES, (expected[1:4], expected[4:7])):
        states, outcome = sweep_until_outcome(page, {"do": "sweep", "range": asked})
        numbers.append(outcome["number"])
        check(f"{asked}: progress on the page and the information line",
              any(s["sweep"] == first_progress and s["status"].endswith(" · " + first_progress)
                  for s in states), [s["sweep"] for s in states])
        got = rows_of(program.port, outcome)
        check(f"{asked}: the rows", got == [expected[0], *rows], got)
        check(f"{asked}: the summary", re.fullmatch(summary, outcome["summary"]),
              outcome["summary"])
        check(f"{asked}: no notes on a whole sweep", outcome["notes"] == [], outcome["notes"])
        kind, plot = fetched(program.port, outcome, "svg")
        check(f"{asked}: the plot", kind == "image/svg+xml" and plot.startswith("<svg ") and
              "Lock time against frequency" in plot, (kind, plot[:200]))
        back_where_started(page, asked)
    same_as_the_command_line(program, page)
    for asked, rows in FROM_HERE:
        outcome = sweep_until_outcome(page, {"do": "sweep", "range": asked}, seconds=10)[1]
        numbers.append(outcome["number"])
        got = rows_of(program.port, outcome)
        check(f"{asked}: the rows", got == [expected[0], *rows], got)
        back_where_started(page, asked)

    page.send({"do": "sweep", "range": WHOLE_BAND})
    await_progress(page, 1)
    check("a second sweep refused while one runs",
          refused(page, {"do": "sweep", "range": "80-90"}) ==
          "A sweep is running already: stop it first")
    page.send({"do": "stop sweep"})
    outcome = page.await_message("the stopped sweep's outcome", {"type": "sweep"})[-1]
    check("stopped: the steps kept, and said",
          outcome["notes"] == [f"the sweep stopped after {len(rows_of(program.port, outcome)) - 1}"
                               " of 571 steps"], outcome["notes"])
    back_where_started(page, "stopped")
    numbers.append(outcome["number"])

    outcome = stopped_early(program.port, page, {"do": "tune", "divider": 9000},
                            ": the divider was moved to 9000")
    numbers.append(outcome["number"])
    check("moved elsewhere: left there", state_after(page, 101)["divider"] == 9000)
    page.send({"do": "choose", "list": "test", "row": REFERENCE_ROW})
    last = stopped_early(program.port, page, {"do": "press", "button": "send"},
                         ': lock unknown: the test pin shows "Reference frequency", not '
                         '"Output in-lock counter"')
    numbers.append(last["number"])
    done = len(rows_of(program.port, last)) - 1
    check("the test pin taken off: left on the step it stopped at",
          state_after(page, 102)["divider"] == 7370 + 10 * (done - 1), done)
    check("each outcome numbered apart from those before it, so that a page fetches its files",
          len(set(numbers)) == len(numbers), numbers)

    later = open_page(program.port)
    first = [later.receive() for _ in range(2)]
    check("a page that opens later is handed the last outcome after the setup",
          [m["type"] for m in first] == ["setup", "sweep"] and first[1] == last,
          [m.get("type") for m in first])


def same_as_the_command_line(program, page):
    """The page's rows are --sweep's, byte for byte, with both cores kept busy meanwhile: each
    step is timed on the simulated chip's own clock, not between the event loop's turns."""
    hogs = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2)]
    try:
        outcome = sweep_until_outcome(page, {"do": "sweep", "range": HOGGED})[1]
        command_line = subprocess.run([*PROGRAM, "--simulate", "--sweep", HOGGED],
                                      capture_output=True, timeout=60).stdout
    finally:
        for hog in hogs:
            hog.kill()
            hog.wait()
    page_rows = fetched(program.port, outcome, "csv")[1]
    check(f"{HOGGED}: the page's rows are the command line's", page_rows.splitlines() ==
          command_line.decode().replace("\r", "").splitlines(), page_rows)


def without_lock(program):
    page = open_page(program.port)
    setup = page.await_message("the setup", {"type": "setup"})[-1]
    check("without a lock line the setup offers no sweep", setup.get("sweep") is False and
          "sweepRange" not in setup, setup)
    page.send({"do": "sweep", "range": "80-90"})
    state = state_after(page, 101)
    check("nor does a sweep start", "sweep" not in state and state["divider"] == STARTED_ON,
          state)


for options, run in [(("--headless", "--lock"), sweeps), (("--headless",), without_lock)]:
    run_on_program(PROGRAM, " ".join(options), run, *options)
finish()
