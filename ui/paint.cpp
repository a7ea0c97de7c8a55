// Painting: the client area, the owner-drawn buttons and the colours of the
// fields and labels.

#include "ui/paint.h"

#include "core/text.h"
#include "ui/colors.h"
#include "ui/layout.h"
#include "ui/texts.h"
#include "ui/tool_window.h"

namespace {

constexpr int SUBTITLE_TEXT_CAPACITY = 256;
constexpr int CAPTION_TEXT_CAPACITY = 64;

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    RECT rect = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void fill(HDC dc, const RECT& rect, COLORREF color) {
    fill(dc, rect.left, rect.top, rect.right, rect.bottom, color);
}

void fill(HDC dc, const LayoutRect& rect, COLORREF color) {
    fill(dc, rect.left, rect.top, rect.right, rect.bottom, color);
}

void outline(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, left, top, right, bottom);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
}

void outline(HDC dc, const LayoutRect& rect, COLORREF color) {
    outline(dc, rect.left, rect.top, rect.right, rect.bottom, color);
}

void text(HDC dc, const wchar_t* string, RECT rect, HFONT font, COLORREF color, UINT format) {
    HGDIOBJ old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    DrawTextW(dc, string, -1, &rect, format);
    SelectObject(dc, old_font);
}

void text(HDC dc, const wchar_t* string, int left, int top, int right, int bottom, HFONT font, COLORREF color,
          UINT format) {
    text(dc, string, RECT{left, top, right, bottom}, font, color, format);
}

void text(HDC dc, const wchar_t* string, const LayoutRect& rect, HFONT font, COLORREF color, UINT format) {
    text(dc, string, rect.left, rect.top, rect.right, rect.bottom, font, color, format);
}

}  // namespace

void paint_window(HWND window) {
    const ToolWindow& w = tool_window;
    const ToolDef* tool = w.tool;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    const int W = client.right;
    const int H = client.bottom;
    constexpr UINT LINE = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

    fill(dc, 0, 0, W, H, COLOR_WINDOW_BACKGROUND);
    fill(dc, 0, 0, W, HEADER_BAND_BOTTOM, COLOR_HEADER_BAND);
    fill(dc, HEADER_ACCENT, COLOR_HEADER_ACCENT);
    text(dc, tool->name, TITLE_TEXT, w.title_font, COLOR_WHITE, LINE);
    wchar_t subtitle[SUBTITLE_TEXT_CAPACITY];
    text_format(subtitle, SUBTITLE_TEXT_CAPACITY, HEADER_SUBTITLE_FORMAT, tool->category, tool->subtitle);
    text(dc, subtitle, SUBTITLE_TEXT, w.caption_font, COLOR_SUBTITLE, LINE);
    text(dc, VENDOR_HOST, W - WEB_ADDRESS_LEFT_INSET, WEB_ADDRESS_TOP, W - WEB_ADDRESS_RIGHT_INSET, WEB_ADDRESS_BOTTOM,
         w.small_font, COLOR_WEB_ADDRESS, DT_RIGHT | LINE);

    fill(dc, INPUT_PANEL, COLOR_WHITE);
    outline(dc, INPUT_PANEL, COLOR_PANEL_BORDER);
    fill(dc, RESULT_PANEL, COLOR_WHITE);
    outline(dc, RESULT_PANEL, COLOR_PANEL_BORDER);
    text(dc, CAPTION_INPUTS, INPUT_CAPTION, w.caption_font, COLOR_HEADER_BAND, LINE);
    text(dc, CAPTION_RESULTS, RESULT_CAPTION, w.caption_font, COLOR_HEADER_BAND, LINE);
    fill(dc, INPUT_CAPTION_RULE, COLOR_CAPTION_RULE);
    fill(dc, RESULT_CAPTION_RULE, COLOR_CAPTION_RULE);

    fill(dc, 0, FOOTER_BAND_TOP, W, FOOTER_BAND_BOTTOM, COLOR_FOOTER_BAND);
    text(dc, w.status_text, STATUS_LINE, w.small_font, COLOR_MUTED_TEXT, DT_RIGHT | LINE);

    EndPaint(window, &paint);
}

void draw_button(const DRAWITEMSTRUCT* item) {
    bool primary = item->CtlID == static_cast<UINT>(PRIMARY_BUTTON_ID);
    bool pressed = (item->itemState & ODS_SELECTED) != 0;
    COLORREF face = primary ? (pressed ? COLOR_PRIMARY_PRESSED : COLOR_PRIMARY_BUTTON)
                            : (pressed ? COLOR_BUTTON_PRESSED : COLOR_WHITE);
    fill(item->hDC, item->rcItem, face);
    const RECT& r = item->rcItem;
    outline(item->hDC, r.left, r.top, r.right, r.bottom, primary ? COLOR_PRIMARY_BORDER : COLOR_BUTTON_BORDER);
    wchar_t caption[CAPTION_TEXT_CAPACITY];
    caption[0] = L'\0';
    GetWindowTextW(item->hwndItem, caption, CAPTION_TEXT_CAPACITY);
    text(item->hDC, caption, item->rcItem, tool_window.button_font, primary ? COLOR_WHITE : COLOR_BODY_TEXT,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

LRESULT edit_colors(HDC dc) {
    SetTextColor(dc, COLOR_BODY_TEXT);
    SetBkColor(dc, COLOR_WHITE);
    return reinterpret_cast<LRESULT>(tool_window.white_brush);
}

LRESULT static_colors(HDC dc, HWND control) {
    const ToolWindow& w = tool_window;
    SetBkMode(dc, TRANSPARENT);
    COLORREF color = COLOR_MUTED_TEXT;
    if (control == w.verdict_label) {
        color = verdict_color(w.level);
    } else if (control == w.result_edit || control == w.note_label) {
        color = COLOR_BODY_TEXT;
    }
    SetTextColor(dc, color);
    return reinterpret_cast<LRESULT>(w.white_brush);
}
