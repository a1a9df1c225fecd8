// How the view shows a picture larger than its room on the screen: the scale
// that fits it, where a point of the view lies on the picture, the scroll
// limits at full size, the room beside the main window and where the view
// goes. Free of windows.h.
#pragma once

// A rectangle in screen or picture pixels; right and bottom exclusive.
struct ViewBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct ViewPoint {
    int x = 0;
    int y = 0;
};

// A picture and the size it is drawn at in the view.
struct ViewScale {
    int pictureWidth = 0;
    int pictureHeight = 0;
    int shownWidth = 0;
    int shownHeight = 0;
    bool Scaled() const { return shownWidth != pictureWidth || shownHeight != pictureHeight; }
    bool operator==(const ViewScale& other) const {
        return pictureWidth == other.pictureWidth && pictureHeight == other.pictureHeight &&
               shownWidth == other.shownWidth && shownHeight == other.shownHeight;
    }
    bool operator!=(const ViewScale& other) const { return !(*this == other); }
};

// The picture at 1:1.
ViewScale ActualScale(int pictureWidth, int pictureHeight);
// 1:1 when the picture fits into roomWidth x roomHeight; otherwise the largest
// size of its aspect that does (each side at least 1 pixel).
ViewScale FitScale(int pictureWidth, int pictureHeight, int roomWidth, int roomHeight);
// The scale in whole percent for the title: rounded down, so a picture shown
// smaller never claims 100; at least 1.
int ScalePercent(const ViewScale& scale);

// A position on the drawn picture (a view position plus the scroll offset) on
// the picture. Pixel edges map to pixel edges, so the rectangle between two
// positions covers exactly the part of the picture drawn there. Positions off
// the picture (a captured drag) map on beyond its edges.
ViewPoint ToPicture(const ViewScale& scale, ViewPoint shown);
// The other way: the drawn pixel a picture position falls in.
ViewPoint ToShown(const ViewScale& scale, ViewPoint picture);

// A scroll offset kept within 0 .. shown - client (0 when all is visible).
int ClampScroll(int offset, int shown, int client);

// Where the view may lie: the work area, or the strip beside the main window
// where that strip (to its right, else to its left) is at least half the work
// area wide, so that the view need not cover the main window.
ViewBox ViewRoom(const ViewBox& workArea, const ViewBox* mainWindow);

// Top-left corner of a view of outerWidth x outerHeight: beside the main
// window where it fits (right first), at the main window's height as far as
// the work area allows; otherwise centred on the work area. Never above or
// left of the work area, so the caption stays reachable.
ViewPoint PlaceView(const ViewBox& workArea, const ViewBox* mainWindow, int outerWidth, int outerHeight);
