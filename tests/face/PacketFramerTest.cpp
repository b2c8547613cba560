// The phone's TCP stream cut into packets however the network groups its bytes into reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "face/PacketFramer.h"

namespace {

const std::string kTrailer = "___iFacialMocap";

std::string packet(int jawOpen) {
    return "mouthClose-8|jawOpen-" + std::to_string(jawOpen) + "|=head#1.5,2.5,3.5,0.01,0.02,0.03|" + kTrailer;
}

// Feeds each read in turn and returns what the receiver would parse after each one ("" for nothing).
std::vector<std::string> feed(PacketFramer& framer, const std::vector<std::string>& reads) {
    std::vector<std::string> taken;
    for (const std::string& read : reads) {
        framer.append(read.data(), read.size());
        const char* data = nullptr;
        std::size_t size = 0;
        taken.push_back(framer.takeNewest(&data, &size) ? std::string(data, size) : std::string());
    }
    return taken;
}

struct Delivery {
    const char* name;
    std::vector<std::string> reads;
    std::vector<std::string> expected;
};

class PacketFramerDelivery : public ::testing::TestWithParam<Delivery> {};

TEST_P(PacketFramerDelivery, GivesWholePacketsNewestFirst) {
    PacketFramer framer;
    EXPECT_EQ(feed(framer, GetParam().reads), GetParam().expected);
}

const std::string kA = packet(10);
const std::string kB = packet(45);
const size_t kInsideValue = kB.find("jawOpen-4") + 9;  // "jawOpen-4" | "5|..."
const size_t kInsideTrailer = kB.size() - 7;           // "...___iFac" | "ialMocap"
const std::string kOldApp = "mouthClose-8|jawOpen-45|=head#1.5,2.5,3.5,0.01,0.02,0.03|";

INSTANTIATE_TEST_SUITE_P(
    Reads, PacketFramerDelivery,
    ::testing::Values(
        Delivery{"one_per_read", {kA, kB}, {kA, kB}},
        // Two packets in one read: the older is stale by the time it is read.
        Delivery{"coalesced", {kA + kB}, {kB}},
        Delivery{"cut_inside_a_value", {kA + kB.substr(0, kInsideValue), kB.substr(kInsideValue)}, {kA, kB}},
        Delivery{"cut_inside_the_trailer", {kB.substr(0, kInsideTrailer), kB.substr(kInsideTrailer)}, {"", kB}},
        // Older phone apps send no trailer: a read ending with an item is one packet.
        Delivery{"no_trailer", {kOldApp, kOldApp}, {kOldApp, kOldApp}},
        Delivery{"no_trailer_cut_mid_item", {kOldApp.substr(0, 20), kOldApp.substr(20)}, {"", kOldApp}},
        // Once a trailer was seen, an item boundary is no packet boundary.
        Delivery{"trailer_then_cut_at_an_item",
                 {kA, kB.substr(0, kB.find('|') + 1), kB.substr(kB.find('|') + 1)},
                 {kA, "", kB}},
        Delivery{
            "nul_ends_the_packet_text", {"jawOpen-10|" + std::string(1, '\0') + "x|" + kTrailer}, {"jawOpen-10|"}}),
    [](const ::testing::TestParamInfo<Delivery>& info) { return std::string(info.param.name); });

TEST(PacketFramerBound, EndlessLineKeepsMemoryBoundedAndTheStreamRecovers) {
    PacketFramer framer;
    const std::string junk(8192, 'x');
    for (int i = 0; i < 128; ++i) {  // 1 MiB without a trailer
        ASSERT_EQ(feed(framer, {junk}), std::vector<std::string>{""});
        ASSERT_LE(framer.pending(), PacketFramer::kMaxPending);
    }
    // The packet whose start was lost is dropped; the next one is whole.
    EXPECT_EQ(feed(framer, {"tail of the line|" + kTrailer, kB}), (std::vector<std::string>{"", kB}));
}

}  // namespace
