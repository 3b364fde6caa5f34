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
import re
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
from selenium.webdriver.remote.remote_connection import RemoteConnection
from selenium.webdriver.support.wait import WebDriverWait

from run_benchmarks import row, table

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build-bench"
PROGRAM = os.path.join(BUILD, "app", "saa1057-panel")
WARM_UP, SAMPLES = 20, 1000
WAIT_S = 2  # for a word, a line or a page that does not come
SETTLE_S = 2  # after start-up, before memory is read
END_S = 10  # for the program to end on SIGTERM before it is killed
WEBDRIVER_S = 60  # for any one WebDriver command, so that a hung browser ends the run
CLICK_GOAL_MS, RIGCTLD_GOAL_MS, MEMORY_GOAL = 10, 5, 0.05
TLS_FILES = ("/plugins/tls/", "/libssl.so", "/libcrypto.so")
# RssFile (the pages of code and read-only data touched, which other processes may share) and
# RssAnon (heap and stacks) tell what --http adds to VmRSS apart.
MEMORY_FIELDS = ("VmRSS", "VmHWM", "RssAnon", "RssFile")
LISTENING = re.compile(r"saa1057-panel: (.+) listens on 127\.0\.0\.1:(\d+)$")

# What the page records, in wall-clock milliseconds as time.time() gives them: its click events
# (before the button's own handler) and every change of the frequency it shows.
RECORDERS = """
window.clicks = [];
window.shown = [];
const now = () => performance.timeOrigin + performance.now();
document.addEventListener("click", (event) => clicks.push([now(), event.target.id]), true);
const frequency = document.getElementById("frequency");
new MutationObserver(() => shown.push([now(), frequency.textContent]))
  .observe(frequency, {childList: true, characterData: true, subtree: true});
"""

# The buttons' centres in the viewport, where DevTools' mouse events go, once the first is in
# view; null for one that something else would take a click at.
CENTRES = """
const buttons = arguments[0].map((id) => document.getElementById(id));
buttons[0].scrollIntoView({block: "center"});
return buttons.map((button) => {
  const box = button.getBoundingClientRect();
  const x = box.left + box.width / 2, y = box.top + box.height / 2;
  return document.elementFromPoint(x, y) === button ? [x, y] : null;
});
"""


# Answers once the browser has drawn what it has been given.
DRAWN = "requestAnimationFrame(() => setTimeout(arguments[0]));"

# Waits in the page for `text` past the first `seen` changes, so that nothing polls the page's
# thread while the state it times is on its way.
SHOWN_AFTER = """
const [seen, text, reply] = arguments;
// Answered once the browser has drawn what it showed, so that the next sample does not meet
// this one's drawing on the way.
const done = (found) => requestAnimationFrame(() => setTimeout(() => reply(found)));
const find = () => {
  for (let index = seen; index < shown.length; index++) {
    if (shown[index][1] === text) return [shown[index][0], index + 1];
  }
  return null;
};
const found = find();
if (found) {
  done(found);
} else {
  // After the recorder's observer, which was made first and so is told first.
  const observer = new MutationObserver(() => {
    const now_found = find();
    if (now_found) {
      observer.disconnect();
      done(now_found);
    }
  });
  observer.observe(document.getElementById("frequency"), {childList: true, characterData: true, subtree: true});
}
"""


class Failure(Exception):
    pass


class Program:
    """The headless program, each line of its standard output stamped as it arrives; the ports
    its standard error names, its other lines passed on."""

    def __init__(self, *options):
        self.process = subprocess.Popen([PROGRAM, "--headless", "--simulate", *options],
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                        bufsize=1)
        self.lines, self.ports, self.named = queue.Queue(), queue.Queue(), {}
        threading.Thread(target=self._read, daemon=True).start()
        threading.Thread(target=self._read_errors, daemon=True).start()
        try:
            self.word_a("N 11690,")  # start-up's word
        except Failure:
            self.end()
            raise

    def _read(self):
        for line in self.process.stdout:
            self.lines.put((time.monotonic(), time.time() * 1000, line))

    def _read_errors(self):
        for line in self.process.stderr:
            found = LISTENING.match(line.rstrip("\n"))
            if found:
                self.ports.put((found[1], int(found[2])))
            else:
                sys.stderr.write(line)

    def port(self, server):
        """The port that standard error says `server` ("web page") listens on."""
        deadline = time.monotonic() + WAIT_S
        while server not in self.named:
            try:
                name, port = self.ports.get(timeout=max(0, deadline - time.monotonic()))
            except queue.Empty:
                raise Failure(f"the program did not say where the {server} listens within "
                              f"{WAIT_S} s") from None
            self.named[name] = port
        return self.named[server]

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
        return tuple(int(fields[name].split()[0]) for name in MEMORY_FIELDS)

    def tls_files(self):
        """The files of OpenSSL and of Qt's TLS plugins that the program has mapped."""
        with open(f"/proc/{self.process.pid}/maps") as f:
            paths = {line.split()[-1] for line in f if len(line.split()) == 6}
        return {os.path.basename(path) for path in paths
                if any(name in path for name in TLS_FILES)}

    def settled_memory_kib(self):
        time.sleep(SETTLE_S)
        return self.memory_kib()

    def end(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=END_S)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(timeout=END_S)


def browser():
    RemoteConnection.set_timeout(WEBDRIVER_S)
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--window-size=390,844"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(WAIT_S)
    driver.set_script_timeout(WAIT_S)
    return driver


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


def centres(driver, buttons):
    found = driver.execute_script(CENTRES, buttons)
    for button, place in zip(buttons, found):
        if not place:
            raise Failure(f"#{button} is not what a click at its centre reaches")
    return found


def mouse(driver, kind, x, y):
    """A press or a release through DevTools: the browser's own input path, without the scripts
    and waits of chromedriver's element click, which cost it tens of milliseconds."""
    driver.execute_cdp_cmd("Input.dispatchMouseEvent", {
        "type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})


def clicks_to_wire(driver, program):
    """Per click: (the release to the wire, to the page's click event, that event to the wire)."""
    buttons = [("step-up", "N 11700,", "106.3"), ("step-down", "N 11690,", "106.2")]
    places = centres(driver, [button for button, _, _ in buttons])
    starts, ends = [], []
    seen = len(driver.execute_script("return shown"))
    for i in range(WARM_UP + SAMPLES):
        _, divider_text, text = buttons[i % 2]  # up and back: never at the end of the range
        mouse(driver, "mousePressed", *places[i % 2])
        # A finger rests a moment between press and release: the pressed look is drawn first.
        driver.execute_async_script(DRAWN)
        # The click is the release: timed from there, as a user's click is.
        start = time.monotonic(), time.time() * 1000
        mouse(driver, "mouseReleased", *places[i % 2])
        end = program.word_a(divider_text)
        # The next step counts from the divider the page shows.
        seen = shown_after(driver, seen, text)[1]
        if i >= WARM_UP:
            starts.append(start)
            ends.append(end)
    events = driver.execute_script("return clicks")
    targets = [target for _, target in events]
    if targets != [buttons[i % 2][0] for i in range(WARM_UP + SAMPLES)]:
        raise Failure(f"the page saw {len(targets)} clicks, not {WARM_UP + SAMPLES} on the two "
                      "buttons in turn")
    events = [stamp for stamp, _ in events[WARM_UP:]]
    return ([(end[0] - start[0]) * 1000 for start, end in zip(starts, ends)],
            [event - start[1] for start, event in zip(starts, events)],
            [end[1] - event for event, end in zip(events, ends)])


def shown_after(driver, seen, text):
    """The time the page first showed `text` past its first `seen` changes, and their count."""
    try:
        found = driver.execute_async_script(SHOWN_AFTER, seen, text)
    except TimeoutException:
        raise Failure(f"the page did not show {text} MHz within {WAIT_S} s") from None
    return found[0], found[1]


def rigctld_to_page(driver, program, port):
    """Per F: (F to the page showing it, F to the wire, the wire to the page)."""
    tunings = [(96_100_000, "96.1", "N 10680,"), (96_200_000, "96.2", "N 10690,")]
    total, to_wire, to_page = [], [], []
    seen = len(driver.execute_script("return shown"))
    with socket.create_connection(("127.0.0.1", port), timeout=WAIT_S) as client, \
            client.makefile("rw") as rig:
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


def latency_rows(what, goal_ms, total, parts):
    median, p99 = median_p99(total)
    row(f"web: {what} (median)", f"{median:.1f} ms", "", "", "(reference)", True)
    row(f"web: {what} (99th percentile)", f"{p99:.1f} ms", "", "", f"< {goal_ms} ms",
        p99 < goal_ms)
    for name, samples in parts:
        part_median, part_p99 = median_p99(samples)
        row(f"  of which {name}", f"{part_median:.1f} ms", f"p99 {part_p99:.1f} ms", "",
            "(part)", True)


def mib(kib):
    return f"VmRSS {kib[0] / 1024:.1f} MiB, VmHWM {kib[1] / 1024:.1f} MiB"


def memory_rows(without, cases, tls_files):
    row("web: memory settled after start, without --http", mib(without), "", "", "(reference)",
        True)
    for what, kib, goal in cases:
        growth = kib[0] / without[0] - 1
        row(f"web: memory {what}", mib(kib), "without --http", f"VmRSS {growth:+.1%}",
            f"VmRSS <= +{goal:.0%}" if goal else "(reference)", not goal or growth <= goal)
        row("  of which code and read-only data (RssFile), heap and stacks (RssAnon)",
            f"RssFile {(kib[3] - without[3]) / 1024:+.2f} MiB, "
            f"RssAnon {(kib[2] - without[2]) / 1024:+.2f} MiB", "without --http", "", "(part)",
            True)
    row("web: OpenSSL or Qt's TLS plugins mapped with --http",
        ", ".join(sorted(tls_files)) or "none", "", "", "none", not tls_files)


def settled_without_and_with(tls_files, rounds=3):
    """Medians over alternating runs, so drift hits both alike."""
    samples = {"without": [], "with": []}
    for _ in range(rounds):
        for name, options in (("without", ()), ("with", ("--http", "127.0.0.1:0"))):
            program = Program("--rigctld", "127.0.0.1:0", *options)
            try:
                samples[name].append(program.settled_memory_kib())
                if options:
                    tls_files |= program.tls_files()
            finally:
                program.end()
    return [tuple(statistics.median(s[i] for s in samples[name])
                  for i in range(len(MEMORY_FIELDS)))
            for name in ("without", "with")]


def measure():
    tls_files = set()
    without, with_http = settled_without_and_with(tls_files)
    program = Program("--http", "127.0.0.1:0", "--rigctld", "127.0.0.1:0")
    driver = None
    try:
        http_port = program.port("web page")
        rigctld_port = program.port("rigctld")
        driver = browser()
        open_page(driver, http_port)
        total, to_event, event_to_wire = clicks_to_wire(driver, program)
        with_page = program.settled_memory_kib()
        tls_files |= program.tls_files()
        latency_rows("click (DevTools release) to Word A on the wire", CLICK_GOAL_MS,
                     total, [("the release until the page's click event", to_event),
                             ("the page's click event to the wire", event_to_wire)])
        total, to_wire, to_page = rigctld_to_page(driver, program, rigctld_port)
        latency_rows("rigctld F to the page showing it", RIGCTLD_GOAL_MS, total,
                     [("F to Word A on the wire", to_wire),
                      ("the wire to the page showing it", to_page)])
    finally:
        if driver:
            driver.quit()
        program.end()
    # The goal is what serving costs; a page open pages in its files and what answers it.
    memory_rows(without, [("with --http, no page", with_http, MEMORY_GOAL),
                          ("with --http, one page open, after the clicks", with_page, None)],
                tls_files)


def main():
    # The thread that stamps the program's lines must not wait out the default 5 ms switch
    # interval while this one holds the interpreter.
    sys.setswitchinterval(0.0002)
    try:
        measure()
    except (Failure, RuntimeError, OSError, WebDriverException) as error:
        print(f"web_latency: {error}", file=sys.stderr)
        return 1
    print(table())
    return 0


if __name__ == "__main__":
    sys.exit(main())
