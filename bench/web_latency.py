#!/usr/bin/python3
"""Times the tuning page against the headless program in Release: a click on the page to Word A
on the wire, a rigctld F to the page showing it, and the program's memory with and without
--http. Prints its rows of run_benchmarks.py's table; exits non-zero only when it cannot measure.

Usage: web_latency.py BUILD_DIR   (Debian's python3 with python3-selenium, chromium and
chromium-driver: scripts/install-deps.sh bench)
"""
# Debian's python3 by name: python3-selenium is installed for it, not for another python3 that may
# come first on the PATH.
import os
import queue
import socket
import statistics
import subprocess
import sys
import threading
import time

from selenium import webdriver
from selenium.common.exceptions import TimeoutException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.wait import WebDriverWait

from run_benchmarks import free_port, row, table, wait_for_port

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
PROGRAM = os.path.join(BUILD, "app", "saa1057-panel")
WARM_UP, SAMPLES = 20, 220
WAIT_S = 2  # for a word or a page that does not come
SETTLE_S = 2  # after start-up, before memory is read
GOAL_MS, MEMORY_GOAL = 50, 0.10
TLS_FILES = ("/plugins/tls/", "/libssl.so", "/libcrypto.so")

# What the page records, in wall-clock milliseconds as time.time() gives them: its click events
# (before the button's own handler) and every change of the frequency it shows.
RECORDERS = """
window.clicks = [];
window.shown = [];
const now = () => performance.timeOrigin + performance.now();
document.addEventListener("click", () => clicks.push(now()), true);
const frequency = document.getElementById("frequency");
new MutationObserver(() => shown.push([now(), frequency.textContent]))
  .observe(frequency, {childList: true, characterData: true, subtree: true});
"""


class Failure(Exception):
    pass


class Program:
    """The headless program, each line of its standard output stamped as it arrives."""

    def __init__(self, *options):
        self.process = subprocess.Popen([PROGRAM, "--headless", "--simulate", *options],
                                        stdout=subprocess.PIPE, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        try:
            self.word_a("N 11690,")  # start-up's word
        except Failure:
            self.end()
            raise

    def _read(self):
        for line in self.process.stdout:
            self.lines.put((time.monotonic(), time.time() * 1000, line))

    def word_a(self, divider_text):
        """Stamps (monotonic s, wall ms) of the next "Word A ... N 11700, ..." line."""
        deadline = time.monotonic() + WAIT_S
        while True:
            try:
                mono, wall, line = self.lines.get(timeout=max(0, deadline - time.monotonic()))
            except queue.Empty:
                raise Failure(f"the program logged no Word A with {divider_text} within "
                              f"{WAIT_S} s") from None
            if line.startswith("Word A") and divider_text in line:
                return mono, wall

    def memory_kib(self):
        with open(f"/proc/{self.process.pid}/status") as f:
            fields = dict(line.split(":", 1) for line in f)
        return tuple(int(fields[name].split()[0]) for name in ("VmRSS", "VmHWM"))

    def tls_kib(self):
        """The resident part of Qt's TLS plugins and the OpenSSL they load."""
        kib, tls = 0, False
        with open(f"/proc/{self.process.pid}/smaps") as f:
            for line in f:
                fields = line.split()
                if not fields[0].endswith(":"):  # a mapping's address range, ..., its path
                    tls = any(name in fields[-1] for name in TLS_FILES)
                elif fields[0] == "Rss:" and tls:
                    kib += int(fields[1])
        return kib

    def settled_memory_kib(self):
        time.sleep(SETTLE_S)
        return self.memory_kib()

    def end(self):
        self.process.terminate()
        self.process.wait()


def browser():
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--window-size=390,844"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def open_page(driver, port):
    driver.get(f"http://127.0.0.1:{port}/")
    try:
        WebDriverWait(driver, WAIT_S).until(
            lambda d: d.find_element(By.ID, "frequency").text == "106.2" and
            d.find_element(By.ID, "step-up").is_enabled())
    except TimeoutException:
        raise Failure(f"the page did not show the panel's 106.2 MHz within {WAIT_S} s") from None
    driver.execute_script(RECORDERS)


def median_p99(samples):
    return statistics.median(samples), statistics.quantiles(samples, n=100)[98]


def clicks_to_wire(driver, program):
    """Per click: (WebDriver's click to the wire, to the page's click event, event to the wire)."""
    buttons = [(driver.find_element(By.ID, "step-up"), "N 11700,", "106.3"),
               (driver.find_element(By.ID, "step-down"), "N 11690,", "106.2")]
    starts, ends = [], []
    seen = len(driver.execute_script("return shown"))
    for i in range(WARM_UP + SAMPLES):
        button, divider_text, text = buttons[i % 2]  # up and back: never at the end of the range
        start = time.monotonic(), time.time() * 1000
        button.click()
        end = program.word_a(divider_text)
        # The next step counts from the divider the page shows.
        seen = shown_after(driver, seen, text)[1]
        if i >= WARM_UP:
            starts.append(start)
            ends.append(end)
    events = driver.execute_script("return clicks")[WARM_UP:]
    if len(events) != SAMPLES:
        raise Failure(f"the page saw {len(events) + WARM_UP} clicks, not {WARM_UP + SAMPLES}")
    return ([(end[0] - start[0]) * 1000 for start, end in zip(starts, ends)],
            [event - start[1] for start, event in zip(starts, events)],
            [end[1] - event for event, end in zip(events, ends)])


def shown_after(driver, seen, text):
    """The time the page first showed `text` past its first `seen` changes, and their count."""
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        changes = driver.execute_script("return shown")
        for index in range(seen, len(changes)):
            if changes[index][1] == text:
                return changes[index][0], index + 1
        time.sleep(0.005)
    raise Failure(f"the page did not show {text} MHz within {WAIT_S} s")


def rigctld_to_page(driver, program, port):
    """Per F: (F to the page showing it, F to the wire, the wire to the page)."""
    tunings = [(96_100_000, "96.1", "N 10680,"), (96_200_000, "96.2", "N 10690,")]
    total, to_wire, to_page = [], [], []
    seen = len(driver.execute_script("return shown"))
    with socket.create_connection(("127.0.0.1", port)) as client, client.makefile("rw") as rig:
        for i in range(WARM_UP + SAMPLES):
            hz, text, divider_text = tunings[i % 2]
            start = time.time() * 1000
            rig.write(f"F {hz}\n")
            rig.flush()
            answer = rig.readline().strip()
            if answer != "RPRT 0":
                raise Failure(f"rigctld answered F {hz} with {answer!r}")
            wire = program.word_a(divider_text)[1]
            shown, seen = shown_after(driver, seen, text)
            if i >= WARM_UP:
                total.append(shown - start)
                to_wire.append(wire - start)
                to_page.append(shown - wire)
    return total, to_wire, to_page


def latency_rows(what, total, parts):
    median, p99 = median_p99(total)
    row(f"web: {what} (median)", f"{median:.1f} ms", "", "", "(reference)", True)
    row(f"web: {what} (99th percentile)", f"{p99:.1f} ms", "", "", f"< {GOAL_MS} ms",
        p99 < GOAL_MS)
    for name, samples in parts:
        part_median, part_p99 = median_p99(samples)
        row(f"  of which {name}", f"{part_median:.1f} ms", f"p99 {part_p99:.1f} ms", "",
            "(part)", True)


def mib(kib):
    return f"VmRSS {kib[0] / 1024:.1f} MiB, VmHWM {kib[1] / 1024:.1f} MiB"


def memory_rows(without, cases, tls_kib):
    row("web: memory settled after start, without --http", mib(without), "", "", "(reference)",
        True)
    for what, kib in cases:
        growth = [ours / theirs - 1 for ours, theirs in zip(kib, without)]
        row(f"web: memory {what}", mib(kib), "without --http",
            f"{growth[0]:+.1%} / {growth[1]:+.1%}", f"<= +{MEMORY_GOAL:.0%}",
            max(growth) <= MEMORY_GOAL)
    row("  of which OpenSSL and Qt's TLS plugins, resident", f"{tls_kib / 1024:.1f} MiB",
        "without --http", f"{tls_kib / without[0]:+.1%}", "(part)", True)


def settled_without_and_with(rounds=3):
    """Medians over alternating runs, so drift hits both alike."""
    samples = {"without": [], "with": []}
    for _ in range(rounds):
        for name, options in (("without", ()), ("with", ("--http", f"127.0.0.1:{free_port()}"))):
            program = Program("--rigctld", f"127.0.0.1:{free_port()}", *options)
            try:
                samples[name].append(program.settled_memory_kib())
            finally:
                program.end()
    return [tuple(statistics.median(s[i] for s in samples[name]) for i in (0, 1))
            for name in ("without", "with")]


def measure():
    without, with_http = settled_without_and_with()
    http_port, rigctld_port = free_port(), free_port()
    program = Program("--http", f"127.0.0.1:{http_port}", "--rigctld", f"127.0.0.1:{rigctld_port}")
    driver = None
    try:
        wait_for_port(http_port, program.process)
        driver = browser()
        open_page(driver, http_port)
        total, to_event, event_to_wire = clicks_to_wire(driver, program)
        with_page, tls_kib = program.settled_memory_kib(), program.tls_kib()
        latency_rows("click to Word A on the wire, WebDriver's round trip included", total,
                     [("WebDriver's click until the page's click event", to_event),
                      ("the page's click event to the wire", event_to_wire)])
        total, to_wire, to_page = rigctld_to_page(driver, program, rigctld_port)
        latency_rows("rigctld F to the page showing it", total,
                     [("F to Word A on the wire", to_wire),
                      ("the wire to the page showing it", to_page)])
    finally:
        if driver:
            driver.quit()
        program.end()
    memory_rows(without, [("with --http, no page", with_http),
                          ("with --http, one page open, after the clicks", with_page)], tls_kib)


def main():
    try:
        measure()
    except (Failure, RuntimeError, OSError, WebDriverException) as error:
        print(f"web_latency: {error}", file=sys.stderr)
        return 1
    print(table())
    return 0


if __name__ == "__main__":
    sys.exit(main())
