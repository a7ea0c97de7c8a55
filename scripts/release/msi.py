"""The Windows Installer packages of a tool, or of the suite, per user and
per machine. wixl builds them from package.wxs (a tool) or suite.wxs (the
suite); msibuild then writes what wixl cannot, and sets the package code,
derived from the whole database, and the summary information."""

import hashlib
import os
import re
import subprocess
import sys
import tempfile
import time
from xml.sax.saxutils import quoteattr

from . import pe
from .common import SUITE_URL, epoch, need, read

TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "package.wxs")
SUITE_TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "suite.wxs")
PLATFORM = "x64;2052"
ICON = "product.ico"
# The key of the program in the File table, and the folder the install
# folder is made in: %LOCALAPPDATA%\Programs per user, %ProgramFiles%\<publisher>
# per machine, removed when uninstalling leaves it empty.
PROGRAM_FILE = "Program"
PROGRAMS_FOLDER = "UserProgramsFolder"
PUBLISHER_FOLDER = "PublisherFolder"
COMPONENTS = ("Program", "StartMenuShortcut")
# A tool's per-machine package keeps its guide and licence in a component of
# their own: the program is the key path of its component.
DOCUMENTS_COMPONENT = "Documents"
# The suite's component of the Start-menu shortcuts and their folder.
SHORTCUTS_COMPONENT = "StartMenuShortcuts"
MENU_FOLDER = "SuiteMenuFolder"
# msidbComponentAttributes64bit
COMPONENT_64BIT = 256
BLANK_CODE = "{00000000-0000-0000-0000-000000000000}"
# The Windows every package runs on, as its launch condition: 64-bit Windows 7
# SP1 or later (VersionNT64 is set on 64-bit Windows only; 601 is 6.1, Windows
# 7 and Server 2008 R2). Windows Installer 5.0 comes with these; an older
# installer refuses the package's schema 500 before it reads the condition.
WINDOWS_CONDITION = "Installed OR VersionNT64 > 601 OR (VersionNT64 = 601 AND ServicePackLevel >= 1)"
WINDOWS_MESSAGE = ("%s needs 64-bit Windows 7 SP1 or later (Windows Server 2008 R2 SP1 or later) with Windows "
                   "Installer 5.0.")
# The custom action that puts the install folder in the entry (InstallLocation).
INSTALL_LOCATION_ACTION = "SetInstallLocation"
INSTALL_LOCATION_TYPE = 51  # sets a property
INSTALL_LOCATION_SEQUENCE = 1001  # right after CostFinalize, which resolves INSTALLDIR
# The Registry table's roots.
HKMU, HKCU, HKLM = -1, 1, 2
# What wixl 0.101 writes for Root="HKMU".
WIXL_HKMU = 4
# The key of the entry in "Apps & features" per machine.
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\[ProductCode]"
# The package code in the summary information (PID_REVNUMBER).
PACKAGE_CODE_PROPERTY = "9"
# The streams an Authenticode signature adds; the summary information is
# read as a table instead.
NOT_DIGESTED = ("DigitalSignature", "MsiDigitalSignatureEx", "SummaryInformation")


def msiinfo(command, msi, *args):
    """msiinfo's output, run in an empty folder: exporting a table with binary
    columns writes their streams into a folder of the current one."""
    with tempfile.TemporaryDirectory() as folder:
        return subprocess.run([need("msiinfo"), command, os.path.abspath(msi), *args], capture_output=True,
                              check=True, cwd=folder).stdout


def packed(guid):
    """A GUID as Windows Installer writes it in its registry keys: the first
    three groups reversed, then each byte of the rest with its digits swapped
    ({82C5317F-EB35-...} gives F7135C2853BE...)."""
    digits = guid.strip("{}").replace("-", "").upper()
    head = digits[:8][::-1] + digits[8:12][::-1] + digits[12:16][::-1]
    return head + "".join(digits[i + 1] + digits[i] for i in range(16, 32, 2))


def lines(data):
    return [line for line in re.split(rb"\r?\n", data) if line]


def tables(msi):
    return sorted(line.decode() for line in lines(msiinfo("tables", msi)))


def streams(msi):
    return sorted(line.decode() for line in lines(msiinfo("streams", msi)))


def table(msi, name):
    """The rows of one table (msiinfo export), as dictionaries."""
    rows = [line.decode("utf-8", errors="replace").split("\t") for line in lines(msiinfo("export", msi, name))]
    return [dict(zip(rows[0], row)) for row in rows[3:]]


def summary(msi):
    """The summary information: {property id: value}."""
    return {row["PropertyId"]: row["Value"] for row in table(msi, "_SummaryInformation")}


def database_digest(msi):
    """The SHA-256 of everything in the database but its package code and any
    signature: every table as msiinfo exports it (the summary information
    without the package code), then every stream (the cabinet, the icon)."""
    digest = hashlib.sha256()

    def add(kind, name, data):
        digest.update(b"%s %s %d\n" % (kind, name.encode(), len(data)))
        digest.update(data)

    for name in tables(msi):
        text = msiinfo("export", msi, name)
        if name == "_SummaryInformation":
            text = b"\n".join(line for line in lines(text)
                              if not line.startswith(PACKAGE_CODE_PROPERTY.encode() + b"\t"))
        add(b"table", name, text)
    for name in streams(msi):
        if name.lstrip("\x05") not in NOT_DIGESTED:
            add(b"stream", name, msiinfo("extract", msi, name))
    return digest.hexdigest()


def package_code(product, digest):
    """The package code names one exact database: derived from its digest, so
    a package that differs in anything (files, tables, icon, publisher, the
    wixl that wrote it) has another one."""
    return product.derived_code("package " + digest)


def program_version(stage, program):
    """A program's file version and language, from its version resource."""
    info = pe.version_info(read(os.path.join(stage, program)))
    if info is None or not info.languages:
        sys.exit("dist: %s carries no version resource with a language" % program)
    return info.file_version, str(info.languages[0])


def identifier(name):
    """A file's name as a key of the package's tables (letters, digits, '_'
    and '.', not beginning with a digit or '.')."""
    key = re.sub(r"[^A-Za-z0-9_.]", "_", name)
    return key if re.match(r"[A-Za-z_]", key) else "_" + key


def program_files(package):
    """Each program's key in the File table, with its tool: [(key, tool)]."""
    if package.menu_folder() is None:
        return [(PROGRAM_FILE, package)]
    return [(identifier(tool.program), tool) for tool in package.programs()]


def components(package):
    """The package's components: a tool's program (per machine with its
    documents beside it) and shortcut; in the suite, one per file (named by
    it) and the shortcuts."""
    if package.menu_folder() is None:
        return [COMPONENTS[0]] + ([DOCUMENTS_COMPONENT] if package.machine else []) + [COMPONENTS[1]]
    return [identifier(name) for name in package.entries()] + [SHORTCUTS_COMPONENT]


def shortcut_component(package):
    return COMPONENTS[1] if package.menu_folder() is None else SHORTCUTS_COMPONENT


def icon_program(package):
    """The tool whose program gives the entry in "Apps & features" its icon:
    the one whose icon is the package's, else the first."""
    tools = package.programs()
    return next((tool for tool in tools if os.path.abspath(tool.icon) == os.path.abspath(package.icon)), tools[0])


def scope(package):
    """Where the package installs and what it asks for: the WiX variables of
    its scope. A per-machine package installs into %ProgramFiles%\<publisher>,
    its files their components' key paths, its shortcuts' key path under
    HKMU; a per-user one into %LOCALAPPDATA%\Programs with its key paths
    under HKCU, and refuses ALLUSERS, naming the per-machine package."""
    if package.machine:
        return {"Scope": "machine", "InstallScope": "perMachine", "BaseFolder": "ProgramFiles64Folder",
                "ParentFolder": PUBLISHER_FOLDER, "ParentName": package.publisher, "ShortcutRoot": "HKMU",
                "MachinePackage": package.release_name("msi")}
    return {"Scope": "user", "InstallScope": "perUser", "BaseFolder": "LocalAppDataFolder",
            "ParentFolder": PROGRAMS_FOLDER, "ParentName": "Programs", "ShortcutRoot": "HKCU",
            "MachinePackage": package.per_machine().release_name("msi")}


def parent_folder(package):
    """The key in the Directory table of the folder the install folder is in."""
    return scope(package)["ParentFolder"]


def folder_component(package):
    """The component that removes the parent folder when it is left empty."""
    return COMPONENTS[0] if package.menu_folder() is None else identifier("LICENSE.txt")


def source(package, stage):
    """The WiX source of the package and its variables."""
    defines = {
        "InstallName": package.install_name, "DisplayName": package.display_name(), "Version": package.version,
        "Manufacturer": package.publisher,
        "UpgradeCode": package.upgrade_code, "ProductCode": package.product_code(), "SuiteUrl": SUITE_URL,
    }
    defines.update(scope(package))
    if package.menu_folder() is None:
        defines.update(Program=package.program, ProgramComponent=package.component_code(COMPONENTS[0]),
                       DocumentsComponent=package.component_code(DOCUMENTS_COMPONENT),
                       ShortcutComponent=package.component_code(COMPONENTS[1]))
        with open(TEMPLATE, encoding="utf-8") as f:
            return f.read(), defines
    defines["ShortcutComponent"] = package.component_code(SHORTCUTS_COMPONENT)
    registry_key = quoteattr("Software\\%s\\%s" % (package.publisher, package.install_name))
    icon = icon_program(package).program
    files = []
    for name in package.entries():
        key = identifier(name)
        files += ['            <Component Id="%s" Guid="%s" Win64="yes">' % (key, package.component_code(key))]
        if package.machine:
            files.append('              <File Id="%s" Name=%s Source=%s KeyPath="yes"/>'
                         % (key, quoteattr(name), quoteattr(name)))
        else:
            files += ['              <File Id="%s" Name=%s Source=%s/>' % (key, quoteattr(name), quoteattr(name)),
                      '              <RegistryValue Root="HKCU" Key=%s Name=%s Type="string" Value=%s KeyPath="yes"/>'
                      % (registry_key, quoteattr(name), quoteattr("[INSTALLDIR]" + name))]
        if package.machine and name == icon:
            files.append('              <RegistryValue Root="HKLM" Key=%s Name="DisplayIcon" Type="string" Value=%s/>'
                         % (quoteattr(UNINSTALL_KEY), quoteattr("[INSTALLDIR]%s,0" % name)))
        if key == folder_component(package):
            files.append('              <RemoveFolder Id="RemoveInstallFolder" On="uninstall"/>')
        files.append('            </Component>')
    shortcuts = ['            <Shortcut Id="Shortcut.%s" Name=%s Target=%s WorkingDirectory="INSTALLDIR"/>'
                 % (key, quoteattr(tool.install_name), quoteattr("[INSTALLDIR]" + tool.program))
                 for key, tool in program_files(package)]
    refs = ['      <ComponentRef Id="%s"/>' % identifier(name) for name in package.entries()]
    with open(SUITE_TEMPLATE, encoding="utf-8") as f:
        text = f.read()
    for marker, lines in (("FILES", files), ("SHORTCUTS", shortcuts), ("COMPONENTS", refs)):
        text = text.replace("<!-- %s -->\n" % marker, "".join(line + "\n" for line in lines))
    return text, defines


def write_msi(product, stage, path):
    """The MSI of the files in stage (the programs, README.txt when the package
    has one, LICENSE.txt, product.ico). wixl and msibuild stamp the database
    with the clock: faketime stops it at SOURCE_DATE_EPOCH."""
    at = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch()))
    env = dict(os.environ, TZ="UTC")
    clock = [need("faketime"), "-f", at]
    text, defines = source(product, stage)
    temporary = os.path.abspath(path) + ".part"
    command = clock + [need("wixl"), "-a", "x64", "-o", temporary]
    for name, value in defines.items():
        command += ["-D", "%s=%s" % (name, value)]
    # wixl finds the files named in the source in its current folder.
    with tempfile.TemporaryDirectory() as folder:
        wxs = os.path.join(folder, "package.wxs")
        with open(wxs, "w", encoding="utf-8") as f:
            f.write(text)
        subprocess.run(command + [wxs], check=True, env=env, cwd=stage)

    # A versioned program: Windows Installer then replaces an older program
    # file by its version, and keeps no hash of it. The parent folder goes
    # when the last program in it is uninstalled.
    queries = []
    for key, tool in program_files(product):
        version, language = program_version(stage, tool.program)
        queries += ["UPDATE File SET Version='%s', Language='%s' WHERE File='%s'" % (version, language, key),
                    "DELETE FROM MsiFileHash WHERE File_='%s'" % key]
    queries.append("INSERT INTO RemoveFile (FileKey, Component_, DirProperty, InstallMode) VALUES ('%s', '%s', '%s', 2)"
                   % ("Remove" + parent_folder(product), folder_component(product), parent_folder(product)))
    # The Windows the package runs on, stated with a message that names it.
    queries.append("INSERT INTO LaunchCondition (Condition, Description) VALUES ('%s', '%s')"
                   % (WINDOWS_CONDITION, WINDOWS_MESSAGE % product.install_name))
    # InstallLocation in the entry: Windows Installer writes it from
    # ARPINSTALLLOCATION, which nothing sets unless the package does.
    queries += ["INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('%s', %d, 'ARPINSTALLLOCATION', "
                "'[INSTALLDIR]')" % (INSTALL_LOCATION_ACTION, INSTALL_LOCATION_TYPE),
                "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('%s', %d)"
                % (INSTALL_LOCATION_ACTION, INSTALL_LOCATION_SEQUENCE)]
    if product.machine:
        queries.append("UPDATE Registry SET Root=%d WHERE Root=%d" % (HKMU, WIXL_HKMU))
    fix = clock + [need("msibuild"), temporary]
    for query in queries:
        fix += ["-q", query]
    # The summary information in place before the digest: wixl writes language
    # 1033 there and a random package code.
    info = [product.install_name, product.publisher, PLATFORM]
    subprocess.run(fix + ["-s", *info, BLANK_CODE], check=True, env=env)
    code = package_code(product, database_digest(temporary))
    subprocess.run(clock + [need("msibuild"), temporary, "-s", *info, code], check=True, env=env)
    os.replace(temporary, path)
    return code
