#!/usr/bin/env python3
"""Drives the phone page in headless Chromium at a phone's size, on one of these stories:

lost      Start, then Complete with a note whose answer is lost on the way; the page, reloaded, sends it again
          and shows "Completed".
office    Start on a slip the office has changed and not saved: answered at once although the board's question
          follows; the office says No and saves, and the phone's next look shows the slip as the office keeps it.
closebox  Start while the board's close-box question is open.
offline   A morning with no signal: changes and a photo kept on the phone through a reload, sent once each on
          return; then a second photo and the customer's signature on the job, checked in the data folder (--root).

The test that runs it waits for the files this script writes into --signals ("started"), and writes nothing back:
what the office does is seen on the page.
"""
import argparse
import base64
import pathlib
import struct
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
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


def stored_once(root, note):
    completed = (pathlib.Path(root) / "CompletedServiceSlips.txt").read_bytes()
    if completed.count(note.encode()) != 1:
        sys.exit(f"the note is {completed.count(note.encode())} times among the completed slips")


def lost(driver, wait, slip, note, root):
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
    stored_once(root, note)


def network(driver, online):
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
        "offline": not online, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})


def offline(driver, wait, note, root):
    """A morning with no signal: Start and Complete on 1002, Start and a photo on 1001, made offline, kept through
    a reload, sent once each and in that order when the office answers again."""
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
    picture = pathlib.Path(tempfile.mkdtemp()) / "camera.jpg"
    camera_jpeg(driver, picture)
    driver.find_element(By.ID, "photo-1001").send_keys(str(picture))
    wait.until(ec.text_to_be_present_in_element(message("1002"), "Waiting to send: Start, Complete."))
    wait.until(ec.text_to_be_present_in_element(message("1001"), "Waiting to send: Start, a photo."))
    # The page reloaded meanwhile, from the phone's own copy of its files.
    driver.refresh()
    if not driver.execute_script("return !!navigator.serviceWorker.controller"):
        sys.exit("the page was not opened by its service worker")
    wait.until(ec.text_to_be_present_in_element((By.ID, "asOf"), "As of "))
    wait.until(ec.text_to_be_present_in_element(message("1002"), "Waiting to send: Start, Complete."))
    wait.until(ec.text_to_be_present_in_element(message("1001"), "Waiting to send: Start, a photo."))
    network(driver, True)
    wait.until(ec.text_to_be_present_in_element((By.ID, "done"), "Slip 1001: Photo sent"))
    done = driver.find_element(By.ID, "done").text.splitlines()
    done[-1] = done[-1][:-6]  # the phone's own time of the photo's answer
    if done != ["Slip 1002: Started 09:00", "Slip 1002: Completed 09:00", "Slip 1001: Started 09:00", "Slip 1001: Photo sent"]:
        sys.exit(f"sent as {done}")
    if len(list(pathlib.Path(root).glob("AuxFiles/*/Slip 1001/Photo *"))) != 1:
        sys.exit("the photo made offline was not stored once")
    stored_once(root, note)
    pictures(driver, wait, "1001", root, picture)
    left = driver.execute_async_script(
        "const done = arguments[0]; const r = indexedDB.open('vdPhone'); r.onsuccess = () => {"
        "const q = r.result.transaction('payloads').objectStore('payloads').getAllKeys(); q.onsuccess = () => done(q.result.length ? JSON.stringify(q.result) : 0); };")
    if left:
        sys.exit(f"pictures kept on the phone after they were sent: {left}")
    wait.until(ec.invisibility_of_element_located((By.ID, "asOf")))


def camera_jpeg(driver, path):
    """A camera's picture: 3000 x 2000 pixels as stored, with EXIF orientation 6 (to be turned a quarter right), so
    that it is seen 2000 x 3000."""
    data = driver.execute_async_script(
        "const done = arguments[0]; const c = document.createElement('canvas'); c.width = 3000; c.height = 2000;"
        "const g = c.getContext('2d'); const f = g.createLinearGradient(0, 0, 3000, 2000);"
        "f.addColorStop(0, '#c33'); f.addColorStop(1, '#33c'); g.fillStyle = f; g.fillRect(0, 0, 3000, 2000);"
        "c.toBlob(b => { const r = new FileReader(); r.onload = () => done(r.result.split(',')[1]);"
        "r.readAsDataURL(b); }, 'image/jpeg', 0.9);")
    jpeg = base64.b64decode(data)
    tiff = b"MM\x00\x2a\x00\x00\x00\x08" + struct.pack(">HHHIHHI", 1, 0x0112, 3, 1, 6, 0, 0)
    exif = b"Exif\x00\x00" + tiff
    after_app0 = 4 + struct.unpack(">H", jpeg[4:6])[0] if jpeg[2:4] == b"\xff\xe0" else 2
    pathlib.Path(path).write_bytes(
        jpeg[:after_app0] + b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif + jpeg[after_app0:])


def jpeg_size(data):
    """(width, height) from a JPEG's frame header."""
    at = 2
    while at < len(data):
        marker, length = data[at + 1], struct.unpack(">H", data[at + 2:at + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[at + 5:at + 9])
            return width, height
        at += 2 + length
    sys.exit("the stored photo is not a JPEG")


def sign(driver, wait, slip, name):
    button(driver, wait, "sign", slip).click()
    pad = wait.until(ec.visibility_of_element_located((By.ID, "padCanvas")))
    field = driver.find_element(By.ID, "padName")
    if not field.get_attribute("value"):
        sys.exit("the customer's name was not filled in")
    field.clear()
    driver.find_element(By.ID, "padDone").click()  # no name
    wait.until(ec.text_to_be_present_in_element((By.ID, "padMessage"), "Type the customer's name"))
    field.send_keys(name)
    driver.find_element(By.ID, "padDone").click()  # nothing drawn yet
    wait.until(ec.text_to_be_present_in_element((By.ID, "padMessage"), "signs in the box first"))
    strokes = ActionChains(driver).move_to_element_with_offset(pad, -120, 20).click_and_hold()
    for dx, dy in ((30, -40), (30, 40), (30, -40), (30, 40), (40, -20)):
        strokes = strokes.move_by_offset(dx, dy)
    strokes.release().perform()
    driver.find_element(By.ID, "padDone").click()


def pictures(driver, wait, slip, root, picture):
    """A second photo from the camera and the customer's signature on the job; the office keeps each once."""
    driver.find_element(By.ID, f"photo-{slip}").send_keys(str(picture))
    wait.until(ec.text_to_be_present_in_element((By.CSS_SELECTOR, f"#slip-{slip} .photos"), "2 photos"))
    wait.until(lambda d: d.find_element(By.ID, "done").text.count(f"Slip {slip}: Photo sent") == 2)
    sign(driver, wait, slip, "M. Chavez")
    wait.until(ec.text_to_be_present_in_element((By.CSS_SELECTOR, f"#slip-{slip} .signed"),
                                                "Signed by M. Chavez 3/9/2026 09:00"))
    if driver.find_elements(By.CSS_SELECTOR, f'button[data-action="sign"][data-slip="{slip}"]'):
        sys.exit("a signed slip still offers Customer signs")
    folders = list(pathlib.Path(root).glob(f"AuxFiles/*/Slip {slip}"))
    if len(folders) != 1:
        sys.exit(f"the slip's folders: {folders}")
    photos = sorted(p.name for p in folders[0].glob("Photo *"))
    if photos != ["Photo 01.jpg", "Photo 02.jpg"]:
        sys.exit(f"photos stored: {photos}")
    size = jpeg_size((folders[0] / "Photo 01.jpg").read_bytes())
    if size != (1067, 1600):
        sys.exit(f"the photo was stored at {size}, not shrunk upright to 1067 x 1600")
    png = (folders[0] / "Signature.png").read_bytes()
    if png[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("the signature is not a PNG")


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
    parser.add_argument("--root", help="the office's data folder")
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
            lost(driver, wait, args.slip, args.note, args.root)
        elif args.scenario == "offline":
            offline(driver, wait, args.note, args.root)
        elif args.scenario == "office":
            office(driver, wait, args.slip, signals)
        else:
            start(driver, wait, args.slip)
            (signals / "started").touch()
        wait.until(ec.text_to_be_present_in_element((By.ID, "heard"), "Last heard from the office"))
    finally:
        driver.save_screenshot(args.screenshot)  # also of a page the story failed on
        driver.quit()


if __name__ == "__main__":
    main()
