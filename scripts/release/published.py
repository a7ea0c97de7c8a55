"""The releases that have been published, and the one rule they bind every
later build to: a version, and a ProductCode, stand for one set of bytes.

Each published package has a facts file in the repository's releases/
folder, written by `dist.py published-facts` from the MSI as it was
published (kept beside it, so that install-check can upgrade from it): the
tool, its version and codes, and the SHA-256 of its program and of the MSI.
A per-user package's is <target>-<version>.json, a per-machine package's
(<target>-<version>-win64-machine.msi) <target>-<version>-machine.json: the
two are products of their own, each bound by the rule."""

import dataclasses
import json
import os
import re
import subprocess
import tempfile

from . import msi
from .common import ROOT, need, sha256
from .facts import GUID, PROGRAM, VERSION, release_version

FOLDER = os.path.join(ROOT, "releases")
DIGEST = re.compile(r"^[0-9a-f]{64}$")
# How a per-machine package's file name ends.
MACHINE_SUFFIX = "-machine.msi"


class PublishedError(Exception):
    pass


@dataclasses.dataclass(frozen=True)
class Release:
    target: str
    version: str
    product_code: str
    package_code: str
    upgrade_code: str
    program: str
    program_sha256: str
    msi: str
    msi_sha256: str

    def machine(self):
        """Whether the release is a per-machine package (named -machine.msi)."""
        return self.msi.endswith(MACHINE_SUFFIX)

    def facts_name(self):
        return "%s-%s%s.json" % (self.target, release_version(self.version), "-machine" if self.machine() else "")

    def version_key(self):
        return tuple(int(part) for part in self.version.split("."))

    def label(self):
        return "%s %s%s" % (self.target, self.version, " (per machine)" if self.machine() else "")


FIELDS = tuple(field.name for field in dataclasses.fields(Release))
CHECKS = {
    "target": re.compile(r"^[A-Za-z0-9][A-Za-z0-9._+-]*$"), "version": VERSION, "product_code": GUID,
    "package_code": GUID, "upgrade_code": GUID, "program": PROGRAM, "program_sha256": DIGEST,
    "msi": re.compile(r"^[A-Za-z0-9][A-Za-z0-9._+-]*\.msi$"), "msi_sha256": DIGEST,
}


def parse(data):
    """The Release of one facts object; PublishedError names what is wrong."""
    if not isinstance(data, dict):
        raise PublishedError("not a JSON object")
    if sorted(data) != sorted(FIELDS):
        raise PublishedError("keys %s, expected %s" % (sorted(data), sorted(FIELDS)))
    for name, pattern in CHECKS.items():
        if not isinstance(data[name], str) or not pattern.match(data[name]):
            raise PublishedError("%s: %r does not fit %s" % (name, data[name], pattern.pattern))
    return Release(**{name: data[name] for name in FIELDS})


def to_json(release):
    return json.dumps(dataclasses.asdict(release), indent=2) + "\n"


def load_all(folder=FOLDER):
    """Every published release whose facts are in folder, oldest first."""
    releases = []
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    for name in names:
        if not name.endswith(".json"):
            continue
        path = os.path.join(folder, name)
        try:
            with open(path, encoding="utf-8") as f:
                release = parse(json.load(f))
        except (ValueError, PublishedError) as error:
            raise SystemExit("dist: %s: %s" % (path, error))
        if release.facts_name() != name:
            raise SystemExit("dist: %s holds the facts of %s (%s)" % (path, release.label(), release.facts_name()))
        releases.append(release)
    return sorted(releases, key=lambda r: (r.target, r.version_key()))


def read_msi(path):
    """The facts of a published MSI, read out of its tables and files: the
    program is its one .exe, and the tool's target that file's name."""
    properties = {row["Property"]: row["Value"] for row in msi.table(path, "Property")}
    programs = [row["FileName"].split("|")[-1] for row in msi.table(path, "File")
                if row["FileName"].lower().endswith(".exe")]
    if len(programs) != 1:
        raise PublishedError("%s carries %d programs (%s), not one" % (path, len(programs), programs))
    program = programs[0]
    if (properties.get("ALLUSERS") == "1") != os.path.basename(path).endswith(MACHINE_SUFFIX):
        raise PublishedError("%s installs %s, but only a per-machine package's name ends in %s"
                             % (path, "per machine" if properties.get("ALLUSERS") == "1" else "per user",
                                MACHINE_SUFFIX))
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([need("msiextract"), "-C", folder, os.path.abspath(path)], check=True,
                       stdout=subprocess.DEVNULL)
        found = [os.path.join(here, program) for here, _, names in os.walk(folder) if program in names]
        if len(found) != 1:
            raise PublishedError("%s: %s does not extract" % (path, program))
        program_digest = sha256(found[0])
    data = {
        "target": program[:-len(".exe")], "version": properties.get("ProductVersion"),
        "product_code": properties.get("ProductCode"),
        "package_code": msi.summary(path).get(msi.PACKAGE_CODE_PROPERTY),
        "upgrade_code": properties.get("UpgradeCode"), "program": program, "program_sha256": program_digest,
        "msi": os.path.basename(path), "msi_sha256": sha256(path),
    }
    return parse(data)


def write_facts(msi_path):
    """Writes the facts file of a published MSI beside it; returns its path."""
    release = read_msi(msi_path)
    path = os.path.join(os.path.dirname(os.path.abspath(msi_path)), release.facts_name())
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(to_json(release))
    return path


def of_tool(product, releases):
    """The published releases of product's package: per user or per machine
    as product is, of its target or its upgrade code."""
    return [r for r in releases if r.machine() == product.machine
            and (r.target == product.target or r.upgrade_code == product.upgrade_code)]


def refusals(product, program_digest, msi_digest, releases):
    """Why a build of product (its program's and its MSI's SHA-256 given; the
    suite's programs are its MSI's, program_digest None) may not be released
    beside the published releases: a version or a ProductCode that a published
    release has, with other bytes, or another upgrade code than the tool's
    published one. An empty list lets it through."""
    found = []
    own = of_tool(product, releases)
    for release in own:
        if release.upgrade_code != product.upgrade_code:
            found.append("%s was published with the upgrade code %s, this build has %s: an installed %s would "
                         "stay beside it" % (release.label(), release.upgrade_code, product.upgrade_code,
                                             release.version))
    for release in releases:
        same_version = release in own and release.version == product.version
        same_code = release.product_code == product.product_code()
        if not (same_version or same_code):
            continue
        differ = [what for what, published, built in (
            (release.program, release.program_sha256, program_digest), ("the MSI", release.msi_sha256, msi_digest))
            if built is not None and published != built]
        if differ:
            if same_version:
                what = "%s is published (%s)" % (release.label(), release.facts_name())
            else:
                what = "this build's ProductCode %s is that of the published %s (%s)" % (
                    release.product_code, release.label(), release.facts_name())
            found.append("%s, and this build's %s differ%s from it: a release of other bytes needs another "
                         "version, raise the tool's VERSION (kaldrin_add_tool)"
                         % (what, " and ".join(differ), "s" if len(differ) == 1 else ""))
    return found


def last_before(product, releases):
    """The tool's newest published release older than product: what an
    installed machine upgrades from. None when there is none."""
    mine = tuple(int(part) for part in product.version.split("."))
    older = [r for r in of_tool(product, releases) if r.version_key() < mine]
    return older[-1] if older else None


def package_of(release, folder=FOLDER):
    """The published MSI of a release, when it is kept in folder and is the
    one published (its SHA-256); else None."""
    path = os.path.join(folder, release.msi)
    if os.path.isfile(path) and sha256(path) == release.msi_sha256:
        return path
    return None


def refuse_reused(product, out_dir, paths, folder=FOLDER):
    """The rule on a release just built into out_dir (paths: the zip, the
    per-user MSI, the per-machine MSI), on each MSI against the published
    packages of its kind: the files are removed and the reasons printed when
    either may not be released. Returns the exit code."""
    programs = product.programs()
    program_digest = sha256(os.path.join(out_dir, "stage", programs[0].program)) if programs == (product,) else None
    releases = load_all(folder)
    reasons = []
    for package, msi_path in ((product, paths[1]), (product.per_machine(), paths[2])):
        reasons += refusals(package, program_digest, sha256(msi_path), releases)
    if not reasons:
        return 0
    for path in list(paths) + [os.path.join(out_dir, "SHA256SUMS")]:
        if os.path.exists(path):
            os.remove(path)
    for reason in reasons:
        print("dist build: REFUSED: %s" % reason)
    print("dist build: %s removed; the published releases are in %s"
          % (", ".join(os.path.basename(path) for path in paths), folder))
    return 1

