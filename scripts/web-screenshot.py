#!/usr/bin/python3
"""Makes docs/web-page.png: the tuning page on a phone's screen, served by the headless program on
the simulated synthesizer, in headless chromium.

Usage: scripts/web-screenshot.py [PROGRAM [OUT]]   (build/app/saa1057-panel, docs/web-page.png)
Re-runnable; needs chromium, chromium-driver, python3-selenium and imagemagick
(scripts/install-deps.sh screenshot).
"""
# Debian's python3 by name: python3-selenium is installed for it, not for another python3 that may
# come first on the PATH.
import os
import socket
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.wait import WebDriverWait

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build/app/saa1057-panel")
OUT = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs/web-page.png")
# A mid-size phone held upright, in CSS pixels, on a screen of twice the density.
PHONE = {"width": 390, "height": 844, "pixelRatio": 2, "mobile": True, "touch": True}
WAIT_S = 10
# A few of the owner's stations, as a spreadsheet would save them.
STATIONS = "name,mhz\nRadio 3,91.3\nLocal FM,98.5\nJazz,106.2\n"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def serving(port, program):
    deadline = time.monotonic() + WAIT_S
    while program.poll() is None and time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def main():
    port = free_port()
    folder = tempfile.TemporaryDirectory()
    stations = os.path.join(folder.name, "given.csv")
    with open(stations, "w", encoding="utf-8") as file:
        file.write(STATIONS)
    program = subprocess.Popen([PROGRAM, "--simulate", "--headless", "--http", f"127.0.0.1:{port}",
                                "--state", os.path.join(folder.name, "state"),
                                "--stations", stations], stdout=subprocess.DEVNULL)
    driver = None
    try:
        if not serving(port, program):
            sys.exit(f"web-screenshot: {PROGRAM} serves no page on 127.0.0.1:{port}")
        options = webdriver.ChromeOptions()
        for argument in ("--headless=new", "--no-sandbox", "--hide-scrollbars"):
            options.add_argument(argument)
        options.add_experimental_option("mobileEmulation", {"deviceMetrics": PHONE})
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.get(f"http://127.0.0.1:{port}/")
        WebDriverWait(driver, WAIT_S).until(
            lambda d: d.find_element(By.ID, "frequency").text == "106.2" and
            d.find_element(By.ID, "step-up").is_enabled() and
            d.find_element(By.ID, "stations-card").is_displayed(),
            "the page did not show the panel's 106.2 MHz")
        driver.save_screenshot(OUT)
    finally:
        if driver:
            driver.quit()
        program.terminate()
        program.wait()
        folder.cleanup()
    # A few colours on flat ground: a palette keeps the picture small.
    subprocess.run(["convert", OUT, "-strip", "-colors", "256", OUT], check=True)
    print(f"wrote {OUT}")


if __name__ == "__main__":
    main()
