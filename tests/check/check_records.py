"""Reads the sample run's JSON and JUnit records back with Python's own parsers."""
import json
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sample = sys.argv[1]
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


with tempfile.TemporaryDirectory() as folder:
    subprocess.run([sample, folder], check=True)
    with open(folder + "/run.json", encoding="utf-8") as f:
        run = json.load(f)
    junit = ET.parse(folder + "/run.junit.xml").getroot()

# JSON: the documented fields, with the types the README gives
for key in ("station", "operator", "started", "ended", "tool_version", "plan_digest", "plan_source", "verdict", "cards"):
    expect(key in run, "run field " + key)
expect(run["operator"] == "王工", "operator text survives")
expect(run["started"] == "2025-12-09T17:06:40Z" and run["ended"] == "2025-12-09T17:07:22Z", "times in UTC")
expect(run["verdict"] == "fail", "run verdict")
expect([c["verdict"] for c in run["cards"]] == ["pass", "fail"], "card verdicts")
for card in run["cards"]:
    for key in ("position", "model", "serial", "verdict", "identity", "checks"):
        expect(key in card, "card field " + key)
    for key in ("vendor_id", "product_code", "hardware_name", "software_version", "date"):
        expect(key in card["identity"], "identity field " + key)
    for check in card["checks"]:
        for key in ("name", "verdict", "value", "low", "high", "unit", "detail", "duration_ms"):
            expect(key in check, "check field " + key)
expect(run["cards"][0]["checks"][0]["value"] is None, "a check without a number has value null")
expect(run["cards"][1]["checks"][0]["low"] == 4.9, "limits are numbers")

# JUnit: one suite per card named by model and serial, one case per check, failures counted
suites = junit.findall("testsuite")
expect(junit.get("tests") == "5" and junit.get("failures") == "2", "totals")
expect([s.get("name") for s in suites] == ["ZEIO 2025060100010000", "KOVA-H 2025060200010001"], "suite names")
expect([len(s.findall("testcase")) for s in suites] == [2, 3], "cases per suite")
expect([s.get("failures") for s in suites] == ["0", "2"], "failures per suite")
expect(suites[0].get("hostname") == 'line <1> & "2"', "escaped attribute reads back")
failure = suites[1].find("testcase").find("failure")
expect(failure is not None and "value 4.2 V, limits 4.9 to 5.1 V" in failure.get("message"), "failure message")
expect(failure is not None and failure.text == 'AD3 reads <low> & "odd"????', "escaped text reads back")
expect(suites[1].findall("testcase")[2].find("failure") is None, "a passed case has no failure")

for f in failures:
    print("FAILED:", f)
sys.exit(1 if failures else 0)
