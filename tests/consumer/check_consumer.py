#!/usr/bin/env python3
"""Builds the consumer project (this folder) against a Kaldrin tree and checks
what another project gets from it:

  check_consumer.py KALDRIN_SOURCE WORK [--toolchain FILE] [--cxx COMPILER]

Natively: the project configures and builds, its program linked with
kaldrin::core runs and exits with 0, and its own ctest lists and passes the
tests kaldrin_add_tool made for its tool (the unit test and the definition
check, which compares the declared self-test report). With --toolchain (the
mingw-w64 cross build), the tool's program, its definition check and the
consumer program build; under Wine (the environment of the calling test) the
consumer program exits with 0 and `body_surface.exe --selftest` exits with 0
and writes the report the tool declares, as its definition check compares
it; neither program imports a DLL beyond Windows' own; and the project's
ctest lists the tool's tests.
Exit code 0 when every check holds; each failed check is printed."""

import argparse
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = "body_surface"
TOOL_TESTS = [TOOL + "_tests", TOOL + "_definition_check"]


def run(args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("kaldrin")
    parser.add_argument("work")
    parser.add_argument("--toolchain")
    parser.add_argument("--cxx")
    args = parser.parse_args(argv)
    sys.path.insert(0, os.path.join(args.kaldrin, "scripts"))
    from release.checks import SYSTEM_DLLS, imported_dlls

    faults = []

    def expect(condition, text, output=""):
        if not condition:
            faults.append(text + ("\n" + output if output else ""))
        return condition

    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    configure = ["cmake", "-S", HERE, "-B", work, "-DCMAKE_BUILD_TYPE=Release", "-DKALDRIN_SOURCE_DIR=" + args.kaldrin]
    if args.toolchain:
        configure.append("-DCMAKE_TOOLCHAIN_FILE=" + args.toolchain)
    if args.cxx:
        configure.append("-DCMAKE_CXX_COMPILER=" + args.cxx)
    done = run(configure)
    if not expect(done.returncode == 0, "the consumer project does not configure", done.stdout):
        return report(faults)

    # The cross build makes the programs only: the tool's unit test program
    # would build GoogleTest for Windows once more.
    build = ["cmake", "--build", work, "-j", os.environ.get("JOBS", "2")]
    if args.toolchain:
        build += ["--target", "consumer", TOOL, TOOL + "_definition_check"]
    done = run(build)
    if not expect(done.returncode == 0, "the consumer project does not build", done.stdout):
        return report(faults)

    listed = run(["ctest", "--test-dir", work, "-N"]).stdout
    for test in TOOL_TESTS:
        expect(" " + test + "\n" in listed, "the consumer's ctest does not list %s" % test, listed)

    if not args.toolchain:
        done = run([os.path.join(work, "consumer")])
        expect(done.returncode == 0, "consumer exits with %d, not 0" % done.returncode, done.stdout)
        done = run(["ctest", "--test-dir", work, "--output-on-failure", "-R", "^" + TOOL])
        expect(done.returncode == 0, "the consumer's tests of its tool fail", done.stdout)
        return report(faults)

    done = run(["wine", os.path.join(work, "consumer.exe")])
    expect(done.returncode == 0, "consumer.exe exits with %d under Wine, not 0" % done.returncode, done.stdout)
    program = os.path.join(work, TOOL + ".exe")
    check = os.path.join(work, TOOL + "_definition_check", TOOL + "_definition_check.exe")
    with tempfile.TemporaryDirectory() as folder:
        run_day = datetime.date.today().isoformat()
        done = run(["wine", program, "--selftest", "st.txt"], cwd=folder, timeout=300)
        expect(done.returncode == 0, "%s --selftest exits with %d under Wine, not 0" % (program, done.returncode),
               done.stdout)
        shutil.copyfile(os.path.join(HERE, TOOL + "_selftest.txt"), os.path.join(folder, "declared.txt"))
        done = run(["wine", check, TOOL, "907", "declared.txt", "--written", "st.txt", run_day], cwd=folder,
                   timeout=300)
        expect(done.returncode == 0, "%s --selftest does not write the declared report" % program, done.stdout)
    for linked in (program, os.path.join(work, "consumer.exe")):
        dlls = imported_dlls(linked)
        if expect(dlls is not None, "no objdump to read %s's imports" % linked):
            extra = [d for d in dlls if d not in SYSTEM_DLLS and not d.startswith("api-ms-win-")]
            expect(not extra, "%s needs DLLs beyond Windows' own: %s" % (linked, extra))
    return report(faults)


def report(faults):
    for fault in faults:
        print("consumer_project: " + fault)
    if not faults:
        print("consumer_project: every check holds")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
