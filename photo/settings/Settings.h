// The photo tool's user choices: one record for the whole process, mirrored
// key by key in "TDR.ini" (SettingsStore.h reads and writes the file).
#pragma once

#include <cstddef>

constexpr size_t kSettingsTextCapacity = 1024;

// Field order follows the keys of the file; the four size limits are
// consecutive because they form the table indexed by the size choice.
struct Settings {
    wchar_t outputFileBase[kSettingsTextCapacity];
    int zoom;
    int callScreen;
    int cUnderRight;
    wchar_t callScreenString[kSettingsTextCapacity];
    wchar_t cUnderRightString[kSettingsTextCapacity];
    int fAllScreen;
    int fUnderRight;
    int rotationChoice;
    int effectSize;
    int zoomSizeNon;
    int zoomSizeSmall;
    int zoomSizeMiddle;
    int zoomSizeLarge;
    int trimSaveSize;
    int saveSettings;
    // Keys added later, at the end: a file without them reads as the
    // defaults, and an older release reading a newer file passes over them.
    int jpegQuality;       // 1..100
    int keepShootingData;  // 0/1: camera, date, exposure, author into a saved JPEG
};

// The live record. Written only on the main thread; the view thread reads it.
extern Settings gSettings;

// Texts a first start (or a start with saving switched off) begins with.
extern const wchar_t kDefaultOutputFileBase[];
extern const wchar_t kDefaultWatermarkText[];
extern const wchar_t kDefaultCopyrightText[];

constexpr int kDefaultJpegQuality = 95;
constexpr int kMinJpegQuality = 1;
constexpr int kMaxJpegQuality = 100;

// Every field at its default, saveSettings included (1).
Settings DefaultSettings();

// The ranges of the sliders that set the numbers (all start at 1).
constexpr int kWatermarkSizeMax = 160;
constexpr int kCopyrightSizeMax = 80;
constexpr int kEffectSizeMax = 80;
constexpr int kSizeLimitMax = 2000;

// Each number that lies outside what the window can set takes its default: a
// hand-edited or damaged file (a size of 0, an effect of -5, a height of two
// billion) must not make every picture fail. The "none" size limit may be 0
// (no scaling); choices outside the known ones mean the first.
void DefaultOutOfRange(Settings& settings);

// Size choices: 0 none, 1 small, 2 middle, 3 large, 4 fit to the desktop.
constexpr int kSizeChoiceDesktop = 4;

// Radio button of the main window for a size or rotation choice; values
// outside the known choices select the "none" button.
int SizeChoiceControlId(int choice);
int RotationChoiceControlId(int choice);

// Clockwise degrees of rotation choices 0..3: none, right, left, half turn.
extern const int RotationDegrees[4];

// Degrees for any stored rotation choice; one outside 0..3 (a hand-edited
// file) means no rotation instead of reading past the table.
int RotationDegreesOf(int choice);

// Size limit in pixels for size choices 0..3 (zoomSizeNon..zoomSizeLarge). The
// desktop choice has no stored limit, and a stored choice outside 0..4 means
// "none"; both give zoomSizeNon.
int SizeLimitOf(const Settings& settings, int choice);
