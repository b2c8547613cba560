#include <QFontMetrics>
#include <QTest>
#include <QVariantAnimation>

#include "app/base/DpiScale.h"
#include "ui/FluentLabel.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class FluentLabelTest : public UiTest {};

QFont valueFont(const QWidget& w) {
    QFont f = w.font();
    f.setPointSizeF(f.pointSizeF() * 0.8);
    return f;
}

struct ElisionCase {
    int width;
    bool chevron;
};

class FluentLabelElisionTest : public UiTest, public ::testing::WithParamInterface<ElisionCase> {};

// Title elided at its right end to the available width, the value in the middle to what is left.
TEST_P(FluentLabelElisionTest, ElidesTitleAtTheRightAndValueInTheMiddle) {
    const QString title = QStringLiteral("とても長いタイトルのある設定の行です");
    const QString value = QStringLiteral("C:/very/long/path/to/a/model/file/sample.pmx");
    FluentLabel row(title);
    row.setValueText(value);
    row.setChevron(GetParam().chevron);
    row.resize(GetParam().width, row.height());
    const int available = GetParam().width - 2 * dpiScaled(8) - dpiScaled(4) - (GetParam().chevron ? dpiScaled(14) : 0);
    const QFontMetrics titleMetrics(row.font());
    const QFontMetrics valueMetrics(valueFont(row));
    ASSERT_GT(titleMetrics.horizontalAdvance(title) + valueMetrics.horizontalAdvance(value), available);

    const QString shownTitle = row.elidedTitle();
    EXPECT_EQ(shownTitle, titleMetrics.elidedText(title, Qt::ElideRight, available));
    EXPECT_LE(titleMetrics.horizontalAdvance(shownTitle), available);
    if (titleMetrics.horizontalAdvance(title) > available) {
        EXPECT_TRUE(shownTitle.endsWith(QChar(0x2026)));
    }

    const int left = available - titleMetrics.horizontalAdvance(shownTitle);
    EXPECT_EQ(row.elidedValue(), valueMetrics.elidedText(value, Qt::ElideMiddle, left));
}

INSTANTIATE_TEST_SUITE_P(Widths, FluentLabelElisionTest,
                         ::testing::Values(ElisionCase{120, false}, ElisionCase{120, true}, ElisionCase{200, false},
                                           ElisionCase{260, true}));

int distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// A press darkens the row at once; on release the shade fades back, so a quarter of the way from the end it is
// still nearer the resting colour than the pressed one.
TEST_F(FluentLabelTest, PressDarkensTheRowAndReleaseFadesBack) {
    FluentLabel row(QStringLiteral("正面補正"));
    row.resize(200, row.height());
    row.show();
    const QPoint spot(row.width() - 20, row.height() / 2);
    auto shade = [&] { return row.grab().toImage().pixelColor(spot); };
    const QColor rest = shade();
    QTest::mousePress(&row, Qt::LeftButton);
    const QColor pressed = shade();
    EXPECT_GT(distance(rest, pressed), 30);
    QTest::mouseRelease(&row, Qt::LeftButton);
    auto* fade = row.findChild<QVariantAnimation*>();
    ASSERT_NE(fade, nullptr);
    mnx::test::setAnimationTime(fade, fade->duration() * 3 / 4);
    const QColor late = shade();
    EXPECT_LT(distance(late, rest), distance(late, pressed)) << late.name().toStdString();
    EXPECT_GT(distance(late, rest), 0);
    mnx::test::setAnimationTime(fade, fade->duration());
    EXPECT_EQ(shade(), rest);
}

TEST_F(FluentLabelTest, RoundsOnlyTheOuterCornersOfAGroup) {
    KyItemGroupWidget group;
    auto* first = new FluentLabel(QStringLiteral("first"));
    auto* last = new FluentLabel(QStringLiteral("last"));
    group.addRow(first);
    group.addRow(last);
    group.resize(200, 2 * dpiScaled(32));
    auto render = [](QWidget* w) {
        QImage image(w->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        w->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    const QImage a = render(first);
    const QImage b = render(last);
    // Corner pixels of the rounded side are (nearly) transparent; the square side is painted.
    EXPECT_LT(qAlpha(a.pixel(0, 0)), 64);
    EXPECT_GT(qAlpha(a.pixel(0, a.height() - 3)), 200);
    EXPECT_GT(qAlpha(b.pixel(0, 0)), 200);
    EXPECT_LT(qAlpha(b.pixel(b.width() - 1, b.height() - 1)), 64);
}

}  // namespace
