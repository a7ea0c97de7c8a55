#pragma once
// The inputs of a formula tool that are numbered choices or yes/no answers,
// beside the tool's definition: each takes only the whole numbers first to
// last (a yes/no answer 0 to 1, 1 是 and 0 否). The window refuses any other
// text in such a field: a word, a fraction, another number. A report tool's
// choices are its report kind's (reports/report_kinds.h) and it declares none
// here. The records of core/tool.h stay as they are.

struct ToolChoice {
    const char* key;  // the key of one of the tool's inputs
    int first;
    int last;
};

struct ToolChoices {
    int count;
    const ToolChoice* choices;
};

// The choices of the program's tool: defined beside get_tool() by a
// definition whose kaldrin_add_tool call says CHOICES; every other tool gets
// the empty list (core/no_choices.cpp). Always the same record.
const ToolChoices* get_tool_choices();
