#!/usr/bin/python3
"""Save with 30 results, each qmx's: into a private folder holding some names (the picker
replaced: headless Chromium aborts it), and as qmx-results.zip; a name of 259 bytes saved or
told why not. Served from 127.0.0.1: the private file system refuses file://."""
import base64
import functools
import http.server
import os
import re
import shutil
import threading
import zipfile

from browser import (PAGE, SAMPLES, By, check, check_console, choose, close, folders,
                     open_page, pick, qmx, read, report, start, type_into, wait_edited, wait_for,
                     wait_said)

SUFFIX = "_Rotated(90\u00b0).qmx"
# 30 inputs, one named not in ASCII, one whose result's name is 259 bytes.
STEMS = ["%s%02d" % (["walk", "prop", "pose"][k % 3], k) for k in range(28)]
STEMS += ["gehen_\u00e4\u00f6\u00fc", "l" * (259 - len(SUFFIX.encode()))]
LONG = STEMS[-1] + SUFFIX
# What the folder holds before the save, and where the results then go.
TAKEN = {"walk00" + SUFFIX: b"taken", "walk00_Rotated(90\u00b0) (2).qmx": b"taken 2",
         "prop01" + SUFFIX: b"taken 3"}
NUMBERED = {"walk00" + SUFFIX: "walk00_Rotated(90\u00b0) (3).qmx",
            "prop01" + SUFFIX: "prop01_Rotated(90\u00b0) (2).qmx"}

inputs, aliases, expected_dir, downloads = folders("in", "alias", "qmx", "dl")
# qmx cannot write a name of 259 bytes here: it edits each under a short name.
for k, stem in enumerate(STEMS):
    source = os.path.join(SAMPLES, ["walk", "prop", "pose"][k % 3] + ".qmx")
    shutil.copy(source, os.path.join(inputs, stem + ".qmx"))
    shutil.copy(source, os.path.join(aliases, "%02d.qmx" % k))
qmx(["rotate", "--by", "90", "-o", expected_dir] + ["%02d.qmx" % k for k in range(len(STEMS))],
    aliases)
expected = {stem + SUFFIX: read(os.path.join(expected_dir, "%02d%s" % (k, SUFFIX)))
            for k, stem in enumerate(STEMS)}


class Quiet(http.server.SimpleHTTPRequestHandler):
    log_message = lambda *args: None


server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", 0), functools.partial(Quiet, directory=os.path.dirname(PAGE)))
threading.Thread(target=server.serve_forever, daemon=True).start()
URL = "http://127.0.0.1:%d/%s" % (server.server_port, os.path.basename(PAGE))

driver = start(downloads)


def page_with_results(script):
    """The page, `script` run before its own, with the 30 results made."""
    added = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": script})
    open_page(URL)
    driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", added)
    pick(os.path.join(inputs, s + ".qmx") for s in STEMS)
    choose("Rotate")
    type_into("degrees", "90")
    wait_edited(30, "the 30 results", "30", seconds=100)


def not_saved_reason(said, name):
    """The reason the status line gives for `name`, or None."""
    found = re.search(re.escape(name) + r" \(([^)]+)\)", said)
    return found and found.group(1)


try:
    # The folder route.
    page_with_results("""window.showDirectoryPicker = async () =>
        (await navigator.storage.getDirectory()).getDirectoryHandle('results', {create: true});""")
    check(driver.execute_async_script("""const [taken, done] = arguments;
      (async () => {
        const folder = await showDirectoryPicker();
        for (const [name, text] of Object.entries(taken)) {
          const out = await (await folder.getFileHandle(name, {create: true})).createWritable();
          await out.write(text);
          await out.close();
        }
      })().then(() => done(true), (e) => done(String(e)));""",
        {n: t.decode() for n, t in TAKEN.items()}) is True, "the taken names")
    driver.find_element(By.ID, "save").click()
    said = wait_said("^Saved ", "the save into the folder")
    held = driver.execute_async_script("""const done = arguments[0];
      (async () => {
        const held = {};
        for await (const [name, handle] of (await showDirectoryPicker()).entries()) {
          const bytes = new Uint8Array(await (await handle.getFile()).arrayBuffer());
          held[name] = btoa(Array.from(bytes, (b) => String.fromCharCode(b)).join(''));
        }
        return held;
      })().then(done, (e) => done({error: String(e)}));""")
    held = {n: base64.b64decode(b) for n, b in held.items()}
    for name, text in TAKEN.items():
        check(held.pop(name, None) == text, "folder: %s was replaced" % name)
    why = not_saved_reason(said, LONG)
    for name, bytes_ in expected.items():
        if name != LONG or not why:
            where = NUMBERED.get(name, name)
            check(held.pop(where, None) == bytes_, "folder: %s differs from qmx's" % where)
    check(not held, "folder: more files: %s" % list(held))
    check(said == ("Saved 29 of 30 results" if why else "Saved 30 results") +
          " into the folder “results” (2 under a numbered name: the folder held theirs)." +
          (" Not saved: %s (%s)." % (LONG, why) if why else ""),
          "folder: status %s" % said)

    # The archive route, where no folder can be picked.
    page_with_results("delete window.showDirectoryPicker;")
    driver.find_element(By.ID, "save").click()
    said = wait_said("^The download|^Nothing", "the archive")
    check(said == "The download of qmx-results.zip with 30 results was started.",
          "archive: status %s" % said)
    archive = os.path.join(downloads, "qmx-results.zip")
    if wait_for(lambda: os.listdir(downloads) == ["qmx-results.zip"], "the archive's file", 60,
                downloads):
        with zipfile.ZipFile(archive) as zf:
            check(zf.testzip() is None, "archive: a CRC differs")
            check(sorted(zf.namelist()) == sorted(expected), "archive: %s" % zf.namelist())
            for name in set(zf.namelist()) & set(expected):
                check(zf.read(name) == expected[name], "archive: %s differs from qmx's" % name)

    # Save this result with the long name: the browser would save nothing,
    # so it comes as an archive too.
    driver.find_element(By.CSS_SELECTOR, "button[aria-label='Save %s']" % LONG).click()
    said = wait_said("^l+_Rotated.*(was started\\.|Nothing.*)$", "the long name's archive")
    check(said == LONG + " has a name longer than the 255 bytes a downloaded file may have: "
          "it goes into qmx-results.zip. The download of qmx-results.zip with 1 result was "
          "started.", "one: status %s" % said)
    again = os.path.join(downloads, "qmx-results (1).zip")
    if wait_for(lambda: os.path.exists(again), "the second archive's file", 60, downloads):
        with zipfile.ZipFile(again) as zf:
            check({n: zf.read(n) for n in zf.namelist()} == {LONG: expected[LONG]},
                  "one: the archive holds %s" % zf.namelist())

    check_console()
finally:
    server.shutdown()
    close()
report()
