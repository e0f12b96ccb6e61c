#!/usr/bin/python3
"""The page in a real browser: files in, each edit, the table, the messages,
the drawing and the saved bytes against what qmx makes of the same files.

Usage: studio_test.py PAGE QMX SAMPLES [--screenshot PNG]
Exits 77 (skipped) with one line when the browser, its driver or selenium
is missing.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

PAGE, QMX, SAMPLES = map(os.path.abspath, sys.argv[1:4])
SCREENSHOT = sys.argv[5] if sys.argv[4:5] == ["--screenshot"] else None
BROWSER = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    webdriver = None
if not (BROWSER and DRIVER and webdriver):
    print("studio_test: skipped: needs chromium, chromium-driver and python3-selenium")
    sys.exit(77)

NAMES = ["walk.qmx", "prop.qmx", "pose.qmx", "broken.qmx"]
# Each edit: the radio's label, its fields, qmx's arguments.
EDITS = [
    ("Rotate", {"degrees": "90"}, ["rotate", "--by", "90"]),
    ("Move", {"x": "256", "y": "0", "z": "-20000"}, ["move", "--by", "256,0,-20000"]),
    ("Cut", {"front": "3", "back": "20"}, ["cut", "--front", "3", "--back", "20"]),
    ("Mirror", {}, ["mirror"]),
]
# Fields that refuse a value, and what they say.
REFUSED = [("degrees", "32768", "-32768 to 32767"), ("front", "-1", "0 to 65535"),
           ("x", "1.5", "-32768 to 32767")]

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def qmx(args, cwd):
    run = subprocess.run([QMX] + args, cwd=cwd, capture_output=True, text=True)
    return run.stdout, run.stderr


work = tempfile.mkdtemp(prefix="studio_test.")
inputs, downloads, tools = (os.path.join(work, d) for d in ("in", "dl", "qmx"))
for d in (inputs, downloads, tools):
    os.mkdir(d)
for name in NAMES[:3]:
    shutil.copy(os.path.join(SAMPLES, name), inputs)
with open(os.path.join(SAMPLES, "walk.qmx"), "rb") as f:
    walk = f.read()
with open(os.path.join(inputs, "broken.qmx"), "wb") as f:
    f.write(walk[:82 + 50])  # header of 82 bytes, then half a keyframe

options = webdriver.ChromeOptions()
options.binary_location = BROWSER
for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync",
             "--window-size=1280,720", "--user-data-dir=" + os.path.join(work, "profile")):
    options.add_argument(flag)
options.add_experimental_option("prefs", {
    "download.default_directory": downloads,
    "download.prompt_for_download": False,
    "profile.default_content_setting_values.automatic_downloads": 1,
})
options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
driver = webdriver.Chrome(service=Service(DRIVER), options=options)
js = driver.execute_script


def wait_for(condition, what, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    failures.append("timed out waiting for " + what)
    return None


def cards():
    """Per file card: its name, messages, result, table rows and paths."""
    return js("""return [...document.querySelectorAll('section.file')].map(s => ({
      name: s.querySelector('h2').textContent,
      messages: [...s.querySelectorAll('li:not(.p)')].map(l => l.lastChild.textContent),
      result: (s.querySelector('.result strong') || {}).textContent || '',
      rows: [...s.querySelectorAll('tr')].map(r => [...r.cells].map(c => c.textContent)),
      paths: [...s.querySelectorAll('svg path')].map(p => p.getAttribute('d'))}))""")


try:
    driver.get("file://" + os.path.abspath(PAGE))
    wait_for(lambda: js("return document.getElementById('status').textContent") == "Ready.",
             "the engine")
    driver.find_element(By.ID, "pick").send_keys(
        "\n".join(os.path.join(inputs, n) for n in NAMES))
    wait_for(lambda: len(cards()) == len(NAMES), "the files")

    # The table holds what qmx info prints, line by line.
    for card in cards():
        printed, _ = qmx(["info", card["name"]], inputs)
        lines = [re.sub(r"\s+", " ", l).strip() for l in printed.splitlines()[1:]]
        shown = [re.sub(r"\s+", " ", " ".join(r)).strip() for r in card["rows"]]
        check(shown == lines, "table of %s: %s != %s" % (card["name"], shown, lines))

    for label, fields, args in EDITS:
        driver.find_element(By.XPATH, "//label[normalize-space()='%s']" % label).click()
        for field, value in fields.items():
            box = driver.find_element(By.ID, field)
            box.clear()
            box.send_keys(value)
        out_dir = os.path.join(tools, label)
        os.mkdir(out_dir)
        names, errors = qmx(args + ["-o", out_dir] + NAMES, inputs)
        expected = {n: [] for n in NAMES}
        for line in errors.splitlines():
            name, text = re.match(r"qmx: '([^']*)': (.*)", line).groups()
            expected[name].append(text)
        saved = sorted(os.path.basename(n) for n in names.splitlines())
        shown = wait_for(lambda: sorted(c["result"] for c in cards() if c["result"]) == saved
                         and cards(), label + " results " + str(saved)) or []
        for card in shown:
            check(card["messages"] == expected[card["name"]],
                  "%s %s: messages %s, qmx %s" % (label, card["name"], card["messages"],
                                                  expected[card["name"]]))
            # The drawing is qmx plot's of the file and its result, or of the
            # file alone when it was skipped.
            drawn = [card["name"]]
            if card["result"]:
                shutil.copy(os.path.join(out_dir, card["result"]), inputs)
                drawn.append(card["result"])
            qmx(["plot", "-o", "plot.svg"] + drawn, inputs)
            with open(os.path.join(inputs, "plot.svg"), encoding="utf-8") as f:
                plotted = re.findall(r'<path[^>]* d="([^"]*)"', f.read())
            for name in ["plot.svg"] + drawn[1:]:
                os.remove(os.path.join(inputs, name))
            check(card["paths"] == plotted and len(plotted) >= len(drawn),
                  "%s %s: drawing differs from qmx plot" % (label, card["name"]))
        if label == "Rotate" and SCREENSHOT:  # the walk's card whole
            driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": 1280, "height": 1180, "deviceScaleFactor": 1, "mobile": False})
            driver.save_screenshot(SCREENSHOT)
            driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        # Save this result: a download, byte for byte qmx's. (Save, which
        # saves them all, is studio_save_test.py's.)
        for button in driver.find_elements(By.XPATH, "//button[text()='Save this result']"):
            count = len(os.listdir(downloads)) + 1
            button.click()
            said = js("return document.getElementById('status').textContent")
            check(said == "The download of %s was started." % button.get_attribute(
                "aria-label")[len("Save "):], "%s: status %s" % (label, said))
            wait_for(lambda: len([n for n in os.listdir(downloads)
                                  if not n.endswith(".crdownload")]) == count, label + " download")
        done = wait_for(lambda: sorted(os.listdir(downloads)) == saved and saved, label + " downloads")
        for name in saved if done else []:
            with open(os.path.join(downloads, name), "rb") as a, \
                 open(os.path.join(out_dir, name), "rb") as b:
                check(a.read() == b.read(), "%s: %s differs from qmx's" % (label, name))
            os.remove(os.path.join(downloads, name))
        check(len(saved) == {"Mirror": 3, "Cut": 1}.get(label, 4),
              "%s: %d results" % (label, len(saved)))

    for field, value, words in REFUSED:
        edit = {"degrees": 1, "front": 2, "x": 0}[field]
        driver.find_element(By.CSS_SELECTOR, "input[name=edit][value='%d']" % edit).click()
        box = driver.find_element(By.ID, field)
        box.clear()
        box.send_keys(value)
        said = driver.find_element(By.ID, field + "-refused").text
        check(words in said and not driver.find_element(By.ID, "save").is_enabled(),
              "%s=%s: refused as '%s'" % (field, value, said))

    # Every control is labelled; nothing is wider than a 1280x720 window,
    # nor at 200% zoom.
    unlabelled = js("""return [...document.querySelectorAll('input, button')].filter(
      e => !(e.labels && e.labels.length) && !e.getAttribute('aria-label') &&
           !e.textContent.trim()).map(e => e.outerHTML)""")
    check(not unlabelled, "unlabelled: %s" % unlabelled)
    for scale in (1, 2):
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 1280 // scale, "height": 720 // scale, "deviceScaleFactor": scale,
            "mobile": False})
        wide = js("return document.documentElement.scrollWidth - innerWidth")
        check(wide <= 0, "at %d00%% the page is %d px too wide" % (scale, wide))
    errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    check(not errors, "console errors: %s" % errors)
finally:
    driver.quit()
    shutil.rmtree(work)

for failure in failures:
    print("studio_test: " + failure)
print("studio_test: %s" % ("FAILED" if failures else "passed"))
sys.exit(1 if failures else 0)
