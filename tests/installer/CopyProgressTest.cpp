#include <gtest/gtest.h>

#include <cstdint>

#include "engine/CopyProgress.h"

namespace {

TEST(ProgressPosition, MovesWithFilesAndBytesAndEndsAtTheRange) {
    const CopyTotals ninetyNine{99, 99 * 65536ull};
    struct Case {
        const char* name;
        CopyTotals totals;
        uint32_t files;
        uint64_t bytes;
        int position;
    } cases[] = {
        {"nothing done", ninetyNine, 0, 0, 0},
        {"all done", ninetyNine, 99, 99 * 65536ull, kProgressRange},
        {"half the files and bytes", {2, 2000}, 1, 1000, kProgressRange / 2},
        {"nothing to copy is complete", {}, 0, 0, kProgressRange},
        // Empty files still move the bar, one step per file.
        {"empty files", {4, 0}, 1, 0, kProgressRange / 4},
        // Counts past the totals (a file that grew while copied) stop at the end.
        {"bytes beyond the total", {1, 100}, 1, 5000, kProgressRange},
        {"files beyond the total", {1, 100}, 3, 100, kProgressRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ProgressPosition(c.totals, c.files, c.bytes), c.position);
    }
    // Enormous totals neither overflow nor lose the half-way mark.
    EXPECT_NEAR(ProgressPosition({2, UINT64_MAX - 8192}, 1, (UINT64_MAX - 8192) / 2), kProgressRange / 2, 1);
    // Never backwards while a file's bytes come in.
    int last = 0;
    for (uint64_t bytes = 0; bytes <= 65536; bytes += 4096) {
        int position = ProgressPosition(ninetyNine, 50, 50 * 65536ull + bytes);
        EXPECT_GE(position, last);
        last = position;
    }
}

TEST(RepaintPacer, PaintsFirstThenAtMostEveryIntervalAndAlwaysTheFinal) {
    RepaintPacer pacer(50);
    EXPECT_TRUE(pacer.Due(1000, false));
    EXPECT_FALSE(pacer.Due(1001, false));
    EXPECT_FALSE(pacer.Due(1049, false));
    EXPECT_TRUE(pacer.Due(1050, false));
    EXPECT_FALSE(pacer.Due(1060, false));
    EXPECT_TRUE(pacer.Due(1061, true));
    // The interval counts from the final paint too.
    EXPECT_FALSE(pacer.Due(1100, false));
    EXPECT_TRUE(pacer.Due(1111, false));

    // The millisecond tick wraps after 49.7 days.
    RepaintPacer wrapping(50);
    EXPECT_TRUE(wrapping.Due(UINT32_MAX - 10, false));
    EXPECT_FALSE(wrapping.Due(20, false));
    EXPECT_TRUE(wrapping.Due(40, false));

    // 99 files copied within a few milliseconds: the first and the last only.
    RepaintPacer burst(50);
    int paints = 0;
    for (uint32_t file = 1; file <= 99; ++file) {
        paints += burst.Due(5000 + file / 20, file == 99) ? 1 : 0;
    }
    EXPECT_EQ(paints, 2);
}

}  // namespace
