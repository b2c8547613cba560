// Calibration from the two controller positions: what the result does to tracking positions of a turned
// performer, the size from the model's shoulder and degenerate inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "mmd/PMXModel.h"
#include "support/ModelBuilder.h"
#include "vr/BodyMath.h"
#include "vr/Calibration.h"

namespace {

using mnx::test::ModelBuilder;

constexpr float kTolerance = 1e-5f;
constexpr float kDeg = 3.14159265358979f / 180.0f;
const Vector3 kUp{0.0f, 1.0f, 0.0f};

void expectNear(const Vector3& actual, const Vector3& expected, float tolerance = kTolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Equal as rotations (either sign).
void expectSameRotation(const Quaternion& actual, const Quaternion& expected) {
    const float d = actual.w * expected.w + actual.x * expected.x + actual.y * expected.y + actual.z * expected.z;
    EXPECT_NEAR(std::fabs(d), 1.0f, kTolerance);
}

void expectNear(const Matrix4& actual, const Matrix4& expected) {
    for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i], expected.m[i], kTolerance) << "element " << i;
}

Vector3 turnedAboutY(float degrees, const Vector3& v) {
    return bodymath::rotate(bodymath::axisAngle(0, 1, 0, degrees * kDeg), v);
}

// A model whose "右肩" rests at `shoulderY` model units, or without one when shoulderY is negative.
std::shared_ptr<mmd::PMXModel> buildModel(float shoulderY, const std::string& file) {
    ModelBuilder b;
    const int center = b.AddBone("センター", {0, 8, 0});
    if (shoulderY >= 0.0f) b.AddBone("右肩", {-1, shoulderY, 0}, center);
    b.AddBone("左肩", {1, 30, 0}, center);
    b.AddVertex({0, 0, 0}, center);
    b.AddVertex({1, 0, 0}, center);
    b.AddVertex({0, 1, 0}, center);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("body");
    const std::string path = ::testing::TempDir() + file;
    auto model = std::make_shared<mmd::PMXModel>();
    return b.WriteFile(path) && model->Load(path, "") ? model : nullptr;
}

// The performer turned by `turn` degrees about the vertical and standing at (2, 0, −1).
class TurnedPerformerTest : public ::testing::TestWithParam<float> {};

TEST_P(TurnedPerformerTest, FacingAndRotationTurnWithThePerformer) {
    const float turn = GetParam();
    const Vector3 feet{2.0f, 0.0f, -1.0f};
    const Vector3 left = bodymath::add(feet, turnedAboutY(turn, {-0.7f, 1.5f, 0.0f}));
    const Vector3 right = bodymath::add(feet, turnedAboutY(turn, {0.7f, 1.5f, 0.0f}));
    const float shoulder = 1.5f;
    const Calibration c = calibrate(left, right, shoulder, nullptr);

    expectNear(c.center, {2.0f, 1.5f, -1.0f});
    expectNear(c.direction, turnedAboutY(turn, {0.0f, 0.0f, -1.0f}));
    // A turn about y by the same angle as the performer, from the half turn of the unturned case.
    expectSameRotation(c.srt.rotation, bodymath::axisAngle(0, 1, 0, (180.0f + turn) * kDeg));
    expectNear(c.srt.translation, {2.0f, 0.0f, -1.0f});
    expectNear(bodymath::mul(c.inverseMatrix, c.matrix), Matrix4{});

    // Through the inverse: the feet to the origin, the facing to +z and the left hand to the model's left
    // (+x) at the model's shoulder height.
    expectNear(bodymath::transformPoint(c.inverseMatrix, feet), {0.0f, 0.0f, 0.0f});
    const Vector3 facing = bodymath::rotate(c.inverseMatrix, c.direction);
    expectNear(facing, {0.0f, 0.0f, 1.0f / c.shoulderScale});
    const Vector3 leftInModel = bodymath::transformPoint(c.inverseMatrix, left);
    expectNear(leftInModel, {0.7f / c.shoulderScale, kFallbackShoulderHeight, 0.0f});
}

INSTANTIATE_TEST_SUITE_P(Turns, TurnedPerformerTest, ::testing::Values(0.0f, 90.0f, -90.0f, 135.0f));

TEST(CalibrationTest, HandsAtTheSameHorizontalPositionGiveNoFacing) {
    const Calibration c = calibrate({0.3f, 1.0f, 0.5f}, {0.3f, 1.8f, 0.5f}, 1.44f, nullptr);
    EXPECT_EQ(c.direction, (Vector3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(c.srt.rotation, Quaternion());
    expectNear(c.center, {0.3f, 1.4f, 0.5f});
    expectNear(c.srt.translation, {0.3f, -0.04f, 0.5f});
}

struct ShoulderCase {
    const char* label;
    float shoulderY;  // model units; negative: no "右肩"
    float expectedHeight;
};

class ModelShoulderTest : public ::testing::TestWithParam<ShoulderCase> {};

TEST_P(ModelShoulderTest, ScaleIsThePerformersShoulderOverTheModels) {
    const ShoulderCase& p = GetParam();
    auto model = buildModel(p.shoulderY, std::string("calibration_") + p.label + ".pmx");
    ASSERT_NE(model, nullptr);
    const Calibration c = calibrate({-0.7f, 1.4f, 0.0f}, {0.7f, 1.4f, 0.0f}, 1.44f, model.get());
    EXPECT_NEAR(c.modelShoulderHeight, p.expectedHeight, kTolerance);
    EXPECT_NEAR(c.shoulderScale, 1.44f / p.expectedHeight, kTolerance);
}

INSTANTIATE_TEST_SUITE_P(Models, ModelShoulderTest,
                         ::testing::Values(ShoulderCase{"AtPerformersHeight", 14.4f, 1.44f},
                                           ShoulderCase{"Taller", 16.0f, 1.6f},
                                           ShoulderCase{"WithoutShoulder", -1.0f, kFallbackShoulderHeight},
                                           ShoulderCase{"ShoulderOnTheFloor", 0.0f, kFallbackShoulderHeight}),
                         [](const ::testing::TestParamInfo<ShoulderCase>& info) {
                             return std::string(info.param.label);
                         });

TEST(CalibrationTest, ZeroShoulderHeightStoresAZeroScaleAndAnIdentityInverse) {
    const Calibration c = calibrate({-0.7f, 1.4f, 0.0f}, {0.7f, 1.4f, 0.0f}, 0.0f, nullptr);
    EXPECT_EQ(c.srt.scale, (Vector3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(c.inverseSrt.scale, (Vector3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(c.inverseMatrix, Matrix4{});
}

}  // namespace
