// Entry of the Windows test program (built with -municode, so the entry is wmain).
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
