#!/usr/bin/env python3
"""Checks the product facts a Windows build writes for each program
(<build>/products/<target>.json), the file the release scripts read:
  check_facts.py <products folder> <source folder> <project version>
Every file must load as the release scripts load it, name its own target and
the files that exist. Kaldrin's facts are the published ones; the second
tool's are the defaults of a kaldrin_add_tool call that names only what it
must. Exit code 1 on any difference, with one line per difference."""

import json
import os
import sys
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

from release import facts  # noqa: E402

# The namespace upgrade codes are derived in; changing it would cut every
# tool's later releases off from the installed ones.
UPGRADE_CODE_NAMESPACE = uuid.UUID("38aeedb3-55fc-4c4d-ac3f-1bdb5b5d7cc3")


def derived_upgrade_code(tool_id):
    return "{%s}" % str(uuid.uuid5(UPGRADE_CODE_NAMESPACE, "tool-%d" % tool_id)).upper()


def main():
    products, source, project_version = sys.argv[1:4]
    problems = []
    expected = {
        "kaldrin": {
            "tool_id": 51, "program": "kaldrin.exe", "product_name": "Kaldrin 抗凝剂量核查",
            "description": "Kaldrin 阿哌沙班剂量核查（肌酐清除率、年龄、体重）", "install_name": "Kaldrin",
            "version": facts.msi_version(project_version), "publisher": "NoltMed",
            "upgrade_code": "{B22B4FAB-16A6-4E8F-992A-F5A1B749CD44}",
            "icon": os.path.join(source, "ui", "kaldrin.ico"),
            "selftest_report": os.path.join(source, "core", "catalog_selftest.txt"),
        },
        "iv_check": {
            "tool_id": 906, "program": "iv_check.exe", "product_name": "IV 配伍核查",
            "description": "IV 配伍核查（两种静脉药物的配伍禁忌）", "install_name": "iv_check",
            "version": "0.9.0", "publisher": "NoltMed", "upgrade_code": derived_upgrade_code(906),
            "icon": os.path.join(source, "ui", "kaldrin.ico"), "selftest_report": None,
        },
    }
    names = sorted(name[:-5] for name in os.listdir(products) if name.endswith(".json"))
    problems += ["%s.json is missing" % target for target in expected if target not in names]
    for target in names:
        path = os.path.join(products, target + ".json")
        try:
            with open(path, "rb") as f:
                data = json.loads(f.read().decode("utf-8"))
            product = facts.parse(data)
        except (UnicodeDecodeError, ValueError, facts.FactsError) as error:
            problems.append("%s: %s" % (path, error))
            continue
        if list(data) != list(facts.FIELDS):
            problems.append("%s: keys %s, expected %s" % (path, list(data), list(facts.FIELDS)))
        if product.target != target:
            problems.append("%s: target %r" % (path, product.target))
        if os.path.basename(product.program_path) != product.program or not os.path.isfile(product.program_path):
            problems.append("%s: program_path %r is not the built %s" % (path, product.program_path, product.program))
        check = target + "_definition_check.exe"
        if os.path.basename(product.definition_check_path) != check or not os.path.isfile(product.definition_check_path):
            problems.append("%s: definition_check_path %r is not the built %s" % (path, product.definition_check_path,
                                                                                  check))
        for key in ("icon", "selftest_report"):
            if data[key] is not None and not os.path.isfile(data[key]):
                problems.append("%s: %s %r does not exist" % (path, key, data[key]))
        for key, value in expected.get(target, {}).items():
            if data[key] != value:
                problems.append("%s: %s is %r, expected %r" % (path, key, data[key], value))
    for problem in problems:
        print(problem)
    print("product facts: %d files, %d problems" % (len(names), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
