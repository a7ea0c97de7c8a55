#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Each seed is one small file in the byte layout its target reads (see the
target's source). Run it again after changing a layout or adding seeds; the
files it writes are the ones kept in the repository.
"""

import os
import shutil
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def i32(v):
    return struct.pack("<i", v)


def i64(v):
    return struct.pack("<q", v)


def f64(v):
    return struct.pack("<d", v)


def capacity(n, maximum):
    """The u16 a target turns into capacity n (1 + u16 % maximum)."""
    return u16(n - 1)


def wide(text):
    """Text as the targets read wide text: two bytes per character."""
    return b"".join(u16(ord(c)) for c in text)


def write(target, seeds):
    folder = os.path.join(ROOT, target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for i, seed in enumerate(seeds):
        with open(os.path.join(folder, "seed-%03d" % i), "wb") as f:
            f.write(seed)


NAN = float("nan")
INF = float("inf")


def eval_expr_seeds():
    texts = [
        # The catalogued formulas and rule conditions.
        "(crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0)",
        "((crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0))>=2?2.5:5",
        "crcl<15", "criteria>=2", "dose*2",
        # Grammar and precedence.
        " 1 + 2 \r\n", "1 + 2 * 3", "8/2/2", "-3-2", "2^3^2", "-2^2", "2^-1", "7%-3", "5.5%2",
        "(1 < 2) == 1", "1 < 2 && 3 > 2", "0 || 0 ? 7 : 8", "1 || 0 && 0", "!!7", "+-+5",
        "1 ? 2 : 3 ? 4 : 5", "1 ? 0 ? 6 : 7 : 8", "x_1 != 0 ? crcl : age",
        # Failure forms.
        "", "   ", "CRCL", "1<2<3", "crcl = 70", "2**3", "1 & 1", "1 | 0", "1 < = 2", "5!", "2 3",
        "(1)(2)", "1/0", "5+1/0", "1 ? 2 : 1/0", "0 && 1/0", "(1+2", "1 ? 2", "()", "1+", ")",
        "sqrt(", "max(1,2,3)", "min(3)", "sqrt(4,9)", "1 +\v2", "1\f+ 2", "\x80",
        # Numbers.
        ".5 + 5.", "0x10", "0x1A", "0x1p-3", "1e3", "1.5E-2", "2e+1", "2x", "1e", "1e+", ".", "007",
        "1e400", "1e400 > 1", "1e-400", "123456789012345678901234567890", "0.1000000000000000055511151231257827",
        # Functions.
        "sqrt (9)", "log(0)", "log10(-1)", "mod(7,0)", "mod(7.5, 2)", "exp(1000)", "floor(-1.5)",
        "ceil(-1.5)", "round(-0.5)", "round(0.49999999999999994)", "cbrt(-27)", "sign(-3)", "abs(-2.5)",
        "min(crcl,age)", "max(w, dose)", "pow(-8, 0.5)", "pow(-8, 0.5) ? 1 : 2", "!pow(-8, 0.5)",
        # Names at and beyond the longest.
        "k23456789012345678901234567890123456789012345678901234567890123",
        "k234567890123456789012345678901234567890123456789012345678901234",
        # Nesting near the bound.
        "(" * 199 + "1" + ")" * 199,
        "(" * 201 + "1" + ")" * 201,
        "-" * 250 + "1",
        "2^" * 120 + "1",
    ]
    return [t.encode("latin-1") for t in texts]


def format_value_seeds():
    seeds = []
    values = [12.3456, 2.5, 0.5, -0.4, -0.0, 0.125, 2.675, 0.05, 4503599627370495.0, 1e15 + 0.25,
              1e74, -1.7976931348623157e308, 5e-324, NAN, INF, -INF, 0.9, -0.9, 11016.0, 19723.0,
              2932896.0, -719468.0, 9.3e18, -9.3e18]
    for choice in range(9):
        for k, v in enumerate(values):
            if (k + choice) % 3 != 0:
                continue
            cap = [1, 2, 5, 128][k % 4]
            custom = b"F0" if choice == 8 else b""
            seeds.append(bytes([choice]) + capacity(cap, 300) + f64(v) + custom)
    return seeds


def calendar_seeds():
    seeds = []
    days = [0, -1, 11016, 19723, 2932896, -719468, 2**63 - 1, -(2**63), 2**63 - 1 - 719468,
            2**63 - 719468, 10**12, -(10**12)]
    dates = [(1970, 1, 1), (2000, 3, 1), (1900, 3, 1), (1970, 13, 1), (1970, 1, 0), (-1, 1, 1),
             (2**31 - 1, 12, 31), (-(2**31), 1, 1), (2024, 2, 29), (2023, 14, 5), (2023, -9, 2),
             (0, 0, 0)]
    for k, (day, (y, m, d)) in enumerate(zip(days, dates)):
        cap = [1, 5, 11, 40][k % 4]
        seeds.append(i64(day) + capacity(cap, 40) + i32(y) + i32(m) + i32(d))
    return seeds


def bounded_text_seeds():
    seeds = []
    # Conversions: mode 0, capacity, kind, flags, width, precision, argument.
    def conversion(cap, kind, flags, width, precision, argument):
        return bytes([0]) + capacity(cap, 600) + bytes([kind, flags, width, precision]) + argument

    seeds.append(conversion(600, 0, 0, 0, 0xFF, i32(-2147483648)))
    seeds.append(conversion(5, 0, 2, 8, 0xFF, i32(42)))
    seeds.append(conversion(600, 1, 4, 20, 3, i64(-(2**63))))
    seeds.append(conversion(600, 2, 1, 10, 0xFF, i64(123456789)))
    seeds.append(conversion(600, 3, 2, 12, 0xFF, i32(-1)))
    seeds.append(conversion(3, 4, 1, 5, 0xFF, u16(0x6C34)))
    seeds.append(conversion(600, 5, 0, 20, 4, wide("肌酐清除率=70")))
    seeds.append(conversion(600, 6, 8, 0, 2, f64(2.675)))
    seeds.append(conversion(600, 6, 2, 30, 0xFF, f64(-1e300)))
    seeds.append(conversion(600, 6, 4, 10, 1, f64(NAN)))
    seeds.append(conversion(600, 7, 0, 0, 0xFF, f64(1234567.0)))
    seeds.append(conversion(600, 7, 0, 0, 0, f64(1e-5)))
    seeds.append(conversion(600, 7, 3, 14, 17, f64(0.1 + 0.2)))
    # Appends: mode 1, capacity, present length, count, text.
    def append(cap, present, count, text):
        return bytes([1]) + capacity(cap, 600) + bytes([present]) + i32(count) + wide(text)

    seeds.append(append(1, 0, 5, "abc"))
    seeds.append(append(10, 3, 100, "abc减量条件数：2 项\r\n"))
    seeds.append(append(10, 9, 100, "123456789012"))
    seeds.append(append(600, 4, -3, "50% of %d"))
    seeds.append(append(8, 7, 1, "1234567x"))
    return seeds


def utf8_seeds():
    seeds = []
    seeds.append(bytes([3]) + b"".join(bytes([3, ord(c)]) for c in "TOOL|51|"))
    seeds.append(bytes([0]) + b"".join(bytes([0]) + u16(ord(c)) for c in "阿哌沙班剂量：5.0 mg bid\r\n"))
    seeds.append(bytes([1]) + bytes([1]) + struct.pack("<I", 0x1F600) + bytes([2]) + struct.pack("<I", 0xD800)
                 + bytes([2]) + struct.pack("<I", 0x110000) + bytes([2]) + struct.pack("<I", 0xFFFFFFFF))
    # Long runs: several chunks of three-byte characters.
    seeds.append(bytes([2]) + bytes([0xFC]) + u16(0x4E2D) + bytes([0xFC]) + u16(0xFFFD) + bytes([0xFF, 0x41]))
    seeds.append(bytes([7]) + bytes([0xFC]) + u16(0x7F) + bytes([0xFD]) + struct.pack("<I", 0x10FFFF))
    return seeds


TARGETS = {
    "eval_expr_fuzz": eval_expr_seeds,
    "format_value_fuzz": format_value_seeds,
    "calendar_fuzz": calendar_seeds,
    "bounded_text_fuzz": bounded_text_seeds,
    "utf8_fuzz": utf8_seeds,
}


def main():
    names = sys.argv[1:] or sorted(TARGETS)
    for name in names:
        write(name, TARGETS[name]())
        print("%s: %d seeds" % (name, len(TARGETS[name]())))


if __name__ == "__main__":
    main()
