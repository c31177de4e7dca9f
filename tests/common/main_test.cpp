// Test entry point, and the check that the Japanese pass really runs under code page 932.
#include <windows.h>

#include <cstdlib>

#include <gtest/gtest.h>

// The cp932 pass sets BRENNA_EXPECT_ACP; without the generated locale Wine would silently stay
// on 1252 and every multi-byte test would skip.
TEST(CodePageMbcs, PassRunsUnderTheExpectedCodePage) {
    const char* expected = std::getenv("BRENNA_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "not the code page pass";
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
