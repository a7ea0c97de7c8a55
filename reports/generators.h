#pragma once
// The report generators behind dispatch_report, one per report kind. Each is
// entered with both texts empty, writes its lines through append_line (or, for
// the pieces of one line, the bounded appends of core/text.h), sets the verdict
// once, cut to verdict_capacity - 1, and returns the level.

#include "core/tool.h"

// A choice, count or number parameter as an int: input_by_key truncated toward
// zero; NaN and values beyond the int range give INT_MIN, which lies below
// every lower clamp and matches no choice.
int int_by_key(const ToolDef* tool, const double* values, const char* key);

// Fixed sheets (fixed_sheets.cpp).
int report_collection_order(const ToolDef* tool, const double* values, wchar_t* report,
                            int report_capacity, wchar_t* verdict, int verdict_capacity);  // kind 3
int report_critical_values(const ToolDef* tool, const double* values, wchar_t* report,
                           int report_capacity, wchar_t* verdict, int verdict_capacity);   // kind 4
int report_high_alert_drugs(const ToolDef* tool, const double* values, wchar_t* report,
                            int report_capacity, wchar_t* verdict, int verdict_capacity);  // kind 5
int report_surgical_checklist(const ToolDef* tool, const double* values, wchar_t* report,
                              int report_capacity, wchar_t* verdict, int verdict_capacity);  // kind 8
int report_handover_template(const ToolDef* tool, const double* values, wchar_t* report,
                             int report_capacity, wchar_t* verdict, int verdict_capacity);  // kind 9
int report_lab_panels(const ToolDef* tool, const double* values, wchar_t* report,
                      int report_capacity, wchar_t* verdict, int verdict_capacity);  // kind 11

// Three-shift rotation roster (rotation_roster.cpp), kind 1.
int report_rotation_roster(const ToolDef* tool, const double* values, wchar_t* report,
                           int report_capacity, wchar_t* verdict, int verdict_capacity);

// Equally spaced events (schedules.cpp): dosing timetable, kind 2, and
// follow-up plan, kind 7.
int report_dosing_timetable(const ToolDef* tool, const double* values, wchar_t* report,
                            int report_capacity, wchar_t* verdict, int verdict_capacity);
int report_follow_up_plan(const ToolDef* tool, const double* values, wchar_t* report,
                          int report_capacity, wchar_t* verdict, int verdict_capacity);

// The follow-up plan counted from a given day number (day 0 = 1970-01-01)
// instead of the machine's local date. NO_DAY_NUMBER stands for a date that
// could not be read: every visit date then shows as "--".
constexpr long long NO_DAY_NUMBER = -9223372036854775807LL - 1;
int report_follow_up_plan_from(long long today, const ToolDef* tool, const double* values,
                               wchar_t* report, int report_capacity, wchar_t* verdict,
                               int verdict_capacity);

// The day number of the machine's local date, or NO_DAY_NUMBER when the
// clock cannot be read.
long long local_day_number();

// Bedside infusion card (infusion_card.cpp), kind 10.
int report_infusion_card(const ToolDef* tool, const double* values, wchar_t* report,
                         int report_capacity, wchar_t* verdict, int verdict_capacity);

// IV compatibility check of two drugs (iv_compatibility.cpp), kind 6.
int report_iv_compatibility(const ToolDef* tool, const double* values, wchar_t* report,
                            int report_capacity, wchar_t* verdict, int verdict_capacity);

// The drugs of the compatibility check, numbered from 1.
constexpr int IV_DRUG_COUNT = 10;
extern const wchar_t* const iv_drug_names[IV_DRUG_COUNT];
