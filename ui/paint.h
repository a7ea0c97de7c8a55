#pragma once
// Painting (ui/paint.cpp): the whole client area on WM_PAINT, the owner-drawn
// buttons on WM_DRAWITEM, and the colours of the fields and labels.

#include <windows.h>

void paint_window(HWND window);
void draw_button(const DRAWITEMSTRUCT* item);
// Answers to WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC: set the colours on dc and
// return the brush the control stands on.
LRESULT edit_colors(HDC dc);
LRESULT static_colors(HDC dc, HWND control);
