#include "app/PendingSettings.h"

#include <cwchar>

PendingSettings pendingSettings;

namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

void SetPendingOutputFileBase(PendingSettings& pending, const wchar_t* text) {
    constexpr size_t kLongest = kPendingTextCapacity - 1;
    size_t length = 0;
    if (text) {
        while (length < kLongest && text[length] != L'\0') {
            ++length;
        }
    }
    // Cut at the limit: a high surrogate there has lost its partner.
    if (length == kLongest && text[length] != L'\0' && IsHighSurrogate(text[length - 1])) {
        --length;
    }
    if (length > 0) {
        std::wmemcpy(pending.pendingOutputFileBase, text, length);
    }
    pending.pendingOutputFileBase[length] = L'\0';
}

void FillPendingSettings(PendingSettings& pending, const Settings& settings) {
    pending.pendingSaveSettings = settings.saveSettings;
    SetPendingOutputFileBase(pending, settings.outputFileBase);
    pending.pendingZoomSizeSmall = settings.zoomSizeSmall;
    pending.pendingZoomSizeMiddle = settings.zoomSizeMiddle;
    pending.pendingZoomSizeLarge = settings.zoomSizeLarge;
    pending.pendingJpegQuality = settings.jpegQuality;
    pending.pendingKeepShootingData = settings.keepShootingData;
}

void ApplyPendingSettings(const PendingSettings& pending, Settings& settings) {
    settings.zoomSizeSmall = pending.pendingZoomSizeSmall;
    settings.saveSettings = pending.pendingSaveSettings;
    settings.zoomSizeMiddle = pending.pendingZoomSizeMiddle;
    settings.zoomSizeLarge = pending.pendingZoomSizeLarge;
    settings.jpegQuality = pending.pendingJpegQuality;
    settings.keepShootingData = pending.pendingKeepShootingData ? 1 : 0;
    // The pending text is always terminated within its 256 characters, well
    // inside the record's 1024.
    std::wcscpy(settings.outputFileBase, pending.pendingOutputFileBase);
}
