#pragma once
// The one main window of the program: its state and its entry.

#include <windows.h>

#include <type_traits>

#include "core/evaluate.h"
#include "core/text.h"
#include "core/tool.h"
#include "core/tool_choices.h"
#include "ui/texts.h"

// What the copy command puts after the tool's name: the whole result, for a
// formula tool followed by the separator of SUMMARY_FORMAT (the format less
// its two "%ls") and the verdict.
constexpr int SUMMARY_SEPARATOR_LENGTH = static_cast<int>(sizeof SUMMARY_FORMAT / sizeof SUMMARY_FORMAT[0]) - 1 - 6;
constexpr int SUMMARY_TEXT_CAPACITY =
    (RESULT_TEXT_CAPACITY - 1) + SUMMARY_SEPARATOR_LENGTH + (VERDICT_TEXT_CAPACITY - 1) + 1;
constexpr int STATUS_TEXT_CAPACITY = 256;

// State of the one window, held at module level. Only the window code touches
// it, all on the window's thread; the save is handed what it writes.
struct ToolWindow {
    HINSTANCE instance;
    HWND main_window;
    const ToolDef* tool;
    const ToolChoices* choices;  // its inputs that take only the numbers of a list
    int level;
    HWND input_edits[MAX_TOOL_VALUES];
    HWND result_edit;
    HWND verdict_label;
    HWND note_label;
    HFONT title_font;
    HFONT caption_font;
    HFONT label_font;
    HFONT edit_font;
    HFONT verdict_font;
    HFONT result_font;
    HFONT button_font;
    HFONT small_font;
    HBRUSH white_brush;
    HBRUSH background_brush;
    wchar_t detail_text[DETAIL_TEXT_CAPACITY];
    wchar_t summary_text[SUMMARY_TEXT_CAPACITY];
    wchar_t status_text[STATUS_TEXT_CAPACITY];
    double input_values[MAX_TOOL_VALUES];
};

extern ToolWindow tool_window;

// Opens the window on the tool, whose choice fields are those of choices (the
// definition's get_tool_choices()), and runs the message loop until it
// closes. Returns 1 when the window cannot be created, 0 after it has been
// closed.
int run_tool_window(HINSTANCE instance, const ToolDef* tool, const ToolChoices* choices);

LRESULT CALLBACK tool_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Repaints the footer, where the status line shows.
void repaint_status();

// Sets the status line, a format of core/text.h checked against the arguments
// while compiling, and repaints the footer.
template <typename... Args>
void set_status(TextFormat<std::type_identity_t<Args>...> format, Args... args) {
    text_format(tool_window.status_text, STATUS_TEXT_CAPACITY, format, args...);
    repaint_status();
}

// Room for the text an input field starts with and returns to on reset: the
// default value as format_input_value writes it.
constexpr int DEFAULT_VALUE_TEXT_CAPACITY = 64;
