#!/usr/bin/env python3
"""The Windows programs on a console of their own, under wine.

Started on a pseudo-terminal, wine serves the programs a console without any
display, and turns the terminal's keys into console keys and events. That
shows what the end-to-end tests, whose output is redirected, cannot: text in
any script reaching the console as characters, the use-for-all answer taken
as one key without ENTER, and a program ended at a prompt, by Ctrl-C or by
its console going away, leaving no working copy behind.

    windows_console_test.py WINE_RUN WINE_ROOT TOOL_DIR

WINE_RUN is cmake/wine-run.sh, WINE_ROOT its wine folder and TOOL_DIR the
folder of the .exe files. Exits non-zero when any case fails.
"""

import os
import pty
import re
import select
import shutil
import sys
import tempfile
import termios
import time
import tty

WINE_RUN, WINE_ROOT, TOOL_DIR = sys.argv[1:4]
SAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                      "samples", "walk.qmx")
CYRILLIC = "\u041b\u0430\u0440\u0430.qmx"  # Лара.qmx
DEGREE_NAME = "walk_Rotated(0\u00b0).qmx"
TIMEOUT = 60


class Console:
    """One program on a pseudo-terminal, in directory `cwd`."""

    def __init__(self, tool, arguments, cwd):
        exe = "Z:" + os.path.join(TOOL_DIR, tool + ".exe").replace("/", "\\")
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            # Keys reach wine's console as typed: no echo, no line editing
            # and no end-of-line translation by the terminal itself. Ctrl-C
            # stays the terminal's interrupt, which wine turns into the
            # console's Ctrl-C event.
            tty.setraw(0)
            settings = termios.tcgetattr(0)
            settings[3] |= termios.ISIG
            termios.tcsetattr(0, termios.TCSANOW, settings)
            os.chdir(cwd)
            os.execv(WINE_RUN, [WINE_RUN, WINE_ROOT, exe] + arguments)
        self.raw = b""
        self.status = None

    def screen(self):
        """What the console shows, as text: cursor moves to the right are
        the blanks they stand for, other control sequences go."""
        text = self.raw.decode("utf-8", "replace")
        text = re.sub(r"\x1b\[(\d*)C", lambda m: " " * int(m.group(1) or 1),
                      text)
        text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07", "", text)
        return text.replace("\r", "")

    def _read(self, seconds):
        ready, _, _ = select.select([self.fd], [], [], seconds)
        if not ready:
            return True
        try:
            data = os.read(self.fd, 4096)
        except OSError:
            return False
        self.raw += data
        return bool(data)

    def wait_for(self, text):
        deadline = time.monotonic() + TIMEOUT
        while text not in self.screen():
            if time.monotonic() > deadline or not self._read(0.1):
                raise AssertionError("never showed %r; the console shows:\n%s"
                                     % (text, self.screen()))

    def type(self, keys):
        os.write(self.fd, keys.encode("utf-8"))

    def wait_end(self):
        deadline = time.monotonic() + TIMEOUT
        while self.status is None:
            self._read(0.1)
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = status
            elif time.monotonic() > deadline:
                os.kill(self.pid, 9)
                raise AssertionError("did not end; the console shows:\n%s"
                                     % self.screen())
        os.close(self.fd)

    def hang_up(self):
        os.close(self.fd)
        deadline = time.monotonic() + TIMEOUT
        while self.status is None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = status
            elif time.monotonic() > deadline:
                os.kill(self.pid, 9)
                raise AssertionError("did not end when its console went")
            time.sleep(0.05)


def inputs(directory, names):
    for name in names:
        shutil.copyfile(SAMPLE, os.path.join(directory, name))


def expect_in_order(console, parts):
    screen = console.screen()
    at = 0
    for part in parts:
        found = screen.find(part, at)
        if found < 0:
            raise AssertionError("expected %r after position %d of:\n%s"
                                 % (part, at, screen))
        at = found + len(part)


def expect_files(directory, names):
    left = sorted(os.listdir(directory))
    if left != sorted(names):
        raise AssertionError("files left: %r, expected %r" % (left, names))


def working_copies(directory):
    return [n for n in os.listdir(directory) if n.startswith(".qmx-")]


def names_and_key(directory):
    """Names in any script are shown as such, and the answer is one key."""
    inputs(directory, [CYRILLIC, DEGREE_NAME])
    console = Console("gyrel", [CYRILLIC, DEGREE_NAME], directory)
    console.wait_for("Enter rotation angle (in degrees): ")
    console.type("90\r")
    console.wait_for("(y/n): ")
    console.type("y")  # no ENTER
    console.wait_for("(Press ENTER to exit)")
    console.type("\r")
    console.wait_end()
    expect_in_order(console, [
        "'%s': File opened successfully.\n" % CYRILLIC,
        "Enter rotation angle (in degrees): 90\n",
        "Rotating operation complete.\n\n",
        "Use current angle for all following (1) files? (y/n): \n\n",
        "'%s': File opened successfully.\n" % DEGREE_NAME,
        "Rotating operation complete.\n\n(Press ENTER to exit)"])
    expect_files(directory, [
        CYRILLIC, DEGREE_NAME, "\u041b\u0430\u0440\u0430_Rotated(90\u00b0).qmx",
        "walk_Rotated(0\u00b0)_Rotated(90\u00b0).qmx"])


def ended_at_a_prompt(how):
    def case(directory):
        inputs(directory, [CYRILLIC])
        console = Console("shovan", [CYRILLIC], directory)
        console.wait_for("Enter X offset: ")
        if not working_copies(directory):
            raise AssertionError("no working copy while the prompt waits")
        if how == "ctrl-c":
            console.type("\x03")
            console.wait_end()
        else:
            console.hang_up()
        expect_files(directory, [CYRILLIC])
    case.__doc__ = "Ended by %s at a prompt: no working copy is left." % how
    return case


CASES = [names_and_key, ended_at_a_prompt("ctrl-c"),
         ended_at_a_prompt("the console's end")]


def main():
    failed = 0
    for case in CASES:
        directory = tempfile.mkdtemp(prefix="qmx-console-")
        try:
            case(directory)
            print("ok:", case.__doc__.splitlines()[0])
        except AssertionError as error:
            failed += 1
            print("FAILED:", case.__doc__.splitlines()[0], "\n", error)
        finally:
            shutil.rmtree(directory, ignore_errors=True)
    print("%d passed, %d failed" % (len(CASES) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
