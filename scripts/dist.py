#!/usr/bin/env python3
"""The release files for Windows, and their checks.

  scripts/dist.py build <kaldrin.exe> <out-dir> [--version V]
      write into <out-dir>:
        kaldrin-<version>-win64.zip   the program, README.txt and LICENSE.txt
        kaldrin-<version>-win64.msi   the per-user Windows Installer package
        SHA256SUMS                    the SHA-256 of the zip and the MSI
  scripts/dist.py check <out-dir> <kaldrin.exe>
      check those files against the build (exit 1 on any fault)
  scripts/dist.py install-check <out-dir>
      install, upgrade and uninstall the MSI under Wine, in a prefix of its own
  scripts/dist.py sign-check <kaldrin.exe> <work-dir>
      sign a release with a throwaway certificate and verify the signatures
  scripts/dist.py reproduce <work-dir>
      build kaldrin.exe and the release twice from clean folders (the second
      from a copy of the sources elsewhere) and compare the bytes

The zip holds, at its top level (Windows' "Extract All" makes the folder):
  kaldrin.exe   the program, built by the windows preset (static runtime)
  README.txt    the user section of README.md (the Chinese one), UTF-8 with
                a byte-order mark and CR LF line ends, so that Notepad shows it;
                "<版本>" in it becomes the version
  LICENSE.txt   the licence, CR LF line ends
The MSI installs the same three files into %LOCALAPPDATA%\\Programs\\Kaldrin
(scripts/kaldrin.wxs). The version comes from the project() line of
CMakeLists.txt; --version builds a package of another version from the same
program (the upgrade test uses it).

Same inputs, same bytes: every time stamp is SOURCE_DATE_EPOCH (the Makefile
sets it to the commit's time; 2026-01-01 without it), the MSI's package and
product codes are derived from the version and the contents, and entries keep
a fixed order and no Unix permissions.

Signing: with KALDRIN_SIGN_CERT (PEM certificate chain) and KALDRIN_SIGN_KEY
(PEM private key) set, kaldrin.exe and the MSI are signed with Authenticode
(osslsigncode, SHA-256); KALDRIN_SIGN_PASS_FILE names a file with the key's
password and KALDRIN_SIGN_TIMESTAMP_URL a time-stamping service. Without them
the files stay unsigned, and the build says so.
"""

import calendar
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_EPOCH = calendar.timegm((2026, 1, 1, 0, 0, 0))
ENTRIES = ["kaldrin.exe", "README.txt", "LICENSE.txt"]
# The UpgradeCode of scripts/kaldrin.wxs: every version of the package shares it.
UPGRADE_CODE = "{B22B4FAB-16A6-4E8F-992A-F5A1B749CD44}"
SUMS = "SHA256SUMS"
# DLLs every Windows installation has; anything else beside the program
# (libstdc++-6.dll, libwinpthread-1.dll, ...) would stop it on a clean machine.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "msvcrt.dll", "advapi32.dll",
               "comctl32.dll", "comdlg32.dll", "ole32.dll", "shlwapi.dll", "ucrtbase.dll"}
# The heading that opens the user section of README.md.
USER_SECTION = re.compile(r"^## .*[\u4e00-\u9fff]")
# Stands for the version in the release files' names in README.md.
VERSION_PLACEHOLDER = "<版本>"
# The self-test report of tool 51 at its defaults.
SELFTEST_REPORT = ("TOOL|51|Kaldrin|抗凝\r\nLEVEL|0\r\nOUT|减量条件数|0|项\r\nOUT|阿哌沙班剂量|5.0|mg bid\r\n"
                   "VERDICT|按标准剂量使用，定期复查肾功能\r\nDETAIL|减量条件数：0 项 阿哌沙班剂量：5.0 mg bid \r\n"
                   "ERRORS|0\r\n").encode("utf-8")
# Wine without the .NET and HTML installers' prompts, and without menu entries
# on the host's desktop for the shortcuts a package creates.
WINE_DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"


def version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(kaldrin\s+VERSION\s+([0-9.]+)", f.read())
    if not match:
        sys.exit("dist: no project version in CMakeLists.txt")
    return match.group(1)


def manufacturer():
    """The publisher, as the program's version information names the company."""
    with open(os.path.join(ROOT, "ui", "version.h.in"), encoding="utf-8") as f:
        match = re.search(r'#define KALDRIN_COMPANY_NAME "([^"]+)"', f.read())
    if not match:
        sys.exit("dist: no KALDRIN_COMPANY_NAME in ui/version.h.in")
    return match.group(1)


def msi_version(text):
    """Windows Installer compares major.minor.build: the version with three parts."""
    parts = (text.split(".") + ["0", "0"])[:3]
    return ".".join(str(int(p)) for p in parts)


def release_name(text, extension):
    return "kaldrin-%s-win64.%s" % (text, extension)


def epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    return int(value) if value else DEFAULT_EPOCH


def zip_stamp():
    """SOURCE_DATE_EPOCH as a zip entry's date: UTC, even seconds (the format
    keeps two-second steps), no earlier than the format's 1980."""
    stamp = time.gmtime(max(epoch(), calendar.timegm((1980, 1, 1, 0, 0, 0))))
    return stamp[:5] + (stamp[5] - stamp[5] % 2,)


def user_section():
    """The README.md section for users: from the first level-2 heading in
    Chinese to the next level-2 heading."""
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        lines = f.read().splitlines()
    start = next((i for i, line in enumerate(lines) if USER_SECTION.match(line)), None)
    if start is None:
        return None
    end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("## ")), len(lines))
    section = lines[start:end]
    while section and not section[-1].strip():
        section.pop()
    return section


def crlf(lines):
    return "".join(line + "\r\n" for line in lines)


def readme_bytes():
    """README.txt: the user section with this version in the release files' names."""
    section = user_section()
    if not section:
        sys.exit("dist: README.md has no user section (a level-2 heading in Chinese)")
    return b"\xef\xbb\xbf" + crlf(section).replace(VERSION_PLACEHOLDER, version()).encode("utf-8")


def license_bytes():
    with open(os.path.join(ROOT, "LICENSE"), encoding="utf-8") as f:
        return crlf(f.read().splitlines()).encode("utf-8")


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def tool(name, group="dist"):
    if shutil.which(name) is None:
        sys.exit("dist: %s is missing (scripts/install-deps.sh %s installs it)" % (name, group))
    return name


def signing_key():
    cert = os.environ.get("KALDRIN_SIGN_CERT", "")
    key = os.environ.get("KALDRIN_SIGN_KEY", "")
    if bool(cert) != bool(key):
        sys.exit("dist: KALDRIN_SIGN_CERT and KALDRIN_SIGN_KEY go together")
    return (cert, key) if cert else None


def sign(path, key):
    """Signs path in place with Authenticode (SHA-256). Without a time-stamping
    service the signing time is SOURCE_DATE_EPOCH, so a signed build repeats too."""
    cert, private = key
    command = [tool("osslsigncode"), "sign", "-certs", cert, "-key", private, "-h", "sha256",
               "-n", "Kaldrin", "-i", "http://www.noltmed.example"]
    if os.environ.get("KALDRIN_SIGN_PASS_FILE"):
        command += ["-readpass", os.environ["KALDRIN_SIGN_PASS_FILE"]]
    if os.environ.get("KALDRIN_SIGN_TIMESTAMP_URL"):
        command += ["-ts", os.environ["KALDRIN_SIGN_TIMESTAMP_URL"]]
    else:
        command += ["-time", str(epoch())]
    signed = path + ".signed"
    if os.path.exists(signed):
        os.remove(signed)
    subprocess.run(command + ["-in", path, "-out", signed], check=True, stdout=subprocess.DEVNULL)
    os.replace(signed, path)


def write_zip(path, contents):
    temporary = path + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name in ENTRIES:
            info = zipfile.ZipInfo(name, zip_stamp())
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix permission bits
            info.external_attr = 0x20  # archive
            z.writestr(info, contents[name])
    os.replace(temporary, path)


def product_code(text):
    """One ProductCode per version: a major upgrade needs a new one, and the
    same version built twice keeps it."""
    return "{%s}" % str(uuid.uuid5(uuid.UUID(UPGRADE_CODE), "product " + msi_version(text))).upper()


def package_code(text, stage):
    """The package code names one exact package: derived from the version and
    the bytes of every file it carries."""
    digest = hashlib.sha256(msi_version(text).encode())
    for name in ENTRIES:
        digest.update(read(os.path.join(stage, name)))
    return "{%s}" % str(uuid.uuid5(uuid.UUID(UPGRADE_CODE), "package " + digest.hexdigest())).upper()


def write_msi(path, text, stage):
    """The MSI of the files in stage, by wixl from scripts/kaldrin.wxs. wixl
    stamps the summary information with the clock and a random package code:
    faketime stops the clock at SOURCE_DATE_EPOCH and msibuild then sets the
    package code and the language (wixl writes 1033 there)."""
    at = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch()))
    env = dict(os.environ, TZ="UTC")
    defines = {"Version": msi_version(text), "ProductCode": product_code(text), "Manufacturer": manufacturer()}
    temporary = os.path.abspath(path) + ".part"
    command = [tool("faketime"), "-f", at, tool("wixl"), "-a", "x64", "-o", temporary]
    for name, value in defines.items():
        command += ["-D", "%s=%s" % (name, value)]
    # wixl finds the files named in kaldrin.wxs in its current folder.
    subprocess.run(command + [os.path.join(ROOT, "scripts", "kaldrin.wxs")], check=True, env=env, cwd=stage)
    subprocess.run([tool("msibuild"), temporary, "-s", "Kaldrin", manufacturer(), "x64;2052",
                    package_code(text, stage)], check=True, env=env)
    os.replace(temporary, path)


def build(exe, out_dir, text=None):
    text = text or version()
    if not os.path.isfile(exe):
        sys.exit("dist: %s is missing (make windows builds it)" % exe)
    key = signing_key()
    stage = os.path.join(out_dir, "stage")
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    shutil.copyfile(exe, os.path.join(stage, "kaldrin.exe"))
    write(os.path.join(stage, "README.txt"), readme_bytes())
    write(os.path.join(stage, "LICENSE.txt"), license_bytes())
    shutil.copyfile(os.path.join(ROOT, "ui", "kaldrin.ico"), os.path.join(stage, "kaldrin.ico"))
    if key:
        sign(os.path.join(stage, "kaldrin.exe"), key)
    for name in ENTRIES + ["kaldrin.ico"]:  # the cabinet inside the MSI keeps each file's time
        os.utime(os.path.join(stage, name), (epoch(), epoch()))

    zip_path = os.path.join(out_dir, release_name(text, "zip"))
    write_zip(zip_path, {name: read(os.path.join(stage, name)) for name in ENTRIES})
    msi_path = os.path.join(out_dir, release_name(text, "msi"))
    write_msi(msi_path, text, stage)
    if key:
        sign(msi_path, key)
    sums = "".join("%s  %s\n" % (sha256(p), os.path.basename(p)) for p in (zip_path, msi_path))
    write(os.path.join(out_dir, SUMS), sums.encode())

    for path in (zip_path, msi_path, os.path.join(out_dir, SUMS)):
        print("dist: %s (%d bytes)" % (path, os.path.getsize(path)))
    for name in ENTRIES:
        print("  %-12s %9d bytes" % (name, os.path.getsize(os.path.join(stage, name))))
    if key:
        print("dist: kaldrin.exe and the MSI are signed with %s" % key[0])
    else:
        print("dist: kaldrin.exe and the MSI are NOT signed (set KALDRIN_SIGN_CERT and KALDRIN_SIGN_KEY to sign)")
    return zip_path, msi_path


def imported_dlls(exe):
    objdump = shutil.which("x86_64-w64-mingw32-objdump") or shutil.which("objdump")
    if objdump is None:
        return None
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    return sorted({name.lower() for name in re.findall(r"DLL Name: (\S+)", out)})


def pe_facts(data):
    """Machine, optional-header magic, subsystem, link time and the size of
    the certificate table (the Authenticode signature) of a PE image."""
    if data[:2] != b"MZ":
        return None
    pe = int.from_bytes(data[0x3C:0x40], "little")
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    machine = int.from_bytes(data[pe + 4:pe + 6], "little")
    stamp = int.from_bytes(data[pe + 8:pe + 12], "little")
    optional = pe + 24
    magic = int.from_bytes(data[optional:optional + 2], "little")
    subsystem = int.from_bytes(data[optional + 68:optional + 70], "little")
    certificates = optional + 112 + 4 * 8  # data directory 4 of a PE32+ header
    signature = int.from_bytes(data[certificates + 4:certificates + 8], "little")
    return machine, magic, subsystem, stamp, signature


def unsigned(program):
    """The program without its Authenticode signature (as the linker wrote it)."""
    if not pe_facts(program) or not pe_facts(program)[4]:
        return program
    with tempfile.TemporaryDirectory() as folder:
        signed, bare = os.path.join(folder, "signed.exe"), os.path.join(folder, "bare.exe")
        write(signed, program)
        subprocess.run([tool("osslsigncode"), "remove-signature", "-in", signed, "-out", bare],
                       check=True, stdout=subprocess.DEVNULL)
        return read(bare)


def wine_env(prefix):
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES=WINE_DLL_OVERRIDES)
    env.pop("DISPLAY", None)  # nothing here opens a window
    return env


def run_selftest(exe, env):
    """Runs exe --selftest under Wine in a folder of its own; returns the exit
    code (None after a time-out) and the report's bytes."""
    with tempfile.TemporaryDirectory() as folder:
        try:
            code = subprocess.run(["wine", exe, "--selftest", "st.txt"], cwd=folder, env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300).returncode
        except subprocess.TimeoutExpired:
            code = None
        report = os.path.join(folder, "st.txt")
        return code, read(report) if os.path.isfile(report) else b""


def expect_selftest(program, prefix, expect, what):
    """Runs a program's self-test under Wine, as a user's machine would, in a
    Wine prefix of its own."""
    os.makedirs(prefix, exist_ok=True)
    env = wine_env(prefix)
    with tempfile.TemporaryDirectory() as folder:
        exe = os.path.join(folder, "kaldrin.exe")
        write(exe, program)
        try:
            code, report = run_selftest(exe, env)
        finally:
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    expect(code == 0, "%s --selftest exits with 0 (got %s)" % (what, code))
    expect(report == SELFTEST_REPORT, "%s writes the self-test report of tool 51 at its defaults" % what)


def msi_table(msi, table):
    """The rows of one table of an MSI (msiinfo export), as dictionaries."""
    out = subprocess.run([tool("msiinfo"), "export", msi, table], capture_output=True, check=True).stdout
    lines = out.decode("utf-8", errors="replace").split("\r\n" if b"\r\n" in out else "\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def check_msi(msi, contents, expect):
    properties = {row["Property"]: row["Value"] for row in msi_table(msi, "Property")}
    expect(properties.get("ProductName") == "Kaldrin" and properties.get("Manufacturer") == manufacturer(),
           "the MSI names the product Kaldrin and the publisher %s" % manufacturer())
    expect(properties.get("ProductVersion") == msi_version(version()),
           "the MSI's ProductVersion is %s (got %s)" % (msi_version(version()), properties.get("ProductVersion")))
    expect(properties.get("UpgradeCode") == UPGRADE_CODE, "the MSI keeps the UpgradeCode of every version")
    expect(properties.get("ProductCode") == product_code(version()), "the MSI's ProductCode is this version's")
    expect("ALLUSERS" not in properties, "the MSI installs per user (no ALLUSERS)")
    expect(properties.get("ARPPRODUCTICON") == "kaldrin.ico", "Apps & features shows the program's icon")
    summary = subprocess.run([tool("msiinfo"), "suminfo", msi], capture_output=True, text=True, check=True).stdout
    word_count = re.search(r"^Source: (\d+)", summary, re.M)
    expect(word_count is not None and int(word_count.group(1)) & 8,
           "the MSI's summary says it needs no elevation (word count bit 8)")
    expect(re.search(r"^Template: x64;2052$", summary, re.M) is not None, "the MSI is for x64, language 2052")
    directories = {row["Directory"]: row for row in msi_table(msi, "Directory")}
    folder, parent = directories.get("INSTALLDIR", {}), directories.get("UserProgramsFolder", {})
    expect(folder.get("DefaultDir") == "Kaldrin" and parent.get("DefaultDir") == "Programs"
           and parent.get("Directory_Parent") == "LocalAppDataFolder",
           "the MSI installs into %LOCALAPPDATA%\\Programs\\Kaldrin")
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([tool("msiextract"), "-C", folder, msi], check=True, stdout=subprocess.DEVNULL)
        found = {}
        for here, _, files in os.walk(folder):
            for name in files:
                found[name] = read(os.path.join(here, name))
    expect(sorted(found) == sorted(ENTRIES), "the MSI carries %s (got %s)" % (ENTRIES, sorted(found)))
    for name in ENTRIES:
        expect(found.get(name) == contents.get(name), "the MSI's %s is the zip's" % name)


def check(out_dir, exe):
    faults = []
    text = version()
    zip_path = os.path.join(out_dir, release_name(text, "zip"))
    msi_path = os.path.join(out_dir, release_name(text, "msi"))
    for path in (zip_path, msi_path, os.path.join(out_dir, SUMS)):
        if not os.path.isfile(path):
            print("dist check: FAILED: %s is missing" % path, file=sys.stderr)
            return 1

    def expect(condition, message):
        if not condition:
            faults.append(message)

    with zipfile.ZipFile(zip_path) as z:
        expect(z.testzip() is None, "every entry reads back with its CRC")
        names = z.namelist()
        expect(names == ENTRIES, "entries are exactly %s (got %s)" % (ENTRIES, names))
        contents = {name: z.read(name) for name in names}
        for info in z.infolist():
            expect(info.date_time == zip_stamp(), "%s carries the time stamp of SOURCE_DATE_EPOCH" % info.filename)
            expect(info.create_system == 0 and info.external_attr == 0x20,
                   "%s carries no Unix permissions" % info.filename)

    program = contents.get("kaldrin.exe", b"")
    facts = pe_facts(program)
    expect(unsigned(program) == read(exe), "kaldrin.exe is the windows preset's build")
    expect(facts is not None, "kaldrin.exe is a PE image")
    if facts:
        machine, magic, subsystem, stamp, signature = facts
        expect(machine == 0x8664 and magic == 0x20B, "kaldrin.exe is a 64-bit x86-64 program (PE32+)")
        expect(subsystem == 2, "kaldrin.exe is a windowed (GUI subsystem) program")
        expect(stamp == 0, "kaldrin.exe carries no link time (got %d)" % stamp)
        expect(bool(signature) == bool(signing_key()),
               "kaldrin.exe is signed exactly when a signing key is given")
    dlls = imported_dlls(exe)
    if dlls is not None:
        extra = [d for d in dlls if d not in SYSTEM_DLLS and not d.startswith("api-ms-win-")]
        expect(not extra, "kaldrin.exe needs no DLL beyond Windows' own (needs %s)" % extra)
    expect(os.path.abspath(ROOT).encode() not in program, "kaldrin.exe holds no path of the source folder")

    readme = contents.get("README.txt", b"")
    expect(readme == readme_bytes(), "README.txt is README.md's user section, BOM and CR LF")
    readme_text = readme[3:].decode("utf-8", errors="replace")
    expect(readme.startswith(b"\xef\xbb\xbf"), "README.txt begins with the UTF-8 byte-order mark")
    expect(re.search(r"[\u4e00-\u9fff]", readme_text) is not None, "README.txt is the Chinese user text")
    expect("\n" not in readme_text.replace("\r\n", ""), "README.txt ends every line with CR LF")
    expect("msiexec /i %s /qn" % release_name(text, "msi") in readme_text and VERSION_PLACEHOLDER not in readme_text,
           "README.txt names this version's MSI in its silent installation command")

    licence = contents.get("LICENSE.txt", b"")
    expect(licence == license_bytes(), "LICENSE.txt is LICENSE with CR LF line ends")
    expect(b"MIT License" in licence and b"Kaldrin developers" in licence, "LICENSE.txt is the MIT licence")

    check_msi(msi_path, contents, expect)

    with open(os.path.join(out_dir, SUMS), encoding="ascii") as f:
        sums = [line.split("  ", 1) for line in f.read().splitlines()]
    listed = {name: digest for digest, name in sums}
    expect([name for _, name in sums] == [os.path.basename(zip_path), os.path.basename(msi_path)],
           "%s lists the zip and the MSI (got %s)" % (SUMS, [name for _, name in sums]))
    for path in (zip_path, msi_path):
        expect(listed.get(os.path.basename(path)) == sha256(path), "%s holds the SHA-256 of %s" % (SUMS, path))

    if program and shutil.which("wine"):
        expect_selftest(program, os.path.join(out_dir, "wineprefix"), expect, "the zipped kaldrin.exe")

    for fault in faults:
        print("dist check: FAILED: " + fault, file=sys.stderr)
    if faults:
        return 1
    print("dist check: %s, %s and %s are sound" % (os.path.basename(zip_path), os.path.basename(msi_path), SUMS))
    return 0


def registry(prefix, hive):
    """The keys and string values of a Wine prefix's registry file (user.reg
    for HKEY_CURRENT_USER, system.reg for HKEY_LOCAL_MACHINE), as Wine wrote
    them when its server stopped: {key: {name: value}}."""
    keys, values = {}, None
    with open(os.path.join(prefix, hive), encoding="utf-8", errors="replace") as f:
        for line in f:
            section = re.match(r"^\[(.*)\] \d+", line)
            if section:
                values = keys.setdefault(section.group(1).replace("\\\\", "\\"), {})
                continue
            value = re.match(r'^"((?:[^"\\]|\\.)*)"=(?:str\(\d\):)?"((?:[^"\\]|\\.)*)"', line)
            if value and values is not None:
                values[value.group(1)] = value.group(2).replace("\\\\", "\\")
    return keys


UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


def uninstall_entries(prefix):
    """The "Apps & features" entries named Kaldrin: Wine's msiexec writes them
    under HKLM\\...\\Uninstall\\{ProductCode}, also for a per-user package."""
    entries = {}
    for hive in ("system.reg", "user.reg"):
        for key, values in registry(prefix, hive).items():
            if key.startswith(UNINSTALL) and values.get("DisplayName") == "Kaldrin":
                entries[key[len(UNINSTALL):]] = values
    return entries


def install_check(out_dir):
    """Installs the release MSI under Wine in a fresh prefix, as a user without
    administrator rights would with "msiexec /i ... /qn"; then a package of the
    next version over it; then uninstalls. A record file written before stays."""
    faults = []

    def expect(condition, message):
        if not condition:
            faults.append(message)

    text = version()
    msi = os.path.abspath(os.path.join(out_dir, release_name(text, "msi")))
    if not os.path.isfile(msi):
        print("dist install-check: FAILED: %s is missing" % msi, file=sys.stderr)
        return 1
    prefix = os.path.abspath(os.path.join(out_dir, "wineprefix-install"))
    shutil.rmtree(prefix, ignore_errors=True)
    env = wine_env(prefix)

    def wine(*args):
        try:
            code = subprocess.run(["wine"] + list(args), env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=300).returncode
        except subprocess.TimeoutExpired:
            code = None
        subprocess.run(["wineserver", "-w"], env=env)  # the registry files are written
        return code

    with tempfile.TemporaryDirectory() as work:
        # The next version's package: the same files, the version one higher.
        stage = os.path.join(work, "stage")
        os.makedirs(stage)
        with zipfile.ZipFile(os.path.join(out_dir, release_name(text, "zip"))) as z:
            z.extractall(stage, ENTRIES)
        shutil.copyfile(os.path.join(ROOT, "ui", "kaldrin.ico"), os.path.join(stage, "kaldrin.ico"))
        for name in os.listdir(stage):
            os.utime(os.path.join(stage, name), (epoch(), epoch()))
        major, minor, patch = (int(p) for p in msi_version(text).split("."))
        next_version = "%d.%d.%d" % (major, minor, patch + 1)
        next_msi = os.path.join(work, release_name(next_version, "msi"))
        write_msi(next_msi, next_version, stage)
        program = read(os.path.join(stage, "kaldrin.exe"))

        try:
            subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=300)
            subprocess.run(["wineserver", "-w"], env=env)
            users = [u for u in os.listdir(os.path.join(prefix, "drive_c", "users")) if u != "Public"]
            home = os.path.join(prefix, "drive_c", "users", users[0])
            folder = os.path.join(home, "AppData", "Local", "Programs", "Kaldrin")
            shortcut = os.path.join(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                    "Kaldrin.lnk")
            records = os.path.join(home, "AppData", "Local", "NoltMedSuite", "records")
            record = os.path.join(records, "T051.csv")
            os.makedirs(records)
            kept = b"\xef\xbb\xbf" + "时间,工具,肌酐清除率\r\n2026-01-01 08:00,Kaldrin,70\r\n".encode("utf-8")
            write(record, kept)

            expect(wine("msiexec", "/i", msi, "/qn") == 0, "msiexec /i %s /qn exits with 0" % os.path.basename(msi))
            for name in ENTRIES:
                path = os.path.join(folder, name)
                expect(os.path.isfile(path) and read(path) == read(os.path.join(stage, name)),
                       "%s is installed in %%LOCALAPPDATA%%\\Programs\\Kaldrin" % name)
            if os.path.isfile(os.path.join(folder, "kaldrin.exe")):
                code, report = run_selftest(os.path.join(folder, "kaldrin.exe"), env)
                expect(code == 0 and report == SELFTEST_REPORT,
                       "the installed kaldrin.exe --selftest exits with 0 and writes the report (got %s)" % code)
            link = read(shortcut) if os.path.isfile(shortcut) else b""

            def in_link(text):  # a shell link holds its paths in ANSI or UTF-16
                return text.encode() in link or text.encode("utf-16-le") in link
            target = "C:\\users\\%s\\AppData\\Local\\Programs\\Kaldrin\\kaldrin.exe" % users[0]
            expect(in_link(target), "the Start-menu shortcut Kaldrin.lnk starts %s" % target)
            expect(in_link("\\%s\\kaldrin.ico" % product_code(text)), "the Start-menu shortcut shows the program's icon")
            entries = uninstall_entries(prefix)
            expect(list(entries) == [product_code(text)], "one uninstall entry, %s (got %s)"
                   % (product_code(text), list(entries)))
            entry = entries.get(product_code(text), {})
            expect(entry.get("DisplayVersion") == msi_version(text) and entry.get("Publisher") == manufacturer(),
                   "the uninstall entry shows version %s and publisher %s (got %s, %s)"
                   % (msi_version(text), manufacturer(), entry.get("DisplayVersion"), entry.get("Publisher")))
            products = [v for k, v in registry(prefix, "user.reg").items()
                        if k.startswith("Software\\Microsoft\\Installer\\Products\\") and v.get("ProductName") == "Kaldrin"]
            icon = products[0].get("ProductIcon", "") if products else ""
            icon_path = os.path.join(prefix, "drive_c", *icon[3:].split("\\")) if icon.startswith("C:\\") else ""
            expect(icon_path and os.path.isfile(icon_path) and read(icon_path) == read(os.path.join(stage, "kaldrin.ico")),
                   "the product's icon (ARPPRODUCTICON) is registered and cached (got %r)" % icon)

            expect(wine("msiexec", "/i", next_msi, "/qn") == 0,
                   "msiexec /i of version %s over %s exits with 0" % (next_version, text))
            entries = uninstall_entries(prefix)
            expect(list(entries) == [product_code(next_version)],
                   "after the upgrade, one uninstall entry, version %s's (got %s)" % (next_version, list(entries)))
            expect(entries.get(product_code(next_version), {}).get("DisplayVersion") == next_version,
                   "the uninstall entry shows version %s" % next_version)
            expect(os.path.isfile(os.path.join(folder, "kaldrin.exe"))
                   and read(os.path.join(folder, "kaldrin.exe")) == program, "the upgrade leaves kaldrin.exe in place")
            expect(os.path.isfile(shortcut), "the upgrade leaves the Start-menu shortcut in place")

            expect(wine("msiexec", "/i", msi, "/qn") not in (0, None), "msiexec /i of an older version fails")
            expect(list(uninstall_entries(prefix)) == [product_code(next_version)],
                   "an older version does not replace version %s" % next_version)

            expect(wine("msiexec", "/x", next_msi, "/qn") == 0, "msiexec /x /qn exits with 0")
            expect(not os.path.exists(folder), "uninstalling removes %LOCALAPPDATA%\\Programs\\Kaldrin")
            expect(not os.path.exists(shortcut), "uninstalling removes the Start-menu shortcut")
            expect(not uninstall_entries(prefix), "uninstalling removes the uninstall entry")
            expect(not registry(prefix, "user.reg").get("Software\\NoltMed\\Kaldrin"),
                   "uninstalling removes the program's registry values")
            expect(os.path.isfile(record) and read(record) == kept,
                   "the record file %LOCALAPPDATA%\\NoltMedSuite\\records\\T051.csv stays, byte for byte")
        finally:
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)

    for fault in faults:
        print("dist install-check: FAILED: " + fault, file=sys.stderr)
    if faults:
        return 1
    print("dist install-check: %s installs, upgrades to %s and uninstalls under Wine; the records stay"
          % (os.path.basename(msi), next_version))
    return 0


def verify_signature(path, certificate):
    """osslsigncode verify against the certificate as the trusted root: the
    signature is there, the chain holds and the digest it signs is the file's."""
    run = subprocess.run([tool("osslsigncode"), "verify", "-CAfile", certificate, "-in", path],
                         capture_output=True, text=True)
    # A PE signature signs a message digest, an MSI's its DigitalSignature.
    current = re.search(r"Current (?:message digest|DigitalSignature)\s*:\s*([0-9A-F]+)", run.stdout)
    calculated = re.search(r"Calculated (?:message digest|DigitalSignature)\s*:\s*([0-9A-F]+)", run.stdout)
    return (run.returncode == 0 and "Signature verification: ok" in run.stdout
            and current is not None and calculated is not None and current.group(1) == calculated.group(1))


def sign_check(exe, work):
    """Builds the release signed with a throwaway self-signed certificate and
    checks both signatures, that they cover the files (one changed byte breaks
    them) and that the signed release passes every check of an unsigned one,
    the program's self-test included."""
    faults = []

    def expect(condition, message):
        if not condition:
            faults.append(message)

    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    certificate, key = os.path.join(work, "test-cert.pem"), os.path.join(work, "test-key.pem")
    subprocess.run([tool("openssl"), "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", certificate, "-days", "2", "-subj", "/CN=Kaldrin test signing/O=NoltMed",
                    "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.environ.update(KALDRIN_SIGN_CERT=certificate, KALDRIN_SIGN_KEY=key)
    os.environ.pop("KALDRIN_SIGN_TIMESTAMP_URL", None)
    zip_path, msi_path = build(exe, os.path.join(work, "dist"))
    with zipfile.ZipFile(zip_path) as z:
        program = z.read("kaldrin.exe")
    signed_exe = os.path.join(work, "kaldrin.exe")
    write(signed_exe, program)

    expect(pe_facts(program)[4] > 0, "the zipped kaldrin.exe carries a certificate table")
    expect(verify_signature(signed_exe, certificate), "the zipped kaldrin.exe's signature verifies")
    expect(unsigned(program) == read(exe), "without its signature the signed kaldrin.exe is the build's")
    expect(verify_signature(msi_path, certificate), "the MSI's signature verifies")
    for path in (signed_exe, msi_path):
        changed = path + ".changed"
        data = bytearray(read(path))
        data[len(data) // 3] ^= 0x01
        write(changed, bytes(data))
        expect(not verify_signature(changed, certificate), "one changed byte breaks the signature of %s" % path)
    # Everything else a release must be, the signed program's self-test under Wine included.
    expect(check(os.path.join(work, "dist"), exe) == 0, "the signed release passes dist check")

    for fault in faults:
        print("dist sign-check: FAILED: " + fault, file=sys.stderr)
    if faults:
        return 1
    print("dist sign-check: the signed kaldrin.exe and MSI verify, a changed byte does not, and the program runs")
    return 0


def reproduce(work):
    """Builds kaldrin.exe (Release, the windows preset's toolchain) and the
    release twice from empty build folders: once from this tree, once from a
    copy of it in another folder, with the same SOURCE_DATE_EPOCH. Every file
    must come out byte for byte the same."""
    work = os.path.abspath(work)
    shutil.rmtree(work, ignore_errors=True)
    elsewhere = os.path.join(work, "elsewhere", "kaldrin-source")
    shutil.copytree(ROOT, elsewhere, ignore=shutil.ignore_patterns("build", ".git"))
    os.environ.pop("KALDRIN_SIGN_CERT", None)
    os.environ.pop("KALDRIN_SIGN_KEY", None)
    outputs = []
    for source, folder in ((ROOT, os.path.join(work, "first")), (elsewhere, os.path.join(work, "second-build"))):
        subprocess.run([tool("cmake", "build"), "-S", source, "-B", folder, "-DCMAKE_BUILD_TYPE=Release",
                        "-DKALDRIN_BUILD_TESTS=OFF",
                        "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(source, "cmake", "mingw-w64-x86_64.cmake")],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", folder, "--target", "kaldrin", "-j", os.environ.get("JOBS", "2")],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run([sys.executable, os.path.join(source, "scripts", "dist.py"), "build",
                        os.path.join(folder, "kaldrin.exe"), os.path.join(folder, "dist")],
                       check=True, stdout=subprocess.DEVNULL)
        outputs.append(folder)

    text = version()
    files = [("kaldrin.exe", ""), (release_name(text, "zip"), "dist"), (release_name(text, "msi"), "dist"),
             (SUMS, "dist")]
    faults = 0
    for name, sub in files:
        first, second = (os.path.join(folder, sub, name) for folder in outputs)
        same = read(first) == read(second)
        faults += not same
        print("dist reproduce: %-24s %8d bytes  sha256 %s  %s" % (name, os.path.getsize(first), sha256(first),
                                                                  "same in both builds" if same else
                                                                  "DIFFERS: %s" % sha256(second)))
    if faults:
        print("dist reproduce: FAILED: %d of %d files differ between %s and %s" % (faults, len(files), *outputs),
              file=sys.stderr)
        return 1
    print("dist reproduce: two clean builds in different folders give the same bytes")
    return 0


def main():
    args = sys.argv[1:]
    if len(args) in (3, 5) and args[0] == "build":
        text = None
        if len(args) == 5:
            if args[3] != "--version":
                print(__doc__, file=sys.stderr)
                return 2
            text = args[4]
        build(args[1], args[2], text)
        return 0
    if len(args) == 3 and args[0] == "check":
        return check(args[1], args[2])
    if len(args) == 2 and args[0] == "install-check":
        return install_check(args[1])
    if len(args) == 3 and args[0] == "sign-check":
        return sign_check(args[1], args[2])
    if len(args) == 2 and args[0] == "reproduce":
        return reproduce(args[1])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
