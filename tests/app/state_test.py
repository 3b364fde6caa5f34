#!/usr/bin/python3
# The box keeps its tuning: a run tuned by rigctld and its page, ended by SIGTERM, leaves the
# state file, and --resume comes back on it. Its stations: a page fills the list to its limits
# and the next run shows them. (program_runs.txt: a first start, SIGKILL at each step of a write,
# files set aside, a file that cannot be written, and files to take.)
#
# Usage: state_test.py [wine] PROGRAM
import os
import pathlib
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from web_support import (Rigctld, check, finish, page, program_command,  # noqa: E402
                         run_on_program, until)

PROGRAM = program_command(sys.argv[1:])
SAVED = [f"S{number}" for number in range(1, 101)]
TUNED = ("saa1057-panel state 1\ndivider 8544\nword-b refh=1.25,current=0.023,sla=sync,"
         "phase=auto,brm=on,test=lock\nspeed 300\n")


def rig(program, command, answer="RPRT 0\n"):
    with Rigctld(program.rigctld_port) as client:
        said = client.ask(command.encode() + b"\n").decode()
    check(f"rigctld: {command} answered {answer!r}", said == answer, said)


def text(path):  # a file is only ever replaced whole, by a rename
    return pathlib.Path(path).read_text(encoding="utf-8") if os.path.exists(path) else ""


def kept_and_resumed(folder):
    path = os.path.join(folder, "state")

    def tune(program):
        rig(program, "F 96100000")
        page(program.port).asked({"do": "speed", "value": 300}, {"speed": 300})

    def resumed(program):
        # At the 1.25 kHz reference 96.1 MHz is (96.1 + 10.7) MHz / 12.5 kHz = 8544.
        page(program.port).await_message("the state kept", {
            "divider": 8544, "speed": 300, "wordB": "1110000110000101"})
        rig(program, "f", "96100000\n")
    for what, do, options in [("tuned", tune, ["--word-b", "refh=1.25,sla=sync,test=lock"]),
                              ("resumed", resumed, ["--resume"])]:
        run_on_program(PROGRAM, what, do, "--headless", "--state", path, *options, rigctld=True)
        check(f"{what}: SIGTERM leaves the latest state at once", text(path) == TUNED, text(path))


def stations(folder):
    state, kept = os.path.join(folder, "state"), os.path.join(folder, "stations.csv")
    radio = "\U0001F4FB" * 32

    def fill(program):
        asker = page(program.port)
        for number in range(1, 101):
            asker.asked({"do": "save station", "name": f"S{number}"}, {"stations": [
                {"name": name, "mhz": "106.2", "hz": 106200000} for name in SAVED[:number]]})
        for request, reason in [
                ({"do": "save station", "name": "S101"},
                 "100 stations are kept already, as many as may be"),
                ({"do": "rename station", "name": "S1", "to": radio + "!"},
                 f'"{radio[:10]}..." is longer than 32 characters')]:
            asker.asked(request, {"reason": reason})
        asker.send({"do": "rename station", "name": "S1", "to": radio})
        until("the hundred kept once rested", lambda: text(kept).split("\n")[:3],
              lambda lines: lines == ["name,mhz", f"{radio},106.2", "S2,106.2"])

    def shown(program):  # the next run's list
        page(program.port).await_message("the stations kept", {"stations": [
            {"name": name, "mhz": "106.2", "hz": 106200000} for name in [radio, *SAVED[1:]]]})
    run_on_program(PROGRAM, "a full list", fill, "--headless", "--state", state)
    run_on_program(PROGRAM, "the list kept", shown, "--headless", "--state", state)


def local_app_data(_):
    # Under Wine, in the prefix's LOCALAPPDATA: kept once rested (Wine ends a program at SIGTERM
    # without a last write), then resumed.
    users = os.path.join(os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine")), "drive_c",
                         "users")
    user = next(name for name in os.listdir(users) if name != "Public")
    folder = os.path.join(users, user, "AppData", "Local", "saa1057-panel")
    kept = [os.path.join(folder, name) for name in ("state", "stations.csv")]

    def tune(program):
        rig(program, "F 96100000")
        page(program.port).send({"do": "save station", "name": "Wine"})
        until("the tuning kept", lambda: text(kept[0]), lambda t: "divider 10680\n" in t, 10)
        until("the station kept", lambda: text(kept[1]), lambda t: t == "name,mhz\nWine,96.1\n", 10)
    try:
        for what, test, options in [("kept", tune, ()), ("resumed", lambda program: rig(
                program, "f", "96100000\n"), ("--resume",))]:
            run_on_program(PROGRAM, f"under Wine: {what}", test, "--headless", *options,
                           rigctld=True, own_state=False)
    finally:
        for path in filter(os.path.exists, kept):
            os.remove(path)


for case in (local_app_data,) if PROGRAM[0] == "wine" else (kept_and_resumed, stations):
    with tempfile.TemporaryDirectory() as folder:
        case(folder)
finish()
