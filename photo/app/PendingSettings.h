// The settings dialog's pending copies: the choices it edits are held here
// until the user applies them. Pure data work, tested without Windows.
#pragma once

#include <cstddef>

#include "settings/Settings.h"

// The suffix edit holds at most this many characters, the terminator included.
constexpr size_t kPendingTextCapacity = 256;

struct PendingSettings {
    int pendingSaveSettings = 0;
    wchar_t pendingOutputFileBase[kPendingTextCapacity] = {};
    int pendingZoomSizeSmall = 0;
    int pendingZoomSizeMiddle = 0;
    int pendingZoomSizeLarge = 0;
    int pendingJpegQuality = 0;
    int pendingKeepShootingData = 0;
};

// Lives while the settings dialog is open; each opening refills it.
extern PendingSettings pendingSettings;

// Copies `text` into the pending suffix. A longer text (the file allows up to
// 1023 characters) is cut to 255, and never between the two halves of a
// surrogate pair, which would leave half a character in the file name.
void SetPendingOutputFileBase(PendingSettings& pending, const wchar_t* text);

// The pending copies as the dialog opens over `settings`.
void FillPendingSettings(PendingSettings& pending, const Settings& settings);

// Apply: the three sizes, the save flag, the suffix, the JPEG quality and the
// shooting data choice go to `settings`. The trim check box is not among
// them; it changes the record at once.
void ApplyPendingSettings(const PendingSettings& pending, Settings& settings);
