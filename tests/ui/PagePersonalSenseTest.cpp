#include <QSignalSpy>

#include "ui/FluentSlider.h"
#include "ui/PagePersonalSense.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

struct SenseCase {
    int slider;
    int KySettings::*field;
};

class PagePersonalSenseTest : public UiTest, public ::testing::WithParamInterface<SenseCase> {};

TEST_P(PagePersonalSenseTest, SliderClampsWritesItsFieldAndNotifies) {
    PagePersonalSense page;
    FluentSlider* slider = page.slider(GetParam().slider);
    QSignalSpy sense(&settings(), &KySettings::modelSenceChanged);
    slider->slider()->setValue(-1);
    EXPECT_EQ(settings().*GetParam().field, -1);
    emit slider->valueChanged(7);
    EXPECT_EQ(settings().*GetParam().field, 2);
    emit slider->valueChanged(-7);
    EXPECT_EQ(settings().*GetParam().field, -2);
    EXPECT_EQ(sense.count(), 3);
    int others = 0;
    for (int KySettings::*f :
         {&KySettings::eyeBlinkSensitivity, &KySettings::eyeSquintSensitivity, &KySettings::eyeWideSensitivity,
          &KySettings::cheekSquintSensitivity, &KySettings::mouthStretchSensitivity, &KySettings::noseSneerSensitivity,
          &KySettings::browDownSensitivity, &KySettings::morphSensitivity}) {
        if (f != GetParam().field) others += std::abs(settings().*f);
    }
    EXPECT_EQ(others, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sliders, PagePersonalSenseTest,
    ::testing::Values(SenseCase{0, &KySettings::eyeBlinkSensitivity}, SenseCase{1, &KySettings::eyeSquintSensitivity},
                      SenseCase{2, &KySettings::eyeWideSensitivity}, SenseCase{3, &KySettings::cheekSquintSensitivity},
                      SenseCase{4, &KySettings::mouthStretchSensitivity},
                      SenseCase{5, &KySettings::noseSneerSensitivity}, SenseCase{6, &KySettings::browDownSensitivity}));

}  // namespace
