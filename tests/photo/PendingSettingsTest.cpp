#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "app/PendingSettings.h"
#include "settings/Settings.h"

namespace {

std::wstring Pending(const PendingSettings& pending) {
    return pending.pendingOutputFileBase;
}

}  // namespace

TEST(PendingSettings, SuffixIsCarriedWholeUpTo255CharactersAndCutBeyond) {
    const wchar_t kHigh = static_cast<wchar_t>(0xD83D);  // first half of an emoji
    const wchar_t kLow = static_cast<wchar_t>(0xDE00);
    struct Case {
        const char* name;
        std::wstring stored;
        std::wstring pending;
    } cases[] = {
        {"default", L"_tdr", L"_tdr"},
        {"empty", L"", L""},
        {"japanese", L"_公開用", L"_公開用"},
        {"exactly 255", std::wstring(255, L'a'), std::wstring(255, L'a')},
        {"256 cut to 255", std::wstring(256, L'b'), std::wstring(255, L'b')},
        {"1023 cut to 255", std::wstring(1023, L'c'), std::wstring(255, L'c')},
        // A pair straddling the limit goes whole rather than leave half.
        {"pair across the cut", std::wstring(254, L'd') + kHigh + kLow + L"e", std::wstring(254, L'd')},
        {"pair just inside", std::wstring(253, L'd') + kHigh + kLow + L"e", std::wstring(253, L'd') + kHigh + kLow},
    };
    for (const Case& c : cases) {
        Settings settings = DefaultSettings();
        ASSERT_LT(c.stored.size(), kSettingsTextCapacity);
        std::wcscpy(settings.outputFileBase, c.stored.c_str());
        PendingSettings pending;
        std::wmemset(pending.pendingOutputFileBase, L'x', kPendingTextCapacity);
        FillPendingSettings(pending, settings);
        EXPECT_EQ(Pending(pending), c.pending) << c.name;
    }
}

TEST(PendingSettings, FillCopiesTheChoicesAndApplyWritesThemBackWithoutTouchingTheRest) {
    Settings settings = DefaultSettings();
    settings.saveSettings = 0;
    settings.zoomSizeSmall = 5000;  // beyond the slider: kept as it is
    settings.zoomSizeMiddle = -3;
    settings.zoomSizeLarge = 777;
    settings.trimSaveSize = 1;
    settings.jpegQuality = 80;
    settings.keepShootingData = 1;
    PendingSettings pending;
    FillPendingSettings(pending, settings);
    EXPECT_EQ(pending.pendingSaveSettings, 0);
    EXPECT_EQ(pending.pendingJpegQuality, 80);
    EXPECT_EQ(pending.pendingKeepShootingData, 1);
    EXPECT_EQ(pending.pendingZoomSizeSmall, 5000);
    EXPECT_EQ(pending.pendingZoomSizeMiddle, -3);
    EXPECT_EQ(pending.pendingZoomSizeLarge, 777);

    // Apply without edits changes nothing.
    Settings applied = settings;
    ApplyPendingSettings(pending, applied);
    EXPECT_EQ(0, std::memcmp(&applied, &settings, sizeof(Settings)));

    pending.pendingSaveSettings = 1;
    pending.pendingZoomSizeSmall = 200;
    pending.pendingZoomSizeMiddle = 1;
    pending.pendingZoomSizeLarge = 2000;
    SetPendingOutputFileBase(pending, L"");
    pending.pendingJpegQuality = 30;
    pending.pendingKeepShootingData = 0;
    ApplyPendingSettings(pending, applied);
    EXPECT_EQ(applied.jpegQuality, 30);
    EXPECT_EQ(applied.keepShootingData, 0);
    EXPECT_EQ(applied.saveSettings, 1);
    EXPECT_EQ(applied.zoomSizeSmall, 200);
    EXPECT_EQ(applied.zoomSizeMiddle, 1);
    EXPECT_EQ(applied.zoomSizeLarge, 2000);
    EXPECT_EQ(std::wstring(applied.outputFileBase), L"");
    // Not the dialog's to change on Apply.
    EXPECT_EQ(applied.trimSaveSize, 1);
    EXPECT_EQ(applied.zoomSizeNon, settings.zoomSizeNon);
    EXPECT_EQ(std::wstring(applied.callScreenString), std::wstring(settings.callScreenString));
}

TEST(PendingSettings, ANullSuffixIsEmpty) {
    PendingSettings pending;
    SetPendingOutputFileBase(pending, L"_x");
    SetPendingOutputFileBase(pending, nullptr);
    EXPECT_EQ(Pending(pending), L"");
}
