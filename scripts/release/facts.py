"""A tool's product facts: the file the windows build writes for each program
(<build>/products/<target>.json), and what the release derives from them; and
the suite package, which carries every released tool's program, with its
names and codes from the suite's shared names (core/suite_names.h).

Every name, number and code a release carries comes from here; the release
scripts themselves name no product."""

import dataclasses
import json
import os
import re
import uuid

from .common import ROOT, SUITE

# Each field of the facts file and the types its value may have.
FIELDS = {
    "target": (str,), "tool_id": (int,), "program": (str,), "program_path": (str,), "definition_check_path": (str,),
    "product_name": (str,), "description": (str,), "install_name": (str,), "version": (str,),
    "publisher": (str,), "upgrade_code": (str,), "icon": (str,),
    "selftest_report": (str, type(None)),
}
VERSION = re.compile(r"^\d+\.\d+\.\d+$")
GUID = re.compile(r"^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$")
# Plain ASCII without the characters a Windows file name or a registry key
# cannot hold (the publisher names a registry key, the target a file), as
# wixl's tables take ASCII only.
PLAIN_NAME = re.compile(r"^[A-Za-z0-9][A-Za-z0-9 ._+-]*$")
# An install name is also a folder, a shortcut and the manifest's assembly
# name: the rule of kaldrin_add_tool's INSTALL_NAME (cmake/KaldrinAddTool.cmake),
# which is its home; applied here as it stands to facts written elsewhere and
# to the suite's name, which no kaldrin_add_tool call checks.
INSTALL_NAME = re.compile(r"^[A-Za-z0-9][A-Za-z0-9 ._-]*$")
PROGRAM = re.compile(r"^[A-Za-z0-9][A-Za-z0-9._+-]*\.exe$")


# The tools the suite never releases, by number.
UNRELEASED = {52: "the README's example tool", 906: "the framework's test tool"}
# The suite's own icon, which "Apps & features" shows for the suite package.
SUITE_ICON = os.path.join(ROOT, "ui", "kaldrin.ico")
# What the name of a per-user package's entry in "Apps & features" adds to
# the install name, so that it is not taken for the per-machine one's (the
# tables take ASCII only).
PER_USER_NAME = " (current user)"


class FactsError(Exception):
    pass


def record_file(tool_id):
    """The name of a tool's record file in the suite's records folder."""
    return "T%03d.csv" % tool_id


def msi_version(text):
    """Windows Installer compares major.minor.build: the version with three parts."""
    parts = (text.split(".") + ["0", "0"])[:3]
    return ".".join(str(int(p)) for p in parts)


def release_version(text):
    """The version in the release files' names and the user README: major.minor,
    and the patch only when it is not 0 (1.0.0 gives 1.0, 1.0.1 gives 1.0.1)."""
    major, minor, patch = msi_version(text).split(".")
    return "%s.%s" % (major, minor) if patch == "0" else "%s.%s.%s" % (major, minor, patch)


class Package:
    """What a package derives from its target, version and upgrade code, and
    the files it carries: the programs() (the tools' Products), README.txt (its
    guide, scripts/release/guide.py) and LICENSE.txt."""

    def release_name(self, extension):
        scope = "-machine" if self.machine else ""
        return "%s-%s-win64%s.%s" % (self.target, release_version(self.version), scope, extension)

    def display_name(self):
        """The package's name in "Apps & features" (its ProductName): the
        install name, per user with PER_USER_NAME."""
        return self.install_name if self.machine else self.install_name + PER_USER_NAME

    def per_machine(self):
        """The package of the same files for every user of a computer: a
        product of its own beside the per-user one, its upgrade code (and so
        its ProductCode and component codes) derived from the per-user one's."""
        if self.machine:
            return self
        return dataclasses.replace(self, machine=True, upgrade_code=self.derived_code("per-machine package"))

    def derived_code(self, name):
        """A code of this product's packages, derived from its upgrade code, so
        that it is stable for the product and distinct between products."""
        return "{%s}" % str(uuid.uuid5(uuid.UUID(self.upgrade_code), name)).upper()

    def product_code(self):
        """One ProductCode per version: a major upgrade needs a new one, and the
        same version built twice keeps it."""
        return self.derived_code("product " + self.version)

    def component_code(self, component):
        return self.derived_code("component " + component)

    def at_version(self, text):
        """The same package at another version (a package for the upgrade test)."""
        return dataclasses.replace(self, version=msi_version(text))

    def entries(self):
        """The files, in the zip's order."""
        return [tool.program for tool in self.programs()] + ["README.txt", "LICENSE.txt"]


@dataclasses.dataclass(frozen=True)
class Product(Package):
    target: str
    tool_id: int
    program: str
    program_path: str
    definition_check_path: str
    product_name: str
    description: str
    install_name: str
    version: str
    publisher: str
    upgrade_code: str
    icon: str
    selftest_report: object
    machine: bool = False

    def programs(self):
        return (self,)

    def menu_folder(self):
        """The Start-menu folder of the shortcuts: none, the shortcut is at its top."""
        return None


@dataclasses.dataclass(frozen=True)
class Suite(Package):
    """The suite package: every released tool's program in one folder, one
    Start-menu folder with a shortcut per tool, one "Apps & features" entry."""
    target: str
    install_name: str
    version: str
    publisher: str
    upgrade_code: str
    icon: str
    tools: tuple
    machine: bool = False

    def programs(self):
        return self.tools

    def menu_folder(self):
        return self.install_name


def released(products):
    """The tools the suite releases, by number; exits when two share a number,
    a target, a program or an install name, or when one declares no self-test
    report, against which the release checks its program."""
    tools = sorted((p for p in products if p.tool_id not in UNRELEASED), key=lambda p: p.tool_id)
    undeclared = [tool.target for tool in tools if not tool.selftest_report]
    if undeclared:
        raise SystemExit("dist: %s declare no self-test report (kaldrin_add_tool's SELFTEST_REPORT)"
                         % ", ".join(undeclared))
    for field in ("tool_id", "target", "program", "install_name"):
        values = [getattr(tool, field) for tool in tools]
        twice = sorted({str(v) for v in values if values.count(v) > 1})
        if twice:
            raise SystemExit("dist: two released tools have the %s %s" % (field, ", ".join(twice)))
    return tools


def suite(products, names=None):
    """The Suite of the released tools among products, named by the suite's
    shared names."""
    names = SUITE if names is None else names
    tools = released(products)
    if not tools:
        raise SystemExit("dist: no released tool to make a suite of")
    package = Suite(names["TARGET"], names["INSTALL_NAME"], msi_version(names["VERSION"]), names["PUBLISHER"],
                    names["UPGRADE_CODE"], SUITE_ICON, tuple(tools))
    faults = [("install name", package.install_name, INSTALL_NAME), ("target", package.target, PLAIN_NAME),
              ("upgrade code", package.upgrade_code, GUID), ("version", package.version, VERSION)]
    for what, value, pattern in faults:
        if not pattern.match(value):
            raise SystemExit("dist: the suite's %s %r does not fit %s" % (what, value, pattern.pattern))
    strangers = [tool.target for tool in tools if tool.publisher != package.publisher]
    if strangers:
        raise SystemExit("dist: %s name another publisher than the suite's %s" % (", ".join(strangers),
                                                                                   package.publisher))
    if package.upgrade_code in {tool.upgrade_code for tool in tools}:
        raise SystemExit("dist: the suite's upgrade code %s is a tool's" % package.upgrade_code)
    return package


def parse(data):
    """The Product of one facts object; FactsError names what is wrong."""
    if not isinstance(data, dict):
        raise FactsError("not a JSON object")
    missing = [name for name in FIELDS if name not in data]
    if missing:
        raise FactsError("missing %s" % ", ".join(missing))
    for name, types in FIELDS.items():
        value = data[name]
        # JSON true and false are Python ints too; a number field takes neither.
        if not isinstance(value, types) or isinstance(value, bool):
            raise FactsError("%s: %r is not %s" % (name, value, " or ".join(t.__name__ for t in types)))
    if not VERSION.match(data["version"]):
        raise FactsError("version: %r is not major.minor.patch" % data["version"])
    if not GUID.match(data["upgrade_code"]):
        raise FactsError("upgrade_code: %r is not an upper-case GUID in braces" % data["upgrade_code"])
    if not INSTALL_NAME.match(data["install_name"]):
        raise FactsError("install_name: %r is not an install name (%s)" % (data["install_name"], INSTALL_NAME.pattern))
    if not PLAIN_NAME.match(data["publisher"]):
        raise FactsError("publisher: %r is not a plain ASCII name" % data["publisher"])
    if not PROGRAM.match(data["program"]):
        raise FactsError("program: %r is not a file name ending in .exe" % data["program"])
    if data["tool_id"] <= 0:
        raise FactsError("tool_id: %d is not a positive number" % data["tool_id"])
    return Product(**{name: data[name] for name in FIELDS})


def load(path):
    """The Product of a facts file; exits with the file's fault."""
    try:
        with open(path, encoding="utf-8") as f:
            return parse(json.load(f))
    except OSError as error:
        raise SystemExit("dist: %s: %s (the windows build writes it: make windows)" % (path, error.strerror))
    except (ValueError, FactsError) as error:
        raise SystemExit("dist: %s: %s" % (path, error))


def build_folder(path):
    """The build folder that wrote a facts file (<build>/products/<target>.json)."""
    return os.path.dirname(os.path.dirname(os.path.abspath(path)))


def load_suite(folder):
    """The Suite of the facts files in a build's products folder."""
    names = sorted(name for name in os.listdir(folder) if name.endswith(".json")) if os.path.isdir(folder) else []
    return suite([load(os.path.join(folder, name)) for name in names])
