// The main window: its state, fonts, brushes, class, controls, window
// procedure and message loop.

#include "ui/tool_window.h"

#include <cstdarg>

#include "core/text.h"
#include "ui/colors.h"
#include "ui/texts.h"

ToolWindow tool_window;

namespace {

constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int CLIENT_WIDTH = 1020;
constexpr int CLIENT_HEIGHT = 720;
constexpr int TRACK_WIDTH = 1036;
constexpr int TRACK_HEIGHT = 780;
constexpr int ICON_RESOURCE = 1;

constexpr int FIRST_ROW_Y = 150;
constexpr int ROW_PITCH = 34;
constexpr int BASIS_TEXT_CAPACITY = 512;

HFONT make_font(int height, int weight, const wchar_t* face) {
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

void create_fonts_and_brushes() {
    ToolWindow& w = tool_window;
    w.title_font = make_font(27, FW_BOLD, UI_FONT_FACE);
    w.caption_font = make_font(14, FW_NORMAL, UI_FONT_FACE);
    w.label_font = make_font(14, FW_NORMAL, UI_FONT_FACE);
    w.edit_font = make_font(15, FW_NORMAL, UI_FONT_FACE);
    w.verdict_font = make_font(21, FW_BOLD, UI_FONT_FACE);
    w.result_font = make_font(15, FW_NORMAL, RESULT_FONT_FACE);
    w.button_font = make_font(15, FW_NORMAL, UI_FONT_FACE);
    w.small_font = make_font(12, FW_NORMAL, UI_FONT_FACE);
    w.white_brush = CreateSolidBrush(COLOR_WHITE);
    w.background_brush = CreateSolidBrush(COLOR_WINDOW_BACKGROUND);
}

// Creates one child control; font null means no WM_SETFONT (the buttons).
HWND make_control(const wchar_t* class_name, DWORD ex_style, DWORD style, int left, int top, int width,
                  int height, int id, HFONT font, const wchar_t* text) {
    HWND control = CreateWindowExW(ex_style, class_name, text, style, left, top, width, height,
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
    // The window has room for MAX_TOOL_VALUES rows and no more.
    int rows = tool->input_count < MAX_TOOL_VALUES ? tool->input_count : MAX_TOOL_VALUES;
    for (int i = 0; i < rows; ++i) {
        const ToolInput& input = tool->inputs[i];
        int y = FIRST_ROW_Y + ROW_PITCH * i;
        make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE | SS_RIGHT, 24, y + 1, 184, 22, 0, w.label_font,
                     input.label);
        wchar_t value_text[DEFAULT_VALUE_TEXT_CAPACITY];
        format_default_value(input.default_value, value_text, DEFAULT_VALUE_TEXT_CAPACITY);
        w.input_edits[i] = make_control(L"EDIT", WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 216,
                                        y - 4, 152, 27, ID_FIRST_INPUT + i, w.edit_font, value_text);
        if (input.unit != nullptr && input.unit[0] != L'\0') {
            make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, 374, y, 78, 22, 0, w.small_font, input.unit);
        }
    }

    w.verdict_label = make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, 492, 142, 492, 46, 0, w.verdict_font,
                                   VERDICT_PROMPT);
    w.result_edit = make_control(L"EDIT", WS_EX_CLIENTEDGE,
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                                 492, 196, 492, 232, ID_RESULT, w.result_font, L"");
    w.note_label = make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, 492, 444, 492, 120, 0, w.small_font,
                                tool->note != nullptr ? tool->note : L"");
    wchar_t basis[BASIS_TEXT_CAPACITY];
    text_format(basis, BASIS_TEXT_CAPACITY, BASIS_FORMAT, tool->basis);
    make_control(L"STATIC", 0, WS_CHILD | WS_VISIBLE, 492, 576, 492, 56, 0, w.small_font, basis);

    constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
    make_control(L"BUTTON", 0, BUTTON_STYLE, 20, 668, 152, 40, ID_COMPUTE, nullptr, BUTTON_COMPUTE);
    make_control(L"BUTTON", 0, BUTTON_STYLE, 184, 668, 132, 40, ID_SAVE, nullptr, BUTTON_SAVE);
    make_control(L"BUTTON", 0, BUTTON_STYLE, 328, 668, 132, 40, ID_COPY, nullptr, BUTTON_COPY);
    make_control(L"BUTTON", 0, BUTTON_STYLE, 472, 668, 132, 40, ID_RESET, nullptr, BUTTON_RESET);
    make_control(L"BUTTON", 0, BUTTON_STYLE, 616, 668, 110, 40, ID_ABOUT, nullptr, BUTTON_ABOUT);
}

bool run_command(int id) {
    switch (id) {
    case ID_COMPUTE: compute_result(); return true;
    case ID_SAVE: append_record(); return true;
    case ID_COPY: copy_result(); return true;
    case ID_RESET: reset_inputs(); return true;
    case ID_ABOUT: show_about(); return true;
    default: return false;
    }
}

// Centred on the primary screen, never at a negative position.
int centred(int screen, int size) {
    int position = (screen - size) / 2;
    return position < 0 ? 0 : position;
}

}  // namespace

void format_default_value(double value, wchar_t* text, int capacity) {
    text_format(text, capacity, L"%.6g", value);
}

void set_status(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    text_vformat(tool_window.status_text, STATUS_TEXT_CAPACITY, format, args);
    va_end(args);
    InvalidateRect(tool_window.main_window, nullptr, FALSE);
}

LRESULT CALLBACK tool_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        tool_window.main_window = window;
        create_controls();
        text_copy(tool_window.status_text, STATUS_TEXT_CAPACITY, STATUS_READY);
        return 0;
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

int run_tool_window(HINSTANCE instance, const ToolDef* tool) {
    ToolWindow& w = tool_window;
    w.instance = instance;
    w.tool = tool;
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
    SetFocus(w.input_edits[0]);

    // F5 and Enter compute while the focus is in a control of the window; the
    // key is swallowed so the control never sees it.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_F5) &&
            IsChild(w.main_window, message.hwnd)) {
            compute_result();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
