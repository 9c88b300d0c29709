#!/usr/bin/env python3
"""The whole launcher end to end, played like a player.

  launcher_e2e.py --build DIR --launcher EXE --cef DIR --game EXE --helper EXE

Runs the built launcher.exe from its own folder (DIR/e2e/run) under the test
world's Wine and Xvfb (scripts/wine-run.sh) against the demo content service
(scripts/demo), on a machine without the game, with the demo's next version
held back. The game's versions come from the fault host, so its transfers can
be slowed down and every request is seen as it starts. Real mouse input and
the windows' handles come from e2e_helper.exe inside the prefix; a whole-screen
screenshot is saved at every step as DIR/e2e-artifacts/NN-step.png.

The steps: a fresh start shows the notice page (asked with the forced
language); the install through the setup dialog and the folder picker, paused
and continued; the start of the game, the window shown again from the tray,
hidden by the first run's close choice and shown by a second launcher; the
pre-download offered, confirmed, paused, continued and finished while the
game's queries are answered; the release, whose update takes over the
pre-downloaded files and starts the game; the repair from the settings
window; the exit from the tray menu, after which nothing of the run remains
and the report host has seen the game button's install, play and update
reports in that order. Every process the run started is ended when it ends,
also on a failure.
"""

import argparse
import glob
import hashlib
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import time
import traceback
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", "..", ".."))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")
DEMO = os.path.join(ROOT, "scripts", "demo")
sys.path.insert(0, DEMO)

import make_demo_content  # noqa: E402
import run_demo  # noqa: E402

# The main window's layout (resources/themes/default/main/*.xml), in the
# window's own coordinates.
MAIN_SIZE = (1340, 750)
NOTICE_VIEW = (40, 160, 530, 465)
SET_PATH_BUTTON = (600, 628)
GAME_BUTTON = (1169, 607)
CLOSE_BUTTON = (1325, 15)
SETTINGS_BUTTON = (1265, 15)
PANEL_CONTROL_BUTTON = (970, 614)
PRE_DOWNLOAD_BUTTON = (1042, 433)
# The setup dialog (setup/skin.xml) and the pre-download confirmation
# (predlc/skin.xml).
SETUP_CHANGE_BUTTON = (486, 135)
SETUP_OK_BUTTON = (292, 355)
PRE_DOWNLOAD_CONFIRM_BUTTON = (220, 374)
# The close choice (optionsbox/skin.xml).
CLOSE_CHOICE_OK_BUTTON = (252, 276)
# The settings window (setting/*.xml): its second tab scrolls the resources
# page, with the repair button, to the top.
SETTINGS_RESOURCE_TAB = (120, 144)
SETTINGS_REPAIR_BUTTON = (333, 221)
DIALOG_SIZES = {"SetupPathForm": (584, 420), "PreDlcForm": (580, 418), "OptionsBox": (504, 320),
                "SettingForm": (844, 540)}

# The launcher's answers to the game's queries (launcher/core/window_messages.h)
# and the pre-download states they report.
GAME_STATE_ANSWER = 2527
GAME_PROGRESS_ANSWER = 2529
GAME_SPEED_ANSWER = 2531
PRE_DOWNLOAD_OFFERED = 1
PRE_DOWNLOAD_DOWNLOADING = 3
PRE_DOWNLOAD_FINISHED = 4

FILES_PREFIX = "/~files/demo"
LARGEST = make_demo_content.LARGEST_NAME
# Slow enough that a transfer of the largest file lasts while the test pauses
# and continues it.
SLOW_RATE = 120000
LIMIT = 120
# A click whose effect has not followed this long is made again.
CLICK_EFFECT_LIMIT = 20
CLICK_ATTEMPTS = 4


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(condition, what, limit=LIMIT, interval=0.5):
    """Waits for `condition()` to be true (its value is returned); fails
    naming `what` after a generous limit."""
    deadline = time.monotonic() + limit
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read_png(path):
    """(width, height, rows of RGB bytes) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as source:
        data = source.read()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG: " + path)
    position, idat, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        chunk = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat += chunk
        position += 12 + length
    width, height, depth, colour, _, _, interlace = header
    check(depth == 8 and colour in (2, 6) and interlace == 0, "unexpected PNG form")
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - step] if x >= step else 0
            up = previous[x]
            corner = previous[x - step] if x >= step else 0
            if kind == 1:
                line[x] = (line[x] + left) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + up) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                estimate = left + up - corner
                pa, pb, pc = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[x] = (line[x] + predictor) & 0xFF
        previous = line
        rows.append(bytes(line) if step == 3 else bytes(
            b for i in range(0, stride, 4) for b in line[i:i + 3]))
    return width, height, rows


def pixel(image, x, y):
    _, _, rows = image
    return tuple(rows[y][x * 3:x * 3 + 3])


def near(colour, expected, slack=6):
    return all(abs(a - b) <= slack for a, b in zip(colour, expected))


class Helper:
    """e2e_helper.exe in the prefix."""

    def __init__(self, exe, environment):
        self.exe = exe
        self.environment = environment

    def run(self, *arguments, allow_failure=False):
        done = subprocess.run(["bash", WINE_RUN, self.exe] + list(arguments),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              env=self.environment, timeout=120)
        text = done.stdout.decode("utf-8", errors="replace").strip()
        if done.returncode != 0 and not allow_failure:
            raise Failure("helper %s failed (%d): %s" % (" ".join(arguments), done.returncode,
                                                          text))
        return done.returncode, text

    def window(self):
        """The main window as (visible, left, top, right, bottom, icon, handle),
        or None."""
        _, text = self.run("window")
        for line in text.splitlines():
            words = line.split()
            if words and words[0] == "window" and len(words) == 8:
                visible, left, top, right, bottom, icon = (int(w) for w in words[2:])
                return (bool(visible), left, top, right, bottom, bool(icon), words[1])
        return None

    def find(self, title):
        """The rectangle of the visible window titled `title`, or None."""
        _, text = self.run("find", title)
        for line in text.splitlines():
            words = line.split()
            if words and words[0] == "found" and len(words) == 6:
                return tuple(int(w) for w in words[2:])
        return None

    def click(self, x, y):
        self.run("click", str(x), str(y))


class FaultHost(run_demo.FaultHost):
    def log(self):
        return json.loads(self.call("/_control/log"))

    def rule(self, rule):
        self.call("/_control/rule", rule)


def reports(fault):
    """The game button's click reports, in the order the report host saw them."""
    actions = []

    def walk(value):
        if isinstance(value, dict):
            if value.get("uitype") == "click_button":
                actions.append(value.get("action"))
            for item in value.values():
                walk(item)
        elif isinstance(value, list):
            for item in value:
                walk(item)

    for entry in fault.log():
        if entry["path"].startswith("/~track/"):
            try:
                walk(json.loads(entry["body"]))
            except ValueError:
                pass
    return actions


class Run:
    def __init__(self, arguments):
        self.arguments = arguments
        self.run_dir = os.getcwd()
        self.artifacts = os.path.join(arguments.build, "e2e-artifacts")
        self.state = os.environ["LAUNCHER_WINE_STATE"]
        with open(os.path.join(self.run_dir, "demo-service.json"), encoding="utf-8") as source:
            self.service = json.load(source)
        self.fault = FaultHost(self.service["fields"]["SERVICE_URL"], self.service["ca_pem"])
        self.content_log = self.service["content_log"]
        self.helper = Helper(arguments.helper, dict(os.environ))
        self.launcher = None
        self.shot = 0
        self.origin = (0, 0)

    # What the servers saw.
    def content_lines(self):
        if not os.path.exists(self.content_log):
            return []
        with open(self.content_log, encoding="utf-8", errors="replace") as source:
            return source.read().splitlines()

    def file_requests(self, version):
        """The fault host's requests for files of a version's folder."""
        prefix = FILES_PREFIX + "/" + version + "/"
        return [entry for entry in self.fault.log() if entry["path"].startswith(prefix)]

    # The screen.
    def screenshot(self, step=None):
        """A whole-screen screenshot: the next artifact of `step`, or a probe
        that the next one replaces."""
        if step is None:
            path = os.path.join(self.artifacts, "probe.png")
        else:
            self.shot += 1
            path = os.path.join(self.artifacts, "%02d-%s.png" % (self.shot, step))
        display = open(os.path.join(self.state, "display")).read().strip()
        subprocess.run(["import", "-display", display, "-window", "root", "PNG24:" + path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
        if step is not None:
            print("screenshot", os.path.basename(path))
        return path

    def main_window(self):
        window = self.helper.window()
        check(window is not None, "no launcher window")
        _, left, top, right, bottom, _, _ = window
        # A drop shadow around the layout widens the window evenly.
        self.origin = (left + (right - left - MAIN_SIZE[0]) // 2,
                       top + (bottom - top - MAIN_SIZE[1]) // 2)
        return window

    def click_main(self, point, effect=None, what=""):
        """Clicks a point of the main window; with an `effect`, clicks again
        while the effect does not follow (a click can be lost on a busy
        machine) and returns the effect's value."""
        def click():
            self.main_window()
            self.helper.click(self.origin[0] + point[0], self.origin[1] + point[1])

        return self.click_until(click, effect, what)

    def click_dialog(self, title, point, effect=None, what=""):
        def click():
            rect = wait_for(lambda: self.helper.find(title), title + " to show")
            left, top, right, bottom = rect
            dialog_width, dialog_height = DIALOG_SIZES[title]
            self.helper.click(left + (right - left - dialog_width) // 2 + point[0],
                              top + (bottom - top - dialog_height) // 2 + point[1])

        return self.click_until(click, effect, what)

    @staticmethod
    def click_until(click, effect, what):
        click()
        if effect is None:
            return None
        for _ in range(CLICK_ATTEMPTS - 1):
            try:
                return wait_for(effect, what, limit=CLICK_EFFECT_LIMIT)
            except Failure:
                print("clicked again for", what)
                click()
        return wait_for(effect, what)

    def visible(self):
        window = self.helper.window()
        return window is not None and window[0]

    def notice_shown(self):
        """Whether the screen shows the notice page in its view."""
        image = read_png(self.screenshot())
        colour = tuple(int(make_demo_content.NOTICE_COLOUR[i:i + 2], 16) for i in (1, 3, 5))
        left, top, right, bottom = NOTICE_VIEW
        # The page's right part carries no text.
        points = [(right - 30, top + 8), (right - 30, bottom - 8),
                  (left + 300, (top + bottom) // 2)]
        return all(near(pixel(image, self.origin[0] + x, self.origin[1] + y), colour)
                   for x, y in points)

    def start_launcher(self):
        output = open(os.path.join(self.run_dir, "launcher-output.log"), "ab")
        self.launcher = subprocess.Popen(["bash", WINE_RUN, "./launcher.exe"], cwd=self.run_dir,
                                         stdout=output, stderr=subprocess.STDOUT)

    def settings(self):
        try:
            with open(os.path.join(self.run_dir, "save", "EnvConfig.json"), encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return {}

    def close_game(self):
        self.helper.run("close-game")
        wait_for(lambda: self.game_log()[-1:] == ["exit"], "the game to close")

    def game_folder(self):
        found = glob.glob(os.path.join(self.run_dir, "games", "*", "TOVA.exe"))
        return os.path.dirname(found[0]) if found else None

    def game_log(self):
        folder = self.game_folder()
        path = os.path.join(folder, "fake_game.log") if folder else ""
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8", errors="replace") as source:
            return source.read().splitlines()

    def pause_and_continue(self, button, folder, step):
        """Pauses a running transfer with the panel's button and continues it:
        while paused nothing more reaches `folder`, after it more does."""
        def written():
            total = 0
            for directory, _, names in os.walk(folder):
                for name in names:
                    try:
                        total += os.path.getsize(os.path.join(directory, name))
                    except OSError:
                        pass
            return total

        samples = [written()]

        def settled():
            time.sleep(2)
            samples.append(written())
            return samples[-1] == samples[-2]

        self.click_main(button, settled, "the paused transfer to stop writing")
        self.screenshot(step + "-paused")
        time.sleep(3)
        check(written() == samples[-1], "the transfer went on while paused")
        self.click_main(button, lambda: written() > samples[-1],
                        "the continued transfer to write")
        self.screenshot(step + "-continued")

    # The steps.
    def fresh_start(self):
        self.start_launcher()
        wait_for(lambda: self.visible(), "the main window")
        wait_for(lambda: any("/demo/launcher/launcher_version_map.txt" in line
                             for line in self.content_lines()), "the launcher pass")
        wait_for(lambda: any("/demo/notice/index.html?lang=zh_TW " in line
                             for line in self.content_lines()), "the notice page's request")
        self.main_window()
        wait_for(self.notice_shown, "the notice page on the screen")
        self.screenshot("fresh-start")
        check(not self.file_requests("game"), "game files fetched before the install")
        check(not any(e["path"] == "/~gate/pre_download" for e in self.fault.log()),
              "a pre-download query without a game")

    def install(self):
        self.fault.rule({"path": FILES_PREFIX + "/game/" + LARGEST, "action": "throttle",
                         "rate": SLOW_RATE})
        picked = os.path.join(self.run_dir, "games")
        os.makedirs(picked, exist_ok=True)
        self.click_main(SET_PATH_BUTTON, lambda: self.helper.find("SetupPathForm"),
                        "the setup dialog")
        self.screenshot("setup-dialog")
        self.click_dialog("SetupPathForm", SETUP_CHANGE_BUTTON,
                          lambda: self.helper.run("picker")[1] == "picker", "the folder picker")
        self.screenshot("folder-picker")
        wait_for(lambda: self.helper.run("pick", windows_path(picked),
                                         allow_failure=True)[0] == 0, "the folder to be picked")
        # The dialog keeps the picked folder in the settings at once.
        wait_for(lambda: self.settings().get("gamePath") == windows_path(
            os.path.join(picked, "Corvandel Game")), "the picked folder in the settings")
        self.screenshot("folder-picked")
        self.click_dialog("SetupPathForm", SETUP_OK_BUTTON,
                          lambda: not self.helper.find("SetupPathForm"),
                          "the setup dialog to close")

        largest = FILES_PREFIX + "/game/" + LARGEST
        wait_for(lambda: any(e["path"] == largest for e in self.fault.log()),
                 "the install's transfer of the largest file")
        self.screenshot("install-downloading")
        self.pause_and_continue(PANEL_CONTROL_BUTTON, os.path.join(self.run_dir, "update"),
                                "install")
        self.fault.rule({"path": largest, "action": "throttle", "rate": SLOW_RATE * 20})
        folder = wait_for(lambda: self.game_folder() if self.game_folder() and os.path.exists(
            os.path.join(self.game_folder(), "version_map.txt")) and not os.path.exists(
            os.path.join(self.game_folder(), "tmp_version_map.txt")) else None,
            "the installed game", limit=300)
        check(os.path.dirname(folder) == picked, "installed outside the picked folder: " + folder)
        with open(os.path.join(folder, "version_map.txt"), encoding="utf-8") as source:
            installed = json.load(source)
        check(installed["version"]["md5"] == make_demo_content.CURRENT,
              "installed version %s" % installed["version"])
        # The pass that installed asks for a pre-download, which is not offered yet.
        wait_for(lambda: any(e["path"] == "/~gate/pre_download" for e in self.fault.log()),
                 "the pre-download query after the install")
        time.sleep(2)
        check(not self.file_requests("next"), "the held-back version was asked for")
        check(not self.game_log(), "the install started the game")
        self.screenshot("installed")

    def start_game(self):
        # Offered before the start: the start's pass asks again and finds it.
        subprocess.run([sys.executable, os.path.join(DEMO, "demo_control.py"), "--run-dir",
                        self.run_dir, "offer"], check=True)
        self.click_main(GAME_BUTTON, self.game_starts, "the game to start")
        wait_for(lambda: not self.visible(), "the launcher to hide")
        self.screenshot("game-started")
        folder = self.game_folder()
        with open(os.path.join(folder, "version_map.txt"), "rb") as source:
            md5 = hashlib.md5(source.read()).hexdigest()
        start = [line for line in self.game_log() if line.startswith("start ")][0]
        expected = 'start "%s\\TOVA.exe" %s' % (windows_path(folder), md5)
        check(start.lower() == expected.lower(), "game command line %r, not %r" % (start, expected))

        self.helper.run("tray", "dblclick")
        wait_for(lambda: self.visible(), "the tray double-click to show the launcher")
        self.screenshot("shown-from-tray")
        # The first run's close button asks where the launcher goes; the
        # choice offered first, the tray, is kept and honoured.
        check(self.settings().get("closeToHide") is False, "closes to the tray before asked")
        self.click_main(CLOSE_BUTTON, lambda: self.helper.find("OptionsBox"),
                        "the close choice")
        self.screenshot("close-choice")
        self.click_dialog("OptionsBox", CLOSE_CHOICE_OK_BUTTON, lambda: not self.visible(),
                          "the launcher to hide to the tray")
        check(self.settings().get("closeToHide") is True, "the close choice was not kept")
        window = self.helper.window()
        check(window is not None and window[5], "the tray icon is gone")
        second = subprocess.run(["bash", WINE_RUN, "./launcher.exe"], cwd=self.run_dir,
                                stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT, timeout=120)
        check(second.returncode == 0, "the second launcher ended with %d" % second.returncode)
        wait_for(lambda: self.visible(), "the second launcher to show the first")
        self.screenshot("shown-by-second-launcher")
        check(len([line for line in self.game_log() if line.startswith("start ")]) == 1,
              "a second game was started")

    def ask_as_the_game(self, state):
        """Sends the game's three queries until the launcher's answers, which
        reach the game's windows, report the pre-download state `state`;
        returns the answers {message: (wParam, lParam)}."""
        def answered():
            before = len(self.game_log())
            self.helper.run("game-queries")
            replies = {}
            for line in self.game_log()[before:]:
                words = line.split()
                if len(words) == 4 and words[0] == "msg":
                    replies[int(words[1])] = (int(words[2]), int(words[3]))
            complete = all(answer in replies for answer in (
                GAME_STATE_ANSWER, GAME_PROGRESS_ANSWER, GAME_SPEED_ANSWER))
            return replies if complete and replies[GAME_STATE_ANSWER][1] == state else None

        return wait_for(answered, "the game's queries answered with state %d" % state)

    def pre_download(self):
        largest = FILES_PREFIX + "/next/" + LARGEST
        self.fault.rule({"path": largest, "action": "throttle", "rate": SLOW_RATE})
        # The game pass that started the game asked again and found the offer.
        wait_for(lambda: any(e["path"] == FILES_PREFIX + "/next/version_map.txt"
                             for e in self.fault.log()), "the offered version's map")
        self.ask_as_the_game(PRE_DOWNLOAD_OFFERED)
        self.screenshot("pre-download-offered")
        self.click_main(PRE_DOWNLOAD_BUTTON, lambda: self.helper.find("PreDlcForm"),
                        "the pre-download confirmation")
        self.screenshot("pre-download-confirm")
        self.click_dialog("PreDlcForm", PRE_DOWNLOAD_CONFIRM_BUTTON,
                          lambda: not self.helper.find("PreDlcForm"),
                          "the confirmation to close")
        wait_for(lambda: any(e["path"] == largest for e in self.fault.log()),
                 "the pre-download's transfer of the largest file")
        replies = self.ask_as_the_game(PRE_DOWNLOAD_DOWNLOADING)
        total, done = replies[GAME_PROGRESS_ANSWER]
        check(total > 0 and 0 <= done <= total, "pre-download progress %d of %d" % (done, total))
        self.screenshot("pre-download-running")
        folder = os.path.join(self.run_dir, "update", "predownload")
        self.pause_and_continue(PRE_DOWNLOAD_BUTTON, folder, "pre-download")
        self.fault.rule({"path": largest, "action": "throttle", "rate": SLOW_RATE * 20})
        finished = os.path.join(folder, make_demo_content.NEXT, "predownload_version_map.txt")
        wait_for(lambda: os.path.exists(finished), "the pre-download to finish", limit=300)
        self.ask_as_the_game(PRE_DOWNLOAD_FINISHED)
        self.screenshot("pre-download-finished")
        check(len(self.game_starts()) == 1, "the pre-download started the game")

    def release(self):
        self.close_game()
        subprocess.run([sys.executable, os.path.join(DEMO, "demo_control.py"), "--run-dir",
                        self.run_dir, "release"], check=True)
        mark = len(self.fault.log())
        # The launcher asks the directory again when it starts (otherwise at
        # its update interval, which is at least a minute).
        self.exit_launcher()
        self.start_launcher()
        wait_for(lambda: len(self.game_starts()) == 2, "the update to start the game", limit=300)
        self.screenshot("released-game-started")
        folder = self.game_folder()
        with open(os.path.join(folder, "version_map.txt"), "rb") as source:
            data = source.read()
        check(json.loads(data)["version"]["md5"] == make_demo_content.NEXT,
              "the update installed %s" % json.loads(data)["version"])
        expected = 'start "%s\\TOVA.exe" %s' % (windows_path(folder), hashlib.md5(data).hexdigest())
        check(self.game_starts()[-1].lower() == expected.lower(),
              "game command line %r, not %r" % (self.game_starts()[-1], expected))
        fetched = [e["path"] for e in self.fault.log()[mark:]
                   if e["path"].startswith(FILES_PREFIX + "/next/")
                   and not e["path"].endswith("version_map.txt") and "/patchs/" not in e["path"]]
        check(not fetched, "pre-downloaded files fetched again: %s" % fetched[:5])

    def settings_repair(self):
        """The settings window's repair runs a pass that checks the game
        again: the version map it deleted comes back, nothing is started."""
        self.close_game()
        starts = len(self.game_starts())
        # The game's start hid the launcher; the tray icon brings it back.
        self.helper.run("tray", "dblclick")
        wait_for(self.visible, "the tray double-click to show the launcher")
        self.click_main(SETTINGS_BUTTON, lambda: self.helper.find("SettingForm"),
                        "the settings window")
        self.screenshot("settings")
        self.click_dialog("SettingForm", SETTINGS_RESOURCE_TAB)
        time.sleep(1)
        self.screenshot("settings-resources")
        game_map = os.path.join(self.game_folder(), "version_map.txt")
        mark = len(self.fault.log())
        self.click_dialog("SettingForm", SETTINGS_REPAIR_BUTTON,
                          lambda: not self.helper.find("SettingForm"), "the repair to start")
        wait_for(lambda: any(e["path"] == FILES_PREFIX + "/next/version_map.txt"
                             for e in self.fault.log()[mark:]), "the repair's pass")
        wait_for(lambda: os.path.exists(game_map) and not os.path.exists(
            os.path.join(self.game_folder(), "tmp_version_map.txt")), "the repaired game",
                 limit=300)
        self.screenshot("repaired")
        check(len(self.game_starts()) == starts, "the repair started the game")
        check(any(e["path"].startswith("/~track/") and '"click_repair"' in e["body"]
                  for e in self.fault.log()[mark:]), "no repair report")

    def game_starts(self):
        return [line for line in self.game_log() if line.startswith("start ")]

    def exit_launcher(self):
        def ended():
            if self.launcher.poll() is not None:
                return True
            self.helper.run("tray", "exit", allow_failure=True)
            try:
                self.launcher.wait(timeout=20)
            except subprocess.TimeoutExpired:
                return False
            return True

        wait_for(ended, "the launcher to end from the tray menu", limit=180)
        check(self.launcher.returncode == 0, "launcher ended with %d" % self.launcher.returncode)

    def exit_from_tray(self):
        if self.game_log()[-1:] != ["exit"]:
            self.close_game()
        self.screenshot("before-exit")
        window = self.helper.window()
        check(window is not None and window[5], "no tray icon before the exit")
        self.exit_launcher()
        check(self.helper.window() is None, "a launcher window remains")
        code, text = self.helper.run("icon", window[6], allow_failure=True)
        check(code == 0 and text == "no icon", "the tray icon remains: " + text)
        self.screenshot("exited")

    def steps(self):
        os.makedirs(self.artifacts, exist_ok=True)
        for step in (self.fresh_start, self.install, self.start_game, self.pre_download,
                     self.release, self.settings_repair, self.exit_from_tray):
            print("step:", step.__name__)
            sys.stdout.flush()
            step()
        actions = reports(self.fault)
        print("button reports:", actions)
        wanted = ["install", "play", "update"]
        order = [a for a in actions if a in wanted]
        check(order[:len(wanted)] == wanted, "button reports %s" % actions)


def run_dir_processes(run_dir):
    """The processes the launcher run started: Wine programs and browsers
    that work in the run folder or name it (the scripts of this test aside)."""
    marks = (run_dir.encode(), windows_path(run_dir).encode().lower())
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as source:
                command = source.read().replace(b"\0", b" ")
            folder = os.readlink("/proc/%s/cwd" % entry)
        except OSError:
            continue
        # This test's own scripts, and the Wine world the run shares.
        if (b".py " in command or command.startswith((b"bash ", b"Xvfb ", b"C:\\windows\\"))
                or b"wineserver" in command):
            continue
        if (folder == run_dir or folder.startswith(run_dir + "/") or marks[0] in command
                or marks[1] in command.lower()):
            found.append((int(entry), command.decode("utf-8", errors="replace")))
    return found


def end_run_dir_processes(run_dir):
    """Ends what the run left behind; returns what it found."""
    left = run_dir_processes(run_dir)
    for pid, _ in left:
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    return left


def inner(arguments):
    run = Run(arguments)
    try:
        run.steps()
        # The exit left nothing of the launcher, its browser or the game.
        left = wait_for(lambda: not run_dir_processes(run.run_dir) or None,
                        "no process of the run to remain", limit=60) and []
        check(not left, "processes remain: %s" % left)
        return 0
    except Exception:
        traceback.print_exc()
        try:
            run.screenshot("failure")
        except Exception:
            pass
        return 1
    finally:
        if run.launcher is not None and run.launcher.poll() is None:
            end_run_dir_processes(run.run_dir)
            run.launcher.wait()


def outer(arguments):
    build = os.path.abspath(arguments.build)
    base = os.path.join(build, "e2e")
    run_dir = os.path.join(base, "run")
    demo = os.path.join(base, "demo")
    shutil.rmtree(run_dir, ignore_errors=True)
    shutil.rmtree(os.path.join(build, "e2e-artifacts"), ignore_errors=True)
    os.makedirs(run_dir)
    shutil.copy(arguments.launcher, os.path.join(run_dir, "launcher.exe"))
    shutil.copytree(arguments.cef, os.path.join(run_dir, "cef"))
    subprocess.run([sys.executable, os.path.join(DEMO, "make_demo_content.py"), "--out", demo,
                    "--game", arguments.game, "--launcher", os.path.join(run_dir, "launcher.exe")],
                   check=True)
    command = [sys.executable, os.path.join(ROOT, "tests", "support", "download_test_servers.py"),
               "--state", os.path.join(build, "download-test-servers"), "--",
               sys.executable, os.path.join(DEMO, "run_demo.py"), "--demo", demo,
               "--run-dir", run_dir, "--fresh", "--withhold-next", "--files-from-fault-host", "--",
               sys.executable, os.path.abspath(__file__), "--inner"] + sys.argv[1:]
    process = subprocess.Popen(command, start_new_session=True)

    def stop(signal_number, _):
        raise KeyboardInterrupt("signal %d" % signal_number)

    signal.signal(signal.SIGTERM, stop)
    try:
        status = process.wait()
    except BaseException:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait()
        raise
    finally:
        left = end_run_dir_processes(run_dir)
        for pid, command_line in left:
            print("ended a leftover process %d: %s" % (pid, command_line[:200]))
    print("artifacts:", os.path.join(build, "e2e-artifacts"))
    return status


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--cef", required=True)
    parser.add_argument("--game", required=True)
    parser.add_argument("--helper", required=True)
    parser.add_argument("--inner", action="store_true", help=argparse.SUPPRESS)
    arguments = parser.parse_args()
    return inner(arguments) if arguments.inner else outer(arguments)


if __name__ == "__main__":
    sys.exit(main())
