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

bool input_choice(const ToolDef* tool, const ToolChoices* choices, int index, int* first, int* last) {
    if (tool == nullptr || tool->inputs == nullptr || index < 0 || index >= tool->input_count ||
        index >= MAX_TOOL_VALUES) {
        return false;
    }
    const char* key = tool->inputs[index].key;
    if (key == nullptr) return false;
    for (int j = 0; j < index; ++j) {
        if (tool->inputs[j].key != nullptr && std::strcmp(tool->inputs[j].key, key) == 0) return false;
    }
    int low = 0;
    int high = 0;
    bool found = false;
    if (const ReportKindEntry* entry = find_report_kind(tool->report_kind)) {
        for (int k = 0; k < entry->parameter_count && !found; ++k) {
            const ReportParameter& p = entry->parameters[k];
            found = std::strcmp(p.key, key) == 0 && report_choice_numbers(p, &low, &high);
        }
    } else if (choices != nullptr && choices->choices != nullptr) {
        for (int k = 0; k < choices->count && !found; ++k) {
            const ToolChoice& c = choices->choices[k];
            if (c.key == nullptr || std::strcmp(c.key, key) != 0) continue;
            low = c.first;
            high = c.last;
            found = true;
        }
    }
    if (!found) return false;
    if (first != nullptr) *first = low;
    if (last != nullptr) *last = high;
    return true;
}
