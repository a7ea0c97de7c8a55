#pragma once
// The palette of the window: the one table of its colours.

#include <windows.h>

constexpr COLORREF COLOR_WINDOW_BACKGROUND = RGB(244, 247, 249);  // behind everything; class brush
constexpr COLORREF COLOR_HEADER_BAND = RGB(0, 108, 150);          // header band, panel captions
constexpr COLORREF COLOR_HEADER_ACCENT = RGB(0, 132, 176);        // bar at the header's left edge
constexpr COLORREF COLOR_WHITE = RGB(255, 255, 255);              // tool name, panels, fields, labels
constexpr COLORREF COLOR_SUBTITLE = RGB(214, 236, 246);           // header subtitle line
constexpr COLORREF COLOR_WEB_ADDRESS = RGB(190, 220, 235);        // web address in the header
constexpr COLORREF COLOR_PANEL_BORDER = RGB(218, 226, 232);       // outline of both panels
constexpr COLORREF COLOR_CAPTION_RULE = RGB(228, 234, 238);       // line under each panel caption
constexpr COLORREF COLOR_FOOTER_BAND = RGB(236, 241, 244);        // footer band
constexpr COLORREF COLOR_MUTED_TEXT = RGB(120, 132, 142);         // status line, labels, units, basis
constexpr COLORREF COLOR_BODY_TEXT = RGB(44, 56, 66);             // fields, result, note, button captions
constexpr COLORREF COLOR_BUTTON_PRESSED = RGB(226, 234, 240);     // face of a pressed normal button
constexpr COLORREF COLOR_BUTTON_BORDER = RGB(206, 216, 224);      // outline of a normal button
constexpr COLORREF COLOR_PRIMARY_BUTTON = RGB(0, 122, 168);       // face of the Compute button
constexpr COLORREF COLOR_PRIMARY_PRESSED = RGB(0, 100, 138);      // face of the pressed Compute button
constexpr COLORREF COLOR_PRIMARY_BORDER = RGB(0, 106, 148);       // outline of the Compute button

// Verdict text by level.
constexpr COLORREF COLOR_VERDICT_GREEN = RGB(0, 128, 96);   // level 0 and every unknown level
constexpr COLORREF COLOR_VERDICT_AMBER = RGB(176, 132, 0);  // level 1
constexpr COLORREF COLOR_VERDICT_ORANGE = RGB(214, 108, 0); // level 2
constexpr COLORREF COLOR_VERDICT_RED = RGB(190, 30, 45);    // level 3

inline COLORREF verdict_color(int level) {
    switch (level) {
    case 1: return COLOR_VERDICT_AMBER;
    case 2: return COLOR_VERDICT_ORANGE;
    case 3: return COLOR_VERDICT_RED;
    default: return COLOR_VERDICT_GREEN;
    }
}
