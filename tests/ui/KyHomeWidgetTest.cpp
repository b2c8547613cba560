#include "ui/KyHomeWidget.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>

#include "app/base/DpiScale.h"
#include "ui/HomeButtonWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class KyHomeWidgetTest : public UiTest {};

TEST_F(KyHomeWidgetTest, NameBarAndSubtitle) {
    KyHomeWidget page;
    EXPECT_EQ(page.windowTitle(), QStringLiteral(" "));
    EXPECT_EQ(page.accessibleName(), QString());
    QStringList texts;
    for (const QLabel* label : page.findChildren<QLabel*>()) texts.append(label->text());
    EXPECT_TRUE(texts.contains(QStringLiteral("Marionix")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Motion Capture Application")));
    auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(page.bar()->graphicsEffect());
    ASSERT_NE(shadow, nullptr);
    EXPECT_DOUBLE_EQ(shadow->blurRadius(), 27);
    EXPECT_EQ(shadow->offset(), QPointF(0, 2));
    EXPECT_EQ(shadow->color(), QColor(0, 0, 0, 96));
}

TEST_F(KyHomeWidgetTest, BarBlocksShareTheWidthWithSixPixelGaps) {
    HomeButtonWidget bar;
    bar.resize(152, 16);
    const QList<QRect> blocks = bar.blocks();
    const int gap = dpiScaled(6);
    const int width = (152 - 2 * gap) / 3;
    ASSERT_EQ(blocks.size(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(blocks[i], QRect(i * (width + gap), 0, width, 16));
    bar.setGraphicsEffect(nullptr);
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(image.pixelColor(blocks[0].center()), QColor(149, 117, 205));
    EXPECT_EQ(image.pixelColor(blocks[1].center()), QColor(240, 98, 146));
    EXPECT_EQ(image.pixelColor(blocks[2].center()), QColor(0, 188, 212));
}

}  // namespace
