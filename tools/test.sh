#!/usr/bin/env bash
# Builds everything (warnings are errors), the page among it, and runs every
# test, the page's in headless Chromium among them; installs what they need
# when it is missing. A test that could not run is named in the summary with
# its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
qmx_install emscripten chromium chromium-driver python3-selenium python3-watchdog
cmake --preset default
cmake --build --preset default -j "$(nproc)"
junit=$PWD/build/Testing/results.xml
status=0
ctest --preset default -j "$(nproc)" --output-junit "$junit" || status=$?
# The reason of each skip: GoogleTest's lines after "Skipped", or the last
# line a skipped script printed.
python3 - "$junit" <<'PY'
import sys, xml.etree.ElementTree as ET
reasons = []
for case in ET.parse(sys.argv[1]).getroot().iter("testcase"):
    if case.get("status") != "notrun" and case.find("skipped") is None:
        continue
    out = (case.findtext("system-out") or "").splitlines()
    lines = [l.strip() for l in out if l.strip()]
    reason = ""
    for i, line in enumerate(lines):
        if line.endswith(": Skipped") and i + 1 < len(lines):
            reason = lines[i + 1]
            break
    if not reason and lines:
        reason = lines[-1]
    reasons.append(f"  {case.get('name')}: {reason or 'no reason given'}")
if reasons:
    print("Skipped, and why:")
    print("\n".join(reasons))
PY
exit $status
