// The main window: its state, fonts, brushes, class, controls, window
// procedure and message loop.

#include "ui/tool_window.h"

#include <cassert>

#include "app/definition_check.h"
#include "core/format.h"
#include "core/text.h"
#include "ui/colors.h"
#include "ui/commands.h"
#include "ui/layout.h"
#include "ui/paint.h"
#include "ui/texts.h"

ToolWindow tool_window;

namespace {

constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int ICON_RESOURCE = 1;
constexpr int BASIS_TEXT_CAPACITY = 512;

// The definition check holds every tool's verdicts and labels to what one
// line of these holds.
static_assert(VERDICT_LABEL.width >= VERDICT_LINE_CHARACTERS * VERDICT_FONT_HEIGHT);
static_assert(INPUT_LABEL.width >= INPUT_LABEL_CHARACTERS * LABEL_FONT_HEIGHT);

HFONT make_font(int height, int weight, const wchar_t* face) {
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

void create_fonts_and_brushes() {
    ToolWindow& w = tool_window;
    w.title_font = make_font(27, FW_BOLD, UI_FONT_FACE);
    w.caption_font = make_font(14, FW_NORMAL, UI_FONT_FACE);
    w.label_font = make_font(LABEL_FONT_HEIGHT, FW_NORMAL, UI_FONT_FACE);
    w.edit_font = make_font(15, FW_NORMAL, UI_FONT_FACE);
    w.verdict_font = make_font(VERDICT_FONT_HEIGHT, FW_BOLD, UI_FONT_FACE);
    w.result_font = make_font(15, FW_NORMAL, RESULT_FONT_FACE);
    w.button_font = make_font(15, FW_NORMAL, UI_FONT_FACE);
    w.small_font = make_font(12, FW_NORMAL, UI_FONT_FACE);
    w.white_brush = CreateSolidBrush(COLOR_WHITE);
    w.background_brush = CreateSolidBrush(COLOR_WINDOW_BACKGROUND);
}

// Creates one child control at box, moved down by dy; font null means no
// WM_SETFONT (the buttons).
HWND make_control(const wchar_t* class_name, DWORD ex_style, DWORD style, const LayoutBox& box, int dy, int id,
                  HFONT font, const wchar_t* text) {
    HWND control = CreateWindowExW(ex_style, class_name, text, style, box.left, box.top + dy, box.width, box.height,
                                   tool_window.main_window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   tool_window.instance, nullptr);
    if (control != nullptr && font != nullptr) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    return control;
}

void create_controls() {
    ToolWindow& w = tool_window;
    const ToolDef* tool = w.tool;
    for (int i = 0; i < tool->input_count; ++i) {
        const ToolInput& input = tool->inputs[i];
        int y = INPUT_FIRST_ROW_Y + INPUT_ROW_PITCH * i;
        make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE | SS_RIGHT, INPUT_LABEL, y, 0, w.label_font, input.label);
        wchar_t value_text[DEFAULT_VALUE_TEXT_CAPACITY];
        format_input_value(input.default_value, value_text, DEFAULT_VALUE_TEXT_CAPACITY);
        w.input_edits[i] = make_control(L"EDIT", WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, INPUT_EDIT,
                                        y, ID_FIRST_INPUT + i, w.edit_font, value_text);
        if (input.unit != nullptr && input.unit[0] != L'\0') {
            make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, INPUT_UNIT, y, 0, w.small_font, input.unit);
        }
    }
    if (tool->input_count == 0) {
        make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, NO_INPUTS_LABEL, INPUT_FIRST_ROW_Y, 0, w.label_font,
                     NO_INPUTS_HINT);
    }

    w.verdict_label = make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, VERDICT_LABEL, 0, 0, w.verdict_font,
                                   VERDICT_PROMPT);
    w.result_edit = make_control(L"EDIT", WS_EX_CLIENTEDGE,
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                                 RESULT_FIELD, 0, ID_RESULT, w.result_font, L"");
    w.note_label = make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, NOTE_LABEL, 0, 0, w.small_font,
                                tool->note != nullptr ? tool->note : L"");
    wchar_t basis[BASIS_TEXT_CAPACITY];
    text_format(basis, BASIS_TEXT_CAPACITY, BASIS_FORMAT, tool->basis);
    make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, BASIS_LABEL, 0, 0, w.small_font, basis);

    for (const LayoutButton& button : BUTTONS) {
        LayoutBox box = {button.left, BUTTON_TOP, button.width, BUTTON_HEIGHT};
        make_control(L"BUTTON", 0, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, box, 0, button.id, nullptr, button.caption);
    }
}

using Command = void (*)();

// The command of a button, bound by its identifier; null for any other
// identifier. The buttons' order in BUTTONS plays no part.
constexpr Command command_of(int id) {
    switch (id) {
    case ID_COMPUTE: return compute_result;
    case ID_SAVE: return save_result;
    case ID_COPY: return copy_result;
    case ID_RESET: return reset_inputs;
    case ID_ABOUT: return show_about;
    default: return nullptr;
    }
}

constexpr bool every_button_has_a_command() {
    for (const LayoutButton& button : BUTTONS) {
        if (command_of(button.id) == nullptr) return false;
    }
    return true;
}
static_assert(every_button_has_a_command(), "a button in BUTTONS without a command in command_of");

// The save itself lets no message in, but its box (and the box that asks
// for a result first) runs a modal loop: a command or a WM_CLOSE that another
// program posted during the save is dispatched while that box is open. None
// runs then: a command would change what the window shows behind the box, or
// open a box of its own over it, and a second save is answered by the box
// already open; a close would take the box and its message away, so it is
// kept until the box is closed, and then the window closes.
bool save_in_progress = false;
bool close_after_save = false;

// Runs the command of a button identifier; false for any other identifier.
bool run_command(int id) {
    Command command = command_of(id);
    if (command == nullptr) return false;
    if (save_in_progress) return true;
    if (id != ID_SAVE) {
        command();
        return true;
    }
    save_in_progress = true;
    command();
    save_in_progress = false;
    if (close_after_save) {
        close_after_save = false;
        DestroyWindow(tool_window.main_window);
    }
    return true;
}

// Centred on the primary screen, never at a negative position.
int centred(int screen, int size) {
    int position = (screen - size) / 2;
    return position < 0 ? 0 : position;
}

}  // namespace

void repaint_status() {
    InvalidateRect(tool_window.main_window, nullptr, FALSE);
}

LRESULT CALLBACK tool_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        tool_window.main_window = window;
        create_controls();
        text_copy(tool_window.status_text, STATUS_TEXT_CAPACITY, STATUS_READY);
        return 0;
    case WM_CLOSE:
        if (save_in_progress) {
            close_after_save = true;
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paint_window(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lparam);
        info->ptMinTrackSize.x = TRACK_WIDTH;
        info->ptMinTrackSize.y = TRACK_HEIGHT;
        info->ptMaxTrackSize.x = TRACK_WIDTH;
        info->ptMaxTrackSize.y = TRACK_HEIGHT;
        return 0;
    }
    case WM_DRAWITEM:
        draw_button(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_COMMAND:
        if (run_command(LOWORD(wparam))) return 0;
        break;
    case WM_CTLCOLOREDIT:
        return edit_colors(reinterpret_cast<HDC>(wparam));
    case WM_CTLCOLORSTATIC:
        return static_colors(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

int run_tool_window(HINSTANCE instance, const ToolDef* tool, const ToolChoices* choices) {
    ToolWindow& w = tool_window;
    // The window has room for MAX_TOOL_VALUES input rows; a definition passes
    // its check, which holds it to that, before it is built into a program.
    assert(tool->input_count >= 0 && tool->input_count <= MAX_TOOL_VALUES);
    w.instance = instance;
    w.tool = tool;
    w.choices = choices;
    w.level = 0;
    w.detail_text[0] = L'\0';

    create_fonts_and_brushes();

    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = 0;
    window_class.lpfnWndProc = tool_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ICON_RESOURCE));
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = w.background_brush;
    window_class.lpszClassName = WINDOW_CLASS_NAME;
    RegisterClassExW(&window_class);

    RECT frame = {0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    AdjustWindowRect(&frame, WINDOW_STYLE, FALSE);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = centred(GetSystemMetrics(SM_CXSCREEN), width);
    int y = centred(GetSystemMetrics(SM_CYSCREEN), height);

    HWND window = CreateWindowExW(0, WINDOW_CLASS_NAME, tool->name, WINDOW_STYLE, x, y, width, height, nullptr,
                                  nullptr, instance, nullptr);
    w.main_window = window;
    if (window == nullptr) return 1;

    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    // The first input field takes the focus; a tool without inputs gives it
    // to the compute button, so that F5 and Enter work from the start.
    SetFocus(tool->input_count > 0 ? w.input_edits[0] : GetDlgItem(window, ID_COMPUTE));

    // F5 and Enter compute while the focus is in a control of the window; the
    // key is swallowed so the control never sees it.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_F5) &&
            IsChild(w.main_window, message.hwnd)) {
            run_command(ID_COMPUTE);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
