#!/usr/bin/python3
"""The page's information line tells the lock as the simulated chip's test pin reads it: the talk
in page_talks.txt.

Usage: lock_page_test.py [wine] PROGRAM"""
import os
import sys

from web_support import finish, page, program_command, run_on_program, tables

TALK = tables(os.path.join(os.path.dirname(os.path.abspath(__file__)), "page_talks.txt"))
run_on_program(program_command(sys.argv[1:]), "the lock", lambda program: page(
    program.port).talk(TALK["the lock"]), "--headless", "--lock", "--word-b", "test=lock")
finish()
