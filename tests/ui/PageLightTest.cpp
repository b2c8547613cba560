#include "ui/FluentSlider.h"
#include "ui/PageLight.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

class PageLightTest : public UiTest {};

TEST_F(PageLightTest, SlidersShowTheNegatedDirectionAndWriteItBack) {
    settings().lightDir = Vector3{-90.0f, -180.0f, 45.0f};
    PageLight page;
    EXPECT_EQ(page.slider(0)->value(), 90);
    EXPECT_EQ(page.slider(1)->value(), 180);
    EXPECT_EQ(page.slider(2)->value(), -45);
    page.slider(1)->slider()->setValue(-30);
    EXPECT_EQ(settings().lightDir, (Vector3{-90.0f, 30.0f, 45.0f}));
}

}  // namespace
