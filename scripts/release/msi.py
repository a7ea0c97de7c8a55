"""The per-user Windows Installer package of a tool. wixl builds it from
package.wxs; msibuild then writes what wixl cannot, and sets the package code,
derived from the whole database, and the summary information."""

import hashlib
import os
import re
import subprocess
import sys
import tempfile
import time

from . import pe
from .common import SUITE_URL, epoch, need, read

TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "package.wxs")
PLATFORM = "x64;2052"
ICON = "product.ico"
# The key of the program in the File table and of the row that removes the
# per-user Programs folder when uninstalling leaves it empty.
PROGRAM_FILE = "Program"
PROGRAMS_FOLDER = "UserProgramsFolder"
REMOVE_PROGRAMS_FOLDER = "RemoveUserProgramsFolder"
COMPONENTS = ("Program", "StartMenuShortcut")
# msidbComponentAttributes64bit
COMPONENT_64BIT = 256
BLANK_CODE = "{00000000-0000-0000-0000-000000000000}"
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


def program_version(stage, product):
    """The program's file version and language, from its version resource."""
    info = pe.version_info(read(os.path.join(stage, product.program)))
    if info is None or not info.languages:
        sys.exit("dist: %s carries no version resource with a language" % product.program)
    return info.file_version, str(info.languages[0])


def write_msi(product, stage, path):
    """The MSI of the files in stage (the program, README.txt when the tool has
    one, LICENSE.txt, product.ico). wixl and msibuild stamp the database with
    the clock: faketime stops it at SOURCE_DATE_EPOCH."""
    at = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch()))
    env = dict(os.environ, TZ="UTC")
    clock = [need("faketime"), "-f", at]
    defines = {
        "InstallName": product.install_name, "Program": product.program, "Version": product.version,
        "Manufacturer": product.publisher, "UpgradeCode": product.upgrade_code,
        "ProductCode": product.product_code(), "ProgramComponent": product.component_code(COMPONENTS[0]),
        "ShortcutComponent": product.component_code(COMPONENTS[1]), "SuiteUrl": SUITE_URL,
        "Readme": "yes" if os.path.isfile(os.path.join(stage, "README.txt")) else "no",
    }
    temporary = os.path.abspath(path) + ".part"
    command = clock + [need("wixl"), "-a", "x64", "-o", temporary]
    for name, value in defines.items():
        command += ["-D", "%s=%s" % (name, value)]
    # wixl finds the files named in package.wxs in its current folder.
    subprocess.run(command + [TEMPLATE], check=True, env=env, cwd=stage)

    # A versioned program: Windows Installer then replaces an older program
    # file by its version, and keeps no hash of it. The Programs folder goes
    # when the last program in it is uninstalled.
    version, language = program_version(stage, product)
    queries = [
        "UPDATE File SET Version='%s', Language='%s' WHERE File='%s'" % (version, language, PROGRAM_FILE),
        "DELETE FROM MsiFileHash WHERE File_='%s'" % PROGRAM_FILE,
        "INSERT INTO RemoveFile (FileKey, Component_, DirProperty, InstallMode) VALUES ('%s', '%s', '%s', 2)"
        % (REMOVE_PROGRAMS_FOLDER, COMPONENTS[0], PROGRAMS_FOLDER),
    ]
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
