// What the mouse does in the view window: the trimming drag (crosshair, rubber
// band, crop) and the lasso that selects regions for mosaic and blur. Runs on
// the view thread; what it ends it posts to the window that opened the
// document (ImageDoc_win.h).
#pragma once

#include <windows.h>

class ImageDoc;

// Colour of every outline the view draws into the overlay; its blue byte is
// what marks a pixel as selected.
const COLORREF kOverlayColour = RGB(100, 30, 30);

// Handles WM_LBUTTONDOWN, WM_MOUSEMOVE and WM_LBUTTONUP of the view `view`;
// false for any other message (ImageDoc::HandleMouse).
bool HandleViewMouse(ImageDoc& doc, HWND view, UINT message, WPARAM wParam, LPARAM lParam);

// Outlines into `dc` (the overlay), each followed by a repaint of `view`.
// They return 0 at once when `dc` is 0, else 1.
int DrawRubberBand(HDC dc, HWND view, int left, int top, int width, int height, COLORREF colour);
// Lines through (x, y) across the whole of the layer selected into `dc`.
int DrawCrosshair(HDC dc, HWND view, int x, int y, COLORREF colour);
int DrawLasso(HDC dc, HWND view, const POINT* points, int count, COLORREF colour);
// Fills the polygon without outline (the overlay DC keeps its null pen).
int FillLasso(HDC dc, HWND view, const POINT* points, int count, COLORREF colour);
