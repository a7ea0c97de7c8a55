"""README.txt, the guide in every release: the user guide of the tool (for
the suite, of each of its tools) and the IT section, written from one
template, docs/user/guide.md, filled from the product facts and from what
each tool's definition says.

A definition is read through its definition check program, which describes
it as JSON (`<check> <target> <ID> --describe <file>`, app/tool_description.h):
its name, inputs with units and defaults, results, verdicts with their levels,
basis and note. So the guide of a new tool needs no text of its own, and a
changed definition never leaves its guide behind. The description of each
program is kept beside it, named by the program's SHA-256."""

import json
import os
import re
import subprocess
import sys
import tempfile

from . import msi, published, wine
from .common import RECORDS_FOLDER, ROOT, SUITE, need, read, sha256
from .facts import record_file, release_version

TEMPLATE = os.path.join(ROOT, "docs", "user", "guide.md")
FIELD = re.compile(r"@([A-Z_]+)@")
# The template's lines that only a tool's guide, or only the suite's, holds.
ONLY = {"<!-- tool -->": "tool", "<!-- suite -->": "suite"}
END = "<!-- end -->"
# The words of the verdict colours by level (ui/colors.h: green for level 0
# and any other, amber 1, orange 2, red 3).
LEVEL_WORDS = {3: "红色", 2: "橙色", 1: "黄色"}
LEVEL_DEFAULT = "绿色"
# The per-user removal script: its first and last lines, which the guide
# names and the install check finds it by.
SCRIPT_FIRST = "@rem ==== %s ===="
SCRIPT_LAST = "@rem ==== end ===="
INDENT = "    "


def level_word(level):
    return LEVEL_WORDS.get(level, LEVEL_DEFAULT)


# ---- The definitions -------------------------------------------------------

def windows_path(path):
    """A host path as Wine's Z: drive names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def describe(tools, env):
    """{target: description} of each tool (a Product), from its definition
    check program: read from the description kept beside the program when
    that is of the same program, else written by running every program not
    described yet in one Wine session. Exits naming a definition that does
    not pass its check."""
    found, missing = {}, []
    for tool in tools:
        kept = tool.definition_check_path + ".description.json"
        digest = sha256(tool.definition_check_path)
        if os.path.isfile(kept):
            with open(kept, encoding="utf-8") as f:
                data = json.load(f)
            if data.get("program_sha256") == digest:
                found[tool.target] = data["description"]
                continue
        missing.append((tool, kept, digest))
    if not missing:
        return found
    need("wine", "windows")
    wine.make_prefix(env)
    with tempfile.TemporaryDirectory() as folder:
        lines = ["@echo off"]
        for tool, _, _ in missing:
            if not tool.definition_check_path.isascii():
                sys.exit("dist: the path of %s is not plain ASCII: %s" % (tool.target, tool.definition_check_path))
            lines.append('"%s" %s %d --describe %s.json > %s.log 2>&1'
                         % (windows_path(tool.definition_check_path), tool.target, tool.tool_id, tool.target,
                            tool.target))
        with open(os.path.join(folder, "describe.cmd"), "w", encoding="ascii", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")
        try:
            subprocess.run(["wine", "cmd", "/c", "describe.cmd"], cwd=folder, env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=wine.TIMEOUT)
        except subprocess.TimeoutExpired:
            pass
        wine.stop(env)
        for tool, kept, digest in missing:
            path = os.path.join(folder, tool.target + ".json")
            if not os.path.isfile(path):
                log = os.path.join(folder, tool.target + ".log")
                said = read(log).decode("utf-8", errors="replace") if os.path.isfile(log) else ""
                sys.exit("dist: %s describes no definition:\n%s" % (tool.definition_check_path, said.strip()))
            with open(path, encoding="utf-8") as f:
                description = json.load(f)
            with open(kept, "w", encoding="utf-8") as f:
                json.dump({"program_sha256": digest, "description": description}, f, ensure_ascii=False)
            found[tool.target] = description
    return found


# ---- What a definition says, in the guide's words --------------------------

def quantity(label, unit):
    """A value's label with its unit (or the numbers it takes) in brackets,
    or after it when the label ends in brackets of its own."""
    if not unit:
        return label
    return "%s，单位 %s" % (label, unit) if label.endswith("）") else "%s（%s）" % (label, unit)


def tool_lines(tool, d):
    """The lines of one tool's own part of the guide: its inputs, results,
    verdicts, basis, note and record file, from its description d."""
    lines = ["输入（左侧“输入参数”，按顺序；“记作”后是公式和条件中的名称）：", ""]
    for number, item in enumerate(d["inputs"], 1):
        text = "%d. %s，默认 %s" % (number, quantity(item["label"], item["unit"]), item["default"])
        if item["choice"] == [0, 1]:
            text += "，只接受 1（是）或 0（否）"
        elif item["choice"]:
            text += "，只接受 %d 到 %d 的编号" % tuple(item["choice"])
        lines.append("%s%s；记作 %s" % (INDENT, text, item["key"]))
    if not d["inputs"]:
        lines.append(INDENT + "无：直接按 F5 或点击“计算 (F5)”。")
    lines.append("")
    if d["report_kind"]:
        lines += ["结果：右侧显示报告全文（与“复制结果”得到的内容相同），结论和它的颜色由报告给出。", ""]
    else:
        lines += ["结果（右侧“计算结果”，按公式计算）：", ""]
        lines += ["%s- %s；记作 %s，公式 %s" % (INDENT, quantity(item["label"], item["unit"]), item["key"], item["formula"])
                  for item in d["outputs"]]
        lines += ["", "结论（按下列顺序判断，第一条成立的即为结论；颜色表示严重程度，级别 3 最重）：", ""]
        for number, rule in enumerate(d["rules"], 1):
            when = "当 %s 时" % rule["condition"] if rule["condition"] else "其余情况"
            lines.append("%s%d. %s（级别 %d），%s：%s" % (INDENT, number, level_word(rule["level"]), rule["level"], when,
                                                      rule["message"]))
        lines.append("")
    lines.append("参考依据：%s" % d["basis"])
    if d["note"]:
        lines.append("注意事项：%s" % d["note"])
    lines.append("记录文件：%%LOCALAPPDATA%%\\%s\\%s" % ("\\".join(RECORDS_FOLDER), record_file(tool.tool_id)))
    return lines


def tool_heading(tool, d):
    subtitle = "：%s" % d["subtitle"] if d["subtitle"] else ""
    return "%s%s（工具 %d，分类“%s”，程序 %s，版本 %s）" % (d["name"], subtitle, tool.tool_id, d["category"],
                                                 tool.program, release_version(tool.version))


# ---- The removal of per-user installations ---------------------------------

def removal_codes(package):
    """The per-user upgrade codes the package's removal script looks for: the
    package's own, and for the suite every tool's too."""
    codes = [package.upgrade_code]
    if package.menu_folder():
        codes += [tool.upgrade_code for tool in package.programs()]
    return codes


def removal_script_name(package):
    return "remove-%s-per-user.cmd" % package.target


# Each character of a packed GUID, in the order that gives the GUID again
# (packing reverses the first three groups and swaps the digits of each byte
# of the rest, so doing it twice gives the GUID).
UNPACK = [7, 6, 5, 4, 3, 2, 1, 0, None, 11, 10, 9, 8, None, 15, 14, 13, 12, None, 17, 16, 19, 18, None]
UNPACK += [digit for pair in range(20, 32, 2) for digit in (pair + 1, pair)]


def removal_script(package):
    """The lines of a cmd script that uninstalls, for the user who runs it,
    every product registered for that user under the package's per-user
    upgrade codes (HKCU\\Software\\Microsoft\\Installer\\UpgradeCodes, where
    Windows Installer lists a user's per-user products by upgrade code): plain
    ASCII, for cmd.exe on any Windows the package supports."""
    codes = removal_codes(package)
    code = "{" + "".join("-" if digit is None else "%p:~" + str(digit) + ",1%" for digit in UNPACK) + "}"
    return ([SCRIPT_FIRST % removal_script_name(package),
             "@echo off",
             "rem Uninstalls, for the user running it, every per-user installation",
             "rem of " + package.install_name + " found by these upgrade codes (packed as Windows",
             "rem Installer writes them under HKCU\\Software\\Microsoft\\Installer\\UpgradeCodes):"]
            + ["rem   " + one + " = " + msi.packed(one) for one in codes]
            + ["rem Exit code 0: none is left; else the last failing msiexec exit code.",
               "setlocal",
               "set result=0",
               "for %%u in (" + " ".join(msi.packed(one) for one in codes) + ") do for /f \"tokens=1,2\" %%p in "
               "('reg query \"HKCU\\Software\\Microsoft\\Installer\\UpgradeCodes\\%%u\" 2^>nul') do "
               "if \"%%q\"==\"REG_SZ\" call :remove %%p",
               "echo result %result%",
               "exit /b %result%",
               ":remove",
               "set p=%~1",
               "set code=" + code,
               "echo uninstalling %code%",
               "start \"\" /wait msiexec.exe /x %code% /qn",
               "set rc=%errorlevel%",
               "echo %code%: msiexec exit code %rc%",
               "if \"%rc%\"==\"1605\" set rc=0",
               "if not \"%rc%\"==\"0\" set result=%rc%",
               "exit /b 0",
               SCRIPT_LAST])


def script_in(readme, package):
    """The removal script as the guide in readme (README.txt's bytes) gives
    it: the lines from its first to its last, as they stand; None when the
    guide has none."""
    text = readme.decode("utf-8-sig", errors="replace").split("\r\n")
    first = INDENT + SCRIPT_FIRST % removal_script_name(package)
    if first not in text or INDENT + SCRIPT_LAST not in text:
        return None
    start = text.index(first)
    return text[start:text.index(INDENT + SCRIPT_LAST, start) + 1]


# ---- The guide -------------------------------------------------------------

def published_names(package):
    """The lines naming the entries of the package's published per-user
    releases, which carry the names of their day."""
    lines = []
    for release in published.of_tool(package, published.load_all()):
        path = published.package_of(release)
        name = None
        if path:
            name = {row["Property"]: row["Value"] for row in msi.table(path, "Property")}.get("ProductName")
        if name and name != package.display_name():
            lines.append("- 已发布的 %s 版（按用户安装）在“程序和功能”中名为“%s”、版本 %s；"
                         % (release_version(release.version), name, release.version))
    return lines


def fields(package, descriptions):
    """The text of each @FIELD@ of the template for package (per user: the
    release's guide names both packages)."""
    machine = package.per_machine()
    suite = package.menu_folder() is not None
    tools = package.programs()
    first = tools[0]
    machine_folder = "C:\\Program Files\\%s\\%s" % (package.publisher, package.install_name)
    values = {
        "SUITE_NAME": SUITE["INSTALL_NAME"], "SUITE_TARGET": SUITE["TARGET"], "TARGET": package.target,
        "INSTALL_NAME": package.install_name, "VERSION": release_version(package.version),
        "MSI_VERSION": package.version, "PUBLISHER": package.publisher, "HOST": SUITE["HOST"],
        "DATA_FOLDER": RECORDS_FOLDER[0], "RECORDS_FOLDER": RECORDS_FOLDER[1],
        "ZIP": package.release_name("zip"), "MSI": package.release_name("msi"), "MACHINE_MSI": machine.release_name("msi"),
        "USER_DISPLAY_NAME": package.display_name(), "MACHINE_DISPLAY_NAME": machine.display_name(),
        "USER_UPGRADE_CODE": package.upgrade_code, "MACHINE_UPGRADE_CODE": machine.upgrade_code,
        "USER_UPGRADE_CODE_PACKED": msi.packed(package.upgrade_code),
        "USER_PRODUCT_CODE": package.product_code(), "MACHINE_PRODUCT_CODE": machine.product_code(),
        "MACHINE_FOLDER": machine_folder, "USER_FOLDER": "%%LOCALAPPDATA%%\\Programs\\%s" % package.install_name,
        "PROGRAM": first.program, "DISPLAY_ICON": "%s\\%s,0" % (machine_folder, msi.icon_program(package).program),
        "FILE_VERSION": first.version + ".0", "PRODUCT_NAME": first.product_name,
        "RECORD_FILES": "、".join(record_file(tool.tool_id) for tool in tools),
        "REMOVAL_SCRIPT_NAME": removal_script_name(package),
        "REMOVAL_SCRIPT": "\n".join(INDENT + line for line in removal_script(package)),
        "PUBLISHED_NAMES": "\n".join(published_names(package)),
    }
    if suite:
        values["TOOL_TABLE"] = "\n".join(
            ["| 编号 | 名称 | 工具 | 用途 |", "|---|---|---|---|"]
            + ["| %d | %s | %s | %s |" % (tool.tool_id, tool.install_name, tool.product_name,
                                          descriptions[tool.target]["subtitle"] or tool.description)
               for tool in tools])
        sections = []
        for tool in tools:
            d = descriptions[tool.target]
            sections += ["#### %s" % tool_heading(tool, d), ""] + tool_lines(tool, d) + [""]
        values["TOOL_SECTIONS"] = "\n".join(sections).rstrip("\n")
        values["PROGRAM_TABLE"] = "\n".join(
            ["| 编号 | 程序 | 文件版本 | 产品名称（ProductName） | 单独安装包的 UpgradeCode（按计算机 / 按用户） |",
             "|---|---|---|---|---|"]
            + ["| %d | %s | %s | %s | %s / %s |" % (tool.tool_id, tool.program, tool.version + ".0", tool.product_name,
                                                   tool.per_machine().upgrade_code, tool.upgrade_code)
               for tool in tools])
    else:
        d = descriptions[first.target]
        values["TOOL_INTRO"] = tool_heading(first, d) + "。"
        values["TOOL_SECTION"] = "\n".join(tool_lines(first, d))
    return values


def render(template, package, values):
    """The guide's lines: the template from its first level-2 heading, the
    lines of the other kind of package left out, every @FIELD@ filled (a
    field alone on its line that is empty takes the line with it)."""
    kind = "suite" if package.menu_folder() else "tool"
    lines = template.splitlines()
    start = next((i for i, line in enumerate(lines) if line.startswith("## ")), None)
    if start is None:
        sys.exit("dist: %s has no level-2 heading" % TEMPLATE)
    out, only = [], None
    for line in lines[start:]:
        if line.strip() in ONLY:
            only = ONLY[line.strip()]
            continue
        if line.strip() == END:
            only = None
            continue
        if only and only != kind:
            continue
        unknown = [name for name in FIELD.findall(line) if name not in values]
        if unknown:
            sys.exit("dist: %s names %s, which the guide does not fill" % (TEMPLATE, ", ".join(unknown)))
        if FIELD.fullmatch(line.strip()) and not values[line.strip()[1:-1]]:
            continue
        out += FIELD.sub(lambda m: values[m.group(1)], line).split("\n")
    while out and not out[-1].strip():
        out.pop()
    return out


def readme_bytes(package, descriptions, template=None):
    """README.txt of package, UTF-8 with a byte-order mark and CR LF line ends
    (Notepad shows it); descriptions as describe() gives them."""
    if template is None:
        with open(TEMPLATE, encoding="utf-8") as f:
            template = f.read()
    text = "".join(line + "\r\n" for line in render(template, package, fields(package, descriptions)))
    return b"\xef\xbb\xbf" + text.encode("utf-8")
