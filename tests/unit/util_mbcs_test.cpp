// Tests of the multi-byte aware string searches under the Japanese and Western code pages.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "util/Mbcs.h"

namespace {

// In code page 932 these two bytes are one character whose trail byte is the backslash; in 1252
// they are a bullet followed by a backslash.
const std::string kDbcs = "\x95\x5C";

TEST(UtilMbcs, PlainAsciiBehaviour) {
    EXPECT_EQ(util::NameOf("C:\\dir\\file.txt"), "file.txt");
    EXPECT_EQ(util::NameOf("file.txt"), "file.txt");
    EXPECT_EQ(util::NameOf("C:\\dir\\"), "");
    EXPECT_EQ(util::MbsRFind("a\\b\\c", '\\'), 3u);
    EXPECT_EQ(util::MbsRFind("abc", '\\'), std::string::npos);
    EXPECT_EQ(util::MbsFind("abcabc", "bc", 2), 4u);
    EXPECT_EQ(util::MbsFind("abc", ""), 0u);
    EXPECT_EQ(util::MbsFind("abc", "abcd"), std::string::npos);
    EXPECT_EQ(util::MbsChr("abc", 'x'), nullptr);
    std::string s = "a\\b\\c";
    util::MbsReplace(s, '\\', '_');
    EXPECT_EQ(s, "a_b_c");
    EXPECT_EQ(util::MbsUpper("abc.txt"), "ABC.TXT");
}

class UtilMbcs932 : public testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 932) GTEST_SKIP() << "needs code page 932";
    }
};

TEST_F(UtilMbcs932, TrailByteIsNotASeparator) {
    const std::string path = "C:\\a\\" + kDbcs;
    EXPECT_EQ(util::MbsRChr(path.c_str(), '\\'), path.c_str() + 4);
    EXPECT_EQ(util::MbsRFind(path, '\\'), 4u);
    EXPECT_EQ(util::MbsChr(kDbcs.c_str(), '\\'), nullptr);
    const std::string lead = kDbcs + "\\x";
    EXPECT_EQ(util::MbsChr(lead.c_str(), '\\'), lead.c_str() + 2);
}

TEST_F(UtilMbcs932, NameOfKeepsWholeCharacters) {
    EXPECT_EQ(util::NameOf("C:\\dir\\" + kDbcs + ".txt"), kDbcs + ".txt");
    EXPECT_EQ(util::NameOf(kDbcs + "\\" + kDbcs), kDbcs);
    EXPECT_EQ(util::NameOf(kDbcs), kDbcs);
}

TEST_F(UtilMbcs932, ReplaceSkipsTrailBytes) {
    std::string s = "C:\\" + kDbcs + "\\" + kDbcs;
    util::MbsReplace(s, '\\', '_');
    EXPECT_EQ(s, "C:_" + kDbcs + "_" + kDbcs);
}

TEST_F(UtilMbcs932, FindAndUpperStepByCharacter) {
    EXPECT_EQ(util::MbsFind(kDbcs + "\\", "\\"), 2u);
    EXPECT_EQ(util::MbsFind(kDbcs + kDbcs, "\\\x95"), std::string::npos);
    EXPECT_EQ(util::MbsFind(kDbcs + "\\", "\\", 1), 2u);
    // 0x82 0x61 is one character whose trail byte is the letter a.
    EXPECT_EQ(util::MbsUpper("\x82\x61\x61"), "\x82\x61\x41");
}

class UtilMbcs1252 : public testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
    }
};

TEST_F(UtilMbcs1252, EveryBackslashByteIsASeparator) {
    const std::string path = "C:\\a\\" + kDbcs;
    EXPECT_EQ(util::MbsRChr(path.c_str(), '\\'), path.c_str() + 6);
    EXPECT_EQ(util::NameOf("C:\\dir\\" + kDbcs + ".txt"), ".txt");
    std::string s = "C:\\" + kDbcs;
    util::MbsReplace(s, '\\', '_');
    EXPECT_EQ(s, "C:_\x95_");
    EXPECT_EQ(util::MbsFind("\x82\x61\x61", "\x61"), 1u);
    EXPECT_EQ(util::MbsUpper("\xE9t\xE9"), "\xC9T\xC9");
}

}  // namespace
