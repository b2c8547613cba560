#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "mmd/SjisToUnicode.h"

namespace {

// Single bytes: ASCII as is, half-width katakana, and the bytes no text holds replaced.
TEST(SjisToUnicodeTest, SingleBytesAndBrokenPairs) {
    EXPECT_EQ(mmd::ConvertSjisToU16String("\\~\xB1\xDF"), u"\\~\uFF71\uFF9F");
    EXPECT_EQ(mmd::ConvertSjisToU16String("\x7F\x80\xA0\xF0\xFF"), std::u16string(5, 0xFFFF));
    // A trail outside 0x40..0xFC consumes only the lead; a lone lead at the end is replaced.
    EXPECT_EQ(mmd::ConvertSjisToU16String("\x81\x30"), (std::u16string{0xFFFF, u'0'}));
    EXPECT_EQ(mmd::ConvertSjisToU16String("a\x81"), (std::u16string{u'a', 0xFFFF}));
}

TEST(SjisToUnicodeTest, BoundedVariantStopsAtLimitOrZero) {
    // Fixed-size name fields may fill every byte: a lead byte in the last position must not read further.
    const char field[4] = {'a', 'b', 'c', '\x82'};
    EXPECT_EQ(mmd::ConvertSjisToU16String(field, 4), (std::u16string{u'a', u'b', u'c', 0xFFFF}));
    EXPECT_EQ(mmd::ConvertSjisToU16String(field, 2), u"ab");
    EXPECT_EQ(mmd::ConvertSjisToU8String("\x82\xA0\0zz", 5), "\xE3\x81\x82");
    EXPECT_TRUE(mmd::ConvertSjisToU8String(nullptr, 0).empty());
}

// Every double-byte pair the decoder looks up must match the C library's code page 932 converter.
TEST(SjisToUnicodeTest, DoubleByteRangeMatchesIconv) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "iconv lacks CP932";
    int checked = 0;
    for (int lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            unsigned char out[8] = {};
            char* inPtr = in;
            char* outPtr = reinterpret_cast<char*>(out);
            size_t inLeft = 2, outLeft = sizeof(out);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0 &&
                            outLeft == sizeof(out) - 2;
            const char16_t expected = ok ? static_cast<char16_t>(out[0] | (out[1] << 8)) : char16_t(0xFFFF);
            const char text[3] = {in[0], in[1], 0};
            ASSERT_EQ(mmd::ConvertSjisToU16String(text), std::u16string(1, expected))
                << std::hex << lead << " " << trail;
            ++checked;
        }
    }
    iconv_close(cd);
    EXPECT_EQ(checked, 47 * 189);
}

}  // namespace
