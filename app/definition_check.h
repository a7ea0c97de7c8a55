#pragma once
// The check every tool's definition passes in the build: its formulas read
// and name only what stands before them, its report kind is compiled in and
// gets every key it reads, its choices name its inputs and hold their
// defaults, its verdicts and labels fit their one line of the window, it defines nothing that is never read, its number is the one the
// build gives it, and its self-test is clean and writes the report the tool
// declares.

#include <cstddef>

#include "core/tool.h"
#include "core/tool_choices.h"

// How much text one line of the window holds, in full-width characters of
// its font (a half-width character counts 0.55 of one, a blank, a point, a
// slash and the other narrow ones 0.3): the verdict label and
// an input's label, each a single line. A verdict or label that needs more
// is cut off or wrapped out of sight. The window's geometry and fonts are
// held to these (ui/tool_window.cpp).
constexpr double VERDICT_LINE_CHARACTERS = 23.0;
constexpr double INPUT_LABEL_CHARACTERS = 13.0;

// The width of text in full-width characters, as the limits above count it.
double text_width_characters(const wchar_t* text);

// What the build knows of the tool, against which the definition is checked.
struct DefinitionExpectation {
    const char* target;           // the tool's name in the build, named in every message
    int id;                       // the tool number the build gives it
    const char* declared_report;  // the bytes of the self-test report the tool declares, or null;
                                  // compared whole (selftest_report_mismatch) for today
    std::size_t declared_length;
};

// Receives one message per fault: "<target> (tool <id>): <what is wrong>".
using DefinitionFaultSink = void (*)(void* context, const char* message);

// Checks tool, whose choice fields are choices (its get_tool_choices(); null
// for none), against what the build expects and hands each fault found to
// sink. Returns the number of faults; 0 when the definition is sound.
int check_definition(const ToolDef* tool, const ToolChoices* choices, const DefinitionExpectation& expected,
                     DefinitionFaultSink sink, void* context);
