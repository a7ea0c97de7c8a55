#!/usr/bin/env python3
"""The release zip for Windows, and the check of its contents.

  scripts/dist.py build <kaldrin.exe> <out-dir>   write <out-dir>/kaldrin-<version>-win64.zip
  scripts/dist.py check <out-dir> <kaldrin.exe>   check that zip (exit 1 on any fault)

The zip holds, at its top level (Windows' "Extract All" makes the folder):
  kaldrin.exe   the program, built by the windows preset (static runtime)
  README.txt    the user section of README.md (the Chinese one), UTF-8 with
                a byte-order mark and CR LF line ends, so that Notepad shows it
  LICENSE.txt   the licence, CR LF line ends
The version comes from the project() line of CMakeLists.txt. Entries carry a
fixed time stamp and no extra attributes, so the same inputs give the same zip.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STAMP = (2026, 1, 1, 0, 0, 0)
ENTRIES = ["kaldrin.exe", "README.txt", "LICENSE.txt"]
# DLLs every Windows installation has; anything else beside the program
# (libstdc++-6.dll, libwinpthread-1.dll, ...) would stop it on a clean machine.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "msvcrt.dll", "advapi32.dll",
               "comctl32.dll", "comdlg32.dll", "ole32.dll", "shlwapi.dll", "ucrtbase.dll"}
# The heading that opens the user section of README.md.
USER_SECTION = re.compile(r"^## .*[\u4e00-\u9fff]")


def version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        match = re.search(r"project\(kaldrin\s+VERSION\s+([0-9.]+)", f.read())
    if not match:
        sys.exit("dist: no project version in CMakeLists.txt")
    return match.group(1)


def zip_name():
    return "kaldrin-%s-win64.zip" % version()


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
    section = user_section()
    if not section:
        sys.exit("dist: README.md has no user section (a level-2 heading in Chinese)")
    return b"\xef\xbb\xbf" + crlf(section).encode("utf-8")


def license_bytes():
    with open(os.path.join(ROOT, "LICENSE"), encoding="utf-8") as f:
        return crlf(f.read().splitlines()).encode("utf-8")


def build(exe, out_dir):
    if not os.path.isfile(exe):
        sys.exit("dist: %s is missing (make windows builds it)" % exe)
    with open(exe, "rb") as f:
        program = f.read()
    contents = {"kaldrin.exe": program, "README.txt": readme_bytes(), "LICENSE.txt": license_bytes()}
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, zip_name())
    temporary = path + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name in ENTRIES:
            info = zipfile.ZipInfo(name, STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix permission bits
            info.external_attr = 0x20  # archive
            z.writestr(info, contents[name])
    os.replace(temporary, path)
    print("dist: %s (%d bytes)" % (path, os.path.getsize(path)))
    for name in ENTRIES:
        print("  %-12s %9d bytes" % (name, len(contents[name])))
    return path


def imported_dlls(exe):
    objdump = shutil.which("x86_64-w64-mingw32-objdump") or shutil.which("objdump")
    if objdump is None:
        return None
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    return sorted({name.lower() for name in re.findall(r"DLL Name: (\S+)", out)})


def pe_facts(data):
    """Machine, optional-header magic and subsystem of a PE image."""
    if data[:2] != b"MZ":
        return None
    pe = int.from_bytes(data[0x3C:0x40], "little")
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    machine = int.from_bytes(data[pe + 4:pe + 6], "little")
    optional = pe + 24
    magic = int.from_bytes(data[optional:optional + 2], "little")
    subsystem = int.from_bytes(data[optional + 68:optional + 70], "little")
    return machine, magic, subsystem


def expect_selftest(program, prefix, expect):
    """Runs the zipped program's self-test under Wine, as a user's machine would,
    in a Wine prefix of its own."""
    prefix = os.path.abspath(prefix)
    os.makedirs(prefix, exist_ok=True)
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)  # the self-test opens no window
    with tempfile.TemporaryDirectory() as folder:
        exe = os.path.join(folder, "kaldrin.exe")
        with open(exe, "wb") as f:
            f.write(program)
        try:
            run = subprocess.run(["wine", exe, "--selftest", "st.txt"], cwd=folder, env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
            code = run.returncode
        except subprocess.TimeoutExpired:
            code = None
        finally:
            subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
        report = os.path.join(folder, "st.txt")
        lines = []
        if os.path.isfile(report):
            with open(report, "rb") as f:
                lines = f.read().decode("utf-8", errors="replace").split("\r\n")
        expect(code == 0, "the zipped kaldrin.exe --selftest exits with 0 (got %s)" % code)
        expect(lines[:2] == ["TOOL|51|Kaldrin|抗凝", "LEVEL|0"] and "ERRORS|0" in lines,
               "the zipped kaldrin.exe writes the self-test report of tool 51")


def check(out_dir, exe):
    faults = []
    path = os.path.join(out_dir, zip_name())
    if not os.path.isfile(path):
        print("dist check: FAILED: %s is missing" % path, file=sys.stderr)
        return 1

    def expect(condition, message):
        if not condition:
            faults.append(message)

    with zipfile.ZipFile(path) as z:
        expect(z.testzip() is None, "every entry reads back with its CRC")
        names = z.namelist()
        expect(names == ENTRIES, "entries are exactly %s (got %s)" % (ENTRIES, names))
        contents = {name: z.read(name) for name in names}
        for info in z.infolist():
            expect(info.date_time == STAMP, "%s carries the fixed time stamp" % info.filename)

    program = contents.get("kaldrin.exe", b"")
    with open(exe, "rb") as f:
        expect(program == f.read(), "kaldrin.exe is the windows preset's build")
    facts = pe_facts(program)
    expect(facts is not None, "kaldrin.exe is a PE image")
    if facts:
        machine, magic, subsystem = facts
        expect(machine == 0x8664 and magic == 0x20B, "kaldrin.exe is a 64-bit x86-64 program (PE32+)")
        expect(subsystem == 2, "kaldrin.exe is a windowed (GUI subsystem) program")
    dlls = imported_dlls(exe)
    if dlls is not None:
        extra = [d for d in dlls if d not in SYSTEM_DLLS and not d.startswith("api-ms-win-")]
        expect(not extra, "kaldrin.exe needs no DLL beyond Windows' own (needs %s)" % extra)

    readme = contents.get("README.txt", b"")
    expect(readme == readme_bytes(), "README.txt is README.md's user section, BOM and CR LF")
    text = readme[3:].decode("utf-8", errors="replace")
    expect(readme.startswith(b"\xef\xbb\xbf"), "README.txt begins with the UTF-8 byte-order mark")
    expect(re.search(r"[\u4e00-\u9fff]", text) is not None, "README.txt is the Chinese user text")
    expect("\n" not in text.replace("\r\n", ""), "README.txt ends every line with CR LF")

    licence = contents.get("LICENSE.txt", b"")
    expect(licence == license_bytes(), "LICENSE.txt is LICENSE with CR LF line ends")
    expect(b"MIT License" in licence and b"Kaldrin developers" in licence, "LICENSE.txt is the MIT licence")

    if program and shutil.which("wine"):
        expect_selftest(program, os.path.join(out_dir, "wineprefix"), expect)

    for fault in faults:
        print("dist check: FAILED: " + fault, file=sys.stderr)
    if faults:
        return 1
    size = os.path.getsize(path)
    print("dist check: %s is sound (%d bytes: %s)" % (os.path.basename(path), size, ", ".join(ENTRIES)))
    return 0


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "build":
        build(sys.argv[2], sys.argv[3])
        return 0
    if len(sys.argv) == 4 and sys.argv[1] == "check":
        return check(sys.argv[2], sys.argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
