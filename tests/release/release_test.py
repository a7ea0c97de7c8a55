"""Unit tests of the release scripts' own logic (scripts/release): the facts
file, the names and codes derived from it, the user README and the move of
facts into a clean build. Reading the programs' PE headers and version
resources, and telling a signed program from its build, are checked on the
real programs by `make dist-all` (check and sign-check)."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

from release import build, checks, facts  # noqa: E402
from release.common import ROOT  # noqa: E402

KALDRIN = {
    "target": "kaldrin", "tool_id": 51, "program": "kaldrin.exe", "program_path": "/b/kaldrin.exe",
    "product_name": "Kaldrin 抗凝剂量核查", "description": "Kaldrin 阿哌沙班剂量核查", "install_name": "Kaldrin",
    "version": "1.0.0", "publisher": "NoltMed", "upgrade_code": "{B22B4FAB-16A6-4E8F-992A-F5A1B749CD44}",
    "icon": "/s/ui/kaldrin.ico", "selftest_report": "/s/core/catalog_selftest.txt",
    "user_readme": "/s/README.md",
}
IV_CHECK = dict(KALDRIN, target="iv_check", tool_id=906, program="iv_check.exe", install_name="iv_check",
                version="0.9.0", upgrade_code="{68F3C2FC-7C48-5487-AF10-9168C9341AC8}", selftest_report=None,
                user_readme=None)


class FactsTest(unittest.TestCase):
    def test_names_and_codes_of_a_release(self):
        kaldrin = facts.parse(KALDRIN)
        self.assertEqual(kaldrin.release_name("zip"), "kaldrin-1.0-win64.zip")
        # The ProductCode of the published 1.0: the same version must keep it.
        self.assertEqual(kaldrin.product_code(), "{82C5317F-EB35-5F84-8BE2-2E0581C7EC8B}")
        upgrade = kaldrin.at_version("1.0.1")
        self.assertEqual(upgrade.release_name("msi"), "kaldrin-1.0.1-win64.msi")
        self.assertNotEqual(upgrade.product_code(), kaldrin.product_code())
        self.assertEqual(upgrade.component_code("Program"), kaldrin.component_code("Program"))
        self.assertEqual(facts.parse(IV_CHECK).release_name("zip"), "iv_check-0.9-win64.zip")
        self.assertEqual([facts.record_file(n) for n in (51, 906, 1, 1234)],
                         ["T051.csv", "T906.csv", "T001.csv", "T1234.csv"])

    def test_component_codes_are_distinct_per_tool_and_component(self):
        codes = [facts.parse(tool).component_code(name) for tool in (KALDRIN, IV_CHECK)
                 for name in ("Program", "StartMenuShortcut")]
        self.assertEqual(len(set(codes)), 4)
        for code in codes:
            self.assertRegex(code, facts.GUID)

    def test_versions(self):
        versions = (("1.0", "1.0.0", "1.0"), ("1.0.0", "1.0.0", "1.0"), ("1.0.1", "1.0.1", "1.0.1"),
                    ("0.9.0", "0.9.0", "0.9"), ("2.10.30", "2.10.30", "2.10.30"), ("1", "1.0.0", "1.0"))
        for given, msi, release in versions:
            with self.subTest(given=given):
                self.assertEqual(facts.msi_version(given), msi)
                self.assertEqual(facts.release_version(given), release)

    def test_faults_are_named(self):
        faults = [
            ({"version": None}, "version"), ({"tool_id": True}, "tool_id"), ({"tool_id": "51"}, "tool_id"),
            ({"tool_id": 0}, "tool_id"), ({"version": "1.0"}, "version"), ({"version": "1.0.0-rc1"}, "version"),
            ({"upgrade_code": "{b22b4fab-16a6-4e8f-992a-f5a1b749cd44}"}, "upgrade_code"),
            ({"upgrade_code": "B22B4FAB-16A6-4E8F-992A-F5A1B749CD44"}, "upgrade_code"),
            ({"install_name": "抗凝"}, "install_name"), ({"install_name": "Kal\\drin"}, "install_name"),
            ({"install_name": ""}, "install_name"), ({"publisher": "Nolt:Med"}, "publisher"),
            ({"program": "kaldrin"}, "program"), ({"program": "bin/kaldrin.exe"}, "program"),
            ({"selftest_report": 1}, "selftest_report"), ({"user_readme": False}, "user_readme"),
        ]
        for change, field in faults:
            with self.subTest(change=change):
                with self.assertRaisesRegex(facts.FactsError, "^%s" % field):
                    facts.parse(dict(KALDRIN, **change))
        partial = dict(KALDRIN)
        del partial["icon"], partial["publisher"]
        with self.assertRaisesRegex(facts.FactsError, "missing publisher, icon"):
            facts.parse(partial)
        with self.assertRaises(facts.FactsError):
            facts.parse([KALDRIN])

    def test_load_exits_with_the_file_and_its_fault(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "tool.json")
            with open(path, "w", encoding="utf-8") as f:
                f.write('{"target": ')
            with self.assertRaisesRegex(SystemExit, "tool.json"):
                facts.load(path)
            with self.assertRaisesRegex(SystemExit, "make windows"):
                facts.load(os.path.join(folder, "missing.json"))


class ReleaseFilesTest(unittest.TestCase):
    def test_a_signed_program_is_the_build_padded_to_eight_bytes(self):
        built = b"program" * 3  # 21 bytes: signing pads it to 24
        self.assertTrue(checks.is_build(built, built))
        self.assertTrue(checks.is_build(built + bytes(3), built))
        self.assertFalse(checks.is_build(built + bytes(11), built))
        self.assertFalse(checks.is_build(b"Program" + built[7:], built))


    def test_user_readme_becomes_readme_txt(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "README.md")
            with open(path, "w", encoding="utf-8") as f:
                f.write("# Tool\n\n## Build\n\nx\n\n## 使用说明\n\n下载 tool-<版本>-win64.zip\n\n\n"
                        "## Developers\n\ny\n")
            product = facts.parse(dict(KALDRIN, user_readme=path, version="2.1.0"))
            self.assertEqual(build.readme_bytes(product),
                             "\ufeff## 使用说明\r\n\r\n下载 tool-2.1-win64.zip\r\n".encode("utf-8"))
            self.assertEqual(build.entries(product), ["kaldrin.exe", "README.txt", "LICENSE.txt"])
            with open(path, "w", encoding="utf-8") as f:
                f.write("# Tool\n\n## Users\n\nno Chinese heading\n")
            with self.assertRaisesRegex(SystemExit, "no user section"):
                build.readme_bytes(product)
        self.assertEqual(build.entries(facts.parse(IV_CHECK)), ["iv_check.exe", "LICENSE.txt"])

    def test_facts_move_into_a_clean_build(self):
        built = os.path.join(ROOT, "build", "windows")
        data = dict(KALDRIN, program_path=os.path.join(built, "tools", "x", "x.exe"),
                    icon=os.path.join(ROOT, "ui", "kaldrin.ico"), selftest_report=None,
                    user_readme=os.path.join(ROOT, "README.md"))
        moved = checks.rerooted(data, built, "/copy", "/clean")
        self.assertEqual(moved["program_path"], "/clean/tools/x/x.exe")
        self.assertEqual(moved["icon"], "/copy/ui/kaldrin.ico")
        self.assertIsNone(moved["selftest_report"])
        self.assertEqual(moved["user_readme"], "/copy/README.md")
        self.assertEqual(moved["version"], "1.0.0")
        with self.assertRaisesRegex(SystemExit, "outside the repository"):
            checks.rerooted(dict(data, icon="/elsewhere/x.ico"), built, "/copy", "/clean")


if __name__ == "__main__":
    unittest.main()
