// Kinds by exact morph name and sensitivity values as easing curves.
#include <gtest/gtest.h>

#include "vr/FaceMorphBinding.h"

namespace {

TEST(FaceMorphBindingTest, KindsFollowExactNames) {
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("noseSneer_L")), 1);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("noseSneer_R")), 2);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("browDown_L")), 3);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("browDown_R")), 4);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("eyeSquint_L")), 5);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("eyeSquint_R")), 6);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("eyeBlink_L")), 7);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("eyeBlink_R")), 8);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("cheekSquint_L")), 9);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("cheekSquint_R")), 10);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("browInnerUp")), 11);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("mouthSmile_L")), 12);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("mouthSmile_R")), 13);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("tongueOut")), 14);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("jawOpen")), 0);
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("eyeblink_L")), 0) << "case-sensitive";
    EXPECT_EQ(FaceMorphBinding::kindOf(QStringLiteral("eyeBlink_L ")), 0) << "exact";
}

TEST(FaceMorphBindingTest, SensitivityValuesMapToCurvesAndOthersToLinear) {
    EXPECT_EQ(FaceMorphBinding::curveOf(-3).type(), QEasingCurve::InBack);
    EXPECT_EQ(FaceMorphBinding::curveOf(-2).type(), QEasingCurve::InCubic);
    EXPECT_EQ(FaceMorphBinding::curveOf(-1).type(), QEasingCurve::InQuad);
    EXPECT_EQ(FaceMorphBinding::curveOf(0).type(), QEasingCurve::Linear);
    EXPECT_EQ(FaceMorphBinding::curveOf(1).type(), QEasingCurve::OutQuad);
    EXPECT_EQ(FaceMorphBinding::curveOf(2).type(), QEasingCurve::OutCubic);
    EXPECT_EQ(FaceMorphBinding::curveOf(3).type(), QEasingCurve::OutBack);
    EXPECT_EQ(FaceMorphBinding::curveOf(5).type(), QEasingCurve::Linear);
    EXPECT_EQ(FaceMorphBinding::curveOf(-4).type(), QEasingCurve::Linear);
    FaceMorphBinding binding;
    EXPECT_EQ(binding.curve.type(), QEasingCurve::Linear) << "linear at creation";
    EXPECT_EQ(binding.slot, -1);
}

}  // namespace
