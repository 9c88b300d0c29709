#!/usr/bin/env python3
"""Moves the demo content service's next version on while the demo runs.

  demo_control.py --run-dir DIR publish|offer|release

DIR is the launcher's folder given to run_demo.py --withhold-next, whose
"demo-service.json" names the running servers. "publish" serves the next
version's files; "offer" also offers them for pre-download (directory reply
and pre-download query); "release" makes the next version the current one and
offers nothing more. Each stage includes the ones before it.
"""

import argparse
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import run_demo  # noqa: E402

# The replies of each stage: (directory reply, pre-download reply).
STAGES = {
    "publish": ("get_urls_withheld.json", "pre_download_none.json"),
    "offer": ("get_urls.json", "pre_download.json"),
    "release": ("get_urls_released.json", "pre_download_none.json"),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("stage", choices=sorted(STAGES))
    arguments = parser.parse_args()
    with open(os.path.join(arguments.run_dir, "demo-service.json"), encoding="utf-8") as source:
        service = json.load(source)
    run_demo.serve(os.path.join(service["demo"], "content"), service["served"], "next")
    fault = run_demo.FaultHost(service["fields"]["SERVICE_URL"], service["ca_pem"])
    get_urls, pre_download = STAGES[arguments.stage]
    run_demo.answer_stage(fault, service["demo"], service["fields"], get_urls, pre_download)
    return 0


if __name__ == "__main__":
    sys.exit(main())
