#!/usr/bin/env python3
"""What one ctest run of a build tree did to each of its entries, for run-suites.sh:

    ctest_results.py verdicts LISTING JUNIT   one line per entry of the tree, in ctest's order:
                                              NAME ROLE VERDICT
    ctest_results.py output JUNIT NAME        what the entry printed

LISTING is `ctest --show-only=json-v1` of the tree, JUNIT the report of `ctest --output-junit`.
ROLE is "fixture" for an entry that starts or stops what others run in (FIXTURES_SETUP or
FIXTURES_CLEANUP), "script" for one labelled script (it writes no GoogleTest report), "suite"
otherwise. VERDICT is ctest's: Passed, Failed, Not Run or Disabled; "Missing" when the report has
no such entry (ctest never got to it, or wrote no report)."""
import json
import re
import sys
import xml.etree.ElementTree as ElementTree

VERDICTS = {"run": "Passed", "fail": "Failed", "notrun": "Not Run", "disabled": "Disabled"}
TESTCASE_TAG = re.compile(r'<testcase name="(?P<name>[^"]*)"[^>]*? status="(?P<status>[^"]*)"')


def read_junit(path):
    """The report's test cases by name; empty when there is no report. ctest escapes what a
    test printed into valid XML; should a report still not parse, the verdicts are read from its
    testcase tags alone."""
    try:
        root = ElementTree.parse(path).getroot()
    except OSError:
        return {}
    except ElementTree.ParseError:
        with open(path, encoding="utf-8", errors="replace") as report:
            tags = TESTCASE_TAG.finditer(report.read())
        return {tag["name"]: ElementTree.Element("testcase", tag.groupdict()) for tag in tags}
    return {case.get("name"): case for case in root.iter("testcase")}


def role(test):
    properties = {p["name"]: p["value"] for p in test.get("properties", [])}
    if "FIXTURES_SETUP" in properties or "FIXTURES_CLEANUP" in properties:
        return "fixture"
    if "script" in properties.get("LABELS", []):
        return "script"
    return "suite"


def verdicts(listing_path, junit_path):
    with open(listing_path, encoding="utf-8") as listing:
        tests = json.load(listing)["tests"]
    cases = read_junit(junit_path)
    for test in tests:
        case = cases.get(test["name"])
        verdict = "Missing" if case is None else VERDICTS.get(case.get("status"), "Failed")
        print(test["name"], role(test), verdict)
    return 0


def output(junit_path, name):
    case = read_junit(junit_path).get(name)
    if case is None:
        return 1
    sys.stdout.write(case.findtext("system-out") or "")
    return 0


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "verdicts":
        return verdicts(sys.argv[2], sys.argv[3])
    if len(sys.argv) == 4 and sys.argv[1] == "output":
        return output(sys.argv[2], sys.argv[3])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
