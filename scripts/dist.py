#!/usr/bin/env python3
"""The release files of a tool for Windows, or of the whole suite, and their checks.

Every product fact (program, names, version, tool number, publisher, codes,
icon, expected self-test report, definition check) comes from the facts file the
windows build writes for each program: <build>/products/<target>.json. Where
FACTS is that products folder instead, the command is about the suite
package: every released tool's program (all but the tools numbered in
release/facts.py's UNRELEASED), named and coded by core/suite_names.h.

  dist.py build FACTS OUT_DIR [--version X.Y.Z] [--wineprefix DIR]
      write into OUT_DIR:
        <target>-<version>-win64.zip   the program, README.txt (its guide)
                                       and LICENSE.txt
        <target>-<version>-win64.msi   the per-user Windows Installer package
        <target>-<version>-win64-machine.msi
                                       the per-machine one (administrators,
                                       %ProgramFiles%, every user)
        SHA256SUMS                     the SHA-256 of the zip and the MSIs
      and refuse them (exit 1, files removed) when a published release of
      the tool has this version, or any has this ProductCode, with other bytes
  dist.py released PRODUCTS_FOLDER
      print the facts file of each released tool, by tool number
  dist.py published-facts MSI...
      write the facts file of each published MSI beside it (releases/)
  dist.py check FACTS OUT_DIR [--wineprefix DIR]
      check those files against the build (exit 1 on any fault)
  dist.py install-check FACTS OUT_DIR [--beside FACTS ...] [--removal-check]
      install, upgrade and uninstall the MSIs under Wine (per user, then per
      machine), in a prefix of its own where the other tools' packages are
      installed too; with --removal-check, then a per-user installation (the
      last published one, if any) and the per-machine one, and the guide's
      script that removes the per-user one run in the user's context
  dist.py sign-check FACTS WORK_DIR [--wineprefix DIR]
      sign a release with a throwaway certificate and verify the signatures
  dist.py reproduce FACTS WORK_DIR [--suite] [--wineprefix DIR]
      build the program and the release twice from clean folders (the second
      from a copy of the sources elsewhere) and compare the bytes; with
      --suite, the released tools' programs and the suite's release too

<version> is major.minor, with .patch when the patch is not 0. README.txt is
the package's guide (scripts/release/guide.py): docs/user/guide.md filled
with the product facts and with what each tool's definition says (its
definition check's --describe, run under Wine), UTF-8 with a byte-order mark
and CR LF line ends. The MSI installs the same files into
%LOCALAPPDATA%\\Programs\\<install name> (scripts/release/package.wxs), the
per-machine MSI into %ProgramFiles%\\<publisher>\\<install name>. The
suite's zip holds every released tool's program, README.txt and LICENSE.txt;
its MSI installs them into one folder with a Start-menu folder of one
shortcut per tool (scripts/release/suite.wxs).

Same inputs, same bytes: every time stamp is SOURCE_DATE_EPOCH (the Makefile
sets it to the commit's time; 2026-01-01 without it), the MSI's product code
is derived from the upgrade code and the version, its package code from the
whole database, and zip entries keep a fixed order and no Unix permissions.

Signing: with KALDRIN_SIGN_CERT (PEM certificate chain) and KALDRIN_SIGN_KEY
(PEM private key) set, the program and the MSI are signed with Authenticode
(osslsigncode, SHA-256); KALDRIN_SIGN_PASS_FILE names a file with the key's
password (or the token's PIN) and KALDRIN_SIGN_TIMESTAMP_URL an RFC 3161
time-stamping service. A key in a hardware token is a pkcs11: URI in
KALDRIN_SIGN_KEY, with the token's PKCS#11 module in KALDRIN_SIGN_PKCS11_MODULE
(and KALDRIN_SIGN_PKCS11_ENGINE, the OpenSSL engine, when osslsigncode needs it
named); KALDRIN_SIGN_CERT may then be the token's certificate, a pkcs11: URI
too. Without a certificate and key the files stay unsigned, and the build
says so.

Published releases: releases/<target>-<version>.json, beside the MSI as it
was published. install-check installs the tool's last published release
before this one and upgrades it.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from release import build, checks, facts, install, published, wine  # noqa: E402


def main(argv):
    parser = argparse.ArgumentParser(prog="dist.py", description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    commands = parser.add_subparsers(dest="command", required=True)
    command = commands.add_parser("build", help="write the release files")
    command.add_argument("facts")
    command.add_argument("out_dir")
    command.add_argument("--version", help="another version (major.minor.patch) of the same files")
    command.add_argument("--wineprefix", help="the Wine prefix the definitions are described in (default: in OUT_DIR)")
    command = commands.add_parser("released", help="the facts files of the released tools")
    command.add_argument("products")
    command = commands.add_parser("published-facts", help="the facts files of published MSIs")
    command.add_argument("msi", nargs="+")
    command = commands.add_parser("check", help="check the release files against the build")
    command.add_argument("facts")
    command.add_argument("out_dir")
    command.add_argument("--wineprefix", help="the Wine prefix of the program's self-test (default: in OUT_DIR)")
    command = commands.add_parser("install-check", help="install, upgrade and uninstall the MSI under Wine")
    command.add_argument("facts")
    command.add_argument("out_dir")
    command.add_argument("--beside", nargs="+", default=[], metavar="FACTS",
                         help="other tools installed in the same prefix")
    command.add_argument("--removal-check", action="store_true",
                         help="also the guide's removal of per-user installations beside a per-machine one")
    command = commands.add_parser("sign-check", help="a release signed with a throwaway certificate")
    command.add_argument("facts")
    command.add_argument("work_dir")
    command.add_argument("--wineprefix", help="the Wine prefix of the program's self-test (default: in WORK_DIR)")
    command = commands.add_parser("reproduce", help="two clean builds of the release, compared")
    command.add_argument("facts")
    command.add_argument("work_dir")
    command.add_argument("--suite", action="store_true", help="the suite's release too")
    command.add_argument("--wineprefix", help="the Wine prefix the definitions are described in (default: in WORK_DIR)")
    args = parser.parse_args(argv)

    if args.command == "reproduce":
        return checks.reproduce(args.facts, args.work_dir, args.suite, args.wineprefix)
    if args.command == "published-facts":
        for path in args.msi:
            print("dist: %s" % published.write_facts(path))
        return 0
    if args.command == "released":
        for tool in facts.released(facts.load(os.path.join(args.products, name))
                                   for name in sorted(os.listdir(args.products)) if name.endswith(".json")):
            print(os.path.join(args.products, tool.target + ".json"))
        return 0
    product = facts.load_suite(args.facts) if os.path.isdir(args.facts) else facts.load(args.facts)
    if args.command == "build":
        if args.version:
            if not facts.VERSION.match(args.version):
                parser.error("--version %s is not major.minor.patch" % args.version)
            product = product.at_version(args.version)
        os.makedirs(args.out_dir, exist_ok=True)
        env = wine.environment(args.wineprefix or os.path.join(args.out_dir, "wineprefix"))
        return published.refuse_reused(product, args.out_dir, build.build(product, args.out_dir, env))
    if args.command == "check":
        return checks.check(product, args.out_dir, args.wineprefix)
    if args.command == "install-check":
        return install.install_check(product, args.out_dir, [facts.load(path) for path in args.beside],
                                     removal=args.removal_check)
    return checks.sign_check(product, args.work_dir, args.wineprefix)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
