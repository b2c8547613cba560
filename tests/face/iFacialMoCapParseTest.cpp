// Packet parsing of the face-capture receiver: items, mirror handling, frames, readers and hostile input.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QString>
#include <algorithm>
#include <atomic>
#include <cmath>

#include "../support/CountingMalloc.h"
#include "PhoneFrame.h"
#include "ScriptedPhone.h"
#include "SyntheticPerformance.h"
#include "face/FaceMath.h"
#include "face/iFacialMoCap.h"

namespace {

constexpr float kDeg = 3.14159265358979323846f / 180.0f;

QString packet(const std::vector<std::string>& items) { return QString::fromStdString(ScriptedPhone::packet(items)); }

iFacialMoCap::Settings settingsWith(bool mirror, float eyeRotMul = 1.0f, Vector3 headAngle = {},
                                    Vector3 eyeAngle = {}) {
    iFacialMoCap::Settings s;
    s.mirror = mirror;
    s.eyeRotMul = eyeRotMul;
    s.headAngle = headAngle;
    s.eyeAngle = eyeAngle;
    s.camAddress = "127.0.0.1";
    return s;
}

void expectNear(const Quaternion& a, const Quaternion& b) {
    EXPECT_NEAR(a.w, b.w, 1e-5f);
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

void expectFinite(const FaceFrame& f) {
    for (float v : f.values) ASSERT_TRUE(std::isfinite(v));
    for (const Quaternion& q : {f.headRotation, f.leftEyeRotation, f.rightEyeRotation}) {
        ASSERT_TRUE(std::isfinite(q.w) && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z));
    }
    for (const Vector3& v : {f.headAngles, f.headPosition}) {
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    }
}

class ParseTest : public ::testing::Test {
protected:
    ParseTest() { receiver.setSettings(settingsWith(true)); }
    iFacialMoCap receiver;
};

std::string padded(const std::string& text) {
    return text + std::string(100 - std::min<size_t>(text.size(), 100), '|');
}

// Packets parsed in turn, and the value one shape has then.
struct ValueCase {
    const char* name;
    std::vector<std::string> packets;
    const char* shape;
    float expected;
};

class ValueTest : public ParseTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueTest, ShapeValueAfterThePackets) {
    for (const std::string& text : GetParam().packets) receiver.Parse(QString::fromStdString(text));
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(receiver.IndexOf(GetParam().shape)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, ValueTest,
    ::testing::Values(
        ValueCase{"percent", {padded("eyeBlink_L-100|jawOpen-45|")}, "jawOpen", 0.45f},
        ValueCase{"malformed_number", {padded("jawOpen-30|"), padded("jawOpen-7x|")}, "jawOpen", 0.0f},
        ValueCase{"not_two_parts",
                  {padded("jawOpen-30|"), padded("jawOpen-10-20|jawOpen|-jawOpen-|a#b#c|#5|")},
                  "jawOpen",
                  0.30f},
        ValueCase{
            "unmentioned_kept", {padded("jawOpen-20|mouthClose-10|"), padded("jawOpen-60|")}, "mouthClose", 0.10f},
        ValueCase{"short_packet_ignored", {padded("jawOpen-60|"), "jawOpen-99|"}, "jawOpen", 0.60f},
        ValueCase{"text_after_trailer", {padded("jawOpen-20|") + "___iFacialMocapjawOpen-90|"}, "jawOpen", 0.20f}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST_F(ParseTest, NameTableFollowsTheMirrorSetting) {
    EXPECT_EQ(receiver.IndexOf("eyeBlink_L"), 14);
    receiver.setSettings(settingsWith(false));
    receiver.onModelLRChanged();
    EXPECT_EQ(receiver.IndexOf("eyeBlink_L"), 15);
    receiver.Parse(packet({"eyeBlink_L-100"}));
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(15), 1.0f);
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(14), 0.0f);
}

struct EyeCase {
    bool mirror;
    bool writesRight;
    float ySign;
};

class EyeItemTest : public ::testing::TestWithParam<EyeCase> {};

TEST_P(EyeItemTest, RightEyeItemGoesToTheSideAndSignOfTheMirrorSetting) {
    const EyeCase c = GetParam();
    iFacialMoCap receiver;
    const Vector3 eyeAngle{0.2f, 0.4f, 0.0f};
    receiver.setSettings(settingsWith(c.mirror, 1.5f, {}, eyeAngle));
    receiver.Parse(packet({"rightEye#10,20,30"}));
    const FaceFrame f = receiver.LatestFrame();
    const float k = 1.5f * kDeg;
    // Mirror off: y and z are negated; mirror on: they keep their sign and the item feeds the left eye.
    const Quaternion expected = facemath::multiply(
        facemath::multiply(facemath::fromEuler(10 * k, c.ySign * 20 * k, c.ySign * 30 * k), facemath::rotationX(-0.1f)),
        facemath::rotationY(-0.2f));
    expectNear(c.writesRight ? f.rightEyeRotation : f.leftEyeRotation, expected);
    expectNear(c.writesRight ? f.leftEyeRotation : f.rightEyeRotation, Quaternion{});
}

INSTANTIATE_TEST_SUITE_P(Mirror, EyeItemTest,
                         ::testing::Values(EyeCase{false, true, -1.0f}, EyeCase{true, false, 1.0f}));

TEST_F(ParseTest, HeadItemGivesRotationAnglesAndPosition) {
    receiver.setSettings(settingsWith(false, 1.0f, {0.3f, -0.2f, 0.0f}));
    receiver.Parse(packet({"=head#10,20,30,1,2,3"}));
    FaceFrame f = receiver.LatestFrame();
    const Quaternion expected = facemath::multiply(
        facemath::multiply(facemath::fromEuler(10 * kDeg, -20 * kDeg, -30 * kDeg), facemath::rotationX(-0.15f)),
        facemath::rotationY(0.1f));
    expectNear(f.headRotation, expected);
    const Quaternion back = facemath::fromEuler(f.headAngles.x, f.headAngles.y, f.headAngles.z);
    expectNear(back, expected);
    EXPECT_FLOAT_EQ(f.headPosition.x, -1.0f);
    EXPECT_FLOAT_EQ(f.headPosition.y, 2.0f);
    EXPECT_FLOAT_EQ(f.headPosition.z, 3.0f);

    receiver.setSettings(settingsWith(true));
    receiver.Parse(packet({"=head#0,0,0,1,2,3"}));
    EXPECT_FLOAT_EQ(receiver.LatestFrame().headPosition.x, 1.0f);
}

TEST_F(ParseTest, ReadersGivePreviousOrTheMidpoint) {
    receiver.setSettings(settingsWith(false));
    receiver.Parse(packet({"=head#0,0,0,1,2,4", "rightEye#0,0,0"}));
    receiver.Parse(packet({"=head#20,0,0,3,4,8", "rightEye#20,0,0"}));
    EXPECT_FLOAT_EQ(receiver.HeadPosition(false).x, -1.0f);
    EXPECT_FLOAT_EQ(receiver.HeadPosition(true).x, -2.0f);
    EXPECT_FLOAT_EQ(receiver.HeadPosition(true).z, 6.0f);
    expectNear(receiver.HeadRotation(true), facemath::fromEuler(10 * kDeg, 0, 0));
    expectNear(receiver.RightEyeRotation(true), facemath::fromEuler(10 * kDeg, 0, 0));
    expectNear(receiver.LeftEyeRotation(true), Quaternion{});
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(-1), 0.0f);
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(53), 0.0f);
}

// Hostile packets: each must parse without a fault and leave only finite numbers behind, the head position within
// its plausible range (1e38 would overflow in the body step) and blend shapes at most 1.
class HostilePacketTest : public ::testing::TestWithParam<std::string> {};

TEST_P(HostilePacketTest, ParsesToFiniteValues) {
    iFacialMoCap receiver;
    receiver.setSettings(settingsWith(false));
    const std::string& bytes = GetParam();
    receiver.Parse(QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size())));
    receiver.Parse(QString::fromLatin1(bytes.data(), static_cast<int>(bytes.size())));
    expectFinite(receiver.LatestFrame());
    expectFinite(receiver.PreviousFrame());
    const FaceFrame f = receiver.LatestFrame();
    for (float v : {f.headPosition.x, f.headPosition.y, f.headPosition.z}) {
        EXPECT_LE(std::fabs(v), iFacialMoCap::kMaxHeadPosition);
    }
    EXPECT_LE(receiver.BlendShapeValue(receiver.IndexOf("jawOpen")), 1.0f);
}

std::string manyItems() {
    std::string s;
    for (int i = 0; i < 10000; ++i) s += (i % 3 == 0 ? "=head#1,2,3,4,5,6|" : i % 3 == 1 ? "jawOpen-50|" : "x-1|");
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, HostilePacketTest,
    ::testing::Values(std::string(8192, '#'), std::string(200, '|'),
                      std::string("\xff\xfe\xc3\x28\xa0\xa1\xe2\x28\xa1\xf0\x28\x8c\xbc") + std::string(120, '\x80'),
                      ScriptedPhone::packet({"jawOpen-1e999", "mouthClose-99999999999", "tongueOut--2147483648"}),
                      ScriptedPhone::packet({"=head#1e999,nan,-inf,inf,NaN,1e-999", "rightEye#nan,nan,nan"}),
                      ScriptedPhone::packet({"leftEye#1e38,1e38,1e38", "=head#", "=head#,,,,,,,,,,,,"}),
                      ScriptedPhone::packet({"=head#1e38,-1e38,1e38,1e38,-1e38,1e38", "jawOpen-9999"}),
                      ScriptedPhone::packet({"=head#1e6,1e6,1e6,1e6,1e6,1e6"}),
                      ScriptedPhone::packet({"rightEye#1,2,3,4,5,6,7,8,9,10,11,12", "=head#1"}), manyItems(),
                      std::string(100, '\0') + "jawOpen-50|"));

TEST(ParseMemory, FreshNamesDoNotGrowMemory) {
    iFacialMoCap receiver;
    receiver.setSettings(settingsWith(true));
    auto parseFresh = [&](int from, int count) {
        for (int i = from; i < from + count; ++i) {
            receiver.Parse(packet({"name" + std::to_string(i) + "-5", "other" + std::to_string(i) + "x-7"}));
        }
    };
    parseFresh(0, 1000);
    const std::size_t before = mallinfo2().uordblks;
    parseFresh(1000, 100000);
    const std::size_t after = mallinfo2().uordblks;
    EXPECT_LT(after > before ? after - before : 0, 64u * 1024u);
    EXPECT_EQ(receiver.IndexOf("name5000"), -1);
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(0), 0.07f);
}

TEST(ParseMemory, SteadyStateParseAllocatesNothing) {
#if MNX_COUNT_MALLOC
    iFacialMoCap receiver;
    receiver.setSettings(settingsWith(true));
    SyntheticPerformance performance;
    std::vector<QString> packets;
    for (int i = 0; i < 100; ++i) packets.push_back(QString::fromUtf8(performance.frameAt(i / 60.0).toPacket()));
    for (const QString& p : packets) receiver.Parse(p);
    const long before = g_allocations.load();
    for (int round = 0; round < 10; ++round) {
        for (const QString& p : packets) receiver.Parse(p);
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
#else
    GTEST_SKIP() << "allocation counting is off under sanitizers";
#endif
}

}  // namespace
