#!/usr/bin/env python3
"""Drives the phone page in headless Chromium at a phone's size, on one of three stories:

lost      Start, then Complete with a note whose answer is lost on the way; the page, reloaded, sends it again
          and shows "Completed".
office    Start on a slip the office has changed and not saved: answered at once although the board's question
          follows; the office says No and saves, and the phone's next look shows the slip as the office keeps it.
closebox  Start while the board's close-box question is open.

The test that runs it waits for the files this script writes into --signals ("started"), and writes nothing back:
what the office does is seen on the page.
"""
import argparse
import pathlib
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ec
from selenium.webdriver.support.ui import WebDriverWait


def button(driver, wait, action, slip):
    return wait.until(ec.element_to_be_clickable((By.CSS_SELECTOR, f'button[data-action="{action}"][data-slip="{slip}"]')))


def message(slip):
    return (By.CSS_SELECTOR, f"#slip-{slip} .message")


def check_layout(driver):
    if "#t=" in driver.current_url:
        sys.exit("the token stayed in the address bar")
    width = driver.execute_script("return document.documentElement.scrollWidth")
    if width > 360:
        sys.exit(f"the page is {width} px wide")
    for b in driver.find_elements(By.CSS_SELECTOR, "button"):
        if b.is_displayed() and b.size["height"] < 48:
            sys.exit(f"a button {b.text!r} is only {b.size['height']} px high")


def start(driver, wait, slip):
    """Taps Start and returns how long the office took to answer, in milliseconds."""
    button(driver, wait, "start", slip).click()
    wait.until(ec.text_to_be_present_in_element(message(slip), "Started 09:00"))
    return driver.execute_script(
        "const e = performance.getEntriesByType('resource').filter(r => r.name.endsWith(arguments[0])).pop();"
        "return e ? e.responseEnd - e.requestStart : 1e9;", f"/api/slip/{slip}/start")


def lost(driver, wait, slip, note):
    start(driver, wait, slip)
    wait.until(ec.text_to_be_present_in_element((By.CSS_SELECTOR, f"#slip-{slip} .status"), "In Progress"))
    button(driver, wait, "show-note", slip).click()
    wait.until(ec.visibility_of_element_located((By.ID, f"note-{slip}"))).send_keys(note)
    # The office stores it; its answer never reaches the page.
    driver.execute_script(
        "const real = window.fetch; window.fetch = async (path, options) => {"
        "  const r = await real(path, options);"
        "  if (String(path).endsWith('/complete')) throw new TypeError('Failed to fetch');"
        "  return r; };")
    button(driver, wait, "complete", slip).click()
    wait.until(ec.text_to_be_present_in_element(message(slip), "Waiting to send"))
    if "Nothing was changed" in driver.page_source:
        sys.exit("the page said nothing was changed")
    driver.refresh()  # the page comes back without the broken answers and sends the change again
    wait.until(ec.text_to_be_present_in_element((By.ID, "done"), f"Slip {slip}: Completed 09:00"))
    wait.until(ec.invisibility_of_element_located((By.ID, f"slip-{slip}")))
    driver.refresh()  # the confirmation stays for the day
    wait.until(ec.text_to_be_present_in_element((By.ID, "done"), f"Slip {slip}: Completed 09:00"))


def network(driver, online):
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
        "offline": not online, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})


def offline(driver, wait, note):
    """A morning with no signal: Start and Complete on 1002, Start on 1001, made offline, kept through a reload,
    sent once each and in that order when the office answers again."""
    if not driver.execute_async_script("const done = arguments[0]; navigator.serviceWorker.ready.then(() => done(true));"
                                       "setTimeout(() => done(false), 10000);"):
        sys.exit("no service worker")
    network(driver, False)
    button(driver, wait, "start", "1002").click()
    wait.until(ec.text_to_be_present_in_element(message("1002"), "Waiting to send: Start."))
    button(driver, wait, "show-note", "1002").click()
    wait.until(ec.visibility_of_element_located((By.ID, "note-1002"))).send_keys(note)
    button(driver, wait, "complete", "1002").click()
    button(driver, wait, "start", "1001").click()
    wait.until(ec.text_to_be_present_in_element(message("1002"), "Waiting to send: Start, Complete."))
    wait.until(ec.text_to_be_present_in_element(message("1001"), "Waiting to send: Start."))
    # The page reloaded meanwhile, from the phone's own copy of its files.
    driver.refresh()
    if not driver.execute_script("return !!navigator.serviceWorker.controller"):
        sys.exit("the page was not opened by its service worker")
    wait.until(ec.text_to_be_present_in_element((By.ID, "asOf"), "As of "))
    wait.until(ec.text_to_be_present_in_element(message("1002"), "Waiting to send: Start, Complete."))
    wait.until(ec.text_to_be_present_in_element(message("1001"), "Waiting to send: Start."))
    network(driver, True)
    wait.until(ec.text_to_be_present_in_element((By.ID, "done"), "Slip 1001: Started 09:00"))
    done = driver.find_element(By.ID, "done").text.splitlines()
    if done != ["Slip 1002: Started 09:00", "Slip 1002: Completed 09:00", "Slip 1001: Started 09:00"]:
        sys.exit(f"sent as {done}")
    wait.until(ec.invisibility_of_element_located((By.ID, "asOf")))


def office(driver, wait, slip, signals):
    took = start(driver, wait, slip)
    print(f"Start answered in {took:.0f} ms")
    if took > 1000:
        sys.exit(f"Start was answered after {took:.0f} ms")
    (signals / "started").touch()
    for _ in range(60):
        driver.refresh()
        try:
            WebDriverWait(driver, 2).until(
                ec.text_to_be_present_in_element((By.CSS_SELECTOR, f"#slip-{slip} .office"), "Changed by the office 09:00"))
            break
        except Exception:
            time.sleep(0.5)
    else:
        sys.exit("the office's No was not shown")
    if driver.find_element(By.CSS_SELECTOR, f"#slip-{slip} .status").text != "Assigned":
        sys.exit("the slip is not shown as the office keeps it")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--scenario", choices=("lost", "office", "closebox", "offline"), required=True)
    parser.add_argument("--slip", default="1002")
    parser.add_argument("--note", default="Replaced the washer")
    parser.add_argument("--signals", required=True)
    parser.add_argument("--screenshot", required=True)
    args = parser.parse_args()

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--window-size=360,740", "--hide-scrollbars", "--no-proxy-server"):
        options.add_argument(flag)
    options.accept_insecure_certs = True  # the office's own certificate
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        # A phone's screen: 360 by 740 CSS pixels, touch, whatever the window around it.
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 360, "height": 740, "deviceScaleFactor": 1, "mobile": True})
        wait = WebDriverWait(driver, 30)
        driver.get(args.url)
        button(driver, wait, "start", args.slip)
        check_layout(driver)
        signals = pathlib.Path(args.signals)
        if args.scenario == "lost":
            lost(driver, wait, args.slip, args.note)
        elif args.scenario == "offline":
            offline(driver, wait, args.note)
        elif args.scenario == "office":
            office(driver, wait, args.slip, signals)
        else:
            start(driver, wait, args.slip)
            (signals / "started").touch()
        wait.until(ec.text_to_be_present_in_element((By.ID, "heard"), "Last heard from the office"))
        driver.save_screenshot(args.screenshot)
    finally:
        driver.quit()


if __name__ == "__main__":
    main()
