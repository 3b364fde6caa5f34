#!/usr/bin/python3
"""The page's information line tells the lock as the simulated chip's test pin reads it: locked
after a tuning within the oscillator's range, not locked below it (66 MHz), unknown once Word B
puts the pin on another function, with the reason.

Usage: lock_page_test.py PROGRAM   (or: wine PROGRAM.exe)"""
import re
import sys

from web_support import Failed, Program, check, finish, program_command
from web_support import page as open_page

PROGRAM = program_command(sys.argv[1:])
WAIT_S = 10

STEPS = [  # (what the page asks, the status it then shows)
    (None, r"Simulated: N 11690 · locked after \d+\.\d ms"),
    ({"do": "tune", "divider": 7670}, r"Simulated: N 7670 · not locked within 100 ms"),
    ({"do": "tune", "divider": 11070}, r"Simulated: N 11070 · locked after \d+\.\d ms"),
    ({"do": "choose", "list": "test", "row": 1}, r"Simulated: N 11070 · locked after \d+\.\d ms"),
    ({"do": "press", "button": "send"},
     r'Simulated: N 11070 · lock unknown: the test pin shows "Reference frequency", '
     r'not "Output in-lock counter"'),
]

program = Program(PROGRAM, "--headless", "--lock", "--word-b", "test=lock")
try:
    page = open_page(program.port)
    check("the page opens its socket", page.status == 101, page.status)
    for request, pattern in STEPS:
        if request:
            page.send(request)
        try:
            page.await_message(f"a status like {pattern!r}", lambda message: message.get(
                "type") == "state" and re.fullmatch(pattern, message["status"]), WAIT_S)
        except Failed as failure:
            check(f"after {request}", False, failure)
finally:
    status, errors = program.end()
check("SIGTERM ends it with 0", status == 0, errors)
finish()
