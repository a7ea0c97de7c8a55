#pragma once
// Constant definition records of a tool: its inputs, its formula outputs, its
// verdict rules and, for report tools, the report kind. All records and the
// texts they point to are constant data that live as long as the program.

// The most inputs and the most outputs one tool may have. Every array of input
// or output values holds exactly this many doubles.
constexpr int MAX_TOOL_VALUES = 16;

struct ToolInput {
    const char* key;          // identifier used by formulas
    const wchar_t* label;     // shown left of the input field
    const wchar_t* unit;      // may be null or empty
    double default_value;
};

struct ToolOutput {
    const char* key;          // identifier used by later outputs and rules
    const wchar_t* label;     // label of the result line
    const wchar_t* unit;      // may be null or empty
    const char* expr;         // the formula
    const char* format;       // "f0" "f1" "f2" "f3" "int" "pct" "date"; null or other: "f2"
};

struct ToolRule {
    const char* condition;    // never null; "" makes a default rule that always holds
    int level;                // 0 (no concern) to 3 (gravest)
    const wchar_t* message;   // never null
};

// The report kinds compiled in, the values of ToolDef::report_kind: a plain
// enumeration, so that a definition may name its kind or write the number.
enum ReportKind : int {
    REPORT_FORMULAS = 0,            // no report: the outputs' formulas and the rules
    REPORT_ROTATION_ROSTER = 1,
    REPORT_DOSING_TIMETABLE = 2,
    REPORT_COLLECTION_ORDER = 3,
    REPORT_CRITICAL_VALUES = 4,
    REPORT_HIGH_ALERT_DRUGS = 5,
    REPORT_IV_COMPATIBILITY = 6,
    REPORT_FOLLOW_UP_PLAN = 7,
    REPORT_SURGICAL_CHECKLIST = 8,
    REPORT_HANDOVER_TEMPLATE = 9,
    REPORT_INFUSION_CARD = 10,
    REPORT_LAB_PANELS = 11,
};

// A definition is compiled by kaldrin_add_tool, which hands it the tool's
// number, the call's ID, as the macro KALDRIN_TOOL_ID: a definition writes
// KALDRIN_TOOL_ID for ToolDef::id, so the number stands in one place.
struct ToolDef {
    int id;                   // KALDRIN_TOOL_ID
    const wchar_t* name;
    const wchar_t* subtitle;  // may be null
    const wchar_t* category;
    const wchar_t* basis;
    const wchar_t* note;      // may be null
    int input_count;  const ToolInput*  inputs;
    int output_count; const ToolOutput* outputs;
    int rule_count;   const ToolRule*   rules;
    int report_kind;          // a ReportKind: 0, formulas and rules; otherwise a built-in report
};

// The tool of the program being built, defined by the one definition the
// program links (kaldrin_core holds tool 51's, core/catalog.cpp; each other
// tool brings its own). Always the same record. The framework never calls it:
// the program's entry hands the record on.
const ToolDef* get_tool();
