// What the mouse does in the view window: the trimming drag (crosshair, rubber
// band, crop) and the lasso that selects regions for mosaic and blur. Runs on
// the view thread and reports to the main window.
#pragma once

#include <windows.h>

struct ImageDoc;

// Colour of every outline the view draws into the overlay; its blue byte is
// what marks a pixel as selected.
const COLORREF kOverlayColour = RGB(100, 30, 30);

// Handles WM_LBUTTONDOWN, WM_MOUSEMOVE and WM_LBUTTONUP of the view `view`;
// false for any other message. When the view lets go of `doc` while the
// handling waits in a message box, it returns without touching `doc` again:
// the caller must not either, the close may have deleted it.
bool HandleViewMouse(ImageDoc& doc, HWND view, UINT message, WPARAM wParam, LPARAM lParam);

// Outlines into `dc` (the overlay), each followed by a repaint of `view`.
// They return 0 at once when `dc` is 0, else 1.
int DrawRubberBand(HDC dc, HWND view, int left, int top, int width, int height, COLORREF colour);
// Lines through (x, y) across the whole client area of `view`.
int DrawCrosshair(HDC dc, HWND view, int x, int y, COLORREF colour);
int DrawLasso(HDC dc, HWND view, const POINT* points, int count, COLORREF colour);
// Fills the polygon without outline (the overlay DC keeps its null pen).
int FillLasso(HDC dc, HWND view, const POINT* points, int count, COLORREF colour);

// Appends (x, y) to the lasso unless its buffer is full; false when the point
// was not stored.
bool AppendLassoPoint(ImageDoc& doc, int x, int y);
