#!/usr/bin/env python3
"""Drives the phone page in headless Chromium at a phone's size: Start, then Complete with a note."""
import argparse
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ec
from selenium.webdriver.support.ui import WebDriverWait


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--slip", required=True)
    parser.add_argument("--note", required=True)
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
        slip = args.slip
        start = wait.until(ec.element_to_be_clickable((By.CSS_SELECTOR, f'button[data-action="start"][data-slip="{slip}"]')))
        if "#t=" in driver.current_url:
            sys.exit("the token stayed in the address bar")
        width = driver.execute_script("return document.documentElement.scrollWidth")
        if width > 360:
            sys.exit(f"the page is {width} px wide")
        for button in driver.find_elements(By.CSS_SELECTOR, "button"):
            if button.is_displayed() and button.size["height"] < 48:
                sys.exit(f"a button {button.text!r} is only {button.size['height']} px high")
        start.click()
        wait.until(ec.text_to_be_present_in_element((By.CSS_SELECTOR, f"#slip-{slip} .status"), "In Progress"))
        wait.until(ec.text_to_be_present_in_element((By.ID, "heard"), "Last heard from the office"))
        driver.save_screenshot(args.screenshot)

        driver.find_element(By.CSS_SELECTOR, f'button[data-action="show-note"][data-slip="{slip}"]').click()
        note = wait.until(ec.visibility_of_element_located((By.ID, f"note-{slip}")))
        note.send_keys(args.note)
        driver.find_element(By.CSS_SELECTOR, f'button[data-action="complete"][data-slip="{slip}"]').click()
        wait.until(ec.invisibility_of_element_located((By.ID, f"slip-{slip}")))
        print("OK")
    finally:
        driver.quit()


if __name__ == "__main__":
    main()
