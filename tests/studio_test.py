#!/usr/bin/python3
"""The page in a browser: each edit's tables, messages, views, slider and bytes against
qmx's; drops, refusals, removals; the largest file. Args: PAGE QMX SAMPLES [--screenshot PNG]"""
import base64
import json
import os
import re
import shutil
import struct
import subprocess
import sys

from browser import (PAGE, QMX, SAMPLES, By, Keys, check, check_console, choose, close, folders,
                     js, open_page, pick, qmx, read, report, start, status, type_into,
                     wait_for, wait_said, work)
import browser

QMXGEN = os.path.join(os.path.dirname(QMX), "qmxgen")
SCREENSHOT = sys.argv[5] if sys.argv[4:5] == ["--screenshot"] else None
NAMES = ["walk.qmx", "prop.qmx", "pose.qmx", "broken.qmx"]
# Each edit: the radio's label, its fields, qmx's arguments, and a keyframe
# whose values the slider shows (for the cut, one it removed too).
EDITS = [
    ("Rotate", {"degrees": "90"}, ["rotate", "--by", "90"], [5]),
    ("Move", {"x": "256", "y": "0", "z": "-20000"}, ["move", "--by", "256,0,-20000"], []),
    ("Cut", {"front": "3", "back": "20"}, ["cut", "--front", "3", "--back", "20"], [1, 5]),
    ("Mirror", {}, ["mirror"], []),
]
# Fields that refuse a value, their edit, and what they say.
REFUSED = [("degrees", "rotate", "32768", "-32768 to 32767"), ("front", "cut", "-1", "0 to 65535"),
           ("x", "move", "1.5", "-32768 to 32767")]
KINDS = {"progress", "warning", "notice", "skip", "failure"}


def qmx_messages(args, names, out):
    """What qmx says of each input, per name, and its results in new `out`."""
    out_dir, = folders(out)
    saved, errors = qmx(args + ["-o", out_dir] + names, inputs)
    said = {n: [] for n in names}
    for line in errors.splitlines():
        name, text = re.match(r"qmx: '([^']*)': (.*)", line).groups()
        said[name].append(text.replace(out_dir + os.sep, ""))
    return said, sorted(os.path.basename(n) for n in saved.splitlines())


def info_values(path):
    """qmx info of `path` as label -> value, a range line as one per axis."""
    printed, _ = qmx(["info", path], os.path.dirname(path))
    values = {}
    for line in printed.splitlines()[1:]:
        # A label (single spaces inside) and its value, two or more apart.
        label, value = re.match(r"  (\S.*?)?\s{2,}(\S.*)$", line).groups(default="")
        if label in ("root offset", "bounding box"):
            for axis, cell in zip("XYZ", value.split()):
                values[label + " " + axis] = cell
        elif label:
            values[label] = value
        elif value.startswith("(over the"):
            n = int(re.match(r"\(over the (\d+) keyframes the file holds\)", value).group(1))
            values["ranges over"] = "%d keyframe%s the file holds" % (n, "s" * (n != 1))
    return values


def keyframe(data, k):
    """Keyframe k of a file: root, box min, box max, root mesh angles."""
    table = 8 * struct.unpack_from("<H", data, 52)[0] % 65536
    meshes = struct.unpack_from("<H", data, table + 66 + 18)[0]
    at = table + 66 + k * ((20 + 6 * meshes) % 65536)
    s16 = lambda offset: struct.unpack_from("<h", data, at + offset)[0]
    return {"root": [s16(12), s16(14), s16(16)], "min": [s16(0), s16(4), s16(8)],
            "max": [s16(2), s16(6), s16(10)], "angles": [s16(20), s16(22), s16(24)]}


def shown_keyframe(rows, column):
    """The keyframe values the page's table shows in `column`."""
    cells = {r[0]: r[column] for r in rows[1:]}
    if cells.get("root offset") == "removed by the cut":
        return "removed"
    angles = []
    for axis in "XYZ":
        units, degrees = re.match(r"(-?\d+) \((-?[\d.]+)°\)", cells[axis + " angle"]).groups()
        check(abs(float(degrees) - int(units) * 360 / 1024) < 0.01, "degrees of %s" % units)
        angles.append(int(units))
    boxes = [cells["box " + axis].split("..") for axis in "XYZ"]
    return {"root": [int(v) for v in cells["root offset"].split(", ")],
            "min": [int(b[0]) for b in boxes], "max": [int(b[1]) for b in boxes],
            "angles": angles}


inputs, downloads = folders("in", "dl")
for name in NAMES[:3]:
    shutil.copy(os.path.join(SAMPLES, name), inputs)
walk = read(os.path.join(SAMPLES, "walk.qmx"))
with open(os.path.join(inputs, "broken.qmx"), "wb") as f:
    f.write(walk[:82 + 50])  # header of 82 bytes, then half a keyframe
largest = os.path.join(work, "largest.qmx")
subprocess.run([QMXGEN, "largest", largest], check=True)
driver = start(downloads, **{"profile.default_content_setting_values.automatic_downloads": 1})


def emulate(width=0, height=0, scale=1, mobile=False):
    """The page on a screen of this size, or (no width) in the window."""
    if not width:
        return driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": scale, "mobile": mobile})


def cards():
    """Per file card: its name, messages, result, tables and paths."""
    return js("""return [...document.querySelectorAll('section.file')].map(s => ({
      name: s.querySelector('h2').textContent,
      kinds: [...s.querySelectorAll('.messages li')].map(l => l.className),
      messages: [...s.querySelectorAll('.messages li:not(.progress)')].map(
          l => l.lastChild.textContent),
      result: (s.querySelector('.result strong') || {}).textContent || '',
      info: [...s.querySelectorAll('table.info tr')].map(r => [...r.cells].map(
          c => [c.textContent, c.className])),
      keyframe: [...s.querySelectorAll('table.keyframe tr')].map(r => [...r.cells].map(
          c => c.textContent)),
      views: [...s.querySelectorAll('.views figure')].map(f => ({
          width: f.querySelector('svg').getBoundingClientRect().width,
          paths: [...f.querySelectorAll('polyline')].map(
              p => p.getAttribute('points').split(' ').length)}))}))""")


def check_views(card, what):
    """Original, result (if any) and both views; at most 3 points a pixel."""
    check(len(card["views"]) == (3 if card["result"] else 2),
          "%s %s: %d views" % (what, card["name"], len(card["views"])))
    for view in card["views"]:
        for points in view["paths"]:
            check(points <= 3 * view["width"] + 1, "%s %s: %d points in %d px" % (
                what, card["name"], points, view["width"]))


def check_messages(shown, said, what):
    """The cards' messages are qmx's of their files, of known kinds."""
    by_name = {}
    for card in shown:
        by_name.setdefault(card["name"], []).extend(card["messages"])
        check(set(card["kinds"]) <= KINDS, "%s: kinds %s" % (what, card["kinds"]))
    check(by_name == {n: said[n] for n in by_name}, "%s: messages %s, qmx %s" % (
        what, by_name, said))


def wait_edited(count, what, made=r"\d+"):
    """The cards once the last input's edit has ended (True past 10)."""
    return browser.wait_edited(count, what, made, lambda: count > 10 or cards())


try:
    open_page("file://" + PAGE)

    # The engine refuses a file number it does not hold, and says so.
    refusals = driver.execute_async_script("""const [calls, done] = arguments;
      QmxEngine().then(m => done(calls.map(([name, type, ...args]) => [
          m.cwrap('studio_' + name, type, args.map(a => typeof a))(...args),
          m.cwrap('studio_error', 'string', [])()])), error => done(String(error)));""",
        [["info", "string", 0, 0], ["add", "number", "a.qmx", 4], ["messages", "string", 1],
         ["hold", "number", 5, 0, 4], ["pieces", "string", -1], ["keyframes", "number", 7, 0],
         ["edit_file", "number", 0], ["messages", "string", 0], ["edit", None, "turn", 1, 0, 0],
         ["edit", None, "mirror", 0, 0, 0], ["edit_file", "number", 0], ["messages", "string", 0]])
    # A file none of whose bytes are held cannot be read: said as data.
    unread = {"kind": "failure", "code": "read-failed", "args": [],
              "text": "Could not read the file, skipping."}
    check(refusals[:-1] == [["", "There is no file number 0."], [0, ""],
                            ["", "There is no file number 1."], [0, "There is no file number 5."],
                            ["", "There is no file number -1."], [-1, "There is no file number 7."],
                            [-1, "No edit was started with file 0 on the page."], ["[]", ""],
                            [None, "There is no edit named turn."], [None, ""], [0, ""]]
          and json.loads(refusals[-1][0]) == [unread], "engine's refusals: %s" % refusals)

    pick([os.path.join(inputs, n) for n in NAMES])
    shown = wait_for(lambda: len(cards()) == len(NAMES) and "choose an edit" in status()
                     and cards(), "the files")
    for card in shown or []:
        check(not card["kinds"] and not card["result"] and len(card["views"]) == 2,
              "%s edited before an edit was chosen" % card["name"])  # shown alone
        expected = info_values(os.path.join(inputs, card["name"]))
        rows = {r[0][0]: r[1][0] for r in card["info"][1:]}
        check(rows == expected, "table of %s: %s != %s" % (card["name"], rows, expected))

    for label, fields, args, frames in EDITS:
        choose(label)
        for field, value in fields.items():
            type_into(field, value)
        said, saved = qmx_messages(args, NAMES, label)
        out_dir = os.path.join(work, label)
        shown = wait_edited(4, label) or []
        check(sorted(c["result"] for c in shown if c["result"]) == saved,
              "%s results %s, qmx %s" % (label, [c["result"] for c in shown], saved))
        check_messages(shown, said, label)
        for card in shown:
            check_views(card, label)
            # The columns are qmx info's of each file, a changed value marked.
            original = info_values(os.path.join(inputs, card["name"]))
            result = info_values(os.path.join(out_dir, card["result"])) if card["result"] else None
            rows = {r[0][0]: [c for c in r[1:]] for r in card["info"][1:]}
            for name, cells in rows.items():
                check(cells[0][0] == original.get(name, "") and (
                    len(cells) == 1 if result is None else cells[1][0] == result.get(name, "")
                    and (cells[1][1] == "changed") == (cells[0][0] != cells[1][0])),
                    "%s %s: %s %s, qmx %s, %s" % (label, card["name"], name, cells,
                                                  original.get(name), (result or {}).get(name)))
            check(set(rows) == set(original) | set(result or {}),
                  "%s %s: rows %s" % (label, card["name"], sorted(rows)))
        # The walk's slider, stepped by arrow keys, shows both keyframes.
        slider = driver.find_element(By.CSS_SELECTOR, "section.file input[type=range]")
        result_bytes = read(os.path.join(out_dir, shown[0]["result"]))
        for k in frames:
            slider.send_keys(Keys.HOME, *[Keys.ARROW_RIGHT] * k)
            rows = wait_for(lambda: cards()[0]["keyframe"][0][1] == "Original %d" % k
                            and cards()[0]["keyframe"], "keyframe %d" % k) or [[]]
            check(shown_keyframe(rows, 1) == keyframe(walk, k), "%s keyframe %d: %s" % (
                label, k, rows))
            j = k - int(fields.get("front", 0))
            expected = keyframe(result_bytes, j) if j >= 0 else "removed"
            check(shown_keyframe(rows, 2) == expected, "%s result's keyframe %d: %s, file %s" % (
                label, j, rows, expected))
        if label == "Rotate" and SCREENSHOT:  # the walk's card whole
            emulate(1280, 1300)
            wait_for(lambda: js("return document.querySelector('figure svg').getAttribute("
                                "'width') > 350"), "views at 1280 px")
            driver.save_screenshot(SCREENSHOT)
            emulate()
        # Save this result: a download, byte for byte qmx's.
        buttons = "//button[text()='Save this result']"
        for n in range(len(driver.find_elements(By.XPATH, buttons))):
            button = driver.find_elements(By.XPATH, buttons)[n]
            name = button.get_attribute("aria-label")[len("Save "):]
            button.click()
            said = status()
            check(said == "The download of %s was started." % name, "%s: status %s" % (label, said))
            wait_for(lambda: os.path.exists(os.path.join(downloads, name)),
                     "%s download of %s" % (label, name), folder=downloads)
        done = wait_for(lambda: sorted(os.listdir(downloads)) == saved and saved,
                        label + " downloads", folder=downloads)
        for name in saved if done else []:
            check(read(os.path.join(downloads, name)) == read(os.path.join(out_dir, name)),
                  "%s: %s differs from qmx's" % (label, name))
            os.remove(os.path.join(downloads, name))
        check(len(saved) == {"Mirror": 3, "Cut": 1}.get(label, 4),
              "%s: %d results" % (label, len(saved)))

    # Play runs through the keyframes by itself, Pause stops it.
    play = driver.find_element(By.CSS_SELECTOR, "section.file .player button")
    play.click()
    wait_for(lambda: js("return Number(document.querySelector('section.file input[type=range]')"
                        ".value) > 8"), "the animation to play")
    play.click()
    check(play.text == "Play", "Pause left the button as '%s'" % play.text)

    for field, edit, value, words in REFUSED:
        driver.find_element(By.CSS_SELECTOR, "input[name=edit][value='%s']" % edit).click()
        type_into(field, value)
        said = driver.find_element(By.ID, field + "-refused").text
        wait_for(lambda: status() == "A value is refused; nothing is edited.", "the refusal")
        check(words in said and not driver.find_element(By.ID, "save").is_enabled(),
              "%s=%s: refused as '%s'" % (field, value, said))

    # A file dropped while a value is refused is shown alone; then all are edited.
    pick([os.path.join(inputs, "walk.qmx")])
    shown = wait_for(lambda: len(cards()) == 5 and cards(), "the fifth file") or []
    check(status() == "A value is refused; nothing is edited." and
          all(not c["kinds"] and not c["result"] for c in shown),
          "refused, yet cards show %s" % [(c["kinds"], c["result"]) for c in shown])
    type_into("x", "7")
    said, saved = qmx_messages(["move", "--by", "7,0,-20000"], NAMES + ["walk.qmx"], "again")
    shown = wait_edited(5, "the edit of five files") or []
    check(sorted(c["result"] for c in shown if c["result"]) == saved,
          "five files: %s, qmx %s" % ([c["result"] for c in shown], saved))
    check_messages(shown, said, "five files")

    # Every file removed while one is loading: it never comes back.
    js("""const bytes = Uint8Array.from(atob(arguments[0]), c => c.charCodeAt(0));
      const dropped = new DataTransfer();
      dropped.items.add(new File([bytes], 'ghost.qmx'));
      document.dispatchEvent(new DragEvent('drop', {dataTransfer: dropped, cancelable: true}));
      document.getElementById('clear').click();""", base64.b64encode(walk).decode())
    pick([os.path.join(inputs, "pose.qmx")])
    shown = wait_edited(1, "the file after the removal") or []
    check([c["name"] for c in shown] == ["pose.qmx"], "after the removal: %s" % shown)
    check_messages(shown, qmx_messages(["move", "--by", "7,0,-20000"], ["pose.qmx"], "removed")[0],
                   "after the removal")

    # At 390 px nothing runs over its card, nor the page over the screen.
    emulate(390, 844, mobile=True)
    over = wait_for(lambda: js("""return innerWidth === 390 && [...document.querySelectorAll(
        'section.file')].every(s => s.querySelector('svg').getAttribute('width') < 390) &&
        {over: [...document.querySelectorAll('section.file *')].filter(e => {
          const card = e.closest('section.file').getBoundingClientRect();
          const r = e.getBoundingClientRect();
          return r.width && (r.right > card.right + 0.5 || r.left < card.left - 0.5);
        }).map(e => e.outerHTML.slice(0, 80)).concat(
          document.documentElement.scrollWidth > innerWidth ? ['the page'] : [])}"""),
        "the page at 390 px")
    check(over == {"over": []}, "at 390 px over its card: %s" % over)
    check_views(cards()[0], "at 390 px")
    emulate()

    # The largest file: at most 3 points a pixel, no edit within 150 ms of a key.
    driver.find_element(By.ID, "clear").click()
    choose("Rotate")
    type_into("degrees", "45")
    pick([largest])
    shown = wait_edited(1, "the largest file") or []
    for card in shown:
        check_views(card, "largest")
    js("""window.keys = []; window.since = performance.now();
      document.addEventListener('keydown', () => keys.push(performance.now()), true);""")
    type_into("degrees", "-123")
    wait_edited(1, "the largest file turned")
    timing = js("return [keys, said.filter(s => s[0] > since)]")
    starts = [t for t, text in timing[1] if text.startswith("Editing")]
    check(starts and all(t - max(k for k in timing[0] if k <= t) >= 145 for t in starts),
          "an edit within 150 ms of a key: keys %s, edits %s" % tuple(timing))

    # 200 files: the page handles keys while it edits them one by one.
    copies, = folders("copies")
    for n in range(200):
        shutil.copy(os.path.join(SAMPLES, "walk.qmx"), os.path.join(copies, "walk%d.qmx" % n))
    driver.find_element(By.ID, "clear").click()
    pick([os.path.join(copies, "walk%d.qmx" % n) for n in range(200)])
    wait_edited(200, "200 files")
    # How long each key waited, and each task over 50 ms (keys wait for it).
    js("""window.held = [];
      document.addEventListener('keydown', e => held.push(performance.now() - e.timeStamp), true);
      window.tasks = [];
      const took = (entries) => tasks.push(...entries.map(e => e.duration));
      window.taskObserver = new PerformanceObserver(list => took(list.getEntries()));
      taskObserver.observe({type: 'longtask'});""")
    box = driver.find_element(By.ID, "degrees")
    box.send_keys(Keys.CONTROL, "a")
    for key in "123":
        box.send_keys(key)
        wait_said("^Editing", "the edit of 200 files")
    wait_edited(200, "200 files turned", "200")
    held, tasks = js("return [held, tasks.concat(taskObserver.takeRecords().map(t => t.duration))]")
    check(len(held) == 5 and max(held + tasks) < 750, "keys held for %s ms, tasks of %s ms" % (
        held, tasks))
    turned = js("""return [...document.querySelectorAll('.result strong')].map(
        e => e.textContent)""")
    check(sorted(turned) == sorted("walk%d_Rotated(123°).qmx" % n for n in range(200)),
          "200 files: %s" % turned[:3])

    # Every control is labelled; nothing is wider than 1280x720, nor at 200%.
    unlabelled = js("""return [...document.querySelectorAll('input, button')].filter(
      e => !(e.labels && e.labels.length) && !e.getAttribute('aria-label') &&
           !e.textContent.trim()).map(e => e.outerHTML)""")
    check(not unlabelled, "unlabelled: %s" % unlabelled)
    for scale in (1, 2):
        emulate(1280 // scale, 720 // scale, scale)
        wide = js("return document.documentElement.scrollWidth - innerWidth")
        check(wide <= 0, "at %d00%% the page is %d px too wide" % (scale, wide))
    check_console()
finally:
    close()
report()
