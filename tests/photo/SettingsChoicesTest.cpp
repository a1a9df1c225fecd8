#include <gtest/gtest.h>

#include "settings/Settings.h"

TEST(SettingsChoices, RadioButtonsForStoredChoicesIncludingHandEditedOnes) {
    struct Case {
        int choice;
        int sizeButton;
        int rotationButton;
    } cases[] = {
        {0, 1026, 1043}, {1, 1027, 1044}, {2, 1028, 1045},  {3, 1029, 1046},  {4, 1030, 1043},
        {5, 1026, 1043}, {7, 1026, 1043}, {-1, 1026, 1043}, {-2, 1026, 1043}, {1 << 30, 1026, 1043},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SizeChoiceControlId(c.choice), c.sizeButton) << c.choice;
        EXPECT_EQ(RotationChoiceControlId(c.choice), c.rotationButton) << c.choice;
    }
}

TEST(SettingsChoices, OutOfRangeChoicesNeverReadOutsideTheTables) {
    Settings settings = DefaultSettings();
    settings.zoomSizeNon = 77;
    struct Case {
        int choice;
        int degrees;
        int limit;
    } cases[] = {
        {0, 0, 77}, {1, 90, 160}, {2, 270, 320}, {3, 180, 500}, {4, 0, 77}, {-2, 0, 77}, {9, 0, 77},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RotationDegreesOf(c.choice), c.degrees) << c.choice;
        EXPECT_EQ(SizeLimitOf(settings, c.choice), c.limit) << c.choice;
    }
}

TEST(SettingsChoices, NumbersOutsideWhatTheWindowSetsTakeTheirDefaults) {
    const Settings defaults = DefaultSettings();
    struct {
        int Settings::*field;
        int low;   // the lowest value kept
        int high;  // the highest value kept
    } ranges[] = {
        {&Settings::zoom, 0, 4},
        {&Settings::rotationChoice, 0, 3},
        {&Settings::fAllScreen, 1, 160},
        {&Settings::fUnderRight, 1, 80},
        {&Settings::effectSize, 1, 80},
        {&Settings::zoomSizeNon, 0, 2000},
        {&Settings::zoomSizeSmall, 1, 2000},
        {&Settings::zoomSizeMiddle, 1, 2000},
        {&Settings::zoomSizeLarge, 1, 2000},
        {&Settings::jpegQuality, 1, 100},
        {&Settings::keepShootingData, 0, 1},
    };
    for (const auto& range : ranges) {
        for (int value : {range.low, range.high}) {
            Settings s = DefaultSettings();
            s.*range.field = value;
            DefaultOutOfRange(s);
            EXPECT_EQ(s.*range.field, value);
        }
        for (int value : {range.low - 1, range.high + 1, -2147483647 - 1, 2147483647}) {
            Settings s = DefaultSettings();
            s.*range.field = value;
            DefaultOutOfRange(s);
            EXPECT_EQ(s.*range.field, defaults.*range.field) << value;
        }
    }
    EXPECT_EQ(defaults.jpegQuality, 95);
    EXPECT_EQ(defaults.keepShootingData, 0) << "nothing is written unless the user asks";
    // Flags keep any value: non-zero is on.
    Settings s = DefaultSettings();
    s.trimSaveSize = 9;
    s.callScreen = -1;
    DefaultOutOfRange(s);
    EXPECT_EQ(s.trimSaveSize, 9);
    EXPECT_EQ(s.callScreen, -1);
}
