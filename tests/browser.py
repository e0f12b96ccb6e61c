"""The browser tests' shared part: arguments (PAGE QMX SAMPLES), Chromium by selenium
(else exit 77, skipped), a folder, the status line's record and its waits, the failures."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

PAGE, QMX, SAMPLES = map(os.path.abspath, sys.argv[1:4])
NAME = os.path.splitext(os.path.basename(sys.argv[0]))[0]
BROWSER, DRIVER = shutil.which("chromium"), shutil.which("chromedriver")
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from watchdog.events import FileSystemEventHandler
    from watchdog.observers import Observer
except ImportError:
    webdriver = None
if not (BROWSER and DRIVER and webdriver):
    print(NAME + ": skipped: needs chromium, chromium-driver, python3-selenium and "
          "python3-watchdog")
    sys.exit(77)

failures = []
work = tempfile.mkdtemp(prefix=NAME + ".")
driver = None


def check(ok, what):
    if not ok:
        failures.append(what)


def folders(*names):
    """New folders of the test's own, by these names."""
    paths = [os.path.join(work, name) for name in names]
    for path in paths:
        os.mkdir(path)
    return paths


def read(path):
    with open(path, "rb") as f:
        return f.read()


def qmx(args, cwd):
    """What qmx prints with `args` in `cwd`: its output and its errors."""
    run = subprocess.run([QMX] + args, cwd=cwd, capture_output=True, text=True)
    return run.stdout, run.stderr


def start(downloads, **prefs):
    """The browser, its downloads going into `downloads`."""
    global driver
    options = webdriver.ChromeOptions()
    options.binary_location = BROWSER
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1280,720", "--user-data-dir=" + os.path.join(work, "profile")):
        options.add_argument(flag)
    options.add_experimental_option("prefs", {
        "download.default_directory": downloads, "download.prompt_for_download": False,
        **prefs})
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    driver.set_script_timeout(120)
    return driver


def js(script, *args):
    return driver.execute_script(script, *args)


def wait_for(condition, what, seconds=30, folder=None):
    """`condition`'s value once it holds, tried again at each change of the page (of `folder`
    when one is named, as the system reports them); a failure when not within `seconds`."""
    end, changed, observer = time.time() + seconds, threading.Event(), Observer()
    if folder:
        handler = FileSystemEventHandler()
        handler.on_any_event = lambda event: changed.set()
        observer.schedule(handler, folder)
        observer.start()
    while True:
        seen = changed.clear() if folder else js("return changes")
        value = condition()
        if value or time.time() >= end:
            break
        if folder:
            changed.wait(end - time.time())
        else:  # open_page counts the page's changes: one since `seen` ends the wait
            driver.execute_async_script("""const [seen, seconds, done] = arguments;
              if (changes !== seen) return done();
              const timer = setTimeout(done, seconds * 1000);
              wakes.push(() => { clearTimeout(timer); done(); });""", seen, end - time.time())
    if folder:
        observer.stop()
    if not value:
        failures.append("timed out waiting for " + what)
    return value


def status():
    return js("return document.getElementById('status').textContent")


def open_page(url):
    """Loads the page, counting its changes for wait_for; then records the status line's
    changes and the last input's time: edits are waited for by that record, not by a state
    that may flash by."""
    driver.get(url)
    js("""window.changes = 0; window.wakes = [];
      const changed = () => { changes++; wakes.splice(0).forEach(wake => wake()); };
      new MutationObserver(changed).observe(document, {subtree: true, childList: true,
                                                      attributes: true, characterData: true});
      addEventListener('resize', changed);""")
    wait_for(lambda: status() == "Ready.", "the engine", 60)
    js("""window.said = []; window.lastInput = 0;
      const line = document.getElementById('status');
      new MutationObserver(() => said.push([performance.now(), line.textContent])).observe(
          line, {childList: true, characterData: true, subtree: true});
      document.addEventListener('input', () => { lastInput = performance.now(); }, true);""")


def pick(paths):
    driver.find_element(By.ID, "pick").send_keys("\n".join(paths))


def choose(label):
    driver.find_element(By.XPATH, "//label[normalize-space()='%s']" % label).click()


def type_into(field, value):
    box = driver.find_element(By.ID, field)
    box.send_keys(Keys.CONTROL, "a")
    box.send_keys(value)


def wait_edited(count, what, made=r"\d+", shown=lambda: True, seconds=30):
    """Waits for the last input's edit to end, then for what `shown` gives."""
    pattern = r"%s of %d files? edited; nothing is saved yet\." % (made, count)

    def edited():
        said = js("return said.filter(s => s[0] > lastInput).map(s => s[1])")
        return said and re.fullmatch(pattern, said[-1]) and shown()
    return wait_for(edited, what, seconds)


def wait_said(pattern, what, seconds=100):
    """The first status line since the last input matching `pattern`."""
    said = driver.execute_async_script("""const [pattern, seconds, done] = arguments;
      const seen = () => said.find(s => s[0] > lastInput && new RegExp(pattern).test(s[1]));
      const end = (text) => { watch.disconnect(); clearTimeout(timer); done(text); };
      const watch = new MutationObserver(() => seen() && end(seen()[1]));
      const timer = setTimeout(() => end(null), seconds * 1000);
      if (seen()) return end(seen()[1]);
      watch.observe(document.getElementById('status'),
                    {childList: true, characterData: true, subtree: true});""",
                                       pattern, seconds)
    check(said is not None, "timed out waiting for %s; the status line says: %s" % (what, status()))
    return said or ""


def check_console():
    errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    check(not errors, "console errors: %s" % errors)


def close():
    if driver:
        driver.quit()
    shutil.rmtree(work)


def report():
    for failure in failures:
        print(NAME + ": " + failure)
    print("%s: %s" % (NAME, "FAILED" if failures else "passed"))
    sys.exit(1 if failures else 0)
