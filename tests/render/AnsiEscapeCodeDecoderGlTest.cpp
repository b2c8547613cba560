#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/AnsiEscapeCodeDecoder.h"

namespace {

using SimpleTextImplDetails::ANSI_EscapeCodeDecoder;

struct Colour {
    bool bright = false;
    int index = 0;
    bool operator==(const Colour& o) const { return bright == o.bright && index == o.index; }
};

// Remembers each colour per layer, as the text renderer does, and counts the calls.
class RecordingExecuter : public ANSI_EscapeCodeDecoder::IEscapeCodeExecuter {
public:
    void SetColor(int which, bool bright, int index) override {
        colours[which] = {bright, index};
        ++sets[which];
    }
    void GetColor(int which, bool& bright, int& index) override {
        bright = colours[which].bright;
        index = colours[which].index;
    }
    Colour colours[2] = {{false, 7}, {false, 0}};
    int sets[2] = {0, 0};
};

struct SequenceCase {
    const char* name;
    std::string text;  // starts with the ESC
    Colour before;     // foreground before the sequence
    size_t next;
    bool blankCell;
    Colour foreground;
    int background;
    int foregroundSets;
    int backgroundSets;
};

class EscapeSequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(EscapeSequenceTest, AppliesTheSequence) {
    const SequenceCase& c = GetParam();
    RecordingExecuter executer;
    executer.colours[0] = c.before;
    executer.colours[1] = {false, 2};
    ANSI_EscapeCodeDecoder decoder(&executer);
    const auto result = decoder.Decode(c.text.data(), c.text.size(), 0);
    EXPECT_EQ(result.next, c.next);
    EXPECT_EQ(result.blankCell, c.blankCell);
    EXPECT_EQ(executer.colours[0].bright, c.foreground.bright);
    EXPECT_EQ(executer.colours[0].index, c.foreground.index);
    EXPECT_EQ(executer.colours[1].index, c.background);
    EXPECT_EQ(executer.sets[0], c.foregroundSets);
    EXPECT_EQ(executer.sets[1], c.backgroundSets);
}

const Colour kGrey{false, 7};
const Colour kBlue{false, 4};

INSTANTIATE_TEST_SUITE_P(
    Complete, EscapeSequenceTest,
    ::testing::Values(SequenceCase{"BrightRed", "\x1b[31;1mA", kGrey, 7, false, {true, 1}, 2, 1, 0},
                      SequenceCase{"LastColourWhite", "\x1b[37m", kBlue, 5, false, {false, 7}, 2, 1, 0},
                      SequenceCase{"ColourKeepsBrightness", "\x1b[33m", {true, 4}, 5, false, {true, 3}, 2, 1, 0},
                      SequenceCase{"ResetBoth", "\x1b[0m", {true, 4}, 4, false, {false, 7}, 0, 1, 1},
                      SequenceCase{"DefaultForeground", "\x1b[39m", kBlue, 5, false, {false, 7}, 2, 1, 0},
                      SequenceCase{"BackgroundOnly", "\x1b[44m", kBlue, 5, false, kBlue, 4, 0, 1},
                      SequenceCase{"HugeNumberIgnored", "\x1b[99999999999999999999999;45m", kBlue, 29, false, kBlue, 5,
                                   0, 1},
                      SequenceCase{"OnlyTheFirstSequence", "\x1b[31m\x1b[32m", kGrey, 5, false, {false, 1}, 2, 1, 0}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Broken, EscapeSequenceTest,
                         ::testing::Values(SequenceCase{"EscAlone", "\x1b", kBlue, 1, true, kBlue, 2, 0, 0},
                                           SequenceCase{"EndsAfterDigits", "\x1b[31", kBlue, 4, true, kBlue, 2, 0, 0},
                                           SequenceCase{"OtherFinalByte", "\x1b[31H", kBlue, 1, true, kBlue, 2, 0, 0}),
                         [](const ::testing::TestParamInfo<SequenceCase>& info) {
                             return std::string(info.param.name);
                         });

// A broken sequence leaves its codes behind unapplied; the next ESC starts from cleared flags.
TEST(AnsiEscapeCodeDecoderTest, BrokenSequenceDoesNotLeakIntoTheNext) {
    RecordingExecuter executer;
    ANSI_EscapeCodeDecoder decoder(&executer);
    const std::string text = "\x1b[0;44x\x1b[1m";
    const auto broken = decoder.Decode(text.data(), text.size(), 0);
    EXPECT_TRUE(broken.blankCell);
    const auto applied = decoder.Decode(text.data(), text.size(), 7);
    EXPECT_FALSE(applied.blankCell);
    EXPECT_EQ(applied.next, text.size());
    EXPECT_EQ(executer.colours[0], (Colour{true, 7}));
    EXPECT_EQ(executer.sets[1], 0);
}

}  // namespace
