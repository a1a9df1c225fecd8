#include <gtest/gtest.h>

#include "app/SaveFailure.h"

TEST(SaveFailure, CodesOfTheLibraryAndTheSystemReadAsReasons) {
    struct {
        uint32_t code;
        SaveFailure reason;
    } cases[] = {
        {0x80070005u, SaveFailure::AccessDenied},   // access denied (a folder of that name, a read-only file)
        {0x80030005u, SaveFailure::AccessDenied},   // the same through a codec's stream
        {0x80070013u, SaveFailure::AccessDenied},   // write-protected medium
        {5u, SaveFailure::AccessDenied},            // a bare Win32 code
        {0x80070020u, SaveFailure::InUse},          // sharing violation
        {0x80030021u, SaveFailure::InUse},          // lock violation, storage facility
        {0x80070070u, SaveFailure::DiskFull},       // disk full
        {0x80030070u, SaveFailure::DiskFull},       // medium full, storage facility
        {0x80070027u, SaveFailure::DiskFull},       // handle disk full
        {0x8007007Bu, SaveFailure::InvalidName},    // the "ERROR: 8007007b" of old
        {0x800700A1u, SaveFailure::InvalidName},    // bad path name
        {0x800700CEu, SaveFailure::PathTooLong},    // file name too long
        {0x80070003u, SaveFailure::FolderMissing},  // path not found
        {0x88982F07u, SaveFailure::Other},          // a codec's own error
        {0x8007000Eu, SaveFailure::Other},          // out of memory
        {0u, SaveFailure::Other},
        {0x80040005u, SaveFailure::Other},  // low word 5 of another facility is no access error
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifySaveFailure(c.code), c.reason) << std::hex << c.code;
    }
}
