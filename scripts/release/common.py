"""What every release command shares: the repository, the time stamp of the
release, file helpers, the tools it runs, and the one way a check states an
expectation and reports the faults."""

import calendar
import hashlib
import os
import re
import shutil
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEFAULT_EPOCH = calendar.timegm((2026, 1, 1, 0, 0, 0))
# The header of the suite's shared names, and the one form of its lines.
SUITE_NAMES_HEADER = os.path.join(ROOT, "core", "suite_names.h")
SUITE_NAME_LINE = re.compile(r'^#define KALDRIN_SUITE_([A-Z_]+) "([^"\\]*)"$')


def suite_names(path=SUITE_NAMES_HEADER):
    """The suite's shared names, {NAME: text} of each `#define KALDRIN_SUITE_NAME "text"` line."""
    with open(path, encoding="utf-8") as f:
        return dict(match.groups() for match in map(SUITE_NAME_LINE.match, f.read().splitlines()) if match)


SUITE = suite_names()
# The suite's web site and its folder of records under %LOCALAPPDATA%: the
# same for every tool.
SUITE_URL = "http://" + SUITE["HOST"]
RECORDS_FOLDER = (SUITE["DATA_FOLDER"], SUITE["RECORDS_FOLDER"])


def epoch():
    """SOURCE_DATE_EPOCH: every time stamp in a release."""
    value = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    return int(value) if value else DEFAULT_EPOCH


def zip_stamp():
    """SOURCE_DATE_EPOCH as a zip entry's date: UTC, even seconds (the format
    keeps two-second steps), no earlier than the format's 1980."""
    stamp = time.gmtime(max(epoch(), calendar.timegm((1980, 1, 1, 0, 0, 0))))
    return stamp[:5] + (stamp[5] - stamp[5] % 2,)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def sha256(path):
    return hashlib.sha256(read(path)).hexdigest()


def need(name, group="dist"):
    """The command name, when it is installed."""
    if shutil.which(name) is None:
        sys.exit("dist: %s is missing (scripts/install-deps.sh %s installs it)" % (name, group))
    return name


class Expectations:
    """The faults one check finds. expect(condition, message) records the
    message of each expectation that does not hold and returns whether it
    held; report() prints them and gives the command's exit code."""

    def __init__(self, command):
        self.command = command
        self.faults = []

    def __call__(self, condition, message):
        if not condition:
            self.faults.append(message)
        return bool(condition)

    def report(self, success):
        for fault in self.faults:
            print("dist %s: FAILED: %s" % (self.command, fault), file=sys.stderr)
        if self.faults:
            return 1
        print("dist %s: %s" % (self.command, success))
        return 0
