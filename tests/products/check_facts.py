#!/usr/bin/env python3
"""Checks the product facts a Windows build writes for each program
(<build>/products/<target>.json), the file the release scripts read:
  check_facts.py <products folder> <source folder> <project version>
Kaldrin's facts are the published ones; the second tool's are the defaults of
a kaldrin_add_tool call that names only what it must. Exit code 1 on any
difference, with one line per difference."""

import json
import os
import re
import sys
import uuid

KEYS = ["target", "tool_id", "program", "program_path", "product_name", "description", "install_name",
        "version", "publisher", "upgrade_code", "icon", "selftest_report", "user_readme"]
# The namespace upgrade codes are derived in; changing it would cut every
# tool's later releases off from the installed ones.
UPGRADE_CODE_NAMESPACE = uuid.UUID("38aeedb3-55fc-4c4d-ac3f-1bdb5b5d7cc3")


def derived_upgrade_code(tool_id):
    return "{%s}" % str(uuid.uuid5(UPGRADE_CODE_NAMESPACE, "tool-%d" % tool_id)).upper()


def main():
    products, source, project_version = sys.argv[1:4]
    problems = []
    major_minor_patch = (project_version.split(".") + ["0", "0"])[:3]
    expected = {
        "kaldrin": {
            "tool_id": 51, "program": "kaldrin.exe", "product_name": "Kaldrin 抗凝剂量核查",
            "description": "Kaldrin 阿哌沙班剂量核查（肌酐清除率、年龄、体重）", "install_name": "Kaldrin",
            "version": ".".join(major_minor_patch), "publisher": "NoltMed",
            "upgrade_code": "{B22B4FAB-16A6-4E8F-992A-F5A1B749CD44}",
            "icon": os.path.join(source, "ui", "kaldrin.ico"),
            "selftest_report": os.path.join(source, "core", "catalog_selftest.txt"),
            "user_readme": os.path.join(source, "README.md"),
        },
        "iv_check": {
            "tool_id": 906, "program": "iv_check.exe", "product_name": "IV 配伍核查",
            "description": "IV 配伍核查（两种静脉药物的配伍禁忌）", "install_name": "iv_check",
            "version": "0.9.0", "publisher": "NoltMed", "upgrade_code": derived_upgrade_code(906),
            "icon": os.path.join(source, "ui", "kaldrin.ico"), "selftest_report": None, "user_readme": None,
        },
    }
    names = sorted(name[:-5] for name in os.listdir(products) if name.endswith(".json"))
    for target in expected:
        if target not in names:
            problems.append("%s.json is missing" % target)
    for target in names:
        path = os.path.join(products, target + ".json")
        try:
            with open(path, "rb") as f:
                facts = json.loads(f.read().decode("utf-8"))
        except (UnicodeDecodeError, ValueError) as error:
            problems.append("%s: not UTF-8 JSON (%s)" % (path, error))
            continue
        if list(facts) != KEYS:
            problems.append("%s: keys %s, expected %s" % (path, list(facts), KEYS))
            continue
        if facts["target"] != target:
            problems.append("%s: target %r" % (path, facts["target"]))
        if not re.fullmatch(r"\d+\.\d+\.\d+", facts["version"]):
            problems.append("%s: version %r is not major.minor.patch" % (path, facts["version"]))
        if not re.fullmatch(r"\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}", facts["upgrade_code"]):
            problems.append("%s: upgrade code %r" % (path, facts["upgrade_code"]))
        if not re.fullmatch(r"[A-Za-z0-9][A-Za-z0-9 ._-]*", facts["install_name"]):
            problems.append("%s: install name %r is not plain ASCII" % (path, facts["install_name"]))
        if os.path.basename(facts["program_path"]) != facts["program"] or not os.path.isfile(facts["program_path"]):
            problems.append("%s: program_path %r is not the built %s" % (path, facts["program_path"], facts["program"]))
        for key in ("icon", "selftest_report", "user_readme"):
            if facts[key] is not None and not os.path.isfile(facts[key]):
                problems.append("%s: %s %r does not exist" % (path, key, facts[key]))
        for key, value in expected.get(target, {}).items():
            if facts[key] != value:
                problems.append("%s: %s is %r, expected %r" % (path, key, facts[key], value))
    for problem in problems:
        print(problem)
    print("product facts: %d files, %d problems" % (len(names), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
