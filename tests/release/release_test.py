"""Unit tests of the release scripts' own logic (scripts/release): the facts
file, the names and codes derived from it, the suite package and its shared
names, the guides written from the template and the definitions, the key
paths the validation rules accept, the move of facts into a clean build, the
published releases and the rule they bind a build to, and the signing command. Reading the programs' PE headers and version
resources, and telling a signed program from its build, are checked on the
real programs by `make dist-all` (check and sign-check)."""

import contextlib
import dataclasses
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from unittest import mock

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

from release import build, checks, common, facts, guide, install, msi, pe, published  # noqa: E402
from release.common import ROOT  # noqa: E402

KALDRIN = {
    "target": "kaldrin", "tool_id": 51, "program": "kaldrin.exe", "program_path": "/b/kaldrin.exe",
    "definition_check_path": "/b/kaldrin_definition_check.exe",
    "product_name": "Kaldrin 抗凝剂量核查", "description": "Kaldrin 阿哌沙班剂量核查", "install_name": "Kaldrin",
    "version": "1.0.0", "publisher": "NoltMed", "upgrade_code": "{B22B4FAB-16A6-4E8F-992A-F5A1B749CD44}",
    "icon": "/s/ui/kaldrin.ico", "selftest_report": "/s/core/catalog_selftest.txt",
}
IV_CHECK = dict(KALDRIN, target="iv_check", tool_id=906, program="iv_check.exe", install_name="iv_check",
                version="0.9.0", upgrade_code="{68F3C2FC-7C48-5487-AF10-9168C9341AC8}", selftest_report=None)
# A released tool without a user README, and the README's example tool.
ROTA = dict(IV_CHECK, target="rota", tool_id=61, program="rota.exe", install_name="Rota", version="1.0.0",
            upgrade_code="{6C0C5E51-2E64-5B0B-9B7B-2F0A3B2E0C61}", selftest_report="/s/tools/rota/rota_selftest.txt")
EXAMPLE = dict(IV_CHECK, target="example", tool_id=52, program="example.exe", install_name="example",
               upgrade_code="{6C0C5E51-2E64-5B0B-9B7B-2F0A3B2E0C52}")


def suite_of(*tools, **names):
    return facts.suite([facts.parse(tool) for tool in tools], dict(common.SUITE, **names))


def description(tool, **change):
    """A definition as its definition check describes it (app/tool_description.h)."""
    d = {"id": tool["tool_id"], "name": "BMI", "subtitle": "体重指数", "category": "营养", "basis": "WS/T 428",
         "note": None, "report_kind": 0,
         "inputs": [{"key": "w", "label": "体重", "unit": "kg", "default": "65", "choice": None},
                    {"key": "h", "label": "身高", "unit": "", "default": "170.5", "choice": None}],
         "outputs": [{"key": "bmi", "label": "体重指数", "unit": "kg/m²", "formula": "w/(h/100)^2"}],
         "rules": [{"condition": "bmi>=40", "level": 3, "message": "重度肥胖"},
                   {"condition": "bmi>=28", "level": 2, "message": "肥胖"},
                   {"condition": "bmi>=24", "level": 1, "message": "超重"},
                   {"condition": "", "level": 0, "message": "正常"}]}
    d.update(change)
    return d


def descriptions(package):
    return {tool.target: description(dataclasses.asdict(tool)) for tool in package.programs()}


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
        # The per-machine package: a product of its own, as stable as the
        # per-user one, whose codes are none of the per-user one's.
        machine = upgrade.per_machine()
        self.assertEqual(build.release_files(upgrade), ["kaldrin-1.0.1-win64.zip", "kaldrin-1.0.1-win64.msi",
                                                        "kaldrin-1.0.1-win64-machine.msi"])
        self.assertEqual(machine.per_machine(), machine)
        self.assertEqual(machine.upgrade_code, kaldrin.per_machine().upgrade_code)
        self.assertEqual(machine.at_version("1.0.2").release_name("msi"), "kaldrin-1.0.2-win64-machine.msi")
        per_user = {upgrade.upgrade_code, upgrade.product_code(), kaldrin.product_code()}
        per_user |= {upgrade.component_code(name) for name in msi.components(upgrade)}
        own = {machine.upgrade_code, machine.product_code()}
        own |= {machine.component_code(name) for name in msi.components(machine)}
        # Per machine the program has a component of its own, the documents another.
        self.assertEqual(msi.components(machine), ["Program", "Documents", "StartMenuShortcut"])
        self.assertEqual(len(own), 5)
        self.assertFalse(own & per_user)
        self.assertEqual([install.earlier(kaldrin.at_version(v)).version for v in ("1.0.1", "1.2.0", "2.0.0")],
                         ["1.0.0", "1.1.0", "1.0.0"])
        with self.assertRaisesRegex(SystemExit, "no earlier version"):
            install.earlier(kaldrin.at_version("0.0.0"))
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
            ({"install_name": ""}, "install_name"), ({"install_name": "Kaldrin+"}, "install_name"),
            ({"publisher": "Nolt:Med"}, "publisher"), ({"definition_check_path": None}, "definition_check_path"),
            ({"program": "kaldrin"}, "program"), ({"program": "bin/kaldrin.exe"}, "program"),
            ({"selftest_report": 1}, "selftest_report"),
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


class SuiteTest(unittest.TestCase):
    """The suite package: which tools it carries, its names and codes, and
    what its MSI source holds."""

    def test_the_suite_carries_the_released_tools_by_number(self):
        suite = suite_of(ROTA, IV_CHECK, EXAMPLE, KALDRIN)
        self.assertEqual([tool.tool_id for tool in suite.programs()], [51, 61])
        readme = guide.readme_bytes(suite, descriptions(suite)).decode("utf-8")
        self.assertIn("msiexec /i noltmed-suite-1.0-win64.msi /qn", readme)
        self.assertNotIn("kaldrin-", readme)
        self.assertEqual(suite.entries(), ["kaldrin.exe", "rota.exe", "README.txt", "LICENSE.txt"])
        self.assertEqual(suite.release_name("msi"), "noltmed-suite-1.0-win64.msi")
        self.assertEqual((suite.install_name, suite.menu_folder(), suite.publisher), ("NoltMed Suite",) * 2 + ("NoltMed",))
        self.assertEqual(suite.upgrade_code, "{0D3DBB54-35CF-4548-96CF-F3A1F0BA080A}")

    def test_the_suite_shares_no_code_with_a_tool(self):
        suite, kaldrin = suite_of(KALDRIN, ROTA), facts.parse(KALDRIN)
        suite_codes = [suite.product_code(), suite.at_version("1.0.1").product_code()]
        suite_codes += [suite.component_code(name) for name in msi.components(suite)]
        tool_codes = [kaldrin.product_code(), kaldrin.upgrade_code]
        tool_codes += [kaldrin.component_code(name) for name in msi.components(kaldrin)]
        self.assertEqual(len(set(suite_codes)), len(suite_codes))
        self.assertFalse(set(suite_codes) & set(tool_codes))

    def test_a_suite_that_cannot_be_made_is_named(self):
        faults = [
            ((KALDRIN, dict(ROTA, tool_id=51)), {}, "tool_id 51"),
            ((KALDRIN, dict(ROTA, program="kaldrin.exe")), {}, "program kaldrin.exe"),
            ((KALDRIN, dict(ROTA, install_name="Kaldrin")), {}, "install_name Kaldrin"),
            ((IV_CHECK, EXAMPLE), {}, "no released tool"),
            ((KALDRIN, dict(ROTA, selftest_report=None)), {}, "rota declare no self-test report"),
            ((KALDRIN, dict(ROTA, publisher="Other")), {}, "rota name another publisher"),
            ((KALDRIN,), {"UPGRADE_CODE": KALDRIN["upgrade_code"]}, "is a tool's"),
            ((KALDRIN,), {"UPGRADE_CODE": "0D3DBB54-35CF-4548-96CF-F3A1F0BA080A"}, "upgrade code"),
            ((KALDRIN,), {"INSTALL_NAME": "诺特工具"}, "install name"),
            ((KALDRIN,), {"INSTALL_NAME": "NoltMed+Suite"}, "install name"),
        ]
        for tools, names, message in faults:
            with self.subTest(message):
                with self.assertRaisesRegex(SystemExit, message):
                    suite_of(*tools, **names)

    def test_the_suite_names_header_is_read_line_by_line(self):
        self.assertEqual(common.SUITE_URL, "http://www.noltmed.example")
        self.assertEqual(common.RECORDS_FOLDER, ("NoltMedSuite", "records"))
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "names.h")
            with open(path, "w", encoding="utf-8") as f:
                f.write('#pragma once\n// #define KALDRIN_SUITE_A "no"\n#define KALDRIN_SUITE_HOST "a.example"\n'
                        '#define KALDRIN_SUITE_BAD "a\\\\b"\n#define KALDRIN_SUITE_EMPTY ""\n'
                        '#define OTHER_NAME "x"\n#define KALDRIN_SUITE_TAIL "x" // no\n')
            self.assertEqual(common.suite_names(path), {"HOST": "a.example", "EMPTY": ""})

    def test_the_suite_msi_source_names_a_shortcut_per_tool_by_a_valid_identifier(self):
        # What the package holds is checked by installing it (dist-all); here
        # the names a tool's file could give that installing does not meet.
        with tempfile.TemporaryDirectory() as folder:
            text, _ = msi.source(suite_of(KALDRIN, ROTA), folder)
            machine, defines = msi.source(suite_of(KALDRIN, ROTA).per_machine(), folder)
        self.assertEqual(text.count("<Shortcut "), 2)
        # Per user each of the four files has a value under HKCU as its key
        # path; per machine each file is its key path, and none is under HKCU.
        self.assertEqual((text.count('Root="HKCU"'), machine.count('Root="HKCU"')), (4, 0))
        self.assertEqual(len(re.findall(r'<File [^>]* KeyPath="yes"/>', machine)), 4)
        self.assertEqual(machine.count('Name="DisplayIcon"'), 1)
        self.assertEqual([defines[name] for name in ("InstallScope", "BaseFolder", "ParentName", "ShortcutRoot",
                                                     "DisplayName")],
                         ["perMachine", "ProgramFiles64Folder", "NoltMed", "HKMU", "NoltMed Suite"])
        self.assertEqual([msi.identifier(n) for n in ("kaldrin.exe", "iv-check+.exe", "9a.exe", ".x")],
                         ["kaldrin.exe", "iv_check_.exe", "_9a.exe", "_.x"])


class ReleaseFilesTest(unittest.TestCase):
    def test_a_signed_program_is_the_build_padded_to_eight_bytes(self):
        built = b"program" * 3  # 21 bytes: signing pads it to 24
        self.assertTrue(checks.is_build(built, built))
        self.assertTrue(checks.is_build(built + bytes(3), built))
        self.assertFalse(checks.is_build(built + bytes(11), built))
        self.assertFalse(checks.is_build(b"Program" + built[7:], built))


    def test_the_it_guides_name_both_packages_and_their_upgrade_codes(self):
        # A deployment tool detects the product by these codes: a guide that
        # names another (a code derived differently) sends IT to the wrong one.
        kaldrin = facts.parse(dict(KALDRIN, version="1.0.1"))
        for package in (kaldrin, suite_of(KALDRIN, ROTA)):
            with self.subTest(package.target):
                readme = guide.readme_bytes(package, descriptions(package)).decode("utf-8")
                machine = package.per_machine()
                for text in (machine.upgrade_code, package.upgrade_code, machine.release_name("msi"),
                             "msiexec /i %s ALLUSERS=1 /qn /l*v" % machine.release_name("msi"),
                             "msiexec /x %s /qn" % machine.release_name("msi"), machine.product_code(),
                             package.product_code(), "“%s (current user)”" % package.install_name):
                    self.assertIn(text, readme)
        readme = guide.readme_bytes(kaldrin, descriptions(kaldrin)).decode("utf-8")
        for text in ("文件版本为四段数字 1.0.1.0", "DisplayVersion 为 1.0.1", "ProductName“Kaldrin 抗凝剂量核查”",
                     "已发布的 1.0 版（按用户安装）在“程序和功能”中名为“Kaldrin”、版本 1.0.0"):
            self.assertIn(text, readme)

    def test_facts_move_into_a_clean_build(self):
        built = os.path.join(ROOT, "build", "windows")
        data = dict(KALDRIN, program_path=os.path.join(built, "tools", "x", "x.exe"),
                    definition_check_path=os.path.join(built, "x_definition_check", "x_definition_check.exe"),
                    icon=os.path.join(ROOT, "ui", "kaldrin.ico"), selftest_report=None)
        moved = checks.rerooted(data, built, "/copy", "/clean")
        self.assertEqual(moved["program_path"], "/clean/tools/x/x.exe")
        self.assertEqual(moved["definition_check_path"], "/clean/x_definition_check/x_definition_check.exe")
        self.assertEqual(moved["icon"], "/copy/ui/kaldrin.ico")
        self.assertIsNone(moved["selftest_report"])
        self.assertEqual(moved["version"], "1.0.0")
        with self.assertRaisesRegex(SystemExit, "outside the repository"):
            checks.rerooted(dict(data, icon="/elsewhere/x.ico"), built, "/copy", "/clean")


class GuideTest(unittest.TestCase):
    """README.txt: the template filled for a tool or the suite, what a
    definition says in the guide's words, and the removal script it gives."""

    def test_the_template_is_rendered_for_its_kind(self):
        template = ("# for developers, @NOT_A_FIELD@\n\n## 使用说明\n<!-- tool -->\n@INSTALL_NAME@ 的说明\n<!-- end -->\n"
                    "<!-- suite -->\n整套 @SUITE_NAME@\n<!-- end -->\n@PUBLISHED_NAMES@\n- @ZIP@ @MSI@\n\n\n")
        kaldrin, suite = facts.parse(KALDRIN), suite_of(KALDRIN, ROTA)
        rows = [(kaldrin, {"PUBLISHED_NAMES": ""}, ["## 使用说明", "Kaldrin 的说明", "- kaldrin-1.0-win64.zip "
                                                                                "kaldrin-1.0-win64.msi"]),
                (suite, {"PUBLISHED_NAMES": "a\nb"}, ["## 使用说明", "整套 NoltMed Suite", "a", "b",
                                                       "- noltmed-suite-1.0-win64.zip noltmed-suite-1.0-win64.msi"])]
        for package, change, lines in rows:
            with self.subTest(package.target):
                values = dict(guide.fields(package, descriptions(package)), **change)
                self.assertEqual(guide.render(template, package, values), lines)
        with self.assertRaisesRegex(SystemExit, "names SPEC_NAME"):
            guide.render("## a\n@SPEC_NAME@\n", kaldrin, guide.fields(kaldrin, descriptions(kaldrin)))

    def test_a_tool_guide_tells_what_its_definition_says(self):
        tool = facts.parse(KALDRIN)
        formula = guide.tool_lines(tool, description(KALDRIN))
        for line in ("    1. 体重（kg），默认 65；记作 w", "    2. 身高，默认 170.5；记作 h",
                     "    - 体重指数（kg/m²）；记作 bmi，公式 w/(h/100)^2",
                     "    1. 红色（级别 3），当 bmi>=40 时：重度肥胖", "    2. 橙色（级别 2），当 bmi>=28 时：肥胖",
                     "    3. 黄色（级别 1），当 bmi>=24 时：超重", "    4. 绿色（级别 0），其余情况：正常",
                     "参考依据：WS/T 428", "记录文件：%LOCALAPPDATA%\\NoltMedSuite\\records\\T051.csv"):
            self.assertIn(line, formula)
        self.assertFalse([line for line in formula if line.startswith("注意事项")])
        report = guide.tool_lines(tool, description(KALDRIN, report_kind=6, outputs=[], rules=[], note="编号表", inputs=[
            {"key": "drugA", "label": "药物 A 编号（1-10）", "unit": "号", "default": "1", "choice": [1, 10]},
            {"key": "htn", "label": "高血压", "unit": "1 是，0 否", "default": "0", "choice": [0, 1]}]))
        self.assertIn("    1. 药物 A 编号（1-10），单位 号，默认 1，只接受 1 到 10 的编号；记作 drugA", report)
        self.assertIn("    2. 高血压（1 是，0 否），默认 0，只接受 1（是）或 0（否）；记作 htn", report)
        self.assertIn("注意事项：编号表", report)
        self.assertFalse([line for line in report if line.startswith("结论")])
        none = guide.tool_lines(tool, description(KALDRIN, report_kind=8, inputs=[], outputs=[], rules=[]))
        self.assertIn("    无：直接按 F5 或点击“计算 (F5)”。", none)

    def test_the_removal_script_unpacks_each_code_it_finds(self):
        # cmd's %p:~N,1% is the character at N: the script's line turns each
        # packed code the registry lists back into its ProductCode.
        kaldrin, suite = facts.parse(KALDRIN), suite_of(KALDRIN, ROTA)
        for package, codes in ((kaldrin, [kaldrin.upgrade_code]),
                               (suite, [suite.upgrade_code] + [tool.upgrade_code for tool in suite.programs()])):
            with self.subTest(package.target):
                script = guide.removal_script(package)
                self.assertEqual(guide.removal_codes(package), codes)
                loop = next(line for line in script if line.startswith("for %%u in ("))
                self.assertEqual(loop[len("for %%u in ("):loop.index(")")].split(), [msi.packed(c) for c in codes])
                self.assertTrue(all(line.isascii() for line in script))
                readme = guide.readme_bytes(package, descriptions(package))
                # As IT copies it from the guide: indented as it stands there.
                self.assertEqual(guide.script_in(readme, package), [guide.INDENT + line for line in script])
        unpack = next(line for line in guide.removal_script(kaldrin) if line.startswith("set code="))[len("set code="):]
        for code in ("{82C5317F-EB35-5F84-8BE2-2E0581C7EC8B}", kaldrin.product_code(), suite.product_code()):
            with self.subTest(code):
                self.assertEqual(re.sub(r"%p:~(\d+),1%", lambda m: msi.packed(code)[int(m.group(1))], unpack), code)
        self.assertIsNone(guide.script_in(b"\xef\xbb\xbfno script\r\n", kaldrin))


class KeyPathTest(unittest.TestCase):
    def test_the_validation_rules_on_key_paths_are_read_from_the_tables(self):
        # What ICE38 and ICE43 find: a component in the user's profile, or
        # with a shortcut that names no feature, keeps a registry value of its
        # own under HKCU or HKMU as its key path.
        directories = [{"Directory": "TARGETDIR", "Directory_Parent": ""},
                       {"Directory": "LocalAppDataFolder", "Directory_Parent": "TARGETDIR"},
                       {"Directory": "INSTALLDIR", "Directory_Parent": "LocalAppDataFolder"},
                       {"Directory": "ProgramFiles64Folder", "Directory_Parent": "TARGETDIR"},
                       {"Directory": "MACHINEDIR", "Directory_Parent": "ProgramFiles64Folder"},
                       {"Directory": "ProgramMenuFolder", "Directory_Parent": "TARGETDIR"}]

        def component(name, folder, key_path, attributes=260):
            return {"Component": name, "Directory_": folder, "Attributes": str(attributes), "KeyPath": key_path}

        def value(name, root, owner):
            return {"Registry": name, "Root": str(root), "Component_": owner}

        shortcut = [{"Shortcut": "S", "Component_": "Menu", "Target": "[INSTALLDIR]a.exe"}]
        rows = [
            ("per machine", [component("Program", "MACHINEDIR", "Program", 256), component("Menu", "ProgramMenuFolder",
                                                                                          "r1")],
             [value("r1", -1, "Menu")], []),
            ("per user", [component("Program", "INSTALLDIR", "r2"), component("Menu", "ProgramMenuFolder", "r1")],
             [value("r1", 1, "Menu"), value("r2", 1, "Program")], []),
            ("a shortcut's key path under HKLM", [component("Menu", "ProgramMenuFolder", "r1")],
             [value("r1", 2, "Menu")], ["component Menu", "ICE38", "ICE43", "root 2"]),
            ("a file in the profile as key path", [component("Program", "INSTALLDIR", "Program", 256)], [],
             ["component Program", "ICE38: it installs into the user's profile; key path Program"]),
            ("another component's value", [component("Program", "INSTALLDIR", "r1")], [value("r1", 1, "Menu")],
             ["component Program"]),
        ]
        for what, components, registry, faults in rows:
            with self.subTest(what):
                found = checks.key_path_faults(components, registry, shortcut, directories, {"Product"})
                self.assertEqual(len(found), 1 if faults else 0, found)
                for fault in faults:
                    self.assertIn(fault, found[0])
        # An advertised shortcut (its target a feature) outside the profile asks for nothing.
        advertised = [dict(shortcut[0], Target="Product", Component_="Program")]
        self.assertEqual(checks.key_path_faults([component("Program", "MACHINEDIR", "Program", 256)], [], advertised,
                                                directories, {"Product"}), [])


def pe_image(characteristics=0x8160, config_size=0x70, load_flags=0x800, section=b".ldcfg"):
    """A PE32+ image of headers and one section that holds a load
    configuration, as the linker leaves it: the directory entry empty."""
    image = bytearray(0x400)
    image[:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x40)
    image[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HH", image, 0x44, 0x8664, 1)
    struct.pack_into("<H", image, 0x54, 240)  # SizeOfOptionalHeader
    struct.pack_into("<H", image, 0x58, 0x20B)
    struct.pack_into("<H", image, 0x58 + 70, characteristics)
    table = 0x58 + 240
    image[table:table + 8] = section.ljust(8, b"\0")
    struct.pack_into("<IIII", image, table + 8, 0x70, 0x1000, 0x200, 0x200)
    struct.pack_into("<I", image, 0x200, config_size)
    struct.pack_into("<H", image, 0x200 + 0x4E, load_flags)
    return bytes(image)


class ProgramHeadersTest(unittest.TestCase):
    def test_the_link_step_fills_in_the_load_configuration_and_the_checksum(self):
        fixed = pe.set_load_config(pe_image())
        self.assertEqual(pe.dependent_load_flags(pe_image()), None)
        self.assertEqual(pe.dependent_load_flags(fixed), 0x800)
        self.assertEqual(struct.unpack_from("<II", fixed, 0x58 + 112 + 8 * 10), (0x1000, 0x70))
        self.assertEqual(pe.u32(fixed, 0x58 + pe.CHECKSUM), pe.checksum(fixed))
        self.assertNotEqual(pe.checksum(fixed), 0)
        self.assertEqual(pe.set_load_config(fixed), fixed)
        self.assertEqual(fixed[:0x58 + pe.CHECKSUM], pe_image()[:0x58 + pe.CHECKSUM])
        # A program without the section stays as it was linked.
        self.assertEqual(pe.set_load_config(pe_image(section=b".rdata")), pe_image(section=b".rdata"))
        for size in (0, 0x4F, 0x71):
            with self.subTest(size=size), self.assertRaisesRegex(ValueError, "no load configuration"):
                pe.set_load_config(pe_image(config_size=size))

    def test_hardening_faults_are_named(self):
        good = pe.set_load_config(pe_image())
        self.assertEqual(pe.hardening_faults(good), [])
        lacking = [
            (dict(characteristics=0x8160 & ~0x8000), "TERMINAL_SERVER_AWARE"),
            (dict(characteristics=0x8160 & ~0x0040), "DYNAMIC_BASE"),
            (dict(characteristics=0x8160 & ~0x0020), "HIGH_ENTROPY_VA"),
            (dict(characteristics=0x8160 & ~0x0100), "NX_COMPAT"),
            (dict(load_flags=0), "DependentLoadFlags LOAD_LIBRARY_SEARCH_SYSTEM32"),
        ]
        for change, fault in lacking:
            with self.subTest(fault=fault):
                self.assertEqual(pe.hardening_faults(pe.set_load_config(pe_image(**change))), [fault])
        self.assertEqual(pe.hardening_faults(pe_image()), ["DependentLoadFlags LOAD_LIBRARY_SEARCH_SYSTEM32",
                                                           "a matching checksum"])
        stale = bytearray(good)
        stale[0x300] = 1
        self.assertEqual(pe.hardening_faults(bytes(stale)), ["a matching checksum"])
        self.assertEqual(pe.hardening_faults(b"MZ" + bytes(100)), ["a PE32+ header"])


PUBLISHED_MSI = os.path.join(published.FOLDER, "kaldrin-1.0-win64.msi")


def published_releases():
    return published.load_all()


def machine_release_of(release):
    """The per-machine package of the same version as a published per-user release."""
    machine = facts.parse(KALDRIN).at_version(release.version).per_machine()
    return dataclasses.replace(release, msi=machine.release_name("msi"), upgrade_code=machine.upgrade_code,
                               product_code=machine.product_code(), msi_sha256="2" * 64)


class PublishedTest(unittest.TestCase):
    """The published releases' facts and the rule that a version, and a
    ProductCode, stand for one set of bytes."""

    def test_the_facts_are_those_of_the_published_msi(self):
        release = published.read_msi(PUBLISHED_MSI)
        self.assertIn(release, published_releases())
        self.assertEqual(release.facts_name(), "kaldrin-1.0.json")
        # The codes 1.0 was published with: the derivation must keep giving them.
        kaldrin = facts.parse(KALDRIN)
        self.assertEqual((release.version, release.product_code, release.upgrade_code),
                         (kaldrin.version, kaldrin.product_code(), kaldrin.upgrade_code))
        self.assertEqual(release.program, kaldrin.program)
        self.assertEqual(published.package_of(release), PUBLISHED_MSI)
        with open(os.path.join(published.FOLDER, release.facts_name()), encoding="utf-8") as f:
            self.assertEqual(f.read(), published.to_json(release))

    def test_a_build_is_refused_when_a_published_version_or_code_gets_other_bytes(self):
        release = published_releases()[0]
        same, other = (release.program_sha256, release.msi_sha256), ("0" * 64, "1" * 64)
        kaldrin = facts.parse(KALDRIN)
        next_code = kaldrin.at_version("1.0.1").product_code()
        # Another tool's release that took the ProductCode kaldrin 1.0.1 derives.
        suite = suite_of(KALDRIN)
        suite_release = dataclasses.replace(release, target=suite.target, upgrade_code=suite.upgrade_code,
                                            product_code=suite.product_code())
        taken = dataclasses.replace(release, target="other", upgrade_code="{" + "A" * 8 + "-AAAA-AAAA-AAAA-" + "A" * 12
                                    + "}", product_code=next_code)
        machine_release = machine_release_of(release)
        cases = [
            ("the published bytes again", kaldrin, same, [release], []),
            ("another program", kaldrin, (other[0], same[1]), [release], ["1.0.0 is published", "kaldrin.exe differs",
                                                                           "raise the tool's VERSION"]),
            ("another MSI", kaldrin, (same[0], other[1]), [release], ["the MSI differs", "raise"]),
            ("both", kaldrin, other, [release], ["kaldrin.exe and the MSI differ"]),
            ("a new version", kaldrin.at_version("1.0.1"), other, [release], []),
            ("a tool with no published release", facts.parse(IV_CHECK), other, [release], []),
            ("nothing published", kaldrin, other, [], []),
            ("a published ProductCode", kaldrin.at_version("1.0.1"), other, [release, taken],
             ["ProductCode %s is that of the published other 1.0.0" % next_code]),
            ("another upgrade code", dataclasses.replace(kaldrin.at_version("1.0.1"), upgrade_code=taken.upgrade_code),
             other, [release], ["published with the upgrade code %s" % release.upgrade_code]),
            # The suite's programs are its MSI's: only the MSI is compared.
            ("the suite's published bytes", suite, (None, same[1]), [suite_release], []),
            ("the suite's published version, another MSI", suite, (None, other[1]), [suite_release],
             ["noltmed-suite 1.0.0 is published", "the MSI differs"]),
            # The per-machine package is a product of its own, bound the same way.
            ("the per-user package beside a published per-machine one", kaldrin, same, [release, machine_release], []),
            ("the per-machine package of a published version, another MSI", kaldrin.per_machine(), (same[0], other[1]),
             [release, machine_release], ["kaldrin 1.0.0 (per machine) is published (kaldrin-1.0-machine.json)",
                                          "the MSI differs"]),
            ("the per-machine package's published bytes", kaldrin.per_machine(), (same[0], machine_release.msi_sha256),
             [release, machine_release], []),
            ("a per-machine package with no published release", kaldrin.per_machine(), other, [release], []),
        ]
        for name, product, digests, releases, reasons in cases:
            with self.subTest(name):
                found = published.refusals(product, *digests, releases)
                self.assertEqual(len(found), 1 if reasons else 0, found)
                for reason in reasons:
                    self.assertIn(reason, found[0])

    def test_the_upgrade_starts_from_the_last_older_release(self):
        release = published_releases()[0]
        later = [dataclasses.replace(release, version=v) for v in ("1.2.0", "1.10.0", "0.9.0")]
        kaldrin = facts.parse(KALDRIN)
        rows = [("1.0.1", [release], "1.0.0"), ("1.0.0", [release], None), ("1.9.3", later + [release], "1.2.0"),
                ("2.0.0", later + [release], "1.10.0"), ("0.9.0", [release], None)]
        for version, releases, expected in rows:
            with self.subTest(version=version):
                ordered = sorted(releases, key=published.Release.version_key)
                found = published.last_before(kaldrin.at_version(version), ordered)
                self.assertEqual(found.version if found else None, expected)
        self.assertIsNone(published.last_before(facts.parse(IV_CHECK), [release]))
        # Each kind upgrades from its own kind's release.
        machine_release = machine_release_of(release)
        for product, expected in ((kaldrin.at_version("1.0.1"), release),
                                  (kaldrin.at_version("1.0.1").per_machine(), machine_release)):
            self.assertEqual(published.last_before(product, [release, machine_release]), expected)
        self.assertEqual((machine_release.facts_name(), machine_release.label()),
                         ("kaldrin-1.0-machine.json", "kaldrin 1.0.0 (per machine)"))

    def test_facts_faults_are_named(self):
        data = json.loads(published.to_json(published_releases()[0]))
        faults = [({"program_sha256": "AB" * 32}, "program_sha256"), ({"msi_sha256": "ab"}, "msi_sha256"),
                  ({"product_code": data["product_code"].lower()}, "product_code"), ({"version": "1.0"}, "version"),
                  ({"msi": "kaldrin.zip"}, "msi"), ({"package_code": None}, "package_code"), ({"extra": 1}, "keys")]
        for change, field in faults:
            with self.subTest(change=change):
                with self.assertRaisesRegex(published.PublishedError, "^%s" % field):
                    published.parse(dict(data, **change))
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "kaldrin-1.1.json"), "w", encoding="utf-8") as f:
                f.write(published.to_json(published_releases()[0]))
            with self.assertRaisesRegex(SystemExit, "holds the facts of kaldrin 1.0.0"):
                published.load_all(folder)

    def test_a_refused_build_leaves_no_release_files(self):
        release = published_releases()[0]
        kaldrin = facts.parse(KALDRIN)
        with tempfile.TemporaryDirectory() as folder:
            releases, out = os.path.join(folder, "releases"), os.path.join(folder, "dist")
            os.makedirs(releases)
            os.makedirs(os.path.join(out, "stage"))
            shutil.copyfile(PUBLISHED_MSI, os.path.join(releases, release.msi))
            with open(os.path.join(releases, release.facts_name()), "w", encoding="utf-8") as f:
                f.write(published.to_json(release))
            names = [os.path.join(out, n) for n in ("stage/kaldrin.exe", "kaldrin-1.0-win64.zip",
                                                    "kaldrin-1.0-win64.msi", "kaldrin-1.0-win64-machine.msi",
                                                    "SHA256SUMS")]
            for name in names:
                with open(name, "wb") as f:
                    f.write(b"a build of other bytes")
            said = io.StringIO()
            with contextlib.redirect_stdout(said):
                self.assertEqual(published.refuse_reused(kaldrin, out, names[1:4], releases), 1)
            self.assertIn("REFUSED: kaldrin 1.0.0 is published", said.getvalue())
            self.assertEqual([os.path.exists(n) for n in names], [True, False, False, False, False])
            for name in names[1:]:
                with open(name, "wb") as f:
                    f.write(b"a build of other bytes")
            self.assertEqual(published.refuse_reused(kaldrin.at_version("1.0.1"), out, names[1:4], releases), 0)
            self.assertTrue(all(os.path.exists(n) for n in names))
            # A published per-machine package holds its own MSI to its bytes.
            machine = dataclasses.replace(machine_release_of(release), version="1.0.1", product_code=kaldrin.at_version(
                "1.0.1").per_machine().product_code())
            with open(os.path.join(releases, machine.facts_name()), "w", encoding="utf-8") as f:
                f.write(published.to_json(machine))
            said = io.StringIO()
            with contextlib.redirect_stdout(said):
                self.assertEqual(published.refuse_reused(kaldrin.at_version("1.0.1"), out, names[1:4], releases), 1)
            self.assertIn("REFUSED: kaldrin 1.0.1 (per machine) is published", said.getvalue())
            # A per-user MSI named as a per-machine one is not taken for one.
            misnamed = os.path.join(folder, "kaldrin-1.0-win64-machine.msi")
            shutil.copyfile(PUBLISHED_MSI, misnamed)
            with self.assertRaisesRegex(published.PublishedError, "installs per user"):
                published.read_msi(misnamed)

    def test_installer_registry_keys_name_codes_packed(self):
        # As Windows Installer wrote 1.0's ProductCode and upgrade code under Wine.
        self.assertEqual(msi.packed("{82C5317F-EB35-5F84-8BE2-2E0581C7EC8B}"), "F7135C2853BE48F5B82EE250187CCEB8")
        self.assertEqual(msi.packed("{B22B4FAB-16A6-4E8F-992A-F5A1B749CD44}"), "BAF4B22B6A61F8E499A25F1A7B94DC44")


    def test_an_msiexec_run_that_should_pass_gets_one_more_try_and_a_refusal_none(self):
        # (exit codes Wine gives, in turn), refused, whether the check holds, runs made
        cases = [((0,), False, True, 1), ((67, 0), False, True, 2), ((67, 67), False, False, 2),
                 ((None, None), False, False, 2), ((67,), True, True, 1), ((0,), True, False, 1),
                 ((None,), True, False, 1)]
        for codes, refused, holds, runs in cases:
            with self.subTest(codes=codes, refused=refused), tempfile.TemporaryDirectory() as prefix:
                os.makedirs(os.path.join(prefix, "drive_c"))
                results = iter(codes)

                def wine_run(env, *args):  # each run writes its own log, as msiexec /l*v does
                    with open(os.path.join(prefix, "drive_c", "msiexec.log"), "w") as f:
                        f.write("Action ended 9:38:25: LaunchConditions. Return value 0.\nProperty(S): A = 1\n")
                    return next(results)
                expect, stderr = common.Expectations("install-check"), io.StringIO()
                with mock.patch.object(install.wine, "run", side_effect=wine_run) as run, \
                        contextlib.redirect_stderr(stderr):
                    held = install.msiexec(expect, {"WINEPREFIX": prefix}, "/x", "/d/a-1.0-win64.msi",
                                           refused=refused)
                self.assertEqual((held, run.call_count), (holds, runs))
                self.assertEqual(expect.faults == [], holds)
                if not holds:
                    self.assertIn("msiexec /x a-1.0-win64.msi /qn", expect.faults[0])
                    self.assertIn("got %s" % install.wine.describe(codes[-1]), expect.faults[0])
                if runs == 2:
                    self.assertIn("LaunchConditions. Return value 0.", stderr.getvalue())
                    self.assertNotIn("Property(S)", stderr.getvalue())

    def test_a_half_made_prefix_is_made_again(self):
        # (whether each wineboot leaves a whole prefix), whether one is made, wineboot runs
        cases = [((True,), True, 1), ((False, True), True, 2), ((False, False, False), False, 3)]
        for whole, made, runs in cases:
            with self.subTest(whole=whole), tempfile.TemporaryDirectory() as folder:
                prefix = os.path.join(folder, "prefix")
                outcomes = iter(whole)

                def run(args, env=None, **kwargs):
                    if args[0] == "wineboot":
                        system32 = os.path.join(prefix, "drive_c", "windows", "system32")
                        os.makedirs(system32, exist_ok=True)  # the registry and folders, maybe not the files
                        if next(outcomes):
                            common.write(os.path.join(system32, "msiexec.exe"), b"MZ")
                    return subprocess.CompletedProcess(args, 0)
                with mock.patch.object(install.wine.subprocess, "run", side_effect=run) as ran, \
                        contextlib.redirect_stderr(io.StringIO()):
                    self.assertEqual(install.wine.make_prefix({"WINEPREFIX": prefix}), made)
                self.assertEqual(sum(call.args[0][0] == "wineboot" for call in ran.call_args_list), runs)


class SigningTest(unittest.TestCase):
    """The osslsigncode command a release is signed with, from KALDRIN_SIGN_*."""

    def command(self, **env):
        signer = build.signing_key({"KALDRIN_SIGN_" + name: value for name, value in env.items()})
        return build.signing_command(signer, facts.parse(KALDRIN), "in.exe", "out.exe")

    @mock.patch.dict(os.environ, {"SOURCE_DATE_EPOCH": "1767225600"})
    def test_commands(self):
        token = "pkcs11:token=signing;object=codesign;type=private"
        module = "/usr/lib/softhsm/libsofthsm2.so"
        rows = [
            ({"CERT": "c.pem", "KEY": "k.pem"}, ["-certs c.pem -key k.pem", "-time 1767225600"], ["-ts", "-pkcs11"]),
            ({"CERT": "c.pem", "KEY": "k.pem", "PASS_FILE": "p.txt"}, ["-key k.pem", "-readpass p.txt"], []),
            ({"CERT": "c.pem", "KEY": "k.pem", "TIMESTAMP_URL": "http://ts.example/rfc3161"},
             ["-ts http://ts.example/rfc3161"], ["-time", "-t "]),
            ({"CERT": "c.pem", "KEY": token, "PKCS11_MODULE": module, "PASS_FILE": "pin.txt"},
             ["sign -pkcs11module %s -certs c.pem -key %s" % (module, token), "-readpass pin.txt"], ["-pkcs11engine"]),
            ({"CERT": "pkcs11:object=codesign;type=cert", "KEY": token, "PKCS11_MODULE": module,
              "PKCS11_ENGINE": "/e/pkcs11.so"},
             ["sign -pkcs11engine /e/pkcs11.so -pkcs11module %s -pkcs11cert pkcs11:object=codesign;type=cert" % module],
             ["-certs"]),
        ]
        for env, present, absent in rows:
            with self.subTest(env=env):
                command = " ".join(self.command(**env))
                self.assertTrue(command.startswith("osslsigncode sign "))
                self.assertTrue(command.endswith(" -in in.exe -out out.exe"))
                self.assertIn("-h sha256", command)
                for text in present:
                    self.assertIn(text, command)
                for text in absent:
                    self.assertNotIn(text, command)

    def test_variables_that_do_not_fit_together(self):
        token = "pkcs11:object=codesign"
        faults = [
            ({"CERT": "c.pem"}, "go together"), ({"KEY": "k.pem"}, "go together"),
            ({"CERT": "c.pem", "KEY": token}, "PKCS11_MODULE names"),
            ({"CERT": "c.pem", "KEY": "k.pem", "PKCS11_MODULE": "m.so"}, "must be its pkcs11: URI"),
            ({"CERT": "c.pem", "KEY": "k.pem", "PKCS11_ENGINE": "e.so"}, "goes with KALDRIN_SIGN_PKCS11_MODULE"),
            ({"CERT": "pkcs11:object=c", "KEY": "k.pem"}, "certificate in a token"),
            ({"CERT": "c.pem", "KEY": "k.pem", "TIMESTAMP_URL": "ts.example"}, "not an http"),
        ]
        for env, message in faults:
            with self.subTest(env=env):
                with self.assertRaisesRegex(SystemExit, message):
                    self.command(**env)
        # Without a certificate and key the release is unsigned, whatever else is set.
        self.assertIsNone(build.signing_key({"KALDRIN_SIGN_TIMESTAMP_URL": "http://ts.example",
                                             "KALDRIN_SIGN_PKCS11_MODULE": "m.so"}))


if __name__ == "__main__":
    unittest.main()
