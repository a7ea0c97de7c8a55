"""The checks of a release: its contents against the build (check), a signed
release (sign_check) and two clean builds compared byte for byte (reproduce)."""

import calendar
import dataclasses
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from . import guide, msi, pe, wine
from .build import SUMS, Signer, build, entries, license_bytes, release_files, sign, signing_key, stage
from .common import ROOT, Expectations, epoch, need, read, sha256, write, zip_stamp
from .facts import build_folder, load, load_suite, record_file, release_version
from .tsa import TimeStampService, make_certificate

# DLLs every Windows installation has; anything else beside the program
# (libstdc++-6.dll, libwinpthread-1.dll, ...) would stop it on a clean machine.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "msvcrt.dll", "advapi32.dll",
               "comctl32.dll", "comdlg32.dll", "ole32.dll", "shlwapi.dll", "ucrtbase.dll"}
# The facts that name files: a clean build has them at its own paths.
PATH_FACTS = ("program_path", "definition_check_path", "icon", "selftest_report")


def imported_dlls(exe):
    objdump = shutil.which("x86_64-w64-mingw32-objdump") or shutil.which("objdump")
    if objdump is None:
        return None
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    return sorted({name.lower() for name in re.findall(r"DLL Name: (\S+)", out)})


def unsigned(program):
    """The program without its Authenticode signature (as the linker wrote it)."""
    facts = pe.pe_facts(program)
    if not facts or not facts[4]:
        return program
    with tempfile.TemporaryDirectory() as folder:
        signed, bare = os.path.join(folder, "signed.exe"), os.path.join(folder, "bare.exe")
        write(signed, program)
        subprocess.run([need("osslsigncode"), "remove-signature", "-in", signed, "-out", bare],
                       check=True, stdout=subprocess.DEVNULL)
        return read(bare)


def is_build(program, built):
    """Whether a program is the build's, once its signature is removed.
    Signing pads an image to a multiple of 8 bytes and sets its checksum."""
    bare, original = bytearray(unsigned(program)), bytearray(built)
    for image in (bare, original):
        found = pe.headers(image)
        if found:
            image[found[1] + pe.CHECKSUM:found[1] + pe.CHECKSUM + 4] = bytes(4)
    return bare in (original, original + bytes(-len(original) % 8))


def long_name(default_dir):
    """The long name of a Directory or File table name ("SHORT~1|Long name")."""
    return default_dir.split("|")[-1]


def check_program(product, program, expect):
    """The zipped program: the build's, a 64-bit GUI program without link time,
    with ASLR, DEP, terminal-server awareness and DLL loads from the system
    folder only, whose version resource carries the tool's facts."""
    facts = pe.pe_facts(program)
    name = product.program
    expect(is_build(program, read(product.program_path)), "%s is the windows build's" % name)
    if expect(facts is not None, "%s is a PE image" % name):
        machine, magic, subsystem, stamp, signature = facts
        expect(machine == 0x8664 and magic == 0x20B, "%s is a 64-bit x86-64 program (PE32+)" % name)
        expect(subsystem == 2, "%s is a windowed (GUI subsystem) program" % name)
        expect(stamp == 0, "%s carries no link time (got %d)" % (name, stamp))
        expect(bool(signature) == bool(signing_key()), "%s is signed exactly when a signing key is given" % name)
        faults = pe.hardening_faults(program)
        expect(not faults, "%s carries the suite's hardening (lacks %s)" % (name, ", ".join(faults)))
    info = pe.version_info(program)
    if expect(info is not None, "%s carries a version resource" % name):
        expect(info.file_version == product.version + ".0",
               "%s's file version is the tool's version %s (got %s)" % (name, product.version, info.file_version))
        expect(info.languages[:1] == [2052], "%s's version resource is in Chinese, 2052 (got %s)"
               % (name, info.languages))
        shown = {"CompanyName": product.publisher, "ProductName": product.product_name,
                 "FileDescription": product.description, "OriginalFilename": product.program}
        for key, value in shown.items():
            expect(info.strings.get(key) == value,
                   "%s's %s is %r (got %r)" % (name, key, value, info.strings.get(key)))
    dlls = imported_dlls(product.program_path)
    if dlls is not None:
        extra = [d for d in dlls if d not in SYSTEM_DLLS and not d.startswith("api-ms-win-")]
        expect(not extra, "%s needs no DLL beyond Windows' own (needs %s)" % (name, extra))
    expect(os.path.abspath(ROOT).encode() not in program, "%s holds no path of the source folder" % name)


def check_texts(package, contents, expect, descriptions):
    """README.txt, the package's guide, and LICENSE.txt. descriptions: what
    each tool's definition says (guide.describe)."""
    readme = contents.get("README.txt", b"")
    expect(readme == guide.readme_bytes(package, descriptions),
           "README.txt is the package's guide (docs/user/guide.md), BOM and CR LF")
    text = readme[3:].decode("utf-8", errors="replace")
    expect(readme.startswith(b"\xef\xbb\xbf"), "README.txt begins with the UTF-8 byte-order mark")
    expect("\n" not in text.replace("\r\n", ""), "README.txt ends every line with CR LF")
    expect(not guide.FIELD.search(text) and "<!--" not in text, "README.txt has every field of the template filled")
    named = re.findall(r"%s-([^-\s]+)-win64(?:-machine)?\.(?:zip|msi)" % re.escape(package.target), text)
    expect(set(named) == {release_version(package.version)},
           "README.txt names this version's release files (got versions %s)" % sorted(set(named)))
    # What each tool's definition says stands in the guide, in its words.
    for tool in package.programs():
        d = descriptions[tool.target]
        said = [d["name"], d["basis"]] + [item["label"] for item in d["inputs"]]
        said += [rule["message"] for rule in d["rules"]] + [item["label"] for item in d["outputs"]]
        missing = [words for words in said if words not in text]
        expect(not missing, "README.txt tells what %s's definition says (lacks %s)" % (tool.target, missing))
        expect(record_file(tool.tool_id) in text, "README.txt names %s's record file" % tool.target)
    # The IT section: both packages, their codes, the removal of per-user installations.
    machine = package.per_machine()
    for words in (machine.upgrade_code, package.upgrade_code, machine.product_code(), package.product_code(),
                  "msiexec /i %s ALLUSERS=1 /qn" % machine.release_name("msi"), package.display_name(),
                  "64 位 Windows 7 SP1"):
        expect(words in text, "README.txt's IT section names %s" % words)
    script = guide.script_in(readme, package)
    expect(script is not None and all(msi.packed(code) in " ".join(script) for code in guide.removal_codes(package)),
           "README.txt gives the script that removes the per-user installations by their upgrade codes")
    expect(script is not None and all(line.isascii() for line in script), "the removal script is plain ASCII")
    licence = contents.get("LICENSE.txt", b"")
    expect(licence == license_bytes(), "LICENSE.txt is LICENSE with CR LF line ends")
    expect(b"MIT License" in licence, "LICENSE.txt is the MIT licence")


def check_package_code(product, path, expect, what):
    code = msi.summary(path).get(msi.PACKAGE_CODE_PROPERTY)
    expected = msi.package_code(product, msi.database_digest(path))
    expect(code == expected, "%s's package code is derived from its database: %s (got %s)" % (what, expected, code))
    return code


def check_shortcuts(package, path, expect):
    """The suite's Start-menu folder, named for it, with one shortcut per tool."""
    directories = {row["Directory"]: row for row in msi.table(path, "Directory")}
    menu = directories.get(msi.MENU_FOLDER, {})
    expect(long_name(menu.get("DefaultDir", "")) == package.menu_folder()
           and menu.get("Directory_Parent") == "ProgramMenuFolder",
           "the MSI's Start-menu folder is %s (got %s)" % (package.menu_folder(), menu))
    shortcuts = sorted((long_name(r["Name"]), r["Target"], r["Directory_"], r["Component_"])
                       for r in msi.table(path, "Shortcut"))
    wanted = sorted((tool.install_name, "[INSTALLDIR]" + tool.program, msi.MENU_FOLDER, msi.SHORTCUTS_COMPONENT)
                    for tool in package.programs())
    expect(shortcuts == wanted, "the MSI has one shortcut per tool in its Start-menu folder: %s (got %s)"
           % (wanted, shortcuts))
    removed = [r for r in msi.table(path, "RemoveFile") if r["DirProperty"] == msi.MENU_FOLDER]
    expect(len(removed) == 1 and int(removed[0]["InstallMode"]) & 2,
           "a RemoveFile row removes the Start-menu folder on uninstall (got %s)" % removed)


# The folders of the user's profile, as validation rule ICE38 takes them.
PROFILE_FOLDERS = {"AppDataFolder", "DesktopFolder", "FavoritesFolder", "LocalAppDataFolder", "MyPicturesFolder",
                   "NetHoodFolder", "PersonalFolder", "PrintHoodFolder", "ProgramMenuFolder", "RecentFolder",
                   "SendToFolder", "StartMenuFolder", "StartupFolder", "TemplateFolder"}
# msidbComponentAttributesRegistryKeyPath
REGISTRY_KEY_PATH = 4


def key_path_faults(components, registry, shortcuts, directories, features):
    """The faults validation rules ICE38 and ICE43 find in these tables (each
    a list of rows as msi.table gives them; features the Feature table's
    names): a component in the user's profile (ICE38), or one with a shortcut
    that names no feature (ICE43, a non-advertised shortcut), whose key path
    is not a registry value of its own under HKCU, or HKMU (-1), which is
    HKCU when the package installs per user."""
    parents = {row["Directory"]: row["Directory_Parent"] for row in directories}
    values = {row["Registry"]: row for row in registry}

    def in_profile(directory):
        seen = set()
        while directory and directory not in seen:
            if directory in PROFILE_FOLDERS:
                return True
            seen.add(directory)
            directory = parents.get(directory)
        return False

    with_shortcuts = {row["Component_"] for row in shortcuts if row["Target"] not in features}
    faults = []
    for row in components:
        rules = (["ICE38: it installs into the user's profile"] if in_profile(row["Directory_"]) else [])
        rules += ["ICE43: it holds a non-advertised shortcut"] if row["Component"] in with_shortcuts else []
        if not rules:
            continue
        value = values.get(row["KeyPath"]) if int(row["Attributes"]) & REGISTRY_KEY_PATH else None
        if value is None or value["Component_"] != row["Component"] or int(value["Root"]) not in (msi.HKCU, msi.HKMU):
            faults.append("component %s needs a registry value of its own under HKCU or HKMU as its key path (%s; "
                          "key path %s%s)" % (row["Component"], ", ".join(rules), row["KeyPath"],
                                              ", root %s" % value["Root"] if value else ""))
    return faults


def check_msi(product, path, contents, expect):
    """One MSI of the release: product is the package it holds, per user or
    per machine (product.machine)."""
    scope = msi.scope(product)
    properties = {row["Property"]: row["Value"] for row in msi.table(path, "Property")}
    names = properties.get("ProductName"), properties.get("Manufacturer")
    expect(names == (product.display_name(), product.publisher), "the MSI names the product %s and the publisher %s "
           "(got %s, %s)" % (product.display_name(), product.publisher, *names))
    expect(properties.get("ProductVersion") == product.version,
           "the MSI's ProductVersion is %s (got %s)" % (product.version, properties.get("ProductVersion")))
    expect(properties.get("UpgradeCode") == product.upgrade_code, "the MSI's UpgradeCode is the %s package's"
           % scope["Scope"])
    expect(properties.get("ProductCode") == product.product_code(), "the MSI's ProductCode is this version's")
    expect(properties.get("ARPPRODUCTICON") == msi.ICON, "Apps & features shows the program's icon")
    summary = msi.summary(path)
    conditions = {row["Condition"]: row["Description"] for row in msi.table(path, "LaunchCondition")}
    if product.machine:
        expect(properties.get("ALLUSERS") == "1", "the MSI installs per machine (ALLUSERS 1, got %s)"
               % properties.get("ALLUSERS"))
        expect(not int(summary.get("15", "0")) & 8, "the MSI's summary says it needs administrator rights "
               "(word count without bit 8)")
    else:
        expect("ALLUSERS" not in properties, "the MSI installs per user (no ALLUSERS)")
        expect(int(summary.get("15", "0")) & 8, "the MSI's summary says it needs no elevation (word count bit 8)")
        machine = product.per_machine().release_name("msi")
        expect(machine in conditions.get("Installed OR NOT ALLUSERS", ""), "the MSI refuses ALLUSERS and names "
               "the per-machine package %s (got %s)" % (machine, conditions))
    expect(summary.get("7") == msi.PLATFORM, "the MSI is for %s (got %s)" % (msi.PLATFORM, summary.get("7")))
    release_code = check_package_code(product, path, expect, "the MSI")

    directories = {row["Directory"]: row for row in msi.table(path, "Directory")}
    folder, parent = directories.get("INSTALLDIR", {}), directories.get(scope["ParentFolder"], {})
    installs_into = (long_name(folder.get("DefaultDir", "")) == product.install_name
                     and folder.get("Directory_Parent") == scope["ParentFolder"]
                     and parent.get("DefaultDir") == scope["ParentName"]
                     and parent.get("Directory_Parent") == scope["BaseFolder"])
    expect(installs_into,
           "the MSI installs into [%s]%s\\%s (got %s, %s)" % (scope["BaseFolder"], scope["ParentName"],
                                                                product.install_name, folder, parent))
    # Key paths that validation rules ICE38 and ICE43 accept, and per
    # machine each file the key path of its component (per user the files are
    # in the user's profile, where ICE38 wants a value under HKCU instead).
    component_rows, registry = msi.table(path, "Component"), msi.table(path, "Registry")
    faults = key_path_faults(component_rows, registry, msi.table(path, "Shortcut"), msi.table(path, "Directory"),
                             {row["Feature"] for row in msi.table(path, "Feature")})
    expect(not faults, "the MSI's key paths pass ICE38 and ICE43 (%s)" % "; ".join(faults))
    shortcut_root = {row["Root"] for row in registry if row["Component_"] == msi.shortcut_component(product)}
    wanted_root = str(msi.HKMU if product.machine else msi.HKCU)
    expect(shortcut_root == {wanted_root}, "the shortcuts' key path is under %s (root %s, got %s)"
           % ("HKMU" if product.machine else "HKCU", wanted_root, sorted(shortcut_root)))
    by_component = {}
    for row in msi.table(path, "File"):
        by_component.setdefault(row["Component_"], []).append(row["File"])
    key_paths = {row["Component"]: row["KeyPath"] for row in component_rows}
    if product.machine:
        for key, tool in msi.program_files(product):
            component = next((c for c, files in by_component.items() if key in files), None)
            expect(component and key_paths.get(component) == key and by_component[component] == [key],
                   "%s is the key path of a component of its own (component %s holds %s, key path %s)"
                   % (tool.program, component, by_component.get(component), key_paths.get(component)))
        icon = "[INSTALLDIR]%s,0" % msi.icon_program(product).program
        shown = [(row["Root"], row["Key"], row["Value"]) for row in registry if row["Name"] == "DisplayIcon"]
        expect(shown == [(str(msi.HKLM), msi.UNINSTALL_KEY, icon)], "the entry in Apps & features shows the icon "
               "of %s (DisplayIcon, got %s)" % (icon, shown))
    else:
        roots = sorted({row["Root"] for row in registry})
        expect(roots == [str(msi.HKCU)], "the per-user package writes under HKCU only (roots %s)" % roots)
    actions = {row["Action"]: row for row in msi.table(path, "CustomAction")}
    sequence = {row["Action"]: int(row["Sequence"]) for row in msi.table(path, "InstallExecuteSequence")}
    location = actions.get(msi.INSTALL_LOCATION_ACTION, {})
    expect((location.get("Type"), location.get("Source"), location.get("Target"))
           == (str(msi.INSTALL_LOCATION_TYPE), "ARPINSTALLLOCATION", "[INSTALLDIR]")
           and sequence["CostFinalize"] < sequence.get(msi.INSTALL_LOCATION_ACTION, 0) < sequence["InstallValidate"],
           "ARPINSTALLLOCATION is set to [INSTALLDIR] once CostFinalize has resolved it (got %s, at %s)"
           % (location, sequence.get(msi.INSTALL_LOCATION_ACTION)))
    expect(conditions.get(msi.WINDOWS_CONDITION) == msi.WINDOWS_MESSAGE % product.install_name,
           "the MSI states the Windows it runs on in a launch condition (got %s)" % conditions)

    # Windows Installer's file rules: each program is a versioned file.
    files = {row["File"]: row for row in msi.table(path, "File")}
    hashed = [r["File_"] for r in msi.table(path, "MsiFileHash")]
    for key, tool in msi.program_files(product):
        info = pe.version_info(contents.get(tool.program, b""))
        row = files.get(key, {})
        expect(long_name(row.get("FileName", "")) == tool.program, "the File table's %s row is %s"
               % (key, tool.program))
        if info is not None:
            expect(row.get("Version") == info.file_version and row.get("Language") == str(info.languages[0]),
                   "the File table gives %s the program's version %s and language %s (got %s, %s)"
                   % (tool.program, info.file_version, info.languages[0], row.get("Version"), row.get("Language")))
        expect(key not in hashed, "the MsiFileHash table has no row for the versioned %s" % tool.program)
    # ICE64: a folder of the user's profile that the package creates is
    # removed on uninstall; so is %ProgramFiles%\<publisher>, when left empty.
    removed = [r for r in msi.table(path, "RemoveFile") if r["DirProperty"] == scope["ParentFolder"]]
    expect(len(removed) == 1 and not removed[0]["FileName"] and int(removed[0]["InstallMode"]) & 2,
           "a RemoveFile row removes the %s folder on uninstall (got %s)" % (scope["ParentName"], removed))
    components = {r["Component"]: r for r in msi.table(path, "Component")}
    expect(sorted(components) == sorted(msi.components(product)), "the MSI's components are %s (got %s)"
           % (msi.components(product), sorted(components)))
    for name, component in components.items():
        expect(int(component["Attributes"]) & msi.COMPONENT_64BIT, "component %s is marked 64-bit" % name)
        expect(component["ComponentId"] == product.component_code(name),
               "component %s has the tool's GUID %s (got %s)" % (name, product.component_code(name),
                                                               component["ComponentId"]))
    if product.menu_folder():
        check_shortcuts(product, path, expect)

    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([need("msiextract"), "-C", folder, path], check=True, stdout=subprocess.DEVNULL)
        found = {}
        for here, _, names in os.walk(folder):
            for name in names:
                found[name] = read(os.path.join(here, name))
        expect(sorted(found) == sorted(entries(product)), "the MSI carries %s (got %s)"
               % (entries(product), sorted(found)))
        for name in entries(product):
            expect(found.get(name) == contents.get(name), "the MSI's %s is the zip's" % name)

        # The same payload under another publisher: a package of its own.
        if set(entries(product)) <= set(contents) and not product.machine:
            other = dataclasses.replace(product, publisher=product.publisher + " Test")
            files_folder, variant = os.path.join(folder, "variant"), os.path.join(folder, "variant.msi")
            stage(other, files_folder, contents)
            msi.write_msi(other, files_folder, variant)
            variant_code = check_package_code(other, variant, expect, "the package of another publisher")
            expect(variant_code != release_code, "another publisher gives the package another package code")


def check(product, out_dir, prefix=None):
    """Reads the release back and checks it against the build. The zipped
    program's self-test runs in the Wine prefix given (default: one in out_dir)."""
    expect = Expectations("check")
    paths = [os.path.join(out_dir, name) for name in release_files(product)]
    zip_path, msi_path, machine_path = paths
    missing = [p for p in paths + [os.path.join(out_dir, SUMS)] if not os.path.isfile(p)]
    if not expect(not missing, "%s missing (dist.py build writes them)" % ", ".join(missing)):
        return expect.report("")
    names = entries(product)
    with zipfile.ZipFile(zip_path) as z:
        expect(z.testzip() is None, "every entry reads back with its CRC")
        expect(z.namelist() == names, "entries are exactly %s (got %s)" % (names, z.namelist()))
        contents = {name: z.read(name) for name in z.namelist()}
        for info in z.infolist():
            expect(info.date_time == zip_stamp(), "%s carries the time stamp of SOURCE_DATE_EPOCH" % info.filename)
            expect(info.create_system == 0 and info.external_attr == 0x20,
                   "%s carries no Unix permissions" % info.filename)

    prefix = prefix or os.path.join(out_dir, "wineprefix")
    os.makedirs(prefix, exist_ok=True)
    env = wine.environment(prefix)
    for tool in product.programs():
        check_program(tool, contents.get(tool.program, b""), expect)
    check_texts(product, contents, expect, guide.describe(product.programs(), env))
    check_msi(product, msi_path, contents, expect)
    check_msi(product.per_machine(), machine_path, contents, expect)

    with open(os.path.join(out_dir, SUMS), encoding="ascii") as f:
        sums = [line.split("  ", 1) for line in f.read().splitlines()]
    listed = {name: digest for digest, name in sums}
    expect([name for _, name in sums] == release_files(product),
           "%s lists the zip and the MSIs (got %s)" % (SUMS, [name for _, name in sums]))
    for path in paths:
        expect(listed.get(os.path.basename(path)) == sha256(path), "%s holds the SHA-256 of %s" % (SUMS, path))

    if shutil.which("wine"):
        for tool in product.programs():
            if not contents.get(tool.program):
                continue
            with tempfile.TemporaryDirectory() as folder:
                exe = os.path.join(folder, tool.program)
                write(exe, contents[tool.program])
                try:
                    run = wine.selftest(exe, env)
                finally:
                    wine.stop(env)
            wine.expect_selftest(tool, expect, run, "the zipped %s" % tool.program, env)
    return expect.report("%s and %s are sound" % (", ".join(release_files(product)), SUMS))


# A time-stamping service's clock, set off from the machine's; and a moment
# after the throwaway certificates (valid for 2 days) have expired.
TSA_OFFSET = 6 * 3600
AFTER_EXPIRY = 5 * 86400
# The PKCS#11 module of a software token, where Debian's softhsm2 puts it.
SOFTWARE_TOKEN = ("/usr/lib/softhsm/libsofthsm2.so", "/usr/lib/x86_64-linux-gnu/softhsm/libsofthsm2.so")
TOKEN_PIN = "246810"


def verify_signature(path, certificate, tsa_certificate=None, at=None):
    """osslsigncode verify against the certificate as the trusted root (and
    the time-stamping service's, when given), at the time given or else the
    signature's own: the signature is there, the chain holds and the digest
    it signs is the file's. Returns verify's report when it holds, else None."""
    command = [need("osslsigncode"), "verify", "-CAfile", certificate, "-in", path]
    if tsa_certificate:
        command += ["-TSA-CAfile", tsa_certificate]
    if at is not None:
        command += ["-time", str(at)]
    run = subprocess.run(command, capture_output=True, text=True)
    # A PE signature signs a message digest, an MSI's its DigitalSignature.
    current = re.search(r"Current (?:message digest|DigitalSignature)\s*:\s*([0-9A-F]+)", run.stdout)
    calculated = re.search(r"Calculated (?:message digest|DigitalSignature)\s*:\s*([0-9A-F]+)", run.stdout)
    verified = (run.returncode == 0 and "Signature verification: ok" in run.stdout
                and current is not None and calculated is not None and current.group(1) == calculated.group(1))
    return run.stdout if verified else None


def reported_time(report, label):
    """The first time verify reports under label ("Signing time",
    "Timestamp time"), in seconds since 1970, or None."""
    found = re.search(r"%s: (\w{3}) +(\d+) (\d\d:\d\d:\d\d) (\d{4}) GMT" % label, report or "")
    if not found:
        return None
    return calendar.timegm(time.strptime(" ".join(found.groups()), "%b %d %H:%M:%S %Y"))


def software_token(work, key):
    """A PKCS#11 token (softhsm2) in work holding key as object "codesign";
    returns the module, the key's pkcs11: URI and the file of its PIN."""
    module = next((path for path in SOFTWARE_TOKEN if os.path.isfile(path)), None)
    if module is None:
        sys.exit("dist: the software token's module libsofthsm2.so is missing (scripts/install-deps.sh dist "
                 "installs softhsm2)")
    tokens = os.path.join(work, "tokens")
    os.makedirs(tokens)
    config = os.path.join(work, "softhsm2.conf")
    write(config, ("directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n" % tokens).encode())
    os.environ["SOFTHSM2_CONF"] = config
    util = need("softhsm2-util")
    plain = os.path.join(work, "token-key.pem")
    subprocess.run([need("openssl"), "pkcs8", "-topk8", "-nocrypt", "-in", key, "-out", plain], check=True)
    for command in (["--init-token", "--free", "--label", "signing", "--so-pin", TOKEN_PIN + "99"],
                    ["--import", plain, "--token", "signing", "--label", "codesign", "--id", "01"]):
        subprocess.run([util, *command, "--pin", TOKEN_PIN], check=True, stdout=subprocess.DEVNULL)
    os.remove(plain)
    pin = os.path.join(work, "token-pin.txt")
    write(pin, TOKEN_PIN.encode())
    return module, "pkcs11:token=signing;object=codesign;type=private", pin


def pkcs11_engine():
    """The OpenSSL engine that reaches PKCS#11 modules, when it is installed
    where this OpenSSL keeps its engines; else "" (osslsigncode finds it)."""
    found = re.search(r'ENGINESDIR: "([^"]+)"', subprocess.run([need("openssl"), "version", "-e"],
                                                              capture_output=True, text=True).stdout)
    path = os.path.join(found.group(1), "pkcs11.so") if found else ""
    return path if os.path.isfile(path) else ""


def sign_check(product, work, prefix=None):
    """Builds the release signed with a throwaway self-signed certificate and
    time-stamped by a throwaway local service, and checks both signatures,
    their time stamps (the service's clock, and still valid once the
    certificate has expired), that they cover the files (one changed byte
    breaks them) and that the signed release passes every check of an
    unsigned one, the program's self-test included. Then signs the program
    with the same key held in a software token (PKCS#11): the signature
    verifies, carries SOURCE_DATE_EPOCH as its time and repeats byte for byte."""
    expect = Expectations("sign-check")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for name in [name for name in os.environ if name.startswith("KALDRIN_SIGN_")]:
        os.environ.pop(name)
    certificate, key = make_certificate(work, "/CN=%s test signing/O=%s" % (product.install_name, product.publisher),
                                        "codeSigning")
    name = product.program
    with TimeStampService(work, "/CN=%s test time-stamping/O=%s" % (product.install_name, product.publisher),
                          TSA_OFFSET) as service:
        os.environ.update(KALDRIN_SIGN_CERT=certificate, KALDRIN_SIGN_KEY=key, KALDRIN_SIGN_TIMESTAMP_URL=service.url)
        started = int(time.time())
        env = wine.environment(prefix or os.path.join(work, "wineprefix"))
        zip_path, msi_path, machine_path = build(product, os.path.join(work, "dist"), env)
        finished = int(time.time())
    expect(service.answered == 3, "the time-stamping service stamped the program and the two MSIs (got %d stamps)"
           % service.answered)
    with zipfile.ZipFile(zip_path) as z:
        program = z.read(name)
    signed_exe = os.path.join(work, name)
    write(signed_exe, program)

    expect(pe.pe_facts(program)[4] > 0, "the zipped %s carries a certificate table" % name)
    expect(is_build(program, read(product.program_path)), "without its signature the signed %s is the build's" % name)
    for path, what in ((signed_exe, "the zipped %s" % name), (msi_path, "the MSI"),
                       (machine_path, "the per-machine MSI")):
        report = verify_signature(path, certificate, service.certificate)
        expect(report, "%s's signature and time stamp verify" % what)
        stamped = reported_time(report, "Timestamp time")
        expect(stamped is not None and started + TSA_OFFSET - 2 <= stamped <= finished + TSA_OFFSET + 2,
               "%s's time stamp carries the service's time, %d to %d (got %s)"
               % (what, started + TSA_OFFSET, finished + TSA_OFFSET, stamped))
        expect(stamped is not None and reported_time(report, "Signature verification time") == stamped,
               "%s's signature is verified at its time stamp's time" % what)
        expect(verify_signature(path, certificate, service.certificate, int(time.time()) + AFTER_EXPIRY),
               "%s's time-stamped signature still verifies once its certificate has expired" % what)
        changed = path + ".changed"
        data = bytearray(read(path))
        data[len(data) // 3] ^= 0x01
        write(changed, bytes(data))
        expect(not verify_signature(changed, certificate, service.certificate),
               "one changed byte breaks the signature of %s" % path)
    # Everything else a release must be, the signed program's self-test under Wine included.
    expect(check(product, os.path.join(work, "dist"), prefix) == 0, "the signed release passes dist check")

    # The key in a token: the program signed twice, without a time stamp.
    module, uri, pin = software_token(work, key)
    signer = Signer(certificate, uri, module, pkcs11_engine(), pin)
    copies = []
    for copy in ("token-1", "token-2"):
        path = os.path.join(work, copy + ".exe")
        shutil.copyfile(product.program_path, path)
        sign(path, signer, product)
        copies.append(path)
    report = verify_signature(copies[0], certificate)
    expect(report, "%s signed with the key in the token (%s) verifies" % (name, uri))
    expect(reported_time(report, "Signing time") == epoch(),
           "without a time stamp the signing time is SOURCE_DATE_EPOCH %d (got %s)"
           % (epoch(), reported_time(report, "Signing time")))
    expect(not verify_signature(copies[0], certificate, at=int(time.time()) + AFTER_EXPIRY),
           "without a time stamp the signature ends with its certificate")
    expect(read(copies[0]) == read(copies[1]), "%s signed twice with the token's key gives the same bytes" % name)
    return expect.report("the signed %s and MSIs verify with their time stamps, a changed byte does not, the program "
                         "runs, and the key in a token signs" % name)


def rerooted(data, build, source, folder):
    """The facts of a clean build in folder from the sources in source: each
    path under the original build folder moves into folder, each other path
    under the repository into source."""
    moved = dict(data)
    for key in PATH_FACTS:
        path = data[key]
        if path is None:
            continue
        for old, new in ((build, folder), (ROOT, source)):
            relative = os.path.relpath(os.path.abspath(path), old)
            if not relative.startswith(os.pardir):
                moved[key] = os.path.join(new, relative)
                break
        else:
            sys.exit("dist reproduce: %s %s lies outside the repository" % (key, path))
    return moved


def reproduce(facts_path, work, suite=False, prefix=None):
    """Builds the tool's program and definition check (Release, the windows
    preset's toolchain) and its release twice from empty build folders: once from this tree, once from
    a copy of it in another folder, with the same SOURCE_DATE_EPOCH; with
    suite, also every released tool's program (from the facts files beside
    facts_path) and the suite's release. Every file must come out byte for
    byte the same."""
    product = load(facts_path)
    original = build_folder(facts_path)
    facts_paths = [facts_path]
    if suite:
        products = os.path.dirname(os.path.abspath(facts_path))
        released_paths = [os.path.join(products, tool.target + ".json") for tool in load_suite(products).tools]
        facts_paths += [path for path in released_paths if os.path.abspath(path) != os.path.abspath(facts_path)]
    tools = []
    for path in facts_paths:
        with open(path, encoding="utf-8") as f:
            tools.append((load(path), json.load(f)))
    work = os.path.abspath(work)
    shutil.rmtree(work, ignore_errors=True)
    elsewhere = os.path.join(work, "elsewhere", "source")
    shutil.copytree(ROOT, elsewhere, ignore=shutil.ignore_patterns("build", ".git"))
    os.environ.pop("KALDRIN_SIGN_CERT", None)
    os.environ.pop("KALDRIN_SIGN_KEY", None)
    files = [os.path.relpath(os.path.abspath(tool.program_path), original) for tool, _ in tools]
    files += [os.path.join("dist", name) for name in release_files(product) + [SUMS]]
    outputs = []
    for source, label in ((ROOT, "first"), (elsewhere, "second-build")):
        folder = os.path.join(work, label)
        subprocess.run([need("cmake", "build"), "-S", source, "-B", folder, "-DCMAKE_BUILD_TYPE=Release",
                        "-DKALDRIN_BUILD_TESTS=OFF",
                        "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(source, "cmake", "mingw-w64-x86_64.cmake")],
                       check=True, stdout=subprocess.DEVNULL)
        # The programs, and their definition checks, which describe the
        # definitions for the guides.
        targets = [name for tool, _ in tools for name in (tool.target, tool.target + "_definition_check")]
        subprocess.run(["cmake", "--build", folder, "--target", *targets,
                        "-j", os.environ.get("JOBS", "2")], check=True, stdout=subprocess.DEVNULL)
        # The facts of this build, moved into it, in a products folder of their own.
        products = os.path.join(work, label + "-products")
        os.makedirs(products)
        for tool, data in tools:
            with open(os.path.join(products, tool.target + ".json"), "w", encoding="utf-8") as f:
                json.dump(rerooted(data, original, source, folder), f, ensure_ascii=False)
        # One Wine prefix for both builds' guides (the one given, else one made
        # here, which takes about 20 s): it describes the definitions and
        # writes nothing into the release.
        prefix_args = ["--wineprefix", os.path.abspath(prefix) if prefix else os.path.join(work, "wineprefix")]
        dist = [sys.executable, os.path.join(source, "scripts", "dist.py"), "build"]
        subprocess.run(dist + [os.path.join(products, product.target + ".json"), os.path.join(folder, "dist")]
                       + prefix_args, check=True, stdout=subprocess.DEVNULL)
        if suite:
            package = load_suite(products)
            subprocess.run(dist + [products, os.path.join(folder, "dist-suite")] + prefix_args, check=True,
                           stdout=subprocess.DEVNULL)
            if label == "first":
                files += [os.path.join("dist-suite", name) for name in release_files(package) + [SUMS]]
        outputs.append(folder)

    expect = Expectations("reproduce")
    for name in files:
        first, second = (os.path.join(folder, name) for folder in outputs)
        same = read(first) == read(second)
        expect(same, "%s differs between %s and %s" % (name, *outputs))
        print("dist reproduce: %-36s %8d bytes  sha256 %s  %s"
              % (name if name.startswith("dist") else os.path.basename(name), os.path.getsize(first), sha256(first),
                 "same in both builds" if same else "DIFFERS: %s" % sha256(second)))
    return expect.report("two clean builds in different folders give the same bytes")
