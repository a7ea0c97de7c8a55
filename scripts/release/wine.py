"""Running a tool's program under Wine, as a user's machine would."""

import datetime
import os
import shutil
import subprocess
import sys
import tempfile

from .common import ROOT, read

# Wine without the .NET and HTML installers' prompts, and without menu entries
# on the host's desktop for the shortcuts a package creates.
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
TIMEOUT = 300


def environment(prefix):
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES=DLL_OVERRIDES)
    env.pop("DISPLAY", None)  # nothing here opens a window
    return env


def run(env, *args):
    """Runs a Windows command, then ends the prefix's server, which writes the
    registry files as it goes (waiting for it to leave by itself takes seconds
    more); returns the exit code, None after a time-out."""
    try:
        code = subprocess.run(["wine", *args], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=TIMEOUT).returncode
    except subprocess.TimeoutExpired:
        code = None
    stop(env)
    return code


def describe(code):
    """An exit code as run() gave it, for a message. Wine's launcher passes on
    the low byte of a Windows exit code: 1603 (the installer's fatal error)
    arrives as 67."""
    return "no exit within %d s" % TIMEOUT if code is None else str(code)


def stop(env):
    subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)


# What a made prefix has that a half-made one lacks: the installer itself.
MADE_PREFIX_FILE = ("drive_c", "windows", "system32", "msiexec.exe")


def make_prefix(env, tries=3):
    """Makes the prefix env names with wineboot, unless it is made already,
    and waits for its server to write the registry. wineboot has been seen to
    leave a prefix with its registry but an empty system32, after which every
    program fails at once (msiexec with exit 53 and no log): such a prefix is
    removed and made again. Returns whether a whole prefix is there."""
    prefix = env["WINEPREFIX"]
    for attempt in range(1, tries + 1):
        if os.path.isfile(os.path.join(prefix, *MADE_PREFIX_FILE)):
            return True
        try:
            subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            pass
        subprocess.run(["wineserver", "-w"], env=env)
        if os.path.isfile(os.path.join(prefix, *MADE_PREFIX_FILE)):
            return True
        print("wine: the prefix %s came out without %s (try %d of %d); making it again"
              % (prefix, "\\".join(MADE_PREFIX_FILE), attempt, tries), file=sys.stderr)
        stop(env)
        shutil.rmtree(prefix, ignore_errors=True)
        os.makedirs(prefix)
    return os.path.isfile(os.path.join(prefix, *MADE_PREFIX_FILE))


def selftest(exe, env):
    """Runs exe --selftest in a folder of its own; returns the exit code (None
    after a time-out), the report's bytes and the local date the run started
    on (YYYY-MM-DD), which a report's dates are counted from."""
    make_prefix(env)
    run_day = datetime.date.today().isoformat()
    with tempfile.TemporaryDirectory() as folder:
        try:
            code = subprocess.run(["wine", exe, "--selftest", "st.txt"], cwd=folder, env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TIMEOUT).returncode
        except subprocess.TimeoutExpired:
            code = None
        report = os.path.join(folder, "st.txt")
        return code, read(report) if os.path.isfile(report) else b"", run_day


def matches_expected(product, report, run_day, env):
    """Whether the report's bytes are those of the tool's declared self-test
    report, its dates counted from the day the run started or today: the
    tool's definition check compares them under Wine, as the build's test
    does (app/definition_check_main.cpp)."""
    with tempfile.TemporaryDirectory() as folder:
        shutil.copyfile(product.selftest_report, os.path.join(folder, "declared.txt"))
        with open(os.path.join(folder, "written.txt"), "wb") as f:
            f.write(report)
        try:
            code = subprocess.run(["wine", os.path.abspath(product.definition_check_path), product.target,
                                   str(product.tool_id), "declared.txt", "--written", "written.txt", run_day],
                                  cwd=folder, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  timeout=TIMEOUT).returncode
        except subprocess.TimeoutExpired:
            code = None
        stop(env)
        return code == 0


def expect_selftest(product, expect, run, what, env):
    """The self-test ran as the tool's should: exit code 0 and the report the
    tool declares. run is what selftest() returned."""
    code, report, run_day = run
    expect(code == 0, "%s --selftest exits with 0 (got %s)" % (what, code))
    if expect(product.selftest_report is not None, "%s declares a self-test report" % product.target):
        expect(matches_expected(product, report, run_day, env),
               "%s writes the self-test report %s" % (what, product.selftest_report))
