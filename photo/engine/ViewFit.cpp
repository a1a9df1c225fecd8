#include "engine/ViewFit.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// floor(value * numerator / denominator) for a positive denominator, in 64
// bits, kept within int.
int ScaleFloor(int value, int numerator, int denominator) {
    if (denominator <= 0) {
        return value;
    }
    int64_t product = int64_t(value) * numerator;
    int64_t quotient = product / denominator;
    if (product % denominator != 0 && product < 0) {
        --quotient;
    }
    return int(std::clamp<int64_t>(quotient, INT_MIN, INT_MAX));
}

}  // namespace

ViewScale ActualScale(int pictureWidth, int pictureHeight) {
    return ViewScale{pictureWidth, pictureHeight, pictureWidth, pictureHeight};
}

ViewScale FitScale(int pictureWidth, int pictureHeight, int roomWidth, int roomHeight) {
    ViewScale scale = ActualScale(pictureWidth, pictureHeight);
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        return scale;
    }
    roomWidth = std::max(roomWidth, 1);
    roomHeight = std::max(roomHeight, 1);
    if (pictureWidth <= roomWidth && pictureHeight <= roomHeight) {
        return scale;
    }
    // The side that limits: compare roomWidth / pictureWidth with
    // roomHeight / pictureHeight without division.
    if (int64_t(roomWidth) * pictureHeight <= int64_t(roomHeight) * pictureWidth) {
        scale.shownWidth = roomWidth;
        scale.shownHeight = int((int64_t(pictureHeight) * roomWidth + pictureWidth / 2) / pictureWidth);
    } else {
        scale.shownHeight = roomHeight;
        scale.shownWidth = int((int64_t(pictureWidth) * roomHeight + pictureHeight / 2) / pictureHeight);
    }
    scale.shownWidth = std::clamp(scale.shownWidth, 1, roomWidth);
    scale.shownHeight = std::clamp(scale.shownHeight, 1, roomHeight);
    return scale;
}

int ScalePercent(const ViewScale& scale) {
    if (!scale.Scaled() || scale.pictureWidth <= 0) {
        return 100;
    }
    return std::max(1, ScaleFloor(100, scale.shownWidth, scale.pictureWidth));
}

ViewPoint ToPicture(const ViewScale& scale, ViewPoint shown) {
    return ViewPoint{ScaleFloor(shown.x, scale.pictureWidth, scale.shownWidth),
                     ScaleFloor(shown.y, scale.pictureHeight, scale.shownHeight)};
}

ViewPoint ToShown(const ViewScale& scale, ViewPoint picture) {
    return ViewPoint{ScaleFloor(picture.x, scale.shownWidth, scale.pictureWidth),
                     ScaleFloor(picture.y, scale.shownHeight, scale.pictureHeight)};
}

int ClampScroll(int offset, int shown, int client) {
    return std::clamp(offset, 0, std::max(0, shown - client));
}

ViewBox ViewRoom(const ViewBox& workArea, const ViewBox* mainWindow) {
    if (!mainWindow) {
        return workArea;
    }
    ViewBox right = workArea;
    right.left = std::clamp(mainWindow->right, workArea.left, workArea.right);
    ViewBox left = workArea;
    left.right = std::clamp(mainWindow->left, workArea.left, workArea.right);
    const ViewBox& wider = right.Width() >= left.Width() ? right : left;
    return 2 * wider.Width() >= workArea.Width() ? wider : workArea;
}

ViewPoint PlaceView(const ViewBox& workArea, const ViewBox* mainWindow, int outerWidth, int outerHeight) {
    auto keepOnWork = [&](ViewPoint at) {
        at.x = std::max(std::min(at.x, workArea.right - outerWidth), workArea.left);
        at.y = std::max(std::min(at.y, workArea.bottom - outerHeight), workArea.top);
        return at;
    };
    if (mainWindow) {
        if (workArea.right - mainWindow->right >= outerWidth) {
            return keepOnWork({mainWindow->right, mainWindow->top});
        }
        if (mainWindow->left - workArea.left >= outerWidth) {
            return keepOnWork({mainWindow->left - outerWidth, mainWindow->top});
        }
    }
    return keepOnWork(
        {workArea.left + (workArea.Width() - outerWidth) / 2, workArea.top + (workArea.Height() - outerHeight) / 2});
}
