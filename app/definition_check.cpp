#include "app/definition_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "app/selftest.h"
#include "core/convert.h"
#include "core/text.h"
#include "core/utf8.h"
#include "expr/expr.h"
#include "reports/generators.h"
#include "reports/report_kinds.h"

namespace {

constexpr int MESSAGE_CAPACITY = 768;
constexpr int MAX_LEVEL = 3;
constexpr int MAX_REPORTED_NAMES = 16;
// The bytes of a report line a message shows, two of which fit a message.
constexpr int SHOWN_LINE_BYTES = 160;

// The faults found so far, each handed on with the tool named first.
struct Faults {
    const DefinitionExpectation& expected;
    DefinitionFaultSink sink;
    void* context;
    int count = 0;

#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void add(const char* format, ...) {
        char message[MESSAGE_CAPACITY];
        int prefix = std::snprintf(message, MESSAGE_CAPACITY, "%s (tool %d): ",
                                   expected.target != nullptr ? expected.target : "?", expected.id);
        if (prefix < 0 || prefix >= MESSAGE_CAPACITY) prefix = 0;
        std::va_list args;
        va_start(args, format);
        std::vsnprintf(message + prefix, static_cast<std::size_t>(MESSAGE_CAPACITY - prefix), format, args);
        va_end(args);
        ++count;
        if (sink != nullptr) sink(context, message);
    }
};

bool key_is(const char* key, const char* name, int length) {
    return key != nullptr && std::strncmp(key, name, static_cast<std::size_t>(length)) == 0 &&
           key[length] == '\0';
}

// One formula under reading: which names it may use and which inputs the
// definition's formulas read, kept across formulas.
struct FormulaReading {
    const ToolDef* tool;
    Faults* faults;
    const char* owner;      // "output \"dose\"", "rule 2", ...
    int outputs_before;     // the outputs the formula may name
    bool* input_read;       // one flag per input
    // The unknown names reported for this formula, each once.
    const char* reported[MAX_REPORTED_NAMES] = {};
    int reported_length[MAX_REPORTED_NAMES] = {};
    int reported_count = 0;
};

void visit_name(void* context, const char* name, int length) {
    auto* r = static_cast<FormulaReading*>(context);
    for (int i = 0; i < r->tool->input_count; ++i) {
        if (key_is(r->tool->inputs[i].key, name, length)) {
            r->input_read[i] = true;
            return;
        }
    }
    for (int i = 0; i < r->outputs_before; ++i) {
        if (key_is(r->tool->outputs[i].key, name, length)) return;
    }
    for (int i = 0; i < r->reported_count; ++i) {
        if (r->reported_length[i] == length && std::strncmp(r->reported[i], name, static_cast<std::size_t>(length)) == 0) {
            return;
        }
    }
    if (r->reported_count < MAX_REPORTED_NAMES) {
        r->reported[r->reported_count] = name;
        r->reported_length[r->reported_count++] = length;
    }
    r->faults->add("%s names \"%.*s\", which is not an input key or an earlier output", r->owner, length, name);
}

void check_formula(FormulaReading& reading, const char* text) {
    if (text == nullptr || text[0] == '\0') {
        reading.faults->add("%s has no formula", reading.owner);
        return;
    }
    switch (check_expr(text, visit_name, &reading)) {
    case EXPR_READS: return;
    case EXPR_UNKNOWN_FUNCTION:
        reading.faults->add("%s: formula \"%.200s\" calls a function that is not built in", reading.owner, text);
        return;
    case EXPR_UNREADABLE:
        reading.faults->add("%s: formula \"%.200s\" does not parse", reading.owner, text);
        return;
    }
}

// Counts and the lists they count; false when a list cannot be read at all.
bool check_lists(const ToolDef* tool, Faults& faults) {
    struct List {
        const char* name;
        int count;
        const void* records;
    };
    const List lists[] = {
        {"inputs", tool->input_count, tool->inputs},
        {"outputs", tool->output_count, tool->outputs},
        {"rules", tool->rule_count, tool->rules},
    };
    bool readable = true;
    for (const List& list : lists) {
        if (list.count < 0 || list.count > MAX_TOOL_VALUES) {
            faults.add("%d %s: a tool has 0 to %d", list.count, list.name, MAX_TOOL_VALUES);
            readable = false;
        } else if (list.count > 0 && list.records == nullptr) {
            faults.add("%d %s counted, but the list is null", list.count, list.name);
            readable = false;
        }
    }
    if (tool->name == nullptr || tool->category == nullptr || tool->basis == nullptr) {
        faults.add("name, category and basis must not be null");
        readable = false;
    }
    return readable;
}

// Keys: names the formulas can read, each once across inputs and outputs.
void check_keys(const ToolDef* tool, Faults& faults) {
    const int total = tool->input_count + tool->output_count;
    for (int i = 0; i < total; ++i) {
        bool input = i < tool->input_count;
        int index = input ? i : i - tool->input_count;
        const char* key = input ? tool->inputs[index].key : tool->outputs[index].key;
        const char* list = input ? "input" : "output";
        if (!expr_is_name(key)) {
            faults.add("%s %d: key \"%.80s\" is not a name a formula can read", list, index + 1,
                       key != nullptr ? key : "(null)");
            continue;
        }
        if (input ? tool->inputs[index].label == nullptr : tool->outputs[index].label == nullptr) {
            faults.add("%s \"%s\" has no label", list, key);
        }
        for (int j = 0; j < i; ++j) {
            const char* earlier = j < tool->input_count ? tool->inputs[j].key : tool->outputs[j - tool->input_count].key;
            if (earlier != nullptr && std::strcmp(earlier, key) == 0) {
                faults.add("key \"%s\" is defined twice: only the first is ever read", key);
                break;
            }
        }
    }
}

void check_formulas(const ToolDef* tool, Faults& faults) {
    bool input_read[MAX_TOOL_VALUES] = {};
    char owner[128];
    for (int i = 0; i < tool->output_count; ++i) {
        const ToolOutput& output = tool->outputs[i];
        std::snprintf(owner, sizeof owner, "output \"%.80s\"", output.key != nullptr ? output.key : "");
        FormulaReading reading{tool, &faults, owner, i, input_read, {}, {}, 0};
        check_formula(reading, output.expr);
    }
    bool default_seen = false;
    for (int i = 0; i < tool->rule_count; ++i) {
        const ToolRule& rule = tool->rules[i];
        std::snprintf(owner, sizeof owner, "rule %d", i + 1);
        if (default_seen) {
            faults.add("rule %d stands behind the default rule and is never reached", i + 1);
        }
        if (rule.level < 0 || rule.level > MAX_LEVEL) {
            faults.add("rule %d: level %d is outside 0 to %d", i + 1, rule.level, MAX_LEVEL);
        }
        if (rule.message == nullptr) faults.add("rule %d has no message", i + 1);
        if (rule.condition == nullptr) {
            faults.add("rule %d: the condition is null (\"\" makes a default rule)", i + 1);
        } else if (rule.condition[0] == '\0') {
            default_seen = true;
        } else {
            FormulaReading reading{tool, &faults, owner, tool->output_count, input_read, {}, {}, 0};
            check_formula(reading, rule.condition);
        }
    }
    for (int i = 0; i < tool->input_count; ++i) {
        if (!input_read[i] && expr_is_name(tool->inputs[i].key)) {
            faults.add("input \"%s\" is read by no formula or rule", tool->inputs[i].key);
        }
    }
}

// The keys of a report kind, for messages: "start, interval, times".
void list_keys(const ReportKindEntry& entry, char* text, int capacity) {
    int length = std::snprintf(text, static_cast<std::size_t>(capacity), "%s", entry.parameter_count == 0 ? "none" : "");
    for (int i = 0; i < entry.parameter_count && length >= 0 && length < capacity; ++i) {
        length += std::snprintf(text + length, static_cast<std::size_t>(capacity - length), "%s%s",
                                i > 0 ? ", " : "", entry.parameters[i].key);
    }
}

void check_report(const ToolDef* tool, const ReportKindEntry& entry, Faults& faults) {
    char keys[256];
    list_keys(entry, keys, sizeof keys);
    for (int p = 0; p < entry.parameter_count; ++p) {
        const char* key = entry.parameters[p].key;
        bool defined = false;
        for (int i = 0; i < tool->input_count && !defined; ++i) {
            defined = tool->inputs[i].key != nullptr && std::strcmp(tool->inputs[i].key, key) == 0;
        }
        if (!defined) {
            faults.add("report kind %d (%s) reads \"%s\" (%s), which no input defines", entry.kind, entry.name, key,
                       entry.parameters[p].meaning);
        }
    }
    for (int i = 0; i < tool->input_count; ++i) {
        const char* key = tool->inputs[i].key;
        if (!expr_is_name(key)) continue;
        bool read = false;
        for (int p = 0; p < entry.parameter_count && !read; ++p) read = std::strcmp(entry.parameters[p].key, key) == 0;
        if (!read) {
            faults.add("input \"%s\" is read by no formula or report (report kind %d reads: %s)", key, entry.kind,
                       keys);
        }
    }
    if (tool->output_count > 0) {
        faults.add("output \"%.80s\": a report tool's outputs are never evaluated",
                   tool->outputs[0].key != nullptr ? tool->outputs[0].key : "");
    }
    if (tool->rule_count > 0) faults.add("rule 1: a report tool's rules are never tried");
}

// Verdicts and input labels stand on one line of the window each.
void check_line_widths(const ToolDef* tool, Faults& faults) {
    for (int i = 0; i < tool->input_count; ++i) {
        double width = text_width_characters(tool->inputs[i].label);
        if (width > INPUT_LABEL_CHARACTERS) {
            faults.add("input \"%.80s\": the label is %.1f characters wide, more than the %.0f its row holds",
                       tool->inputs[i].key != nullptr ? tool->inputs[i].key : "", width, INPUT_LABEL_CHARACTERS);
        }
    }
    for (int i = 0; i < tool->rule_count; ++i) {
        double width = text_width_characters(tool->rules[i].message);
        if (width > VERDICT_LINE_CHARACTERS) {
            faults.add("rule %d: the verdict is %.1f characters wide, more than the %.0f one line of the verdict "
                       "holds", i + 1, width, VERDICT_LINE_CHARACTERS);
        }
    }
}

// The choices: a formula tool's name its inputs, each once, with numbers
// that run from first to last; a report tool's are its kind's. The window
// refuses any other number in a choice field, so a default that is none of
// its numbers could never be computed as it stands, and the self-test would
// show what no one can reach.
void check_choices(const ToolDef* tool, const ToolChoices* choices, Faults& faults) {
    int count = choices != nullptr && choices->choices != nullptr ? choices->count : 0;
    if (count > 0 && tool->report_kind != REPORT_FORMULAS) {
        faults.add("choice \"%.80s\": a report tool's choices are its report kind's, it declares none",
                   choices->choices[0].key != nullptr ? choices->choices[0].key : "");
        count = 0;
    }
    for (int k = 0; k < count; ++k) {
        const ToolChoice& c = choices->choices[k];
        const char* key = c.key != nullptr ? c.key : "";
        bool input = false;
        for (int i = 0; i < tool->input_count && !input; ++i) {
            input = tool->inputs[i].key != nullptr && std::strcmp(tool->inputs[i].key, key) == 0;
        }
        if (!input) faults.add("choice \"%.80s\" names no input", key);
        for (int j = 0; j < k; ++j) {
            if (choices->choices[j].key != nullptr && std::strcmp(choices->choices[j].key, key) == 0) {
                faults.add("choice \"%.80s\" is declared twice: only the first is ever read", key);
                break;
            }
        }
        if (c.first > c.last) faults.add("choice \"%.80s\": its numbers run from %d to %d", key, c.first, c.last);
    }
    for (int i = 0; i < tool->input_count; ++i) {
        int first = 0;
        int last = 0;
        if (!input_choice(tool, choices, i, &first, &last)) continue;
        double value = tool->inputs[i].default_value;
        if (static_cast<double>(double_to_int(value)) != value || value < first || value > last) {
            faults.add("input \"%s\": the default %g is none of the numbers %d to %d its choice offers",
                       tool->inputs[i].key, value, first, last);
        }
    }
}

// The text of line number line (from 1) of bytes, without its line end, cut
// at a character's boundary to at most limit bytes.
int line_at(const char* bytes, std::size_t length, int line, int limit, const char** text) {
    std::size_t at = 0;
    for (int n = 1; n < line && at < length; ++at) {
        if (bytes[at] == '\n') ++n;
    }
    std::size_t end = at;
    while (end < length && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    if (end - at > static_cast<std::size_t>(limit)) {
        end = at + static_cast<std::size_t>(limit);
        while (end > at && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
    }
    *text = bytes + at;
    return static_cast<int>(end - at);
}

// The self-test at the default inputs is clean and, when the tool declares
// its report, writes exactly those bytes. A report with dates is built for
// today; the day is read before and after, so a check across midnight
// matches either day.
void check_own_selftest(const ToolDef* tool, const DefinitionExpectation& expected, Faults& faults) {
    static wchar_t report[SELFTEST_REPORT_CAPACITY];
    int errors = 0;
    const long long day_before = local_day_number();
    if (!build_selftest_report(tool, report, SELFTEST_REPORT_CAPACITY, &errors)) {
        faults.add("the self-test report does not fit its %d characters", SELFTEST_REPORT_CAPACITY);
    }
    const long long day_after = local_day_number();
    if (errors != 0) {
        faults.add("the self-test counts ERRORS|%d: %d output formula(s) fail at the default inputs", errors, errors);
    }
    if (expected.declared_report == nullptr) return;
    std::string written;
    write_utf8(report, static_cast<std::size_t>(text_length(report)), append_to_string, &written);
    int line = selftest_report_mismatch(expected.declared_report, expected.declared_length, written.data(),
                                        written.size(), day_before);
    if (line != 0 && day_after != day_before &&
        selftest_report_mismatch(expected.declared_report, expected.declared_length, written.data(), written.size(),
                                 day_after) == 0) {
        line = 0;
    }
    if (line != 0) {
        const char* declared_line;
        const char* written_line;
        int declared_length = line_at(expected.declared_report, expected.declared_length, line, SHOWN_LINE_BYTES,
                                       &declared_line);
        int written_length = line_at(written.data(), written.size(), line, SHOWN_LINE_BYTES, &written_line);
        faults.add("the declared self-test report differs from the one the definition writes, from line %d: "
                   "\"%.*s\" declared, \"%.*s\" written", line, declared_length, declared_line, written_length,
                   written_line);
    }
}

}  // namespace

double text_width_characters(const wchar_t* text) {
    double width = 0.0;
    for (const wchar_t* c = text; c != nullptr && *c != L'\0'; ++c) {
        // Ideographs, kana and hangul, the CJK and full-width punctuation.
        unsigned u = static_cast<unsigned>(*c);
        bool full = (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7AF) || (u >= 0xF900 && u <= 0xFAFF) ||
                    (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6);
        // Blanks and the narrow marks and letters take less than a digit.
        bool narrow = *c == L' ' || (*c < 0x80 && std::strchr("/.,:;|!'()[]iIlj", static_cast<char>(*c)) != nullptr);
        width += full ? 1.0 : narrow ? 0.3 : 0.55;
    }
    return width;
}

int check_definition(const ToolDef* tool, const ToolChoices* choices, const DefinitionExpectation& expected,
                     DefinitionFaultSink sink, void* context) {
    Faults faults{expected, sink, context};
    if (tool == nullptr) {
        faults.add("get_tool() returns null");
        return faults.count;
    }
    if (tool->id != expected.id) {
        faults.add("ToolDef.id is %d, but the build gives the tool the ID %d", tool->id, expected.id);
    }
    if (!check_lists(tool, faults)) return faults.count;

    check_keys(tool, faults);
    const ReportKindEntry* entry = find_report_kind(tool->report_kind);
    if (tool->report_kind == REPORT_FORMULAS) {
        check_formulas(tool, faults);
    } else if (entry == nullptr) {
        faults.add("report kind %d is not one of the compiled-in kinds (0 for formulas, 1 to %d)", tool->report_kind,
                   static_cast<int>(std::size(REPORT_KINDS)));
    } else {
        check_report(tool, *entry, faults);
    }
    check_choices(tool, choices, faults);
    check_line_widths(tool, faults);
    // The self-test evaluates the definition; it runs only on one whose
    // records can be read.
    if (faults.count == 0) check_own_selftest(tool, expected, faults);
    return faults.count;
}
