#!/usr/bin/python3
"""The box keeps its tuning: a run tuned by rigctld and its page, ended by SIGTERM, leaves the
state file; --resume comes back on it; SIGKILL at random moments of a storm of tunings never
leaves a torn file; a garbage file is set aside and a folder that cannot be made costs one
warning, and the box runs on. Its stations: a page fills the list to its limits and the next run
shows them; --stations takes a spreadsheet's file, and refuses a bad one whole.

Usage: state_test.py [wine] PROGRAM"""
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web"))
from web_support import (Failed, Program, Rigctld, check, finish, golden,  # noqa: E402
                         program_command, run_on_program, until)
from web_support import page as open_page  # noqa: E402

PROGRAM = program_command(sys.argv[1:])
KILLS = 8
STATE = re.compile(r"saa1057-panel state 1\ndivider (\d+)\nword-b( [a-z0-9.=,]+)?\nspeed (\d+)\n")


def page(program):
    return open_page(program.port)


def rig(program, command):
    with Rigctld(program.rigctld_port) as client:
        return client.ask(command.encode() + b"\n").decode()


def text(path):
    try:
        with open(path, encoding="utf-8") as file:
            return file.read()
    except OSError:
        return ""


def kept_and_resumed(folder):
    path = os.path.join(folder, "state")
    run_on_program(PROGRAM, "started", lambda program: page(program).await_message(
        "the start-up", {"divider": 11690}), "--headless", "--resume", "--state", path)
    check("a first start with --resume keeps its state at the end", text(path) ==
          "saa1057-panel state 1\ndivider 11690\nword-b\nspeed 100\n", text(path))

    def tune(program):
        check("rigctld tunes 96.1 MHz", rig(program, "F 96100000") == "RPRT 0\n")
        page(program).send({"do": "speed", "value": 300})
        page(program).await_message("the speed", {"speed": 300})
    run_on_program(PROGRAM, "tuned", tune, "--headless", "--state", path, "--word-b",
                   "refh=1.25,sla=sync,test=lock", rigctld=True)
    check("no stations, no stations file", os.listdir(folder) == ["state"], os.listdir(folder))
    with open(path, encoding="utf-8") as file:
        kept = file.read()
    check("SIGTERM wrote the latest state at once", kept == (
        "saa1057-panel state 1\ndivider 10680\nword-b refh=1.25,current=0.023,sla=sync,"
        "phase=auto,brm=on,test=lock\nspeed 300\n"), kept)

    def resumed(program):
        page(program).await_message("the state kept", {
            "divider": 10680, "speed": 300, "wordB": "1110000110000101"})
        check("rigctld reads 96.1 MHz back", rig(program, "f") == "96100000\n")
    run_on_program(PROGRAM, "resumed", resumed, "--headless", "--resume", "--state", path,
                   rigctld=True)


def killed_in_a_storm(folder):
    """Each round resumes the last one's file, tunes every 20 ms and is killed at a random
    moment: the file is whole, and the next round comes back on its divider."""
    path = os.path.join(folder, "state")
    for round_number in range(KILLS):
        program = Program(PROGRAM, "--headless", "--resume", "--state", path, rigctld=True)
        try:
            if os.path.exists(path):
                with open(path, encoding="utf-8") as file:
                    divider = int(STATE.fullmatch(file.read())[1])
                page(program).await_message(f"round {round_number} on {divider}",
                                            {"divider": divider})
            stop = threading.Event()

            def storm():
                with Rigctld(program.rigctld_port) as client:
                    while not stop.wait(0.02):
                        client.ask(f"F {random.randrange(80_000_000, 100_000_000)}\n".encode())
            tuner = threading.Thread(target=storm, daemon=True)
            tuner.start()
            # The first round's file comes a rest time after start-up.
            time.sleep(random.uniform(1.0, 5.0) if os.path.exists(path) else 3.0)
            program.process.send_signal(signal.SIGKILL)
            stop.set()
        except Failed as failure:
            check(f"round {round_number}", False, failure)
        finally:
            program.end()
        with open(path, encoding="utf-8") as file:
            kept = file.read()
        check(f"killed in round {round_number}: the file is whole", STATE.fullmatch(kept), kept)
        if not STATE.fullmatch(kept):
            return


def set_aside(folder):
    path = os.path.join(folder, "state")
    for name, text in [("state", "saa1057-panel state 2\n"), ("stations.csv", "name,khz\n")]:
        with open(os.path.join(folder, name), "w", encoding="utf-8") as file:
            file.write(text)

    def runs(program):
        page(program).await_message("the start-up's divider",
                                    {"divider": 11690, "type": "state"})
        said = until("the messages", program.stderr, lambda seen: seen.count("set aside") == 2)
        check("a state of another version is set aside with the time in its name, and said",
              re.search(r"The state file \S+ holds no state this program can resume: it is of "
                        r"version 2, this program's 1; it is set aside as \S+\.bad-\d{8}-\d{6}. "
                        r"Starting as without --resume\n", said), said)
        check("so are stations that are not", re.search(
            r"The stations file \S+ holds no stations: line 1: the header must be \"name,mhz\"; "
            r"it is set aside as \S+stations\.csv\.bad-\d{8}-\d{6}. Starting with none\n",
            said), said)
    run_on_program(PROGRAM, "garbage", runs, "--headless", "--resume", "--state", path)
    check("the old files beside them", sorted(name.split(".bad-")[0] for name in os.listdir(
        folder) if ".bad-" in name) == ["state", "stations.csv"], os.listdir(folder))


def unwritable(_):
    def runs(program):
        for mhz in ("96100000", "96200000"):
            check(f"rigctld tunes {mhz}", rig(program, f"F {mhz}") == "RPRT 0\n")
            time.sleep(2.5)  # past the rest time: a write for each
        said = program.stderr()
        check("one warning that names the file and the reason", said.count(
            "Cannot keep the tuning in the state file /dev/null/state: Not a directory.") == 1,
            said)
    run_on_program(PROGRAM, "a folder it cannot make", runs, "--headless", "--state",
                   "/dev/null/state", rigctld=True)


def full_disk(folder):
    """A small tmpfs, full, in a mount namespace of the test's own: the write fails with one
    warning, the box tunes on, and the old file stays whole."""
    disk = os.path.join(folder, "disk")
    os.mkdir(disk)
    old = "saa1057-panel state 1\ndivider 10680\nword-b\nspeed 100\n"
    script = (f'mount -t tmpfs -o size=64k tmpfs {disk} && printf "{old}" > {disk}/state && '
              f'{{ dd if=/dev/zero of={disk}/fill bs=4k 2>/dev/null; '
              f'"$@" & echo $! > {folder}/pid; wait $!; cat {disk}/state > {folder}/kept; }}')
    command = ["unshare", "-rm", "sh", "-c", script, "sh", *PROGRAM]
    program = Program(command, "--headless", "--state", f"{disk}/state", rigctld=True)
    try:
        check("rigctld tunes on a full disk", rig(program, "F 96200000") == "RPRT 0\n")
        warning = until("the warning", program.stderr, lambda seen: "Cannot keep" in seen,
                        seconds=10)
        check("the warning names the file and the reason", f"Cannot keep the tuning in the state "
              f"file {disk}/state: No space left on device." in warning, warning)
        with open(os.path.join(folder, "pid"), encoding="utf-8") as pid:
            os.kill(int(pid.read()), signal.SIGTERM)
        program.process.wait(timeout=10)
    except Failed as failure:
        check("a full disk", False, failure)
    finally:
        program.end()
    with open(os.path.join(folder, "kept"), encoding="utf-8") as file:
        kept = file.read()
    check("the old file is whole", kept == old, kept)


def stations_kept(folder):
    state, kept = os.path.join(folder, "state"), os.path.join(folder, "stations.csv")
    radio = "\U0001F4FB" * 32

    def fill(program):
        asker = page(program)
        for number in range(1, 101):
            asker.send({"do": "save station", "name": f"S{number}"})
            asker.await_message(f"S{number}", {"type": "stations"} | {"stations": [
                {"name": f"S{n}", "mhz": "106.2", "divider": 11690} for n in range(1, number + 1)]})
        for request, reason in [
                ({"name": "S101"}, "100 stations are kept already, as many as may be"),
                ({"name": "S1", "to": radio + "!"}, f'"{radio}!" is longer than 32 characters')]:
            asker.send({"do": "rename station" if "to" in request else "save station"} | request)
            asker.await_message(reason, {"reason": reason})
        asker.send({"do": "rename station", "name": "S1", "to": radio})
        until("the hundred kept once rested", lambda: text(kept).split("\n")[:3],
              lambda lines: lines == ["name,mhz", f"{radio},106.2", "S2,106.2"])
    run_on_program(PROGRAM, "a full list", fill, "--headless", "--state", state)
    check("the hundred", text(kept).count("\n") == 101, text(kept))

    def shown(program):
        names = [s["name"] for s in page(program).await_message(
            "the stations kept", {"type": "stations"})[-1]["stations"]]
        check("the next run shows them", names == [radio] + [f"S{n}" for n in range(2, 101)],
              names[:3])
    run_on_program(PROGRAM, "the list kept", shown, "--headless", "--state", state)


def imports(folder):
    state, kept = os.path.join(folder, "state"), os.path.join(folder, "stations.csv")
    given = os.path.join(folder, "given.csv")
    with open(given, "w", encoding="utf-8", newline="") as file:
        file.write('\ufeffname,mhz\r\n"Three, ""3""",96.15\r\nRadio 4 , 93.5\r\n')

    def taken(program):
        stations = page(program).await_message("the stations", {"type": "stations"})[-1]
        check("a spreadsheet's file taken", stations["stations"] == [
            {"name": 'Three, "3"', "mhz": "96.15", "divider": 10685},
            {"name": "Radio 4", "mhz": "93.5", "divider": 10420}], stations)
        check("and said", "2 stations taken from " + given in program.stderr(), program.stderr())
        check("and kept at once, as written", text(kept) ==
              'name,mhz\n"Three, ""3""",96.15\nRadio 4,93.5\n', text(kept))
    run_on_program(PROGRAM, "an import", taken, "--headless", "--state", state, "--stations", given)
    with open(kept, "rb") as file:
        before = file.read()
    rows = [line.split(" | ") for line in
            golden(os.path.join(os.path.dirname(os.path.abspath(__file__)), "station_imports.txt"))]
    for lines, why in rows + [[None, "No such file or directory"]]:
        if lines is not None:
            with open(given, "w", encoding="utf-8") as file:
                file.write(lines.replace("\\n", "\n").replace("\\t", "\t"))
        name = given if lines is not None else given + ".gone"
        run = subprocess.run([*PROGRAM, "--headless", "--simulate", "--state", state, "--stations",
                              name], capture_output=True, text=True, timeout=30)
        said = (run.returncode, run.stderr)
        check(f"{lines!r}: refused", said == (1, f"saa1057-panel: Cannot take the stations from "
              f"{name}: {why}. The stations kept are as they were\n"), said)
    with open(kept, "rb") as file:
        check("the stations kept unchanged", file.read() == before)


def local_app_data(_):
    """Under Wine, in the prefix's LOCALAPPDATA: kept once rested (Wine ends a program at SIGTERM
    without a last write), then resumed."""
    users = os.path.join(os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine")), "drive_c",
                         "users")
    user = next(name for name in os.listdir(users) if name != "Public")
    folder = os.path.join(users, user, "AppData", "Local", "saa1057-panel")
    kept = [os.path.join(folder, name) for name in ("state", "stations.csv")]

    def tune(program):
        check("rigctld tunes 96.1 MHz", rig(program, "F 96100000") == "RPRT 0\n")
        page(program).send({"do": "save station", "name": "Wine"})
        until("the tuning kept", lambda: text(kept[0]), lambda t: "divider 10680\n" in t, 10)
        until("the station kept", lambda: text(kept[1]), lambda t: t == "name,mhz\nWine,96.1\n", 10)

    def resumed(program):
        check("rigctld reads 96.1 MHz back", rig(program, "f") == "96100000\n")
    try:
        for what, test, options in [("kept", tune, ()), ("resumed", resumed, ("--resume",))]:
            run_on_program(PROGRAM, f"under Wine: {what}", test, "--headless", *options,
                           rigctld=True, own_state=False)
    finally:
        for path in kept:
            if os.path.exists(path):
                os.remove(path)


cases = (local_app_data,) if PROGRAM[0] == "wine" else (
    kept_and_resumed, killed_in_a_storm, set_aside, unwritable, full_disk, stations_kept, imports)
for case in cases:
    with tempfile.TemporaryDirectory() as folder:
        case(folder)
finish()
