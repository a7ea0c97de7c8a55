#pragma once
// A tool's definition as its user guide tells it: what a person reads in the
// window and can look up there, as one JSON object in UTF-8. The release
// scripts write each tool's README.txt from it (scripts/release/guide.py), so
// the guide says what the definition says, in the same words, at every build.
//
//   {"id": 51, "name": "...", "subtitle": "..." or null, "category": "...",
//    "basis": "...", "note": "..." or null, "report_kind": 0,
//    "inputs": [{"key": "crcl", "label": "...", "unit": "ml/min", "default": "70",
//                "choice": [1, 7] or null}, ...],
//    "outputs": [{"key": "dose", "label": "...", "unit": "mg bid", "formula": "..."}, ...],
//    "rules": [{"condition": "crcl<15", "level": 3, "message": "..."}, ...]}
//
// A default is the text the window puts in the field; "choice" gives the
// first and last number a choice offers (the report kind's list, or the
// numbers a formula tool declares, input_choice in reports/report_kinds.h).

#include <string>

#include "core/tool.h"
#include "core/tool_choices.h"

// Appends the description of tool, a definition that passed its check, whose
// choice fields are choices, to json.
void describe_tool(const ToolDef* tool, const ToolChoices* choices, std::string& json);
