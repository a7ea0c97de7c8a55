// The window's commands: compute, save, copy, reset and About. The save's
// file work is append_record, in records/; here it becomes a box and the
// status line.

#include "ui/commands.h"

#include "ui/input_number.h"
#include "app/program_version.h"
#include "core/evaluate.h"
#include "core/format.h"
#include "core/text.h"
#include "records/append_record.h"
#include "ui/texts.h"
#include "ui/tool_window.h"

namespace {

constexpr int REFUSAL_CAPACITY = 256;
constexpr int ABOUT_TEXT_CAPACITY = 1400;
constexpr int SAVE_MESSAGE_CAPACITY = 1024;

int input_count() {
    return tool_window.tool->input_count;
}

// Puts text on the clipboard as Unicode text. The new text is made ready in
// its own memory before the clipboard is opened and emptied, so a failure
// leaves what the user had there. Returns false when nothing was placed.
bool place_on_clipboard(const wchar_t* name, const wchar_t* summary) {
    // Room for both texts, CR LF and the terminator, with some to spare.
    int capacity = text_length(name) + text_length(summary) + 16;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(capacity) * sizeof(wchar_t));
    if (memory == nullptr) return false;
    wchar_t* text = static_cast<wchar_t*>(GlobalLock(memory));
    if (text == nullptr) {
        GlobalFree(memory);
        return false;
    }
    text_format(text, capacity, CLIPBOARD_FORMAT, name, summary);
    GlobalUnlock(memory);

    if (!OpenClipboard(tool_window.main_window)) {
        GlobalFree(memory);
        return false;
    }
    bool placed = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    // Once placed, the memory belongs to the clipboard.
    if (!placed) GlobalFree(memory);
    return placed;
}

// The failure box of each cause of a save; every one names the file.
TextFormat<const wchar_t*> save_failure_format(SaveOutcome outcome) {
    switch (outcome) {
    case SaveOutcome::held: return SAVE_HELD_FORMAT;
    case SaveOutcome::not_encodable: return SAVE_NOT_ENCODABLE_FORMAT;
    case SaveOutcome::utf16: return SAVE_UTF16_FORMAT;
    case SaveOutcome::blank_too_long: return SAVE_BLANK_TOO_LONG_FORMAT;
    case SaveOutcome::path_too_long: return SAVE_PATH_TOO_LONG_FORMAT;
    case SaveOutcome::no_app_data: return SAVE_NO_APP_DATA_FORMAT;
    case SaveOutcome::denied: return SAVE_DENIED_FORMAT;
    case SaveOutcome::disk_full: return SAVE_DISK_FULL_FORMAT;
    case SaveOutcome::too_long: return SAVE_TOO_LONG_FORMAT;
    case SaveOutcome::saved:
    case SaveOutcome::failed: break;
    }
    return SAVE_ERROR_FORMAT;
}

void report_save_failure(SaveOutcome outcome, const wchar_t* path) {
    set_status(STATUS_SAVE_FAILED_FORMAT, path);
    wchar_t message[SAVE_MESSAGE_CAPACITY];
    text_format(message, SAVE_MESSAGE_CAPACITY, save_failure_format(outcome), path);
    MessageBoxW(tool_window.main_window, message, TITLE_SAVE_FAILED, MB_OK | MB_ICONWARNING);
}

}  // namespace

void compute_result() {
    ToolWindow& w = tool_window;
    const ToolDef* tool = w.tool;
    int count = input_count();

    wchar_t texts[MAX_TOOL_VALUES][INPUT_FIELD_CAPACITY];
    for (int i = 0; i < count; ++i) {
        texts[i][0] = L'\0';
        GetWindowTextW(w.input_edits[i], texts[i], INPUT_FIELD_CAPACITY);
    }
    // The values are committed only when every field holds a finite number
    // that was read whole and every choice is one of its numbers, so a
    // refused computation leaves those of the last result for the record
    // log, beside the result they belong to.
    double values[MAX_TOOL_VALUES];
    InputReading reading = read_input_values(texts, count, tool, w.choices, values);
    if (reading.refused >= 0) {
        int field = reading.refused;
        const wchar_t* label = tool->inputs[field].label;
        wchar_t message[REFUSAL_CAPACITY];
        if (reading.why == FieldRefusal::CONTINUED) {
            text_format(message, REFUSAL_CAPACITY, CONTINUED_NUMBER_FORMAT, field + 1, label);
        } else if (reading.why == FieldRefusal::NOT_A_CHOICE && reading.first == 0 && reading.last == 1) {
            text_format(message, REFUSAL_CAPACITY, YES_NO_ERROR_FORMAT, field + 1, label);
        } else if (reading.why == FieldRefusal::NOT_A_CHOICE) {
            // A number outside the list would show another entry's line.
            text_format(message, REFUSAL_CAPACITY, CHOICE_ERROR_FORMAT, field + 1, label, reading.first,
                        reading.last);
        } else {
            text_format(message, REFUSAL_CAPACITY, INPUT_ERROR_FORMAT, field + 1, label);
        }
        MessageBoxW(w.main_window, message, TITLE_INPUT_ERROR, MB_OK | MB_ICONWARNING);
        SetFocus(w.input_edits[field]);
        return;
    }
    for (int i = 0; i < count; ++i) w.input_values[i] = values[i];

    wchar_t result[RESULT_TEXT_CAPACITY];
    wchar_t verdict[VERDICT_TEXT_CAPACITY];
    evaluate_tool(tool, w.input_values, result, RESULT_TEXT_CAPACITY, verdict, VERDICT_TEXT_CAPACITY, &w.level,
                  w.detail_text, DETAIL_TEXT_CAPACITY);

    w.summary_text[0] = L'\0';
    SetWindowTextW(w.result_edit, result);
    SetWindowTextW(w.verdict_label, verdict);
    if (tool->report_kind != 0) {
        text_copy(w.summary_text, SUMMARY_TEXT_CAPACITY, result);
    } else {
        text_format(w.summary_text, SUMMARY_TEXT_CAPACITY, SUMMARY_FORMAT, result, verdict);
    }

    // The verdict label repaints in the colour of the new level.
    InvalidateRect(w.verdict_label, nullptr, TRUE);
    InvalidateRect(w.main_window, nullptr, FALSE);
    set_status(STATUS_COMPUTED_FORMAT, tool->name);
    SetFocus(w.main_window);
}

void copy_result() {
    ToolWindow& w = tool_window;
    if (w.detail_text[0] == L'\0') {
        MessageBoxW(w.main_window, NEED_RESULT_TO_COPY, TITLE_NOTICE, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // A failure says so: keeping the previous status line could read as if
    // the result had been copied.
    if (!place_on_clipboard(w.tool->name, w.summary_text)) {
        set_status(STATUS_COPY_FAILED);
        return;
    }
    set_status(STATUS_COPIED);
}

void reset_inputs() {
    ToolWindow& w = tool_window;
    const ToolDef* tool = w.tool;
    for (int i = 0; i < input_count(); ++i) {
        wchar_t value_text[DEFAULT_VALUE_TEXT_CAPACITY];
        format_input_value(tool->inputs[i].default_value, value_text, DEFAULT_VALUE_TEXT_CAPACITY);
        SetWindowTextW(w.input_edits[i], value_text);
    }
    SetWindowTextW(w.result_edit, L"");
    SetWindowTextW(w.verdict_label, VERDICT_PROMPT);
    SetWindowTextW(w.note_label, tool->note != nullptr ? tool->note : L"");
    text_copy(w.status_text, STATUS_TEXT_CAPACITY, STATUS_RESET);
    w.detail_text[0] = L'\0';
    w.level = 0;
    InvalidateRect(w.main_window, nullptr, FALSE);
}

void show_about() {
    const ToolDef* tool = tool_window.tool;
    wchar_t about[ABOUT_TEXT_CAPACITY];
    text_format(about, ABOUT_TEXT_CAPACITY, L"%ls\r\n\r\n%ls%ls\r\n%ls%ls\r\n\r\n%ls\r\n%ls\r\n\r\n%ls%ls%ls%ls",
                tool->name, ABOUT_CATEGORY_PREFIX, tool->category, ABOUT_BASIS_PREFIX, tool->basis,
                ABOUT_DISCLAIMER_1, ABOUT_DISCLAIMER_2, ABOUT_VERSION_PREFIX, PROGRAM_VERSION_TEXT,
                ABOUT_SITE_PREFIX, VENDOR_HOST);
    MessageBoxW(tool_window.main_window, about, TITLE_ABOUT, MB_OK | MB_ICONINFORMATION);
}

void save_result() {
    ToolWindow& w = tool_window;
    if (w.detail_text[0] == L'\0') {
        MessageBoxW(w.main_window, NEED_RESULT_TO_SAVE, TITLE_NOTICE, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // The save lets no message in, so it writes what the window shows.
    wchar_t path[RECORD_PATH_CAPACITY];
    SaveOutcome outcome = append_record(w.tool, w.input_values, w.detail_text, path, RECORD_PATH_CAPACITY);
    // Keys and clicks given while the save ran waited in the queue; the box
    // would take them as typed ahead for it, and an Enter meant for the
    // window would close it unread. They are dropped.
    MSG input;
    while (PeekMessageW(&input, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
    }
    if (outcome != SaveOutcome::saved) {
        report_save_failure(outcome, path);
        return;
    }
    set_status(STATUS_SAVED_FORMAT, path);
    MessageBoxW(w.main_window, SAVED_MESSAGE, TITLE_SAVED, MB_OK | MB_ICONINFORMATION);
}
