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


def evaluate_tool_seeds():
    seeds = []
    head = lambda catalogued, rc, vc, dc: bytes([0 if catalogued else 1]) + capacity(rc, 300) + capacity(vc, 40) + capacity(dc, 300)
    plain = lambda v: bytes([0]) + u16(int(v))          # whole numbers 0 to 199
    edge = lambda i: bytes([160, i])                      # EDGES[i]
    raw = lambda v: bytes([200]) + f64(v)
    # Tool 51: defaults, the worked example, contraindication, edges and cuts.
    seeds.append(head(True, 300, 40, 300) + plain(70) + plain(70) + plain(65))
    seeds.append(head(True, 300, 40, 300) + plain(40) + plain(85) + plain(65))
    seeds.append(head(True, 300, 40, 300) + plain(10) + plain(70) + plain(65))
    seeds.append(head(True, 300, 40, 300) + plain(40) + plain(85) + plain(55))
    seeds.append(head(True, 20, 5, 7) + edge(1) + edge(4) + edge(6))
    seeds.append(head(True, 1, 1, 1) + edge(12) + edge(13) + edge(14))
    seeds.append(head(True, 300, 13, 10) + raw(49.99999999999999) + raw(80.0) + raw(60.00000000000001))
    # Tools of fuzzed formulas: outputs, rules, levels, format codes, texts.
    def any_tool(rc, vc, dc, outputs, rules, texts, codes=(0, 1, 6, 7)):
        return (head(False, rc, vc, dc) + bytes([outputs, rules]) + plain(40) + plain(85) + plain(55)
                + bytes([4, 3, 1, 2]) + bytes(codes) + "\n".join(texts).encode("latin-1"))
    seeds.append(any_tool(300, 40, 300, 2, 3, ["(crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0)",
                                               "((crcl<50?1:0)+(age>=80?1:0)+(w<=60?1:0))>=2?2.5:5",
                                               "crcl<15", "a>=2", ""]))
    seeds.append(any_tool(300, 40, 300, 3, 2, ["", "1/0", "a+b", "b", "0"]))
    seeds.append(any_tool(60, 3, 20, 3, 3, ["crcl*1e300*1e300", "0/0", "19723", "c", "sqrt(-1)", "1"], (5, 6, 8, 2)))
    seeds.append(any_tool(300, 40, 300, 0, 1, ["crcl"]))
    return seeds


def dispatch_report_seeds():
    seeds = []
    every_key = 0x7FFF

    def report(kind, rc, vc, values, present=every_key, follow=1, today=19723, repeat=0, other=b""):
        body = bytes([kind + 1]) + capacity(rc, 9000) + capacity(vc, 64) + bytes([follow]) + i64(today)
        body += u16(present) + bytes([repeat])
        for v in values:
            # The whole number v: small ones in one byte, others as an int.
            body += bytes([0, v + 100]) if -100 <= v <= 155 else bytes([4]) + i32(v)
        return body + other

    # Keys in order: nurses days start interval times kind drugA drugB gap beds bed dose volume gtt panel
    base = [6, 7, 8, 8, 4, 2, 1, 2, 7, 3, 12, 50, 250, 40, 3]
    for kind in range(-1, 13):
        seeds.append(report(kind, 9000, 64, base))
    seeds.append(report(1, 9000, 64, [40, 31] + base[2:]))             # the largest roster
    seeds.append(report(9, 9000, 64, base[:9] + [45] + base[10:]))     # beds clamped to 30
    seeds.append(report(6, 9000, 64, base[:6] + [3, 9] + base[8:]))    # an incompatible pair
    seeds.append(report(6, 9000, 64, base[:6] + [7, 6] + base[8:]))
    seeds.append(report(3, 10, 21, base))                              # small report capacity
    seeds.append(report(11, 9000, 64, [], present=0))                  # no parameters at all
    seeds.append(report(7, 9000, 64, base, follow=0, today=-(2**63)))  # no date of today
    seeds.append(report(7, 9000, 64, base, follow=0, today=2**62))
    seeds.append(report(5, 9000, 1, base, repeat=11, other=b"kind"))   # a repeated key
    # Values that are not small numbers: NaN, infinities, beyond int.
    special = b"".join(bytes([3, i]) for i in range(14)) + bytes([3, 0])
    seeds.append(bytes([2]) + capacity(9000, 9000) + capacity(64, 64) + bytes([1]) + i64(0) + u16(every_key)
                 + bytes([0]) + special)
    seeds.append(bytes([10]) + capacity(9000, 9000) + capacity(64, 64) + bytes([1]) + i64(0) + u16(every_key)
                 + bytes([0]) + b"".join(bytes([2]) + f64(v) for v in [1e300, -1e300, NAN, INF, -INF, 5e-324] * 3))
    return seeds


def selftest_command_line_seeds():
    OPTION, BLANK, QUOTE, TAB = 0xF0, 0xF1, 0xF2, 0xF3

    def line(cap, *parts):
        body = b""
        for part in parts:
            body += bytes([part]) if isinstance(part, int) else part.encode("latin-1")
        return capacity(cap, 1100) + body

    return [
        line(520, "kaldrin.exe"),
        line(520, "kaldrin.exe", BLANK, OPTION),
        line(520, "kaldrin.exe", BLANK, OPTION, BLANK, BLANK),
        line(520, "kaldrin.exe", BLANK, OPTION, BLANK, "out.txt", BLANK, "extra"),
        line(520, "kaldrin.exe", BLANK, OPTION, BLANK, QUOTE, "C:\\My Reports\\st.txt", QUOTE),
        line(520, "kaldrin.exe", BLANK, OPTION, QUOTE, QUOTE),
        line(520, "kaldrin.exe", BLANK, OPTION, BLANK, QUOTE, "no closing quote"),
        line(520, "kaldrin.exe", BLANK, OPTION, TAB, "tab.txt"),
        line(520, "kaldrin.exe", BLANK, OPTION, "glued.txt"),
        line(520, QUOTE, "C:\\", OPTION, "\\kaldrin.exe", QUOTE),
        line(520, "a", BLANK, OPTION, BLANK, OPTION, BLANK, "second"),
        line(520, "--selftes", BLANK, 0xF4, "test"),
        line(13, OPTION),
        line(12, OPTION),
        line(520, OPTION, BLANK, "x" * 519),
        line(520, OPTION, BLANK, "x" * 520),
        line(1, OPTION, BLANK, "p"),
    ]


def input_number_seeds():
    INF_, INFINITY_, NAN_, HEX, EMINUS, ZEROS, NINES, NEXT = 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF6, 0xF7, 0xF8

    def texts(*parts):
        body = b""
        for part in parts:
            if isinstance(part, int):
                body += bytes([part])
            elif isinstance(part, tuple):
                body += bytes(part)
            else:
                body += part.encode("latin-1")
        return body

    return [
        texts("70", NEXT, "70", NEXT, "65"),
        texts("", NEXT, "   ", NEXT, "abc", NEXT, "12abc", NEXT, " \t-2.5e1x"),
        texts(HEX, "10", NEXT, HEX, "1.8p1", NEXT, HEX, NEXT, "0X", NEXT, HEX, ".p2"),
        texts("1e400", NEXT, "-1e400", NEXT, "1e-400", NEXT, "4.9406564584124654e-324", NEXT, "2.4703282292062328e-324"),
        texts(INF_, NEXT, INFINITY_, NEXT, "-", NAN_, NEXT, NAN_, "(123)", NEXT, "InFiNiTy", NEXT, "infinit"),
        texts("70", NEXT, "1e400", NEXT, "65"),
        texts(".5", NEXT, "5.", NEXT, ".", NEXT, "+.e1", NEXT, "-0", NEXT, "+", NEXT, "1e", NEXT, "1e+", NEXT, EMINUS, "3"),
        texts("0.", (ZEROS, 39), (ZEROS, 39), (ZEROS, 39), "1"),
        texts((NINES, 39), (NINES, 39), (NINES, 39), (NINES, 39), ".5"),
        texts("1", (ZEROS, 39), (ZEROS, 39), (ZEROS, 39), (ZEROS, 39), "e-", "290"),
        texts(0xF5, "\x00\x30", "12"),  # an ideographic space (U+3000) before the digits
        # A sign after another is no exponent (the "p" ends the number).
        texts(HEX, "211P+-5", NEXT, HEX, "1p+-1", NEXT, HEX, "1p-+3", NEXT, "1e+-5", NEXT, HEX, "1.8p"),
    ]


def record_row_seeds():
    COMMA, QUOTE, CRLF, LF, RESULT_LINE, ANY, RUN_X, RUN_CJK, NEXT = range(0xF0, 0xF9)

    def text(*parts):
        body = b""
        for part in parts:
            if isinstance(part, int):
                body += bytes([part])
            elif isinstance(part, tuple):
                body += bytes(part)
            else:
                body += b"".join(bytes([0xF5]) + u16(ord(c)) if ord(c) > 0x7F else c.encode() for c in part)
        return body

    def row(count, time, cap, lead, tool_id, values, *texts):
        body = bytes([count]) + b"".join(bytes([t]) for t in time) + capacity(cap, 6000) + bytes([lead])
        body += bytes([tool_id])
        for v in values:
            body += bytes([0]) + u16(v + 1000)
        return body + text(*texts)

    t = (37, 1, 2, 9, 5, 3)  # 2027-01-02 09:05:03
    tool51 = ["肌酐清除率", NEXT, "年龄", NEXT, "体重"]
    return [
        row(3, t, 4096, 0, 51, [70, 70, 65], "Kaldrin", NEXT, "减量条件数：0 项", CRLF, RESULT_LINE, CRLF, NEXT,
            "C:\\Users\\u\\AppData\\Local", NEXT, *tool51),
        row(3, t, 4096, 1, 7, [40, 85, 55], "Kaldrin", NEXT, RESULT_LINE, CRLF, NEXT, "\\\\srv\\share", NEXT, *tool51),
        row(3, t, 4096, 2, 51, [0, 0, 0], "Kal,\"drin", NEXT, "a,b", QUOTE, LF, "c", NEXT, "relative", NEXT,
            "la,bel", NEXT, QUOTE, "q", QUOTE, NEXT, "line", CRLF, "break"),
        row(1, t, 60, 3, 200, [5], "T", NEXT, (RUN_CJK, 70), LF, (RUN_X, 10), NEXT, "D:\\", NEXT, (RUN_X, 200)),
        row(16, t, 4096, 0, 51, list(range(16)), "N", NEXT, (RUN_X, 255), LF, NEXT, "C:\\x", NEXT,
            *sum([[(RUN_CJK, 40), NEXT] for _ in range(16)], [])),
        row(0, (255, 0xFF, 0xFF, 0xFF, 0xFF) + (255, 1, 2, 3, 4) * 5, 1, 0, 0, [], "", NEXT, "", NEXT, ""),
    ]


TARGETS = {
    "eval_expr_fuzz": eval_expr_seeds,
    "format_value_fuzz": format_value_seeds,
    "calendar_fuzz": calendar_seeds,
    "bounded_text_fuzz": bounded_text_seeds,
    "utf8_fuzz": utf8_seeds,
    "evaluate_tool_fuzz": evaluate_tool_seeds,
    "dispatch_report_fuzz": dispatch_report_seeds,
    "selftest_command_line_fuzz": selftest_command_line_seeds,
    "input_number_fuzz": input_number_seeds,
    "record_row_fuzz": record_row_seeds,
}


def main():
    names = sys.argv[1:] or sorted(TARGETS)
    for name in names:
        write(name, TARGETS[name]())
        print("%s: %d seeds" % (name, len(TARGETS[name]())))


if __name__ == "__main__":
    main()
