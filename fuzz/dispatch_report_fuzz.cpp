// dispatch_report with every report kind (unknown ones included), arbitrary
// parameter values (NaN, infinities, values beyond int, fractions, negative
// numbers), missing and repeated keys, and capacities from 1 up; also the
// follow-up plan counted from any day, and input_by_key with any key.
//
// Properties:
//   - both texts are terminated within their capacities and nothing past
//     them changes;
//   - the report at a small capacity is the first capacity - 1 characters of
//     the report at full capacity, and so is the verdict;
//   - the full report of a known kind ends its every line with CR LF (no lone
//     CR or LF); an unknown kind gives exactly the no-report texts;
//   - the verdict of a known kind is not empty and has at most 20 characters,
//     so a verdict capacity of 21 or more holds it whole;
//   - the level is 0, except for kind 6, whose level is 0 to 3;
//   - input_by_key gives the value of the first input with that key, or 0.

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/fuzz_support.h"
#include "reports/generators.h"
#include "reports/reports.h"

namespace {

// More than the longest report (40 nurses over 31 days).
constexpr int FULL = 12000;

const char* const KEYS[] = {"nurses", "days", "start", "interval", "times", "kind", "drugA", "drugB",
                            "gap",    "beds", "bed",   "dose",     "volume", "gtt", "panel"};
constexpr int KEY_COUNT = static_cast<int>(sizeof KEYS / sizeof KEYS[0]);

// A parameter value: mostly the small numbers the reports choose and count
// by, sometimes any double at all.
double parameter(FuzzInput& in) {
    const std::uint8_t mode = in.byte();
    switch (mode % 5) {
    case 0: return static_cast<double>(static_cast<int>(in.byte()) - 100);
    case 1: return static_cast<double>(static_cast<int>(in.byte()) - 100) + in.byte() / 256.0;
    case 2: return in.f64();
    case 3: {
        static const double SPECIAL[] = {std::numeric_limits<double>::quiet_NaN(),
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(),
                                         -0.0, 2147483647.0, 2147483648.0, -2147483648.0,
                                         -2147483649.0, 1e300, -1e300, 0.9999999999999999,
                                         -0.7, 30.999, 9.2233720368547758e18};
        return SPECIAL[in.byte() % (sizeof SPECIAL / sizeof SPECIAL[0])];
    }
    default: return static_cast<double>(in.i32());
    }
}

int report_kind(FuzzInput& in) {
    const std::uint8_t mode = in.byte();
    if (mode < 224) return mode % 14 - 1;  // -1 to 12
    return in.i32();
}

void check_lines(const std::wstring& report) {
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (report[i] == L'\r') FUZZ_CHECK(i + 1 < report.size() && report[i + 1] == L'\n');
        if (report[i] == L'\n') FUZZ_CHECK(i > 0 && report[i - 1] == L'\r');
        FUZZ_CHECK(!(report[i] >= 0xD800 && report[i] <= 0xDFFF));
    }
    FUZZ_CHECK(report.size() >= 2 && report.compare(report.size() - 2, 2, L"\r\n") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 512) return 0;
    FuzzInput in(data, size);
    const int kind = report_kind(in);
    const int report_capacity = in.capacity(9000);
    const int verdict_capacity = in.capacity(64);
    const bool follow_up_from = (in.byte() & 7) == 0;
    const long long today = in.i64();

    // Which keys the tool has, in order; the last may repeat an earlier key.
    const std::uint16_t present = in.u16();
    const std::uint8_t repeat = in.byte();
    ToolInput inputs[MAX_TOOL_VALUES];
    double values[MAX_TOOL_VALUES] = {};
    int count = 0;
    for (int k = 0; k < KEY_COUNT; ++k) {
        if (present & (1u << k)) inputs[count++] = {KEYS[k], L"", L"", 0.0};
    }
    if (count > 0 && count < MAX_TOOL_VALUES && (repeat & 1)) {
        inputs[count] = inputs[(repeat >> 1) % count];
        ++count;
    }
    for (int i = 0; i < count; ++i) values[i] = parameter(in);
    const ToolDef tool = {9, L"报告", nullptr, L"", L"", nullptr, count, inputs, 0, nullptr, 0, nullptr, kind};

    auto run = [&](int rc, int vc, GuardedText& report, GuardedText& verdict) {
        report.reset();
        verdict.reset();
        if (follow_up_from) {
            // The generators are entered with both texts empty.
            report.data()[0] = L'\0';
            verdict.data()[0] = L'\0';
            return report_follow_up_plan_from(today, &tool, values, report.data(), rc, verdict.data(), vc);
        }
        return dispatch_report(kind, &tool, values, report.data(), rc, verdict.data(), vc);
    };

    GuardedText full_report(FULL);
    GuardedText full_verdict(64);
    const int full_level = run(FULL, 64, full_report, full_verdict);
    const std::wstring report = full_report.text();
    const std::wstring verdict = full_verdict.text();
    FUZZ_CHECK(static_cast<int>(report.size()) < FULL - 1);

    GuardedText small_report(report_capacity);
    GuardedText small_verdict(verdict_capacity);
    const int level = run(report_capacity, verdict_capacity, small_report, small_verdict);
    FUZZ_CHECK(level == full_level);
    FUZZ_CHECK(small_report.text() == cut_to(report, report_capacity));
    FUZZ_CHECK(small_verdict.text() == cut_to(verdict, verdict_capacity));

    const bool known = follow_up_from || (kind >= 1 && kind <= 11);
    if (known) {
        check_lines(report);
        FUZZ_CHECK(!verdict.empty() && verdict.size() <= 20);
    } else {
        FUZZ_CHECK(report == L"（该工具暂无自定义报告）");
        FUZZ_CHECK(verdict == L"暂无报告内容");
    }
    if (kind == 6 && !follow_up_from) {
        FUZZ_CHECK(level >= 0 && level <= 3);
    } else {
        FUZZ_CHECK(level == 0);
    }

    // input_by_key: the first input whose key matches, by exact comparison.
    for (int k = 0; k < KEY_COUNT; ++k) {
        double expected = 0.0;
        for (int i = 0; i < count; ++i) {
            if (std::strcmp(inputs[i].key, KEYS[k]) == 0) {
                expected = values[i];
                break;
            }
        }
        const double got = input_by_key(&tool, values, KEYS[k]);
        FUZZ_CHECK(std::memcmp(&got, &expected, sizeof got) == 0);
    }
    const std::string other = in.rest_text();
    bool listed = false;
    for (int i = 0; i < count; ++i) listed = listed || other == inputs[i].key;
    if (!listed) FUZZ_CHECK(input_by_key(&tool, values, other.c_str()) == 0.0);
    return 0;
}
