#pragma once
// The report kinds compiled in, one row each: the kind's number, its name,
// the generator that writes its report and the parameters that report reads
// from the tool's inputs (key, meaning, unit, the value a tool without that
// key gets, and the rule that limits a value). dispatch_report runs the
// generator of the row, the generators read their parameters through it, and
// the definition check holds every tool to it: adding a kind is a row here
// (and its name in ReportKind, core/tool.h, for the definitions to write).

#include "core/tool.h"
#include "core/tool_choices.h"
#include "reports/generators.h"

// How a parameter's value is limited before the report uses it. low, high and
// fallback are the numbers of the parameter's row.
enum class ParameterLimit {
    NONE,         // used as it is
    RANGE,        // below low gives low, above high gives high
    LOW_OR,       // below low, or not a finite number, gives fallback
    ABOVE_OR,     // not above low, or not a finite number, gives fallback
    CHOICE,       // low to high pick a line; any other value the default line, 0.
                  // A fallback other than 0 is the default line's own number in
                  // the list a person chooses from, high + 1
    NUMBERED,     // a number of the report's list, low to high, used as it is;
                  // the report says what it shows for any other
};

struct ReportParameter {
    const char* key;      // the input key the report looks up
    const char* meaning;
    const char* unit;     // "" when the value has none
    bool whole;           // truncated toward zero to an int before the limit
    double missing;       // what a tool without this key gets, after the limit
    ParameterLimit limit;
    int low;
    int high;
    int fallback;
};

// The most parameters one report kind reads.
constexpr int MAX_REPORT_PARAMETERS = 4;

// Writes the report and verdict of one kind and returns the level; entered
// with both texts empty (reports/generators.h).
using ReportGenerator = int (*)(const ToolDef* tool, const double* values, wchar_t* report, int report_capacity,
                                wchar_t* verdict, int verdict_capacity);

struct ReportKindEntry {
    int kind;
    const char* name;
    ReportGenerator generate;
    int parameter_count;
    ReportParameter parameters[MAX_REPORT_PARAMETERS];
};

inline constexpr ReportKindEntry REPORT_KINDS[] = {
    {REPORT_ROTATION_ROSTER, "rotation roster", report_rotation_roster, 2, {
        {"nurses", "number of nurses", "nurses", true, 1, ParameterLimit::RANGE, 1, 40, 0},
        {"days", "length of the period", "days", true, 1, ParameterLimit::RANGE, 1, 31, 0},
    }},
    {REPORT_DOSING_TIMETABLE, "dosing timetable", report_dosing_timetable, 3, {
        {"start", "hour of the first dose from midnight of day 1", "hours", false, 0,
         ParameterLimit::LOW_OR, 0, 0, 0},
        {"interval", "hours between doses", "hours", false, 8, ParameterLimit::ABOVE_OR, 0, 0, 8},
        {"times", "number of doses", "doses", true, 1, ParameterLimit::RANGE, 1, 30, 0},
    }},
    {REPORT_COLLECTION_ORDER, "blood-collection order", report_collection_order, 1, {
        {"kind", "this collection's item, 1 to 6; 7 other items", "", true, 0, ParameterLimit::CHOICE, 1, 6, 7},
    }},
    {REPORT_CRITICAL_VALUES, "critical values", report_critical_values, 1, {
        {"kind", "group of critical values, 1 to 6; 7 the hospital's own list", "", true, 0,
         ParameterLimit::CHOICE, 1, 6, 7},
    }},
    {REPORT_HIGH_ALERT_DRUGS, "high-alert drugs", report_high_alert_drugs, 1, {
        {"kind", "drug category, 1 to 3; 4 the default category", "", true, 0, ParameterLimit::CHOICE, 1, 3, 4},
    }},
    {REPORT_IV_COMPATIBILITY, "IV compatibility", report_iv_compatibility, 2, {
        {"drugA", "first drug's number in the list of 10", "", true, 0, ParameterLimit::NUMBERED, 1, 10, 0},
        {"drugB", "second drug's number in the list of 10", "", true, 0, ParameterLimit::NUMBERED, 1, 10, 0},
    }},
    {REPORT_FOLLOW_UP_PLAN, "follow-up plan", report_follow_up_plan, 3, {
        {"start", "days from today to the first visit", "days", true, 0, ParameterLimit::NONE, 0, 0, 0},
        {"gap", "days between visits", "days", true, 7, ParameterLimit::LOW_OR, 1, 0, 7},
        {"times", "number of visits", "visits", true, 1, ParameterLimit::RANGE, 1, 20, 0},
    }},
    {REPORT_SURGICAL_CHECKLIST, "surgical safety checklist", report_surgical_checklist, 0, {}},
    {REPORT_HANDOVER_TEMPLATE, "handover template", report_handover_template, 1, {
        {"beds", "number of beds", "beds", true, 1, ParameterLimit::RANGE, 1, 30, 0},
    }},
    {REPORT_INFUSION_CARD, "infusion card", report_infusion_card, 4, {
        {"bed", "bed number", "", true, 0, ParameterLimit::NONE, 0, 0, 0},
        {"dose", "prescribed drug amount", "", false, 0, ParameterLimit::NONE, 0, 0, 0},
        {"volume", "diluent volume", "ml", false, 0, ParameterLimit::NONE, 0, 0, 0},
        {"gtt", "drip rate", "drops/min", false, 0, ParameterLimit::NONE, 0, 0, 0},
    }},
    {REPORT_LAB_PANELS, "lab panels", report_lab_panels, 1, {
        {"panel", "laboratory panel, 1 to 5; 6 the default panel", "", true, 0, ParameterLimit::CHOICE, 1, 5, 6},
    }},
};

// The rows are the kinds 1, 2, 3, ... in order. (A row without its generator
// does not compile: the parameter count would stand in its place.)
consteval bool report_kinds_run_on() {
    int kind = 0;
    for (const ReportKindEntry& entry : REPORT_KINDS) {
        if (entry.kind != ++kind) return false;
    }
    return true;
}
static_assert(report_kinds_run_on(), "the report kinds' rows are 1, 2, 3, ... in order");

// The entry of kind, or null for 0 (formulas) and every kind not compiled in.
const ReportKindEntry* find_report_kind(int kind);

// A choice's default line has no number, or the one after the last of its
// list, so the numbers a person chooses from run without a gap.
consteval bool choice_numbers_run_on() {
    for (const ReportKindEntry& entry : REPORT_KINDS) {
        for (int i = 0; i < entry.parameter_count; ++i) {
            const ReportParameter& p = entry.parameters[i];
            bool choice = p.limit == ParameterLimit::CHOICE || p.limit == ParameterLimit::NUMBERED;
            if (choice && (p.low > p.high || !p.whole)) return false;
            if (p.limit == ParameterLimit::CHOICE && p.fallback != 0 && p.fallback != p.high + 1) return false;
            if (p.limit == ParameterLimit::NUMBERED && p.fallback != 0) return false;
        }
    }
    return true;
}
static_assert(choice_numbers_run_on(), "a choice's numbers run from low to high, then its default line's number");

// The numbers a person may choose from for p, first to last: low to high and,
// for a default line with a number of its own, that number. False, leaving
// first and last alone, for a parameter that is no choice.
bool report_choice_numbers(const ReportParameter& p, int* first, int* last);

// Whether input index of tool is a choice, and its numbers first to last
// (each may be null): a parameter its report kind reads as a choice, or, for
// a formula tool, one of the choices its definition declares (choices may be
// null for none). A report reads the first input of a key only, so a second
// input with that key is no choice. False, leaving first and last alone, for
// a plain number and for an index outside the tool's first MAX_TOOL_VALUES
// inputs.
bool input_choice(const ToolDef* tool, const ToolChoices* choices, int index, int* first, int* last);

// Never defined: reached only while compiling a report_parameter() that the
// table does not hold, which makes that call no constant and the build fail.
void report_parameter_not_in_table();

// The parameter of kind keyed key, found while compiling: a generator names
// its parameters through this, so a key missing from the table does not build.
consteval const ReportParameter& report_parameter(int kind, const char* key) {
    for (const ReportKindEntry& entry : REPORT_KINDS) {
        if (entry.kind != kind) continue;
        for (int i = 0; i < entry.parameter_count; ++i) {
            const char* a = entry.parameters[i].key;
            const char* b = key;
            while (*a != '\0' && *a == *b) ++a, ++b;
            if (*a == *b) return entry.parameters[i];
        }
    }
    report_parameter_not_in_table();
    return REPORT_KINDS[0].parameters[0];
}

// The value of a whole parameter as the report uses it: the input keyed
// p.key (0 when none), truncated toward zero, then limited by p's rule.
int report_int(const ToolDef* tool, const double* values, const ReportParameter& p);

// The same for a parameter that stays a double.
double report_number(const ToolDef* tool, const double* values, const ReportParameter& p);
