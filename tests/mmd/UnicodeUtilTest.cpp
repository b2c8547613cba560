#include "mmd/UnicodeUtil.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

TEST(UnicodeUtilTest, U16ToU8CombinesSurrogatePairs) {
    std::string out;
    ASSERT_TRUE(mmd::ConvU16ToU8(u"\u0041\xD83D\xDE00", out));
    EXPECT_EQ(out, Bytes({0x41, 0xF0, 0x9F, 0x98, 0x80}));
}

TEST(UnicodeUtilTest, U16ToU8FailsOnHighSurrogateBeforeOtherUnit) {
    std::string out;
    EXPECT_FALSE(mmd::ConvU16ToU8(std::u16string{0xD83D, 0x0041}, out));
    EXPECT_FALSE(mmd::ConvU16ToU8(std::u16string{0xD83D, 0xD83D}, out));
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

INSTANTIATE_TEST_SUITE_P(
    Sequences, InvalidUtf8Test,
    testing::Values(InvalidUtf8{"C080", Bytes({0xC0, 0x80})}, InvalidUtf8{"C1BF", Bytes({0xC1, 0xBF})},
                    InvalidUtf8{"LoneContinuation", Bytes({0x80})}, InvalidUtf8{"E08080", Bytes({0xE0, 0x80, 0x80})},
                    InvalidUtf8{"E09FBF", Bytes({0xE0, 0x9F, 0xBF})},
                    InvalidUtf8{"F08FBFBF", Bytes({0xF0, 0x8F, 0xBF, 0xBF})},
                    InvalidUtf8{"Above10FFFF", Bytes({0xF4, 0x90, 0x80, 0x80})},
                    InvalidUtf8{"F8", Bytes({0xF8, 0x88, 0x80, 0x80, 0x80})},
                    InvalidUtf8{"CutTwoByte", Bytes({0xC3})}, InvalidUtf8{"CutThreeByte", Bytes({0xE3, 0x81})},
                    InvalidUtf8{"BadContinuation", Bytes({0xE3, 0x41, 0x82})}),
    [](const testing::TestParamInfo<InvalidUtf8>& info) { return std::string(info.param.name); });

TEST(UnicodeUtilTest, EncodeDecodeRoundTripsEveryCodePoint) {
    for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        char bytes[5] = {};
        ASSERT_TRUE(mmd::EncodeUtf8(cp, bytes)) << cp;
        uint32_t decoded = 0;
        int count = 0;
        if (cp == 0) continue;  // a zero byte is the string's end for DecodeUtf8's callers, yet decodes as U+0000
        ASSERT_TRUE(mmd::DecodeUtf8(bytes, decoded, &count)) << cp;
        ASSERT_EQ(decoded, cp);
        ASSERT_EQ(count, mmd::Utf8Length(cp));
    }
}

TEST(UnicodeUtilTest, EncodeUtf8LengthsAndLimit) {
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(mmd::EncodeUtf8(0x110000, out));
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(mmd::Utf8Length(0x7F), 1);
    EXPECT_EQ(mmd::Utf8Length(0x80), 2);
    EXPECT_EQ(mmd::Utf8Length(0x7FF), 2);
    EXPECT_EQ(mmd::Utf8Length(0x800), 3);
    EXPECT_EQ(mmd::Utf8Length(0xFFFF), 3);
    EXPECT_EQ(mmd::Utf8Length(0x10000), 4);
    EXPECT_EQ(mmd::Utf8Length(0x10FFFF), 4);
}

TEST(UnicodeUtilTest, U8ToU16WritesSurrogatePairsAndKeepsZeros) {
    std::u16string out;
    ASSERT_TRUE(mmd::ConvU8ToU16(std::string("a\0\xE3\x81\x82\xF0\x9F\x98\x80", 9), out));
    EXPECT_EQ(out, (std::u16string{u'a', 0, 0x3042, 0xD83D, 0xDE00}));
}

TEST(UnicodeUtilTest, ToUtf8StringThrowsWithItsMessage) {
    EXPECT_EQ(mmd::ToUtf8String(L"model\u3042"), "model\xE3\x81\x82");
    try {
        mmd::ToUtf8String(std::wstring{static_cast<wchar_t>(0xD83D), L'A'});
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Failed to convert UTF-8 string.");
    }
}

TEST(UnicodeUtilTest, TryToWStringGivesOneUnitPerCodePointOrPairs) {
    std::wstring out;
    ASSERT_TRUE(mmd::TryToWString("\xE3\x81\x82\xF0\x9F\x98\x80", out));
    if (sizeof(wchar_t) == 4) {
        EXPECT_EQ(out, (std::wstring{static_cast<wchar_t>(0x3042), static_cast<wchar_t>(0x1F600)}));
    } else {
        EXPECT_EQ(out.size(), 3u);
    }
    EXPECT_EQ(mmd::ToUtf8String(out), "\xE3\x81\x82\xF0\x9F\x98\x80");
}

}  // namespace
