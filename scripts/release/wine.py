"""Running a tool's program under Wine, as a user's machine would."""

import datetime
import os
import subprocess
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


def stop(env):
    subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)


def selftest(exe, env):
    """Runs exe --selftest in a folder of its own; returns the exit code (None
    after a time-out), the report's bytes and the local date the run started
    on (YYYY-MM-DD), which a report's dates are counted from."""
    run_day = datetime.date.today().isoformat()
    with tempfile.TemporaryDirectory() as folder:
        try:
            code = subprocess.run(["wine", exe, "--selftest", "st.txt"], cwd=folder, env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TIMEOUT).returncode
        except subprocess.TimeoutExpired:
            code = None
        report = os.path.join(folder, "st.txt")
        return code, read(report) if os.path.isfile(report) else b"", run_day


# The one comparison of a self-test report with a tool's expected file, which
# may write dates counted from today as {today+N} (cmake/KaldrinCheckSelftest.cmake).
CHECK_SELFTEST = os.path.join(ROOT, "cmake", "KaldrinCheckSelftest.cmake")


def matches_expected(report, expected_path, run_day):
    """Whether the report's bytes are those of the expected file, its dates
    taken from the day the run started or today."""
    with tempfile.TemporaryDirectory() as folder:
        written = os.path.join(folder, "selftest.txt")
        with open(written, "wb") as f:
            f.write(report)
        return subprocess.run(["cmake", "-DWRITTEN=" + written, "-DRUN_DAY=" + run_day,
                               "-DEXPECTED=" + os.path.abspath(expected_path), "-P", CHECK_SELFTEST],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def expect_selftest(product, expect, run, what):
    """The self-test ran as the tool's should: exit code 0 and the expected
    report when the facts give one, else a report of this tool without errors.
    run is what selftest() returned."""
    code, report, run_day = run
    expect(code == 0, "%s --selftest exits with 0 (got %s)" % (what, code))
    if product.selftest_report:
        expect(matches_expected(report, product.selftest_report, run_day),
               "%s writes the self-test report %s" % (what, product.selftest_report))
    else:
        text = report.decode("utf-8", errors="replace").split("\r\n")
        expect(text[0].startswith("TOOL|%d|" % product.tool_id) and "ERRORS|0" in text,
               "%s writes a self-test report of tool %d with ERRORS|0 (got %r)" % (what, product.tool_id, text[:1]))
