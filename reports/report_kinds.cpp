#include "reports/report_kinds.h"

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
    case ParameterLimit::CHOICE: return report_int(tool, values, p);  // counts and choices are whole
    case ParameterLimit::NONE: break;
    }
    return value;
}
