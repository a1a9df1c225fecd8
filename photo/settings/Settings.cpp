#include "settings/Settings.h"

#include <cwchar>

#include "resources/resource.h"

Settings gSettings;

const wchar_t kDefaultOutputFileBase[] = L"_tdr";
const wchar_t kDefaultWatermarkText[] = L"複製禁止";
const wchar_t kDefaultCopyrightText[] = L"Copyright #c 2007 BRAMWELT";

const int RotationDegrees[4] = {0, 90, 270, 180};

namespace {
const int kSizeControlIds[] = {IDC_SIZE_NONE, IDC_SIZE_SMALL, IDC_SIZE_MIDDLE, IDC_SIZE_LARGE, IDC_SIZE_DESKTOP};
const int kRotationControlIds[] = {IDC_ROTATE_NONE, IDC_ROTATE_RIGHT, IDC_ROTATE_LEFT, IDC_ROTATE_180};

void CopyText(wchar_t (&to)[kSettingsTextCapacity], const wchar_t* from) {
    std::wcsncpy(to, from, kSettingsTextCapacity - 1);
    to[kSettingsTextCapacity - 1] = L'\0';
}
}  // namespace

Settings DefaultSettings() {
    Settings settings = {};
    CopyText(settings.outputFileBase, kDefaultOutputFileBase);
    settings.zoom = 0;
    settings.callScreen = 0;
    settings.cUnderRight = 1;
    CopyText(settings.callScreenString, kDefaultWatermarkText);
    CopyText(settings.cUnderRightString, kDefaultCopyrightText);
    settings.fAllScreen = 30;
    settings.fUnderRight = 15;
    settings.rotationChoice = 0;
    settings.effectSize = 10;
    settings.zoomSizeNon = 0;
    settings.zoomSizeSmall = 160;
    settings.zoomSizeMiddle = 320;
    settings.zoomSizeLarge = 500;
    settings.trimSaveSize = 0;
    settings.saveSettings = 1;
    settings.jpegQuality = kDefaultJpegQuality;
    settings.keepShootingData = 0;
    return settings;
}

namespace {
void KeepWithin(int& value, int low, int high, int defaultValue) {
    if (value < low || value > high) {
        value = defaultValue;
    }
}
}  // namespace

void DefaultOutOfRange(Settings& settings) {
    const Settings defaults = DefaultSettings();
    KeepWithin(settings.zoom, 0, kSizeChoiceDesktop, defaults.zoom);
    KeepWithin(settings.rotationChoice, 0, 3, defaults.rotationChoice);
    KeepWithin(settings.fAllScreen, 1, kWatermarkSizeMax, defaults.fAllScreen);
    KeepWithin(settings.fUnderRight, 1, kCopyrightSizeMax, defaults.fUnderRight);
    KeepWithin(settings.effectSize, 1, kEffectSizeMax, defaults.effectSize);
    KeepWithin(settings.zoomSizeNon, 0, kSizeLimitMax, defaults.zoomSizeNon);
    KeepWithin(settings.zoomSizeSmall, 1, kSizeLimitMax, defaults.zoomSizeSmall);
    KeepWithin(settings.zoomSizeMiddle, 1, kSizeLimitMax, defaults.zoomSizeMiddle);
    KeepWithin(settings.zoomSizeLarge, 1, kSizeLimitMax, defaults.zoomSizeLarge);
    KeepWithin(settings.jpegQuality, kMinJpegQuality, kMaxJpegQuality, defaults.jpegQuality);
    // Unlike the older flags, anything but 1 is off: a damaged file must not
    // start publishing what the user never chose to.
    KeepWithin(settings.keepShootingData, 0, 1, defaults.keepShootingData);
}

int SizeChoiceControlId(int choice) {
    if (choice < 0 || choice > kSizeChoiceDesktop) {
        return kSizeControlIds[0];
    }
    return kSizeControlIds[choice];
}

int RotationChoiceControlId(int choice) {
    if (choice < 0 || choice > 3) {
        return kRotationControlIds[0];
    }
    return kRotationControlIds[choice];
}

int RotationDegreesOf(int choice) {
    if (choice < 0 || choice > 3) {
        return RotationDegrees[0];
    }
    return RotationDegrees[choice];
}

int SizeLimitOf(const Settings& settings, int choice) {
    switch (choice) {
        case 1:
            return settings.zoomSizeSmall;
        case 2:
            return settings.zoomSizeMiddle;
        case 3:
            return settings.zoomSizeLarge;
        default:
            return settings.zoomSizeNon;
    }
}
