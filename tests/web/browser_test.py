#!/usr/bin/python3
# (Debian's python3-selenium is installed for Debian's own Python, not any other on the PATH.)
"""The page in headless chromium, on the program with its window: tuned from the page, from
rigctl and from a second page, the words on the bus decoded by sigrok, laid out for a phone,
named for screen readers, a clean console; where the panel reads a lock line, a sweep stopped
part-way, then one with its plot and rows; stations saved, tapped, renamed, deleted and
downloaded, a second page following; then on 0.0.0.0, behind its password, and so again
through nginx with TLS, configured as the README shows. Last, a page from another site posts a
tuning to rigctld's port, which must carry out none of it.

Usage: browser_test.py [wine] PROGRAM
"""
import hashlib
import http.server
import os
import re
import stat
import subprocess
import sys
import socket
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

from web_support import (Failed, Program, Rigctld, check, finish, program_command,
                         run_on_program, until)

PROGRAM = program_command(sys.argv[1:])
GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "page_words.txt")
SPI = ("spi:clk=CLB:mosi=DATA:cs=DLEN:cs_polarity=active-high:cpol=0:cpha=0:bitorder=msb-first:"
       "wordsize=17")


def shows(driver, expected, seconds=5):
    for element, value in expected.items():
        until(f"#{element} to show {value!r}", lambda: [e.text for e in driver.find_elements(
            By.ID, element)], lambda seen: seen == [value], seconds)


def click(element):
    return lambda driver: driver.find_element(By.ID, element).click()


def enter(field, value, submit):
    def act(driver):
        driver.find_element(By.ID, field).clear()
        driver.find_element(By.ID, field).send_keys(value)
        driver.find_element(By.ID, submit).click()
    return act


# (what the user does, what the page then shows); the words sent are in page_words.txt.
STEPS = [
    (lambda driver: None, {"frequency": "106.2", "word-a": "0010110110101010"}),
    (click("step-up"), {"frequency": "106.3", "divider": "11700", "word-a": "0010110110110100"}),
    (enter("typed", "96.1", "tune-typed"), {"frequency": "96.1", "word-a": "0010100110111000"}),
    (click("refh"), {"refh-caption": "1.25 Khz Reference frequency"}),
    (lambda driver: Select(driver.find_element(By.ID, "current")).select_by_visible_text("0.23"),
     {"word-b": "1110010100000000"}),
    (click("send"), {}),
]


def check_phone_layout(driver, page):
    width = driver.execute_script("const e = document.scrollingElement;"
                                  "return [e.scrollWidth, e.clientWidth]")
    check(f"{page} at 360x740: no horizontal scroll", width[0] <= width[1], width)
    nameless = [e.get_attribute("id") for e in driver.find_elements(
        By.CSS_SELECTOR, "button, input, select")
        if e.is_displayed() and not e.accessible_name.strip()]
    check(f"{page}: every control has an accessible name", not nameless, nameless)


def tuning_run(driver, trace):
    program = Program(PROGRAM, "--trace", trace, rigctld=True)
    rigctld = program.rigctld_port
    try:
        driver.get(f"http://127.0.0.1:{program.port}/")
        for act, expected in STEPS:
            act(driver)
            shows(driver, expected)
        until("the information line's tooltip to tell of that Word B loaded",
              lambda: driver.find_element(By.ID, "status").get_attribute("title"),
              lambda seen: "Word B REFH 1.25 kHz, current 0.23 mA, SLA asynchronous" in seen)
        check_phone_layout(driver, "the tuning page")
        check("no sweep offered without a lock line",
              not driver.find_element(By.ID, "sweep-card").is_displayed())
        subprocess.run(["rigctl", "-m", "2", "-r", f"127.0.0.1:{rigctld}", "F", "100000000"],
                       check=True, capture_output=True, timeout=20)
        shows(driver, {"frequency": "100"}, seconds=1)
        first = driver.current_window_handle
        driver.switch_to.new_window("window")
        driver.get(f"http://127.0.0.1:{program.port}/")
        shows(driver, {"frequency": "100"})
        click("page-up")(driver)
        second = driver.current_window_handle
        for window in (second, first):  # the page clicked and the other alike
            driver.switch_to.window(window)
            shows(driver, {"frequency": "101", "word-a": "0010101110100010"})
        # One log for every window; security violations are errors too.
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        check("no errors in the console", not errors, errors)
        driver.switch_to.window(second)
        driver.close()
        driver.switch_to.window(first)
    finally:
        status, errors = program.end()
    check("SIGTERM ends the panel with 0", status == 0, errors)
    decoded = subprocess.run(["sigrok-cli", "-I", "vcd:compress=1000", "-i", trace, "-A",
                              "spi=mosi-data", "-P", SPI], capture_output=True,
                             text=True, timeout=60, check=True).stdout.split()[1::2]
    sent = [format(int(word, 16), "017b") for word in decoded]
    with open(GOLDEN, encoding="utf-8") as golden:
        expected = [line.split()[0] for line in golden if line.strip() and line[0] != "#"]
    check("the words on the bus", sent == expected, f"expected {expected}\n  sent     {sent}")


def downloaded(driver, link):
    """The text of the file that the link `link` downloads."""
    with tempfile.TemporaryDirectory() as downloads:
        driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                               {"behavior": "allow", "downloadPath": downloads})
        click(link)(driver)
        saved = os.path.join(downloads, driver.find_element(By.ID, link).get_attribute("download"))
        until(f"{link}'s download", lambda: os.path.exists(saved), bool)
        with open(saved, encoding="utf-8") as file:
            return file.read()


def notes(driver):
    return [e.text for e in driver.find_elements(By.CSS_SELECTOR, "#sweep-notes li")]


def plot_drawn(driver):
    """A digest of the plot's pixels as the page draws it: None until it has loaded."""
    drawn = driver.execute_script(
        "const plot = document.getElementById('sweep-plot');"
        "if (!plot.complete || !plot.naturalWidth) return null;"
        "const canvas = document.createElement('canvas');"
        "[canvas.width, canvas.height] = [plot.naturalWidth, plot.naturalHeight];"
        "canvas.getContext('2d').drawImage(plot, 0, 0);"
        "return canvas.toDataURL();")
    return drawn and hashlib.sha256(drawn.encode()).hexdigest()[:16]


def stopped_from_the_page(driver):
    """The whole band, stopped with the card's button: its progress while it runs, the field
    held, then the steps it kept. Returns its plot."""
    click("sweep")(driver)
    until("the progress on the page", lambda: driver.find_element(By.ID, "sweep-progress").text,
          lambda seen: re.fullmatch(r"sweeping: \d+ of 571 steps, at \d+\.\d\d MHz", seen))
    shows(driver, {"sweep": "Stop"})
    check("the dividers held while it sweeps",
          not driver.find_element(By.ID, "sweep-range").is_enabled())
    click("sweep")(driver)
    shows(driver, {"sweep": "Sweep", "sweep-progress": "", "frequency": "106.2"})
    until("the stop's note", lambda: notes(driver), lambda seen: len(seen) == 1 and
          re.fullmatch(r"the sweep stopped after \d+ of 571 steps", seen[0]))
    return until("the stopped sweep's plot", lambda: plot_drawn(driver), bool)


def sweep_run(driver):
    """The whole band stopped part-way, then the top edge of the simulated oscillator's range
    swept from the page (as in page_sweep_edges.csv, by hand from its numbers)."""
    program = Program(PROGRAM, "--headless", "--lock", "--word-b", "test=lock")
    try:
        driver.get(f"http://127.0.0.1:{program.port}/")
        shows(driver, {"sweep": "Sweep", "sweep-progress": ""})
        check("the range field holds the whole band by the slider's step, in MHz",
              driver.find_element(By.ID, "sweep-range").get_attribute("value") == "63-120/0.1")
        stopped_plot = stopped_from_the_page(driver)
        enter("sweep-range", "117.6-118/0.2", "sweep")(driver)
        until("the summary", lambda: driver.find_element(By.ID, "sweep-summary").text,
              lambda seen: seen.startswith("locks from 117.60 to 117.80 MHz, slowest "), 30)
        shows(driver, {"sweep": "Sweep", "sweep-progress": "", "frequency": "106.2"})
        check("the last sweep's notes gone with it", notes(driver) == [], notes(driver))
        until("this sweep's plot in place of the last one's", lambda: plot_drawn(driver),
              lambda seen: seen and seen != stopped_plot)
        width = driver.execute_script("return document.getElementById('sweep-plot').naturalWidth")
        check("the plot drawn", width == 720, width)
        columns = [row.split(",")[:4] for row in downloaded(driver, "sweep-csv").split()]
        check("the rows offered for download", columns == [
            ["n", "oscillator_mhz", "received_mhz", "locked"], ["12830", "128.30", "117.60", "1"],
            ["12850", "128.50", "117.80", "1"], ["12870", "128.70", "118.00", "0"]], columns)
        check_phone_layout(driver, "the page with a sweep's plot")
        enter("sweep-range", "7000N-8000N", "sweep")(driver)
        shows(driver, {"sweep-refused": "Cannot sweep 7000N-8000N: 7000N is outside the band, "
                                        "63.00 to 120.00 MHz, dividers 7370N to 13070N",
                       "refused": ""})
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        check("no errors in the console with the plot", not errors, errors)
    finally:
        status, errors = program.end()
    check("SIGTERM ends the swept panel with 0", status == 0, errors)


def stations_seen(driver):
    return driver.execute_script("return [...document.querySelectorAll('.station')].map("
                                 "b => [b.firstChild.textContent, b.lastChild.textContent,"
                                 " b.getAttribute('aria-current')])")


def on_both(driver, windows, what, expected):
    for window in windows:
        driver.switch_to.window(window)
        until(f"{what} on both pages", lambda: stations_seen(driver), lambda s: s == expected)
    driver.switch_to.window(windows[0])


def stations_run(driver):
    """Saved, tapped, renamed and deleted on one page while a second page follows; the CSV."""
    program = Program(PROGRAM, "--headless")
    try:
        driver.get(f"http://127.0.0.1:{program.port}/")
        first = driver.current_window_handle
        driver.switch_to.new_window("window")
        driver.get(f"http://127.0.0.1:{program.port}/")
        windows = [first, driver.current_window_handle]
        on_both(driver, windows, "no stations", [])
        enter("station-name", "Radio 4", "save-station")(driver)
        on_both(driver, windows, "the station saved", [["Radio 4", "106.2 MHz", "true"]])
        click("page-up")(driver)
        on_both(driver, windows, "another frequency", [["Radio 4", "106.2 MHz", "false"]])
        check_phone_layout(driver, "the page with a station")
        driver.find_element(By.CSS_SELECTOR, ".station").click()
        shows(driver, {"frequency": "106.2"})
        driver.find_element(By.CSS_SELECTOR, ".station-rename").click()
        driver.switch_to.alert.send_keys("Four")
        driver.switch_to.alert.accept()
        on_both(driver, windows, "the station renamed", [["Four", "106.2 MHz", "true"]])
        check("the stations offered for download",
              downloaded(driver, "stations-csv") == "name,mhz\nFour,106.2\n")
        driver.find_element(By.CSS_SELECTOR, ".station-delete").click()
        driver.switch_to.alert.accept()
        on_both(driver, windows, "the station deleted", [])
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        check("no errors in the console with stations", not errors, errors)
        driver.switch_to.window(windows[1])
        driver.close()
        driver.switch_to.window(first)
    finally:
        status, errors = program.end()
    check("SIGTERM ends the panel with stations with 0", status == 0, errors)


def password_run(driver):
    program = Program(PROGRAM, "--headless", host="0.0.0.0")
    try:
        # Under Wine, in the user's local application data, which Windows keeps to the user.
        where = "" if program.wine else f"{program.password_file}\n"
        until("standard error to say where the password is", program.stderr, lambda seen: (
            f"saa1057-panel: the web page on 0.0.0.0:{program.port} asks for the password in "
            f"{where}") in seen)
        password, mode = program.password(), stat.S_IMODE(os.stat(program.password_file).st_mode)
        check("a password of 12 characters made up, mode 0600", (len(password), mode) ==
              (12, 0o600 if not program.wine else mode), (password, oct(mode)))
        driver.get(f"http://127.0.0.1:{program.port}/")
        shows(driver, {"login-message": ""})
        check_phone_layout(driver, "the login page")
        for attempt, message in [("wrong", "Wrong password"),
                                 (password, "Too many tries: wait 1 second")]:
            enter("password", attempt, "login")(driver)
            shows(driver, {"login-message": message})
        time.sleep(1.1)
        for act, expected in [(enter("password", password, "login"), {"frequency": "106.2"}),
                              (click("step-up"), {"frequency": "106.3"})]:
            act(driver)
            shows(driver, expected)
    finally:
        status, errors = program.end()
    check("SIGTERM ends the panel behind a password with 0", status == 0, errors)


README = os.path.join(os.path.dirname(GOLDEN), "..", "..", "README.md")


def nginx_config(folder, port, panel_port):
    """The README's server block for a certificate made here, on 127.0.0.1:PORT, in front of the
    panel's port; whole, with what a server of its own needs around it."""
    with open(README, encoding="utf-8") as readme:
        block = re.search(r"\n    server \{\n(?:    .*\n)+?    \}\n", readme.read())[0]
    key, certificate = os.path.join(folder, "box.key"), os.path.join(folder, "box.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
                    "-keyout", key, "-out", certificate], check=True, capture_output=True)
    for ours, here in [("listen 443", f"listen 127.0.0.1:{port}"),
                       ("raspberrypi.local;", "localhost;"),
                       ("/etc/ssl/certs/raspberrypi.local.pem", certificate),
                       ("/etc/ssl/private/raspberrypi.local.key", key),
                       ("127.0.0.1:8080", f"127.0.0.1:{panel_port}")]:
        check(f"the README's nginx block holds {ours}", ours in block, block)
        block = block.replace(ours, here)
    # Workers that may run as nobody write no temporary files in the test's private folder.
    return (f"daemon off; pid {folder}/nginx.pid; error_log {folder}/error.log;\n"
            f"events {{}}\nhttp {{ access_log off; proxy_max_temp_file_size 0;\n{block}}}\n")


def tls_proxy_run(driver):
    def test(program):
        with tempfile.TemporaryDirectory() as folder:
            with socket.socket() as probe:
                probe.bind(("127.0.0.1", 0))
                port = probe.getsockname()[1]
            with open(os.path.join(folder, "nginx.conf"), "w", encoding="utf-8") as conf:
                conf.write(nginx_config(folder, port, program.port))
            nginx = subprocess.Popen(["nginx", "-p", folder, "-c", "nginx.conf"],
                                     stderr=subprocess.PIPE, text=True)
            try:
                until("nginx to listen", lambda: nginx.poll() is None and
                      socket.socket().connect_ex(("127.0.0.1", port)) == 0, bool)
                until("standard error to say where the password is", program.stderr,
                      lambda seen: "asks for the password in" in seen)
                driver.get(f"https://localhost:{port}/")
                for act, expected in [(enter("password", program.password(), "login"),
                                       {"frequency": "106.2"}),
                                      (click("step-up"), {"frequency": "106.3"})]:
                    act(driver)
                    shows(driver, expected)
            finally:
                nginx.terminate()
                check("nginx ran until ended", nginx.wait() == 0, nginx.stderr.read())
    run_on_program(PROGRAM, "the page through nginx with TLS", test, "--headless",
                   host="0.0.0.0")


def cross_protocol_run(driver):
    """What any site the owner visits can make the browser send: a POST whose body is a rigctld
    command, in no-cors mode, from a page served on another loopback port."""
    def test(program):
        script = (f'fetch("http://127.0.0.1:{program.rigctld_port}/", {{method: "POST", '
                  'mode: "no-cors", body: "F 88000000\\n"}).finally(() => '
                  '{ document.title = "posted"; });')
        page = f"<!doctype html><title>stranger</title><script>{script}</script>".encode()

        class Stranger(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.end_headers()
                self.wfile.write(page)

            def log_message(self, *args):
                pass

        site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Stranger)
        threading.Thread(target=site.serve_forever, daemon=True).start()
        try:
            driver.get(f"http://127.0.0.1:{site.server_port}/")
            until("the stranger's post to end", lambda: driver.title, lambda t: t == "posted")
        finally:
            site.shutdown()
        with Rigctld(program.rigctld_port) as rig:
            said = rig.ask(b"f\n").decode()
        check(f"the post tuned nothing: rigctld reads {said!r}", said == "106200000\n")
    run_on_program(PROGRAM, "a stranger's post to rigctld", test, "--headless", rigctld=True)


options = webdriver.ChromeOptions()
options.accept_insecure_certs = True  # the TLS proxy's certificate is made by the test
for argument in ("--headless=new", "--no-sandbox"):
    options.add_argument(argument)
options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": 360, "height": 740, "deviceScaleFactor": 2, "mobile": True})
    with tempfile.TemporaryDirectory() as folder:
        tuning_run(browser, os.path.join(folder, "bus.vcd"))
    sweep_run(browser)
    stations_run(browser)
    password_run(browser)
    tls_proxy_run(browser)
    cross_protocol_run(browser)
except Failed as failure:
    check("the page", False, failure)
finally:
    browser.quit()
finish()
