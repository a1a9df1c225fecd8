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

TEST(SettingsChoices, LaterKeysReadOutOfRangeValuesAsTheirDefaults) {
    struct Case {
        int stored;
        int quality;
        int keep;
    } cases[] = {
        {1, 1, 1}, {100, 100, 0}, {40, 40, 0}, {95, 95, 0}, {0, 95, 0}, {101, 95, 0}, {-5, 95, 0}, {1 << 30, 95, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoredJpegQuality(c.stored), c.quality) << c.stored;
        EXPECT_EQ(StoredKeepShootingData(c.stored), c.keep) << c.stored;
    }
    Settings defaults = DefaultSettings();
    EXPECT_EQ(defaults.jpegQuality, 95);
    EXPECT_EQ(defaults.keepShootingData, 0) << "nothing is written unless the user asks";
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
