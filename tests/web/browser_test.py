#!/usr/bin/python3
# (Debian's python3-selenium is installed for Debian's own Python, not any other on the PATH.)
"""The page in headless chromium at a phone's size, the runs in page_runs.txt, and the words
that the tuning run put on the bus. Usage: browser_test.py [wine] PROGRAM"""
import contextlib
import os
import re
import socket
import stat
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from web_support import (bus_words, check, finish, golden, holds, nginx, program_command,
                         run_on_program, tables, until)

PROGRAM = program_command(sys.argv[1:])
HERE = os.path.dirname(os.path.abspath(__file__))
AXE = os.environ.get("SAA_AXE")  # axe-core's script, which the Linux suite gives


def seen(driver, key):  # as holds() reads a message: no item where the page has no such element
    if key == "stations":
        return {key: driver.execute_script(
            "return [...document.querySelectorAll('.station')].map(b => [b.firstChild.textContent,"
            " b.lastChild.textContent, b.getAttribute('aria-current')].join(', ')).join('; ')")}
    element, _, name = key.partition("@")
    if not (found := driver.find_elements(By.ID, element)):
        return {}
    return {key: (found[0].get_attribute(name) or "") if name else found[0].text}


def play(driver, program, rows):
    for row in rows:
        action, _, shown = " | ".join(row).partition(" => ")
        if action:
            verb, *arguments = action.split(" | ")
            globals()[verb.replace(" ", "_")](driver, program, *arguments)
        expected = dict(pair.split("=", 1) for pair in shown.split(" | ") if pair)
        seconds = float(expected.pop("within", 5))
        here = driver.current_window_handle
        for window in driver.window_handles:
            driver.switch_to.window(window)
            for key, value in expected.items():
                until(f"{key} to show {value!r}", lambda: seen(driver, key),
                      lambda shown: holds({key: value}, shown), seconds)
        driver.switch_to.window(here)


def click(driver, program, selector):
    driver.find_element(By.CSS_SELECTOR, selector).click()


def enter(driver, program, field, text, submit):
    driver.find_element(By.ID, field).clear()
    driver.find_element(By.ID, field).send_keys(
        program.password() if text == "{password}" else text)
    driver.find_element(By.ID, submit).click()


def answer(driver, program, selector, text=""):  # the prompt or confirmation the click raises
    click(driver, program, selector)
    if text:
        driver.switch_to.alert.send_keys(text)
    driver.switch_to.alert.accept()


def choose(driver, program, select, text):
    Select(driver.find_element(By.ID, select)).select_by_visible_text(text)


def rigctl(driver, program, *command):
    subprocess.run(["rigctl", "-m", "2", "-r", f"127.0.0.1:{program.rigctld_port}", *command],
                   check=True, capture_output=True, timeout=20)


def second_page(driver, program):
    driver.switch_to.new_window("window")
    driver.get(f"http://127.0.0.1:{program.port}/")


def wait(driver, program, seconds):
    time.sleep(float(seconds))


def looked_over(driver, program, page):
    """At a phone's width no horizontal scroll, every control named and axe-core's rules kept for
    screen readers, nothing in the console (one log for every window; security errors too)."""
    width = driver.execute_script("const e = document.scrollingElement;"
                                  "return [e.scrollWidth, e.clientWidth]")
    check(f"{page} at 360x740: no horizontal scroll", width[0] <= width[1], width)
    nameless = [e.get_attribute("id") for e in driver.find_elements(
        By.CSS_SELECTOR, "button, input, select")
        if e.is_displayed() and not e.accessible_name.strip()]
    check(f"{page}: every control has an accessible name", not nameless, nameless)
    if AXE:
        found = driver.execute_async_script(open(AXE).read() + ";axe.run(document).then(r => "
            "arguments[0](r.violations.map(v => v.id + ': ' + v.nodes.map(n => n.target))))")
        check(f"{page}: axe-core finds no violation", not found, found)
    errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    check(f"{page}: no errors in the console", not errors, errors)


def download(driver, program, link, pattern):  # what the link, shown, fetches and downloads
    text = driver.execute_script("const a = document.getElementById(arguments[0]);"
                                 "return a.download && a.checkVisibility() ? "
                                 "fetch(a.href).then(r => r.text()) : ''", link)
    check(f"{link} downloads {pattern}", re.fullmatch(pattern, text), text)


def new_plot(driver, program):
    """Waits for the plot, as the page draws it, to differ from the one before: a digest, for a
    message short enough to read."""
    program.plot = until("a plot unlike the one before", lambda: hash(driver.execute_script(
        "const plot = document.getElementById('sweep-plot');"
        "if (!plot.complete || !plot.naturalWidth) return null;"
        "const canvas = document.createElement('canvas');"
        "[canvas.width, canvas.height] = [plot.naturalWidth, plot.naturalHeight];"
        "canvas.getContext('2d').drawImage(plot, 0, 0);"
        "return canvas.toDataURL();")), lambda plot: plot not in (hash(None),
                                                                   getattr(program, "plot", 0)))


def told_where(driver, program):
    # Under Wine, in the user's local application data, which Windows keeps to the user.
    where = "" if program.wine else f"{program.password_file}\n"
    until("standard error to say where the password is", program.stderr, lambda seen: (
        f"saa1057-panel: the web page on 0.0.0.0:{program.port} asks for the password in "
        f"{where}") in seen)
    password, mode = program.password(), stat.S_IMODE(os.stat(program.password_file).st_mode)
    check("a password of 12 characters made up, mode 0600", (len(password), mode) ==
          (12, 0o600 if not program.wine else mode), (password, oct(mode)))


def through_nginx(driver, program):
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    nginx(program.after, f"127.0.0.1:{port}", program.port)
    driver.get(f"https://localhost:{port}/")


def on_page(driver, run, *options, **keywords):
    """The run played on the page of the program started with `options` and Program's keywords;
    what it opened (other pages, nginx) closed after."""
    def close_other_pages():
        for window in driver.window_handles[1:]:
            driver.switch_to.window(window)
            driver.close()
        driver.switch_to.window(driver.window_handles[0])

    def test(program):
        with contextlib.ExitStack() as program.after:
            program.after.callback(close_other_pages)
            driver.get_log("browser")  # what a run before left in the console is not this one's
            driver.get(f"http://127.0.0.1:{program.port}/")
            play(driver, program, tables(os.path.join(HERE, "page_runs.txt"))[run])
    run_on_program(PROGRAM, run, test, *options, **keywords)


options = webdriver.ChromeOptions()
options.accept_insecure_certs = True  # the TLS proxy's certificate is made by the test
options.arguments.extend(["--headless=new", "--no-sandbox"])
options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": 360, "height": 740, "deviceScaleFactor": 2, "mobile": True})
    with tempfile.TemporaryDirectory() as folder:
        on_page(browser, "the page tuned", "--trace", f"{folder}/bus.vcd", rigctld=True)
        sent = bus_words(f"{folder}/bus.vcd")
    expected = [line.split()[0] for line in golden(os.path.join(HERE, "page_words.txt"))]
    check("the words on the bus", sent == expected, f"expected {expected}\n  sent     {sent}")
    on_page(browser, "a sweep from the page", "--headless", "--lock", "--word-b", "test=lock")
    on_page(browser, "the stations", "--headless")
    on_page(browser, "the page behind its password", "--headless", host="0.0.0.0")
finally:
    browser.quit()
finish()
