#include "reports/report_kinds.h"

#include <cstring>

#include "core/convert.h"
#include "reports/generators.h"
#include "reports/reports.h"

const ReportKindEntry* find_report_kind(int kind) {
    for (const ReportKindEntry& entry : REPORT_KINDS) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

int report_int(const ToolDef* tool, const double* values, const ReportParameter& p) {
    int value = int_by_key(tool, values, p.key);
    switch (p.limit) {
    case ParameterLimit::RANGE: return clamp_int(value, p.low, p.high);
    case ParameterLimit::LOW_OR: return value < p.low ? p.fallback : value;
    case ParameterLimit::ABOVE_OR: return value > p.low ? value : p.fallback;
    case ParameterLimit::CHOICE: return value >= p.low && value <= p.high ? value : 0;
    case ParameterLimit::NUMBERED:
    case ParameterLimit::NONE: break;
    }
    return value;
}

double report_number(const ToolDef* tool, const double* values, const ReportParameter& p) {
    double value = input_by_key(tool, values, p.key);
    // NaN and the infinities come only from callers outside the window; they
    // have no place on a clock or a card, so a rule with a fallback takes it.
    bool finite = is_finite_value(value);
    switch (p.limit) {
    case ParameterLimit::LOW_OR: return finite && value >= p.low ? value : p.fallback;
    case ParameterLimit::ABOVE_OR: return finite && value > p.low ? value : p.fallback;
    case ParameterLimit::RANGE:
    case ParameterLimit::CHOICE:
    case ParameterLimit::NUMBERED: return report_int(tool, values, p);  // counts and choices are whole
    case ParameterLimit::NONE: break;
    }
    return value;
}

bool report_choice_numbers(const ReportParameter& p, int* first, int* last) {
    switch (p.limit) {
    case ParameterLimit::CHOICE:
        *first = p.low;
        *last = p.fallback != 0 ? p.fallback : p.high;
        return true;
    case ParameterLimit::NUMBERED:
        *first = p.low;
        *last = p.high;
        return true;
    case ParameterLimit::NONE:
    case ParameterLimit::RANGE:
    case ParameterLimit::LOW_OR:
    case ParameterLimit::ABOVE_OR: break;
    }
    return false;
}

int report_choice_refused(const ToolDef* tool, const double* values, int* first, int* last) {
    const ReportKindEntry* entry = tool != nullptr ? find_report_kind(tool->report_kind) : nullptr;
    if (entry == nullptr || tool->inputs == nullptr || values == nullptr) return -1;
    int count = tool->input_count < MAX_TOOL_VALUES ? tool->input_count : MAX_TOOL_VALUES;
    for (int i = 0; i < count; ++i) {
        const char* key = tool->inputs[i].key;
        if (key == nullptr) continue;
        bool read_earlier = false;
        for (int j = 0; j < i && !read_earlier; ++j) {
            read_earlier = tool->inputs[j].key != nullptr && std::strcmp(tool->inputs[j].key, key) == 0;
        }
        if (read_earlier) continue;
        for (int k = 0; k < entry->parameter_count; ++k) {
            const ReportParameter& p = entry->parameters[k];
            int low = 0;
            int high = 0;
            if (std::strcmp(p.key, key) != 0 || !report_choice_numbers(p, &low, &high)) continue;
            int value = double_to_int(values[i]);
            if (value >= low && value <= high) break;
            if (first != nullptr) *first = low;
            if (last != nullptr) *last = high;
            return i;
        }
    }
    return -1;
}
