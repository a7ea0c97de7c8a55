"""install-check: a tool's MSIs, or the suite's, installed, upgraded and
uninstalled under Wine, beside the tools' own packages: the per-user one as
a user without administrator rights would with "msiexec /i ... /qn", the
per-machine one as an administrator or a deployment tool would with
"msiexec /i ... ALLUSERS=1 /qn". A package with a published release is
installed over the last one, as on the machines that have it. With the
removal check, the move from per-user to per-machine installations that the
guide gives IT is made too."""

import itertools
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from . import guide, msi, published, wine
from .msi import packed
from .build import entries, stage
from .common import RECORDS_FOLDER, Expectations, read, sha256, write
from .facts import record_file

UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
# Where Windows Installer registers a product: per user under HKCU, per
# machine under HKLM. {machine: (registry file, key)}
PRODUCTS = {False: ("user.reg", "Software\\Microsoft\\Installer\\Products\\"),
            True: ("system.reg", "Software\\Classes\\Installer\\Products\\")}
# The hive of the program's own registry values (the components' key paths).
VALUES_HIVE = {False: "user.reg", True: "system.reg"}


def registry(prefix, hive):
    """The keys and their string and number values of a Wine prefix's
    registry file (user.reg for HKEY_CURRENT_USER, system.reg for
    HKEY_LOCAL_MACHINE), as Wine wrote them when its server stopped: {key:
    {name: value}}, a number as "dword:<hex digits>"."""
    keys, values = {}, None
    with open(os.path.join(prefix, hive), encoding="utf-8", errors="replace") as f:
        for line in f:
            section = re.match(r"^\[(.*)\] \d+", line)
            if section:
                values = keys.setdefault(section.group(1).replace("\\\\", "\\"), {})
                continue
            value = re.match(r'^"((?:[^"\\]|\\.)*)"=(?:str\(\d\):)?"((?:[^"\\]|\\.)*)"', line)
            number = re.match(r'^"((?:[^"\\]|\\.)*)"=(dword:[0-9a-f]{8})$', line.rstrip("\n"))
            if value and values is not None:
                values[value.group(1)] = value.group(2).replace("\\\\", "\\")
            elif number and values is not None:
                values[number.group(1)] = number.group(2)
    return keys


def mentions(prefix, needles):
    """The registry keys of a prefix (both hives) whose name or values name
    any of needles, compared without case."""
    found = []
    wanted = [needle.upper() for needle in needles]
    for hive in ("system.reg", "user.reg"):
        key = None
        with open(os.path.join(prefix, hive), encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("["):
                    key = line.split("]")[0][1:].replace("\\\\", "\\")
                if any(needle in line.upper() for needle in wanted) and key not in found:
                    found.append(key)
    return found


def folder_contents(folder):
    """Every file below folder with its bytes: {relative path: bytes}."""
    found = {}
    for here, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(here, name)
            found[os.path.relpath(path, folder)] = read(path)
    return found


class Installation:
    """One package (a tool's or the suite's, per user or per machine) and
    where it goes in the prefix."""

    def __init__(self, product, package, files, prefix, user):
        self.product, self.package, self.files, self.prefix = product, package, files, prefix
        # Every ProductCode of the package installed here: none may stay registered.
        self.codes = {product.product_code()}
        home = os.path.join(prefix, "drive_c", "users", user)
        user_menu = os.path.join(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")
        if product.machine:
            parts = ("Program Files", product.publisher, product.install_name)
            self.folder = os.path.join(prefix, "drive_c", *parts)
            self.where = "%%ProgramFiles%%\\%s\\%s" % parts[1:]
            # ProgramMenuFolder: Windows gives the menu of all users in the
            # per-machine context, Wine's msiexec the installing user's.
            self.menus = [os.path.join(prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu",
                                       "Programs"), user_menu]
            target = "C:\\" + "\\".join(parts)
        else:
            self.folder = os.path.join(home, "AppData", "Local", "Programs", product.install_name)
            self.where = "%%LOCALAPPDATA%%\\Programs\\%s" % product.install_name
            self.menus = [user_menu]
            target = "C:\\users\\%s\\AppData\\Local\\Programs\\%s" % (user, product.install_name)
        self.target = target
        # Each program's shortcut (its path in the Start menu), and the path it starts.
        self.shortcut_names = [(os.path.join(*filter(None, (product.menu_folder(), tool.install_name + ".lnk"))),
                                "%s\\%s" % (target, tool.program)) for tool in product.programs()]

    @property
    def shortcuts(self):
        """Each shortcut where it is, in the first menu that has it (the first
        menu when none has it), and the path it starts."""
        found = []
        for name, target in self.shortcut_names:
            places = [os.path.join(menu, name) for menu in self.menus]
            found.append((next((place for place in places if os.path.isfile(place)), places[0]), target))
        return found

    @property
    def shortcut(self):
        return self.shortcuts[0][0]

    def menu_folders(self):
        """The suite's Start-menu folder in each menu it may be in."""
        return [os.path.join(menu, self.product.menu_folder()) for menu in self.menus] if self.product.menu_folder() \
            else []

    def entries(self):
        """The "Apps & features" entries of the package's products (each
        ProductCode of it installed here): Wine's msiexec writes them under
        HKLM\\...\\Uninstall\\{ProductCode}, also for a per-user package, so the
        name alone would not tell a per-user entry from a per-machine one."""
        found = {}
        for hive in ("system.reg", "user.reg"):
            for key, values in registry(self.prefix, hive).items():
                if key.startswith(UNINSTALL) and key[len(UNINSTALL):] in self.codes:
                    found[key[len(UNINSTALL):]] = values
        return found

    def expect_files(self, expect, when):
        """The package's files in place, as built."""
        for name in entries(self.product):
            path = os.path.join(self.folder, name)
            expect(os.path.isfile(path) and read(path) == read(os.path.join(self.files, name)),
                   "%s: %s is installed in %s" % (when, name, self.where))

    def expect_installed(self, expect, env, when):
        """The files in place, each program's self-test, the shortcuts and one entry."""
        self.expect_files(expect, when)
        for tool in self.product.programs():
            program = os.path.join(self.folder, tool.program)
            if os.path.isfile(program):
                run = wine.selftest(program, env)
                wine.expect_selftest(tool, expect, run, "%s: the installed %s" % (when, tool.program), env)
        for (shortcut, target), (name, _) in zip(self.shortcuts, self.shortcut_names):
            link = read(shortcut) if os.path.isfile(shortcut) else b""
            expect(target.encode() in link or target.encode("utf-16-le") in link,
                   "%s: the Start-menu shortcut %s starts %s" % (when, name, target))
        expect(len(self.entries()) == 1, "%s: %s has one uninstall entry (got %s)"
               % (when, self.product.install_name, list(self.entries())))
        # The entry names the package's kind, its folder and, per machine, its icon.
        entry = self.entries().get(self.product.product_code(), {})
        shown = {"DisplayName": self.product.display_name(), "InstallLocation": self.target + "\\"}
        if self.product.machine:
            shown["DisplayIcon"] = "%s\\%s,0" % (self.target, msi.icon_program(self.product).program)
        got = {name: entry.get(name) for name in shown}
        expect(got == shown, "%s: the uninstall entry shows %s (got %s)" % (when, shown, got))

    def registered(self, machine=None):
        """The products Windows Installer has registered for the tool, in the
        package's context (or the one given): {key: values}."""
        hive, products = PRODUCTS[self.product.machine if machine is None else machine]
        codes = {packed(code) for code in self.codes}
        return {key[len(products):]: values for key, values in registry(self.prefix, hive).items()
                if key.startswith(products) and key[len(products):] in codes}

    def cached_packages(self):
        """The packages of the tool that Windows Installer keeps in C:\\windows\\Installer."""
        folder = os.path.join(self.prefix, "drive_c", "windows", "Installer")
        names = sorted(n for n in os.listdir(folder) if n.lower().endswith(".msi")) if os.path.isdir(folder) else []
        return [name for name in names
                if {row["Property"]: row["Value"] for row in msi.table(os.path.join(folder, name), "Property")}
                .get("UpgradeCode") == self.product.upgrade_code]

    def expect_removed(self, expect, what):
        """Nothing of the tool left: files, shortcut, entry, its values, any
        registration of its codes and its cached packages."""
        expect(not os.path.exists(self.folder), "%s removes %s" % (what, self.where))
        expect(not any(os.path.exists(shortcut) for shortcut, _ in self.shortcuts),
               "%s removes the Start-menu shortcuts" % what)
        expect(not any(os.path.exists(menu) for menu in self.menu_folders()),
               "%s removes the Start-menu folder %s" % (what, self.product.menu_folder()))
        expect(not self.entries(), "%s removes the uninstall entry" % what)
        key = "Software\\%s\\%s" % (self.product.publisher, self.product.install_name)
        expect(not registry(self.prefix, VALUES_HIVE[self.product.machine]).get(key),
               "%s removes the program's registry values" % what)
        codes = sorted(self.codes) + [self.product.upgrade_code]
        left = mentions(self.prefix, codes + [packed(code) for code in codes])
        expect(not left, "%s leaves no registration of %s (got %s)" % (what, ", ".join(codes), left))
        expect(not self.cached_packages(), "%s leaves no cached package of %s (got %s)"
               % (what, self.product.install_name, self.cached_packages()))


def msiexec(expect, env, *args, refused=False):
    """Runs "msiexec <args> /qn" with a verbose log in the prefix and expects
    exit code 0 or, when refused, a refusal (an exit code, not 0). A run that
    should pass and does not is printed with its exit code and the ends of
    its actions and the errors in its log, then run once more: Wine has been seen to fail such a
    run on a fast machine with nothing changed in the prefix. The check holds
    only when that second run passes; what comes after checks the outcome.
    Returns whether it held."""
    log = os.path.join(env["WINEPREFIX"], "drive_c", "msiexec.log")
    shown = "msiexec %s /qn" % " ".join(os.path.basename(a) if a.lower().endswith(".msi") else a for a in args)
    for attempt in (1, 2):
        if os.path.exists(log):
            os.remove(log)
        code = wine.run(env, "msiexec", *args, "/qn", "/l*v", "C:\\msiexec.log")
        if refused:
            return expect(code not in (0, None), "%s is refused (got %s)" % (shown, wine.describe(code)))
        if code == 0 or attempt == 2:
            return expect(code == 0, "%s exits with 0 (got %s)" % (shown, wine.describe(code)))
        text = open(log, encoding="utf-8", errors="replace").read() if os.path.isfile(log) else ""
        failing = [line.strip() for line in text.splitlines()
                   if re.search(r"Action ended|error|fail|Note: 1:", line, re.IGNORECASE)][-20:]
        print("dist install-check: %s gave %s; its log says:\n  %s\nrunning it once more"
              % (shown, wine.describe(code), "\n  ".join(failing) or "(nothing)"), file=sys.stderr)


def next_patch(product):
    major, minor, patch = (int(p) for p in product.version.split("."))
    return product.at_version("%d.%d.%d" % (major, minor, patch + 1))


def earlier(product):
    """The same package at an earlier version, to upgrade from: one patch
    lower, else one minor version lower, else one major version lower."""
    major, minor, patch = (int(p) for p in product.version.split("."))
    if patch:
        return product.at_version("%d.%d.%d" % (major, minor, patch - 1))
    if minor:
        return product.at_version("%d.%d.0" % (major, minor - 1))
    if major:
        return product.at_version("%d.0.0" % (major - 1))
    raise SystemExit("dist: %s %s has no earlier version to upgrade from" % (product.target, product.version))


def install_published(expect, env, tool, release, package):
    """Installs a published release of the tool, as a machine that has it
    does, and checks it is the one installed. Prints what it saw."""
    tool.codes.add(release.product_code)
    msiexec(expect, env, "/i", package)
    seen = {code: values.get("DisplayVersion") for code, values in tool.entries().items()}
    expect(seen == {release.product_code: release.version}, "the published %s is installed: one uninstall entry "
           "%s, version %s (got %s)" % (release.label(), release.product_code, release.version, seen))
    program = os.path.join(tool.folder, release.program)
    digest = sha256(program) if os.path.isfile(program) else None
    expect(digest == release.program_sha256, "the published %s puts its %s in %s (SHA-256 %s, got %s)"
           % (release.label(), release.program, tool.where, release.program_sha256, digest))
    print("dist install-check: published %s installed: entries %s, %s %s"
          % (release.label(), seen, release.program, digest))


def expect_upgraded(expect, tool, release, kept, records):
    """After the release was installed over the published one: one product,
    this version's, and the record files as they were. Prints what it saw."""
    product = tool.product
    seen = {code: values.get("DisplayVersion") for code, values in tool.entries().items()}
    expect(seen == {product.product_code(): product.version}, "after the upgrade from the published %s, one "
           "uninstall entry, %s version %s (got %s)" % (release.label(), product.product_code(), product.version,
                                                         seen))
    registered = sorted(tool.registered())
    expect(registered == [packed(product.product_code())], "after the upgrade from the published %s, Windows "
           "Installer has one product of %s registered, %s (got %s)"
           % (release.label(), product.install_name, product.product_code(), registered))
    program = os.path.join(tool.folder, product.program)
    digest = sha256(program) if os.path.isfile(program) else None
    expect(digest != release.program_sha256, "the upgrade from the published %s replaces its %s"
           % (release.label(), product.program))
    expect(folder_contents(records) == kept, "the upgrade from the published %s leaves every record file as it was"
           % release.label())
    print("dist install-check: %s installed over it: entries %s, registered %s, %s %s"
          % (product.version, seen, registered, product.program, digest))


def machine_rows(expect, env, for_all, tool, earlier, records, kept):
    """The per-machine package, as an administrator or a deployment tool
    installs it ("msiexec /i ... ALLUSERS=1 /qn"), over a per-machine
    installation of an earlier version (earlier: its ProductCode, version and
    package, the last published per-machine release when there is one); then
    that one refused over it, and the uninstall. tool is the per-user
    package's Installation: nothing may go into the user's profile. Prints
    where the files and the shortcut went."""
    product, name = for_all.product, os.path.basename(for_all.package)
    earlier_code, earlier_version, earlier_package = earlier
    for_all.codes.add(earlier_code)
    msiexec(expect, env, "/i", earlier_package, "ALLUSERS=1")
    seen = {code: values.get("DisplayVersion") for code, values in for_all.entries().items()}
    expect(seen == {earlier_code: earlier_version},
           "the per-machine %s is installed (got %s)" % (earlier_version, seen))
    msiexec(expect, env, "/i", for_all.package, "ALLUSERS=1")
    when = "per machine, after the upgrade from %s" % earlier_version
    for_all.expect_installed(expect, env, when)
    entry = for_all.entries().get(product.product_code(), {})
    expect(entry.get("DisplayVersion") == product.version, "%s: the uninstall entry shows version %s (got %s)"
           % (when, product.version, entry.get("DisplayVersion")))
    registered = sorted(for_all.registered())
    expect(registered == [packed(product.product_code())], "%s: Windows Installer has the product registered "
           "for the machine (HKLM), %s (got %s)" % (when, product.product_code(), registered))
    expect(not for_all.registered(machine=False), "%s: nothing registered for the installing user (HKCU, got %s)"
           % (when, list(for_all.registered(machine=False))))
    expect(not os.path.exists(tool.folder), "%s: no program in the installing user's %s" % (when, tool.where))
    # The shortcuts' key path is under HKMU: per machine that is HKLM.
    key = "Software\\%s\\%s" % (product.publisher, product.install_name)
    values = {hive: registry(for_all.prefix, hive).get(key, {}) for hive in ("system.reg", "user.reg")}
    expect(values["system.reg"] and not values["user.reg"], "%s: the key path of the shortcuts (HKMU) is under HKLM, "
           "not HKCU (got %s)" % (when, values))
    expect(folder_contents(records) == kept, "%s: every record file is as it was" % when)
    menus = sorted({os.path.dirname(shortcut) for shortcut, _ in for_all.shortcuts if os.path.isfile(shortcut)})
    print("dist install-check: %s installed per machine into %s; ProgramMenuFolder gave %s"
          % (name, for_all.where, menus))

    msiexec(expect, env, "/i", earlier_package, "ALLUSERS=1", refused=True)
    expect(list(for_all.entries()) == [product.product_code()],
           "the per-machine %s does not replace version %s" % (earlier_version, product.version))
    msiexec(expect, env, "/x", for_all.package)
    for_all.expect_removed(expect, "uninstalling %s" % name)
    expect(folder_contents(records) == kept, "uninstalling %s leaves every record file as it was" % name)


def set_windows(env, version):
    """The Windows the prefix's programs are told they run on (winecfg's
    names: "vista", "win7", ...); None for the prefix's own."""
    if version is None:
        wine.run(env, "reg", "delete", "HKCU\\Software\\Wine", "/v", "Version", "/f")
    else:
        wine.run(env, "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version, "/f")


def removal_rows(expect, env, tool, for_all, per_user_package, single, records, kept):
    """The move from per-user to per-machine installations that the guide
    gives IT, made as IT would: a per-user installation (per_user_package: the
    published release when there is one, whose entry carries the name of its
    day; for the suite also a single tool's, single), then the per-machine
    package, refused on Windows Vista and installed on Windows 7 SP1 (the two
    sides of its launch condition), then the removal script exactly as the
    installed README.txt gives it, run in the user's context: every per-user
    installation goes, the per-machine one stays whole, the records stay,
    and a second run finds nothing to do. Then the per-machine package is
    uninstalled. tool and for_all are the per-user and per-machine
    Installations; every code of tool's package installed here is in tool.codes."""
    product = for_all.product
    started = time.time()
    per_user = [tool] + ([single] if single else [])
    msiexec(expect, env, "/i", per_user_package)
    if single:
        msiexec(expect, env, "/i", single.package)
    set_windows(env, "vista")
    msiexec(expect, env, "/i", for_all.package, "ALLUSERS=1", refused=True)
    expect(not for_all.entries() and not os.path.exists(for_all.folder),
           "on Windows Vista the per-machine package installs nothing (its launch condition)")
    set_windows(env, "win7")
    msiexec(expect, env, "/i", for_all.package, "ALLUSERS=1")
    set_windows(env, None)
    expect(all(one.entries() for one in per_user) and for_all.entries(),
           "per-user and per-machine installations side by side, as on a PC IT takes over (got %s and %s)"
           % ([list(one.entries()) for one in per_user], list(for_all.entries())))

    readme = os.path.join(for_all.folder, "README.txt")
    script = guide.script_in(read(readme), product) if os.path.isfile(readme) else None
    if not expect(script, "the installed README.txt gives the removal script %s" % guide.removal_script_name(product)):
        return
    name = guide.removal_script_name(product)
    write(os.path.join(env["WINEPREFIX"], "drive_c", name), "".join(line + "\r\n" for line in script).encode("ascii"))
    for run in ("first", "second"):
        code = wine.run(env, "cmd", "/c", "C:\\" + name)
        expect(code == 0, "the %s run of %s in the user's context exits with 0 (got %s)"
               % (run, name, wine.describe(code)))
        when = "after the %s run of %s" % (run, name)
        for one in per_user:
            expect(not one.entries() and not one.registered() and not os.path.exists(one.folder),
                   "%s: no per-user installation of %s is left (entries %s, registered %s)"
                   % (when, one.product.install_name, list(one.entries()), list(one.registered())))
        expect(list(for_all.entries()) == [product.product_code()] and for_all.registered(),
               "%s: the per-machine installation stays, one entry (got %s)" % (when, list(for_all.entries())))
    for_all.expect_files(expect, "after %s" % name)
    expect(folder_contents(records) == kept, "%s leaves every record file as it was" % name)
    msiexec(expect, env, "/x", for_all.package)
    for_all.expect_removed(expect, "uninstalling %s after %s" % (os.path.basename(for_all.package), name))
    for one in per_user:
        one.expect_removed(expect, "%s, for %s" % (name, one.product.install_name))
    print("dist install-check: %s removed %s beside the per-machine %s in the user's context (%d s)"
          % (name, ", ".join(os.path.basename(p) for p in [per_user_package] + ([single.package] if single else [])),
             os.path.basename(for_all.package), time.time() - started))


def install_check(product, out_dir, beside, releases=None, removal=False):
    """Installs the release MSI in a fresh prefix where the other tools'
    packages (beside, built here from their builds) are installed first, and,
    when the tool has a published release older than this one, over the last
    of them (from releases/); checks the installation, sees the published
    package refused over it, installs a package of the next patch version over
    it, sees an older one refused and uninstalls: nothing of the tool is left.
    The per-user package refuses ALLUSERS=1. Then the per-machine package,
    as an administrator installs it (ALLUSERS=1), over a per-machine package
    of an earlier version: the program in %ProgramFiles%, registered for the
    machine, nothing in the user's profile; the earlier one refused over it;
    uninstalled, nothing of it left. The other tools stay installed and
    working; uninstalling them too leaves nothing in the Programs folders. A
    record file of every tool written before stays, byte for byte. The
    suite's package also sees the first package beside it uninstalled and
    installed again meanwhile, leaving its files. With removal, last, the
    guide's move from per-user to per-machine installations (removal_rows)."""
    expect = Expectations("install-check")
    machine = product.per_machine()
    package = os.path.abspath(os.path.join(out_dir, product.release_name("msi")))
    machine_package = os.path.abspath(os.path.join(out_dir, machine.release_name("msi")))
    missing = [path for path in (package, machine_package) if not os.path.isfile(path)]
    if not expect(not missing, "%s missing (dist.py build writes them)" % ", ".join(missing)):
        return expect.report("")
    releases = published.load_all() if releases is None else releases
    previous, machine_previous = published.last_before(product, releases), published.last_before(machine, releases)
    previous_package = published.package_of(previous) if previous else None
    machine_previous_package = published.package_of(machine_previous) if machine_previous else None
    for release, path in ((previous, previous_package), (machine_previous, machine_previous_package)):
        if release and not expect(path, "the published %s's MSI is in %s as published (%s, SHA-256 %s): the upgrade "
                                  "starts from it" % (release.label(), published.FOLDER, release.msi,
                                                      release.msi_sha256)):
            return expect.report("")
    prefix = os.path.abspath(os.path.join(out_dir, "wineprefix-install"))
    shutil.rmtree(prefix, ignore_errors=True)
    env = wine.environment(prefix)
    others = [other for other in beside if other.target != product.target]

    with tempfile.TemporaryDirectory() as work:
        # This tool's files as released, and the package of the next version:
        # the same files, the version one patch higher.
        files = os.path.join(work, product.target)
        with zipfile.ZipFile(os.path.join(out_dir, product.release_name("zip"))) as z:
            stage(product, files, {name: z.read(name) for name in entries(product)})
        upgrade = next_patch(product)
        upgrade_package = os.path.join(work, upgrade.release_name("msi"))
        msi.write_msi(upgrade, files, upgrade_package)
        machine_earlier = earlier(machine)
        machine_earlier_package = os.path.join(work, machine_earlier.release_name("msi"))
        msi.write_msi(machine_earlier, files, machine_earlier_package)
        other_packages = []
        for other in others:
            other_files = os.path.join(work, "beside", other.target)
            other_package = os.path.join(work, other.release_name("msi"))
            stage(other, other_files, env=env)
            msi.write_msi(other, other_files, other_package)
            other_packages.append((other, other_package, other_files))

        try:
            if not wine.make_prefix(env):
                sys.exit("dist install-check: FAILED: wineboot made no whole Wine prefix in %s" % prefix)
            user = [u for u in os.listdir(os.path.join(prefix, "drive_c", "users")) if u != "Public"][0]
            local = os.path.join(prefix, "drive_c", "users", user, "AppData", "Local")
            programs = os.path.join(local, "Programs")
            tool = Installation(product, package, files, prefix, user)
            tool.codes.add(upgrade.product_code())
            for_all = Installation(machine, machine_package, files, prefix, user)
            installed = [Installation(o, p, f, prefix, user) for o, p, f in other_packages]

            # A record of each tool here and of one that is not.
            records = os.path.join(local, *RECORDS_FOLDER)
            os.makedirs(records)
            ids = [t.tool_id for t in product.programs()] + [o.product.tool_id for o in installed]
            ids.append(next(i for i in itertools.count(1) if i not in ids))
            for tool_id in ids:
                row = "时间,工具,输入\r\n2026-01-01 08:00,%d,70\r\n" % tool_id
                write(os.path.join(records, record_file(tool_id)), b"\xef\xbb\xbf" + row.encode("utf-8"))
            kept = folder_contents(records)

            for other in installed:
                msiexec(expect, env, "/i", other.package)
            # The per-user package asked to install for the machine: refused,
            # rather than registered for every user with its files in the
            # installing account's profile.
            msiexec(expect, env, "/i", package, "ALLUSERS=1", refused=True)
            expect(not tool.entries() and not os.path.exists(tool.folder),
                   "the per-user package refused with ALLUSERS=1 installs nothing")
            if previous:
                install_published(expect, env, tool, previous, previous_package)
            msiexec(expect, env, "/i", package)
            if previous:
                expect_upgraded(expect, tool, previous, kept, records)
            when = ("after the upgrade from the published %s" % previous.version if previous
                    else "after the installation")
            tool.expect_installed(expect, env, when)
            if not product.menu_folder():
                # The suite's shortcuts show their programs' own icons.
                link = read(tool.shortcut) if os.path.isfile(tool.shortcut) else b""
                icon = "\\%s\\%s" % (product.product_code(), msi.ICON)
                expect(icon.encode() in link or icon.encode("utf-16-le") in link,
                       "the Start-menu shortcut shows the program's icon")
            entry = tool.entries().get(product.product_code(), {})
            expect(entry.get("DisplayVersion") == product.version and entry.get("Publisher") == product.publisher,
                   "the uninstall entry %s shows version %s and publisher %s (got %s, %s)"
                   % (product.product_code(), product.version, product.publisher, entry.get("DisplayVersion"),
                      entry.get("Publisher")))
            registered = list(tool.registered().values())
            icon = registered[0].get("ProductIcon", "") if registered else ""
            cached = os.path.join(prefix, "drive_c", *icon[3:].split("\\")) if icon.startswith("C:\\") else ""
            expect(cached and os.path.isfile(cached) and read(cached) == read(product.icon),
                   "the product's icon (ARPPRODUCTICON) is registered and cached (got %r)" % icon)
            if previous:
                msiexec(expect, env, "/i", previous_package, refused=True)
                program = os.path.join(tool.folder, product.program)
                expect(list(tool.entries()) == [product.product_code()] and os.path.isfile(program)
                       and read(program) == read(os.path.join(files, product.program)),
                       "the published %s does not replace version %s or its %s"
                       % (previous.version, product.version, product.program))

            msiexec(expect, env, "/i", upgrade_package)
            entries_now = tool.entries()
            expect(list(entries_now) == [upgrade.product_code()], "after the upgrade, one uninstall entry, version "
                   "%s's (got %s)" % (upgrade.version, list(entries_now)))
            expect(entries_now.get(upgrade.product_code(), {}).get("DisplayVersion") == upgrade.version,
                   "the uninstall entry shows version %s" % upgrade.version)
            for one in product.programs():
                program = os.path.join(tool.folder, one.program)
                expect(os.path.isfile(program) and read(program) == read(os.path.join(files, one.program)),
                       "the upgrade leaves %s in place" % one.program)
            expect(all(os.path.isfile(shortcut) for shortcut, _ in tool.shortcuts),
                   "the upgrade leaves the Start-menu shortcuts in place")

            msiexec(expect, env, "/i", package, refused=True)
            expect(list(tool.entries()) == [upgrade.product_code()],
                   "an older version does not replace version %s" % upgrade.version)

            if product.menu_folder() and installed:
                # The suite and a tool's own package hold the same program in
                # two folders: removing the tool's leaves the suite's.
                single = installed[0]
                msiexec(expect, env, "/x", single.package)
                single.expect_removed(expect, "uninstalling %s beside %s" % (single.product.install_name,
                                                                              product.install_name))
                when = "after %s was uninstalled" % single.product.install_name
                tool.expect_files(expect, when)
                expect(all(os.path.isfile(shortcut) for shortcut, _ in tool.shortcuts),
                       "%s: the Start-menu shortcuts of %s stay" % (when, product.install_name))
                expect(list(tool.entries()) == [upgrade.product_code()], "%s: %s stays installed"
                       % (when, product.install_name))
                msiexec(expect, env, "/i", single.package)

            msiexec(expect, env, "/x", upgrade_package)
            tool.expect_removed(expect, "uninstalling")
            expect(folder_contents(records) == kept, "uninstalling leaves every record file in %s as it was"
                   % "\\".join(("%LOCALAPPDATA%",) + RECORDS_FOLDER))

            if machine_previous:
                earlier_machine = (machine_previous.product_code, machine_previous.version, machine_previous_package)
            else:
                earlier_machine = (machine_earlier.product_code(), machine_earlier.version, machine_earlier_package)
            machine_rows(expect, env, for_all, tool, earlier_machine, records, kept)

            for other in installed:
                other.expect_installed(expect, env, "after %s came and went" % product.install_name)
            for other in installed:
                msiexec(expect, env, "/x", other.package)
                other.expect_removed(expect, "uninstalling %s" % other.product.install_name)
            expect(folder_contents(records) == kept, "the records stay when every tool is uninstalled")
            if removal:
                # The suite's script removes single tools' per-user installations too.
                single = installed[0] if product.menu_folder() and installed else None
                removal_rows(expect, env, tool, for_all, previous_package or package, single, records, kept)
            # The package removes the Programs folder when it is left empty; Wine's
            # msiexec tries that before it deletes the files, so here the folder
            # stays, and nothing of the suite may be left in it.
            left = os.listdir(programs) if os.path.isdir(programs) else []
            expect(not left, "uninstalling every tool leaves nothing in %%LOCALAPPDATA%%\\Programs (got %s)"
                   % left)
            publisher = os.path.dirname(for_all.folder)
            left = os.listdir(publisher) if os.path.isdir(publisher) else []
            expect(not left, "uninstalling leaves nothing in %%ProgramFiles%%\\%s (got %s)" % (machine.publisher, left))
        finally:
            wine.stop(env)

    besides = " beside %s" % ", ".join(o.install_name for o in others) if others else ""
    over = " over the published %s" % previous.version if previous else ""
    removed = ("; the guide's script removes the per-user %s beside it" % (previous.version if previous else "package")
               if removal else "")
    result = expect.report("%s installs%s%s, upgrades to %s and uninstalls under Wine; %s installs per machine "
                           "over %s and uninstalls%s; the records stay"
                           % (os.path.basename(package), over, besides, upgrade.version,
                              os.path.basename(machine_package),
                              "the published " + machine_previous.version if machine_previous else machine_earlier.version,
                              removed))
    # A prefix takes about 700 MB: a passed check leaves none behind (make
    # dist-all checks a dozen packages in a row); a failed one keeps its
    # prefix to be looked into.
    if result == 0:
        shutil.rmtree(prefix, ignore_errors=True)
    else:
        print("dist install-check: the Wine prefix of the failed check is kept in %s" % prefix, file=sys.stderr)
    return result
