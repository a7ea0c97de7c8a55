#pragma once
// The window's geometry: the one table of its control identifiers, control
// rectangles and painted regions, in fixed client-area pixels (nothing is
// scaled). Controls are placed by left, top, width and height; painted
// regions are rectangles by left, top, right and bottom. Free of <windows.h>,
// so the end-to-end driver takes the identifiers from here too.

#include "ui/texts.h"

struct LayoutBox {
    int left;
    int top;
    int width;
    int height;
};

struct LayoutRect {
    int left;
    int top;
    int right;
    int bottom;
};

// The client area the layout is made for, and the window's pinned outer size.
constexpr int CLIENT_WIDTH = 1020;
constexpr int CLIENT_HEIGHT = 720;
constexpr int TRACK_WIDTH = 1036;
constexpr int TRACK_HEIGHT = 780;

// Control identifiers; the labels have 0.
constexpr int ID_COMPUTE = 1001;
constexpr int ID_SAVE = 1002;
constexpr int ID_COPY = 1003;
constexpr int ID_RESET = 1004;
constexpr int ID_ABOUT = 1005;
constexpr int ID_FIRST_INPUT = 2000;  // input field i has ID_FIRST_INPUT + i
constexpr int ID_RESULT = 3000;

// Input rows: row i has its base line at INPUT_FIRST_ROW_Y + INPUT_ROW_PITCH * i;
// the tops below are offsets from that base line.
constexpr int INPUT_FIRST_ROW_Y = 150;
constexpr int INPUT_ROW_PITCH = 34;
constexpr LayoutBox INPUT_LABEL = {24, 1, 184, 22};
constexpr LayoutBox INPUT_EDIT = {216, -4, 152, 27};
constexpr LayoutBox INPUT_UNIT = {374, 0, 78, 22};
// A tool without inputs shows a hint where the first row would stand.
constexpr LayoutBox NO_INPUTS_LABEL = {36, 1, 408, 44};

// The heights of the fonts of an input's label and of the verdict.
constexpr int LABEL_FONT_HEIGHT = 14;
constexpr int VERDICT_FONT_HEIGHT = 21;

// The right panel's controls.
constexpr LayoutBox VERDICT_LABEL = {492, 142, 492, 46};
constexpr LayoutBox RESULT_FIELD = {492, 196, 492, 232};
constexpr LayoutBox NOTE_LABEL = {492, 444, 492, 120};
constexpr LayoutBox BASIS_LABEL = {492, 576, 492, 56};

// The five owner-drawn buttons of the footer, in creation order. The first
// one is the primary button (filled in the accent colour).
constexpr int BUTTON_TOP = 668;
constexpr int BUTTON_HEIGHT = 40;
struct LayoutButton {
    int id;
    int left;
    int width;
    const wchar_t* caption;
};
constexpr LayoutButton BUTTONS[] = {
    {ID_COMPUTE, 20, 152, BUTTON_COMPUTE},
    {ID_SAVE, 184, 132, BUTTON_SAVE},
    {ID_COPY, 328, 132, BUTTON_COPY},
    {ID_RESET, 472, 132, BUTTON_RESET},
    {ID_ABOUT, 616, 110, BUTTON_ABOUT},
};
constexpr int BUTTON_COUNT = static_cast<int>(sizeof BUTTONS / sizeof BUTTONS[0]);
constexpr int PRIMARY_BUTTON_ID = BUTTONS[0].id;

// Painted regions. The full-width bands run to the client area's right edge,
// whatever it is; the web address keeps its distance from that edge.
constexpr int HEADER_BAND_BOTTOM = 88;
constexpr LayoutRect HEADER_ACCENT = {0, 0, 8, HEADER_BAND_BOTTOM};
constexpr LayoutRect TITLE_TEXT = {26, 12, 726, 50};
constexpr LayoutRect SUBTITLE_TEXT = {28, 48, 748, 76};
constexpr int WEB_ADDRESS_LEFT_INSET = 240;   // left edge: client width less this
constexpr int WEB_ADDRESS_RIGHT_INSET = 26;   // right edge: client width less this
constexpr int WEB_ADDRESS_TOP = 8;
constexpr int WEB_ADDRESS_BOTTOM = 34;

constexpr LayoutRect INPUT_PANEL = {20, 96, 460, 648};
constexpr LayoutRect RESULT_PANEL = {476, 96, 1000, 648};
constexpr LayoutRect INPUT_CAPTION = {36, 104, 336, 134};
constexpr LayoutRect RESULT_CAPTION = {492, 104, 792, 134};
constexpr LayoutRect INPUT_CAPTION_RULE = {36, 133, 444, 134};
constexpr LayoutRect RESULT_CAPTION_RULE = {492, 133, 984, 134};

constexpr int FOOTER_BAND_TOP = 660;
constexpr int FOOTER_BAND_BOTTOM = 720;  // whatever the client height is
constexpr LayoutRect STATUS_LINE = {740, 704, 1004, 720};
