#include <gtest/gtest.h>

#include "mmd/UnicodeUtil.h"

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

TEST(UnicodeUtilTest, SurrogatePairsBothWaysAndABrokenPairFails) {
    std::string u8;
    ASSERT_TRUE(mmd::ConvU16ToU8(u"\u0041\xD83D\xDE00", u8));
    EXPECT_EQ(u8, Bytes({0x41, 0xF0, 0x9F, 0x98, 0x80}));
    std::u16string u16;
    ASSERT_TRUE(mmd::ConvU8ToU16(std::string("a\0\xE3\x81\x82\xF0\x9F\x98\x80", 9), u16));
    EXPECT_EQ(u16, (std::u16string{u'a', 0, 0x3042, 0xD83D, 0xDE00}));
    EXPECT_FALSE(mmd::ConvU16ToU8(std::u16string{0xD83D, 0x0041}, u8));
    EXPECT_FALSE(mmd::ConvU16ToU8(std::u16string{0xD83D, 0xD83D}, u8));
}

TEST(UnicodeUtilTest, LoneSurrogatesRoundTrip) {
    // Windows file names may hold them; they must survive the trip to UTF-8 and back.
    for (const std::u16string& text : {std::u16string{0xDE00, u'a'}, std::u16string{u'a', 0xD83D}}) {
        std::string u8;
        ASSERT_TRUE(mmd::ConvU16ToU8(text, u8));
        std::u16string back;
        ASSERT_TRUE(mmd::ConvU8ToU16(u8, back));
        EXPECT_EQ(back, text);
    }
}

struct InvalidUtf8 {
    const char* name;
    std::string bytes;
};

class InvalidUtf8Test : public testing::TestWithParam<InvalidUtf8> {};

TEST_P(InvalidUtf8Test, FailsEveryDecoder) {
    std::u16string u16;
    EXPECT_FALSE(mmd::ConvU8ToU16(GetParam().bytes, u16));
    std::wstring wide;
    EXPECT_FALSE(mmd::TryToWString(GetParam().bytes, wide));
    uint32_t codePoint = 0;
    EXPECT_FALSE(mmd::DecodeUtf8(GetParam().bytes.c_str(), codePoint));
}

INSTANTIATE_TEST_SUITE_P(Sequences, InvalidUtf8Test,
                         testing::Values(InvalidUtf8{"C080", Bytes({0xC0, 0x80})},
                                         InvalidUtf8{"LoneContinuation", Bytes({0x80})},
                                         InvalidUtf8{"F08FBFBF", Bytes({0xF0, 0x8F, 0xBF, 0xBF})},
                                         InvalidUtf8{"Above10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80})},
                                         InvalidUtf8{"CutThreeByte", Bytes({0xE3, 0x81})},
                                         InvalidUtf8{"BadContinuation", Bytes({0xE3, 0x41, 0x82})}),
                         [](const testing::TestParamInfo<InvalidUtf8>& info) { return std::string(info.param.name); });

}  // namespace
