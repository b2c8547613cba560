#include "ui/PagePersonalAngle.h"

#include "ui/FluentSlider.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

struct AngleCase {
    int slider;
    float Vector3::*component;
    bool head;
};

class PagePersonalAngleTest : public UiTest, public ::testing::WithParamInterface<AngleCase> {
protected:
    Vector3& field() { return GetParam().head ? settings().headAngle : settings().eyeAngle; }
};

TEST_P(PagePersonalAngleTest, SliderWritesItsComponentOnly) {
    PagePersonalAngle page;
    FluentSlider* slider = page.slider(GetParam().slider);
    EXPECT_EQ(slider->slider()->minimum(), -100);
    EXPECT_EQ(slider->slider()->maximum(), 100);
    EXPECT_EQ(slider->defaultValue(), 0);
    slider->slider()->setValue(-42);
    EXPECT_FLOAT_EQ(field().*GetParam().component, -0.42f);
    const Vector3 other = GetParam().head ? settings().eyeAngle : settings().headAngle;
    EXPECT_EQ(other, Vector3());
    EXPECT_FLOAT_EQ(field().z, 0.0f);
}

TEST_P(PagePersonalAngleTest, RefreshesOnModelLoadedWithoutWriting) {
    PagePersonalAngle page;
    field().*GetParam().component = 0.57f;
    emit settings().modelLoaded();
    EXPECT_EQ(page.slider(GetParam().slider)->value(), 57);
    field().*GetParam().component = 2.5f;  // out of the slider's range
    emit settings().modelLoaded();
    EXPECT_EQ(page.slider(GetParam().slider)->value(), 100);
    EXPECT_FLOAT_EQ(field().*GetParam().component, 2.5f);
}

INSTANTIATE_TEST_SUITE_P(Sliders, PagePersonalAngleTest,
                         ::testing::Values(AngleCase{0, &Vector3::x, false}, AngleCase{1, &Vector3::y, false},
                                           AngleCase{2, &Vector3::x, true}, AngleCase{3, &Vector3::y, true}));

class PagePersonalAngleTitleTest : public UiTest {};

TEST_F(PagePersonalAngleTitleTest, TitlesInOrder) {
    PagePersonalAngle page;
    const QStringList titles = {QStringLiteral("目の上下角度"), QStringLiteral("目の左右角度"),
                                QStringLiteral("頭の上下角度"), QStringLiteral("頭の左右角度")};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(page.slider(i)->title(), titles[i]);
}

}  // namespace
