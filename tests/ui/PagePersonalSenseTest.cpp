#include "ui/PagePersonalSense.h"

#include <QSignalSpy>

#include "ui/FluentSlider.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

struct SenseCase {
    int slider;
    const char* title;
    int KySettings::*field;
};

class PagePersonalSenseTest : public UiTest, public ::testing::WithParamInterface<SenseCase> {};

TEST_P(PagePersonalSenseTest, SliderClampsWritesItsFieldAndNotifies) {
    PagePersonalSense page;
    FluentSlider* slider = page.slider(GetParam().slider);
    EXPECT_EQ(slider->title(), QString::fromUtf8(GetParam().title));
    EXPECT_EQ(slider->tickTexts(), QStringList({"最弱", "弱", "標準", "強", "最強"}));
    EXPECT_EQ(slider->slider()->minimum(), -2);
    EXPECT_EQ(slider->slider()->maximum(), 2);
    QSignalSpy sense(&settings(), &KySettings::modelSenceChanged);
    slider->slider()->setValue(-1);
    EXPECT_EQ(settings().*GetParam().field, -1);
    emit slider->valueChanged(7);
    EXPECT_EQ(settings().*GetParam().field, 2);
    emit slider->valueChanged(-7);
    EXPECT_EQ(settings().*GetParam().field, -2);
    EXPECT_EQ(sense.count(), 3);
    int others = 0;
    for (int KySettings::*f : {&KySettings::eyeBlinkSensitivity, &KySettings::eyeSquintSensitivity,
                               &KySettings::eyeWideSensitivity, &KySettings::cheekSquintSensitivity,
                               &KySettings::mouthStretchSensitivity, &KySettings::noseSneerSensitivity,
                               &KySettings::browDownSensitivity, &KySettings::morphSensitivity}) {
        if (f != GetParam().field) others += std::abs(settings().*f);
    }
    EXPECT_EQ(others, 0);
}

TEST_P(PagePersonalSenseTest, RefreshesOnModelLoadedWithoutNotifying) {
    PagePersonalSense page;
    QSignalSpy sense(&settings(), &KySettings::modelSenceChanged);
    settings().*GetParam().field = 1;
    emit settings().modelLoaded();
    EXPECT_EQ(page.slider(GetParam().slider)->value(), 1);
    settings().*GetParam().field = 5;
    emit settings().modelLoaded();
    EXPECT_EQ(page.slider(GetParam().slider)->value(), 2);
    EXPECT_EQ(settings().*GetParam().field, 5);
    EXPECT_EQ(sense.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sliders, PagePersonalSenseTest,
    ::testing::Values(SenseCase{0, "目-まばたき", &KySettings::eyeBlinkSensitivity},
                      SenseCase{1, "目-笑い", &KySettings::eyeSquintSensitivity},
                      SenseCase{2, "目-びっくり", &KySettings::eyeWideSensitivity},
                      SenseCase{3, "口-笑い", &KySettings::cheekSquintSensitivity},
                      SenseCase{4, "口-への字", &KySettings::mouthStretchSensitivity},
                      SenseCase{5, "眉-怒り", &KySettings::noseSneerSensitivity},
                      SenseCase{6, "眉-困り", &KySettings::browDownSensitivity}));

}  // namespace
