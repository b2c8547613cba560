#include "ui/FluentLabel.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "app/base/DpiScale.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/SlidingStackedWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class FluentLabelTest : public UiTest {};

QFont valueFont(const QWidget& w) {
    QFont f = w.font();
    f.setPointSizeF(f.pointSizeF() * 0.8);
    return f;
}

TEST_F(FluentLabelTest, ShowsBothTextsWholeWhenTheyFit) {
    FluentLabel row(QStringLiteral("バージョン"));
    row.setValueText(QStringLiteral("101"));
    row.resize(300, row.height());
    EXPECT_EQ(row.elidedTitle(), QStringLiteral("バージョン"));
    EXPECT_EQ(row.elidedValue(), QStringLiteral("101"));
    EXPECT_EQ(row.text(), QStringLiteral("バージョン"));
    EXPECT_EQ(row.height(), dpiScaled(32));
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
    if (row.elidedValue().size() > 1 && row.elidedValue() != value) {
        const QString shown = row.elidedValue();
        const int dots = shown.indexOf(QChar(0x2026));
        EXPECT_GT(dots, 0) << shown.toStdString();
        EXPECT_LT(dots, shown.size() - 1) << shown.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, FluentLabelElisionTest,
                         ::testing::Values(ElisionCase{120, false}, ElisionCase{120, true}, ElisionCase{200, false},
                                           ElisionCase{260, true}));

TEST_F(FluentLabelTest, ShortTitleKeepsItselfAndTheValueTakesTheRest) {
    FluentLabel row(QStringLiteral("モデル"));
    const QString value = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz");
    row.setValueText(value);
    row.resize(180, row.height());
    EXPECT_EQ(row.elidedTitle(), QStringLiteral("モデル"));
    EXPECT_NE(row.elidedValue(), value);
    EXPECT_TRUE(row.elidedValue().startsWith(QStringLiteral("abc")));
    EXPECT_TRUE(row.elidedValue().endsWith(QStringLiteral("xyz")));
}

TEST_F(FluentLabelTest, HighlightColourMixesByTruncatedPercent) {
    const QColor background(255, 255, 255, 224);
    const QColor darker = background.darker(120);
    EXPECT_EQ(FluentLabel::highlightColor(0.0), background);
    EXPECT_EQ(FluentLabel::highlightColor(1.0), darker);
    const QColor half = FluentLabel::highlightColor(0.505);
    // p = 50: darker * 50 / 100 + background * 50 / 100, each product truncated.
    EXPECT_EQ(half.red(), darker.red() * 50 / 100 + 255 * 50 / 100);
    EXPECT_EQ(half.green(), darker.green() * 50 / 100 + 255 * 50 / 100);
    EXPECT_EQ(half.alpha(), darker.alpha() * 50 / 100 + 224 * 50 / 100);
}

TEST_F(FluentLabelTest, PressSetsFullHighlightAndReleaseFadesItOverOneHundredFiftyMs) {
    FluentLabel row(QStringLiteral("正面補正"));
    row.resize(200, row.height());
    row.show();
    QTest::mousePress(&row, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(row.highlight(), 1.0);
    QTest::mouseRelease(&row, Qt::LeftButton);
    QVariantAnimation* fade = row.highlightAnimation();
    EXPECT_EQ(fade->duration(), 150);
    EXPECT_EQ(fade->state(), QAbstractAnimation::Running);
    mnx::test::setAnimationTime(fade, 75);
    EXPECT_NEAR(row.highlight(), 0.5, 1e-9);
    mnx::test::setAnimationTime(fade, 150);
    EXPECT_DOUBLE_EQ(row.highlight(), 0.0);
}

TEST_F(FluentLabelTest, GroupKnowsItsFirstAndLastShownRows) {
    KyItemGroupWidget group;
    auto* a = new FluentLabel(QStringLiteral("a"));
    auto* b = new FluentLabel(QStringLiteral("b"));
    auto* c = new FluentLabel(QStringLiteral("c"));
    group.addRow(a);
    group.addRow(b);
    group.addRow(c);
    EXPECT_TRUE(group.isFirst(a));
    EXPECT_FALSE(group.isLast(a));
    EXPECT_FALSE(group.isFirst(b));
    EXPECT_FALSE(group.isLast(b));
    EXPECT_TRUE(group.isLast(c));
    c->hide();
    EXPECT_TRUE(group.isLast(b));
    FluentLabel stranger(QStringLiteral("x"));
    EXPECT_FALSE(group.isFirst(&stranger));
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

TEST_F(FluentLabelTest, LinkedRowReportsItsPageAndStack) {
    qRegisterMetaType<SlidingStackedWidget*>();
    SlidingStackedWidget stack;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* inner = new QWidget(page);
    layout->addWidget(inner);
    auto* row = new FluentLabel(QStringLiteral("3D表示設定"), inner);
    stack.addWidget(page);
    stack.addWidget(new QWidget);
    QSignalSpy calls(row, &FluentLabel::emitPageCall);
    row->click();
    EXPECT_EQ(calls.count(), 0);  // no link set
    row->setLinkIndex(1);
    row->click();
    ASSERT_EQ(calls.count(), 1);
    EXPECT_EQ(calls[0][0].value<QWidget*>(), page);
    EXPECT_EQ(calls[0][1].value<SlidingStackedWidget*>(), &stack);
    EXPECT_EQ(calls[0][2].toInt(), 1);
}

}  // namespace
