#!/usr/bin/env python3
"""Runs launcher.exe under Wine against the demo content service.

  run_demo.py --demo DIR --run-dir DIR [--fresh] [--withhold-next]
              [--files-from-fault-host] -- COMMAND...

The command of tests/support/download_test_servers.py in scripts/run.sh: the
servers it started (named by its LAUNCHER_TEST_* variables) become the demo
service. The content host (nginx) serves DIR/content (written by
make_demo_content.py) as "/demo"; the fault host answers the directory
requests with the demo's replies and takes the tracking reports. The launcher's
folder (--run-dir) gets "save/setting.json" pointing at these servers; on the
first run also "save/EnvConfig.json" with the game folder "Demo Game", where the
previous game version is installed. The Wine prefix is made to trust the
servers' CA. COMMAND (launcher.exe through scripts/wine-run.sh) then runs in
the launcher's folder; when it ends, the requests the servers saw are written
to "demo-requests.log" there, and its exit status is returned.

--files-from-fault-host serves the game's versions from the fault host (as
"/~files/demo") instead of the content host, so a test can slow its transfers
down with the fault host's rules and see every request as it starts. --fresh
installs no game and names no game folder: the launcher starts as on
a machine without the game. --withhold-next holds the next version back: it is
not served, and neither the directory reply nor the pre-download query offers
it. While COMMAND runs, scripts/demo/demo_control.py --run-dir DIR then moves it
on, one stage at a time:
  publish   the next version's files are served (still not offered)
  offer     the directory and pre-download replies offer it for pre-download
  release   the directory reply makes it the current version (it is no longer
            offered), so the launcher updates to it
The controls find the servers through "demo-service.json", which this script
writes into the launcher's folder.
"""

import argparse
import hashlib
import json
import os
import shutil
import ssl
import struct
import subprocess
import sys
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, "..", "wine-run.sh")
GAME_FOLDER = "Demo Game"
# The fault host serves its content folder below any "/~NAME" prefix.
FAULT_FILES_PREFIX = "/~files"


def unix_path(windows_path):
    """The servers script names its files as Z: paths."""
    return windows_path[2:].replace("\\", "/") if windows_path[:2].upper() == "Z:" else windows_path


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def fill(text, fields):
    for name, value in fields.items():
        text = text.replace("@%s@" % name, value)
    return text


def read_text(path):
    with open(path, encoding="utf-8") as source:
        return source.read()


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)


class FaultHost:
    def __init__(self, url, ca_pem):
        self.url = url
        self.context = ssl.create_default_context(cafile=ca_pem)

    def call(self, path, body=None):
        data = None if body is None else json.dumps(body).encode("utf-8")
        request = urllib.request.Request(self.url + path, data=data)
        with urllib.request.urlopen(request, context=self.context, timeout=30) as reply:
            return reply.read()

    def answer(self, path, body):
        self.call("/_control/rule", {"path": path, "action": "status", "status": 200, "body": body})


def trust_ca(der_path):
    """Adds the CA to the Wine prefix's machine root store, as the registry
    holds it: under its SHA-1 thumbprint, a serialized element whose one
    property (32) is the encoded certificate."""
    with open(der_path, "rb") as source:
        der = source.read()
    thumbprint = hashlib.sha1(der).hexdigest().upper()
    blob = struct.pack("<III", 32, 1, len(der)) + der
    key = "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + thumbprint
    subprocess.run(["bash", WINE_RUN, "reg", "add", key, "/v", "Blob", "/t", "REG_BINARY",
                    "/d", blob.hex(), "/f"], check=True, stdout=subprocess.DEVNULL)


def prepare_launcher_folder(demo, run_dir, fields, fresh):
    write_text(os.path.join(run_dir, "save", "setting.json"),
               fill(read_text(os.path.join(demo, "setting.json")), fields))
    if fresh:
        return
    # The launcher keeps its own settings and the game it updated: only a
    # first run sets them up.
    game = os.path.join(run_dir, GAME_FOLDER)
    if not os.path.exists(game):
        shutil.copytree(os.path.join(demo, "previous"), game)
    settings = os.path.join(run_dir, "save", "EnvConfig.json")
    if not os.path.exists(settings):
        write_text(settings, json.dumps({"gamePath": windows_path(game)}, indent="\t") + "\n")


def serve(content, served, part):
    """Serves the demo's content/`part` below the served folder."""
    link = os.path.join(served, part)
    if not os.path.lexists(link):
        os.symlink(os.path.join(content, part), link)


def answer_stage(fault, demo, fields, get_urls, pre_download):
    """The directory replies of one stage of the next version."""
    replies = os.path.join(demo, "replies")
    fault.answer("/~gate/get/urls", fill(read_text(os.path.join(replies, get_urls)), fields))
    fault.answer("/~gate/pre_download",
                 fill(read_text(os.path.join(replies, pre_download)), fields))


def save_request_log(fault, content_log, path):
    lines = []
    try:
        for entry in json.loads(fault.call("/_control/log")):
            lines.append("directory/reports %s %s %d" % (entry["method"], entry["path"],
                                                         entry["status"]))
    except OSError as error:
        lines.append("directory/reports: no log (%s)" % error)
    if os.path.exists(content_log):
        lines += ["content " + line.rstrip("\n") for line in open(content_log, encoding="utf-8")]
    write_text(path, "\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--demo", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--fresh", action="store_true", help="start without the game")
    parser.add_argument("--withhold-next", action="store_true",
                        help="hold the next version back until demo_control.py moves it on")
    parser.add_argument("--files-from-fault-host", action="store_true",
                        help="serve the game's versions from the fault host")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    arguments = parser.parse_args()
    command = arguments.command[1:] if arguments.command[:1] == ["--"] else arguments.command
    demo = os.path.abspath(arguments.demo)
    run_dir = os.path.abspath(arguments.run_dir)

    content = os.path.join(demo, "content")
    served = os.path.join(unix_path(os.environ["LAUNCHER_TEST_CONTENT_ROOT"]), "demo")
    os.makedirs(served)
    for part in sorted(os.listdir(content)):
        if part != "next" or not arguments.withhold_next:
            serve(content, served, part)
    ca_der = unix_path(os.environ["LAUNCHER_TEST_CA_DER"])
    ca_pem = os.path.join(os.path.dirname(ca_der), "ca.pem")
    fault = FaultHost(os.environ["LAUNCHER_TEST_FAULT_URL"], ca_pem)
    fields = {"CONTENT_URL": os.environ["LAUNCHER_TEST_CONTENT_URL"] + "/demo",
              "SERVICE_URL": os.environ["LAUNCHER_TEST_FAULT_URL"]}
    fields["PAGE_URL"] = os.environ["LAUNCHER_TEST_CONTENT_HTTP_URL"] + "/demo"
    fields["FILES_URL"] = (os.environ["LAUNCHER_TEST_FAULT_URL"] + FAULT_FILES_PREFIX + "/demo"
                           if arguments.files_from_fault_host else fields["CONTENT_URL"])
    if arguments.withhold_next:
        answer_stage(fault, demo, fields, "get_urls_withheld.json", "pre_download_none.json")
    else:
        answer_stage(fault, demo, fields, "get_urls.json", "pre_download.json")
    fault.answer("/~track/track/json_track", "")
    prepare_launcher_folder(demo, run_dir, fields, arguments.fresh)
    write_text(os.path.join(run_dir, "demo-service.json"), json.dumps({
        "demo": demo, "served": served, "fields": fields, "ca_pem": ca_pem,
        "content_log": unix_path(os.environ["LAUNCHER_TEST_CONTENT_LOG"])}, indent="\t") + "\n")
    trust_ca(ca_der)

    environment = dict(os.environ)
    # The built-in public-address and attribution services are not local:
    # their requests end at a proxy where nothing listens, so the demo stays on
    # this machine.
    environment["https_proxy"] = os.environ["LAUNCHER_TEST_DEAD_URL"].replace("https:", "http:")
    environment["no_proxy"] = "127.0.0.1"
    print("Demo service: content %s, directory %s" % (fields["CONTENT_URL"],
                                                       fields["SERVICE_URL"] + "/~gate/"))
    sys.stdout.flush()
    try:
        return subprocess.call(command, cwd=run_dir, env=environment)
    finally:
        save_request_log(fault, unix_path(os.environ["LAUNCHER_TEST_CONTENT_LOG"]),
                         os.path.join(run_dir, "demo-requests.log"))


if __name__ == "__main__":
    sys.exit(main())
