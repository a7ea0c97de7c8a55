"""The release files of one tool, or of the suite: a zip of the program (the
suite's: every released tool's), its guide (README.txt, scripts/release/guide.py)
and the licence; the per-user and the per-machine MSI of the same files;
SHA256SUMS of the three."""

import dataclasses
import os
import re
import shutil
import subprocess
import sys
import zipfile

from . import guide, msi
from .common import ROOT, SUITE_URL, epoch, need, read, sha256, write, zip_stamp

SUMS = "SHA256SUMS"


def entries(package):
    """The zip's entries, in order: the programs, README.txt, LICENSE.txt."""
    return package.entries()


def release_files(product):
    """The names of the files a user downloads, in SHA256SUMS's order: the
    zip, the per-user MSI and the per-machine MSI."""
    return [product.release_name("zip"), product.release_name("msi"), product.per_machine().release_name("msi")]


def crlf(text_lines):
    return "".join(line + "\r\n" for line in text_lines)


def readme_bytes(package, env):
    """README.txt of package: its guide, with the descriptions of its tools'
    definitions (guide.describe, under Wine in env)."""
    return guide.readme_bytes(package, guide.describe(package.programs(), env))


def license_bytes():
    with open(os.path.join(ROOT, "LICENSE"), encoding="utf-8") as f:
        return crlf(f.read().splitlines()).encode("utf-8")


# A key or certificate held in a hardware token is named by a PKCS#11 URI.
TOKEN_URI = "pkcs11:"
TIMESTAMP_URL = re.compile(r"^https?://[^\s]+$")


@dataclasses.dataclass(frozen=True)
class Signer:
    """Who signs a release, from the environment: a certificate (PEM chain, or
    a token's certificate as a pkcs11: URI) and its key (a PEM file, or a
    pkcs11: URI with the token's PKCS#11 module and, for an osslsigncode that
    needs one named, the engine), the file of the key's password or the
    token's PIN, and an RFC 3161 time-stamping service."""
    cert: str
    key: str
    pkcs11_module: str = ""
    pkcs11_engine: str = ""
    pass_file: str = ""
    timestamp_url: str = ""


def signing_key(env=None):
    """The Signer the environment names (KALDRIN_SIGN_*), or None for an
    unsigned release; exits when the variables do not fit together."""
    env = os.environ if env is None else env
    signer = Signer(*(env.get("KALDRIN_SIGN_" + name, "") for name in
                      ("CERT", "KEY", "PKCS11_MODULE", "PKCS11_ENGINE", "PASS_FILE", "TIMESTAMP_URL")))
    if bool(signer.cert) != bool(signer.key):
        sys.exit("dist: KALDRIN_SIGN_CERT and KALDRIN_SIGN_KEY go together")
    if not signer.cert:
        return None
    in_token = signer.key.startswith(TOKEN_URI)
    if in_token and not signer.pkcs11_module:
        sys.exit("dist: KALDRIN_SIGN_KEY is a key in a token (%s): KALDRIN_SIGN_PKCS11_MODULE names the token's "
                 "PKCS#11 module" % TOKEN_URI)
    if signer.pkcs11_module and not in_token:
        sys.exit("dist: KALDRIN_SIGN_PKCS11_MODULE signs with a key in a token: KALDRIN_SIGN_KEY must be its %s URI"
                 % TOKEN_URI)
    if signer.pkcs11_engine and not signer.pkcs11_module:
        sys.exit("dist: KALDRIN_SIGN_PKCS11_ENGINE goes with KALDRIN_SIGN_PKCS11_MODULE")
    if signer.cert.startswith(TOKEN_URI) and not in_token:
        sys.exit("dist: a certificate in a token (KALDRIN_SIGN_CERT %s...) goes with its key in the token" % TOKEN_URI)
    if signer.timestamp_url and not TIMESTAMP_URL.match(signer.timestamp_url):
        sys.exit("dist: KALDRIN_SIGN_TIMESTAMP_URL %r is not an http:// or https:// address" % signer.timestamp_url)
    return signer


def signing_command(signer, product, source, target):
    """The osslsigncode command that signs source into target with Authenticode
    (SHA-256). With a time-stamping service the signature carries its RFC 3161
    time stamp, whose time Windows shows as the signing time and which keeps
    the signature valid after the certificate expires; without one the signing
    time is SOURCE_DATE_EPOCH, so a signed build repeats too."""
    command = ["osslsigncode", "sign"]
    if signer.pkcs11_module:
        if signer.pkcs11_engine:
            command += ["-pkcs11engine", signer.pkcs11_engine]
        command += ["-pkcs11module", signer.pkcs11_module]
    command += ["-pkcs11cert" if signer.cert.startswith(TOKEN_URI) else "-certs", signer.cert, "-key", signer.key,
                "-h", "sha256", "-n", product.install_name, "-i", SUITE_URL]
    if signer.pass_file:
        command += ["-readpass", signer.pass_file]
    if signer.timestamp_url:
        command += ["-ts", signer.timestamp_url]
    else:
        command += ["-time", str(epoch())]
    return command + ["-in", source, "-out", target]


def sign(path, signer, product):
    """Signs path in place."""
    need("osslsigncode")
    signed = path + ".signed"
    if os.path.exists(signed):
        os.remove(signed)
    subprocess.run(signing_command(signer, product, path, signed), check=True, stdout=subprocess.DEVNULL)
    os.replace(signed, path)


def stage(package, folder, payload=None, env=None):
    """Fills folder with the package's files: the entries (from payload, a
    {name: bytes} of them, or else made from the build, the guide's
    descriptions under Wine in env) and the icon. Every file carries
    SOURCE_DATE_EPOCH, which the MSI's cabinet keeps."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    if payload is None:
        payload = {"LICENSE.txt": license_bytes()}
        for tool in package.programs():
            if not os.path.isfile(tool.program_path):
                sys.exit("dist: %s is missing (make dist builds it)" % tool.program_path)
            payload[tool.program] = read(tool.program_path)
        payload["README.txt"] = readme_bytes(package, env)
    for name in entries(package):
        write(os.path.join(folder, name), payload[name])
    shutil.copyfile(package.icon, os.path.join(folder, msi.ICON))
    for name in entries(package) + [msi.ICON]:
        os.utime(os.path.join(folder, name), (epoch(), epoch()))


def write_zip(path, folder, names):
    temporary = path + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name in names:
            info = zipfile.ZipInfo(name, zip_stamp())
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix permission bits
            info.external_attr = 0x20  # archive
            z.writestr(info, read(os.path.join(folder, name)))
    os.replace(temporary, path)


def build(product, out_dir, env):
    """Writes the release of product (a tool or the suite) into out_dir;
    returns the paths of its release_files(). Each program is signed in the
    name of its tool, the MSIs in the product's. The guide's descriptions of
    the definitions are written under Wine in env (wine.environment)."""
    key = signing_key()
    folder = os.path.join(out_dir, "stage")
    stage(product, folder, env=env)
    if key:
        for tool in product.programs():
            sign(os.path.join(folder, tool.program), key, tool)
            os.utime(os.path.join(folder, tool.program), (epoch(), epoch()))

    paths = [os.path.join(out_dir, name) for name in release_files(product)]
    zip_path, msi_path, machine_path = paths
    write_zip(zip_path, folder, entries(product))
    for package, path in ((product, msi_path), (product.per_machine(), machine_path)):
        msi.write_msi(package, folder, path)
        if key:
            sign(path, key, product)
    sums = "".join("%s  %s\n" % (sha256(p), os.path.basename(p)) for p in paths)
    write(os.path.join(out_dir, SUMS), sums.encode())

    for path in paths + [os.path.join(out_dir, SUMS)]:
        print("dist: %s (%d bytes)" % (path, os.path.getsize(path)))
    for name in entries(product):
        print("  %-12s %9d bytes" % (name, os.path.getsize(os.path.join(folder, name))))
    programs = ", ".join(tool.program for tool in product.programs())
    if key:
        stamp = ", time-stamped by %s" % key.timestamp_url if key.timestamp_url else ""
        print("dist: %s and the MSIs are signed with %s%s" % (programs, key.cert, stamp))
    else:
        print("dist: %s and the MSIs are NOT signed (set KALDRIN_SIGN_CERT and KALDRIN_SIGN_KEY to sign)"
              % programs)
    return paths
