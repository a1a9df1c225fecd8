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
