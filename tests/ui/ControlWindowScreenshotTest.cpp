// The control window as it is drawn: Japanese text has a font with its glyphs, a slid-in page keeps the host's
// background and the title text is painted.
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include "app/base/SolutionSignals.h"
#include "ui/FakeSolution.h"
#include "ui/FluentIconButton.h"
#include "ui/FluentLabel.h"
#include "ui/FluentTitleLabel.h"
#include "ui/KyControlWidget.h"
#include "ui/KyMainWidget.h"
#include "ui/KySettingWidget.h"
#include "ui/KySideBarWidget.h"
#include "ui/PageRender.h"
#include "ui/SlidingStackedWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::finishAnimations;
using mnx::test::processEvents;
using mnx::test::UiTest;

class ControlWindowScreenshotTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        QDir pose(resourceDir() + QStringLiteral("/pose"));
        for (const char* name : {"default", "dance"}) pose.mkpath(QString::fromLatin1(name));
        settings().modelPaths =
            QStringList{QStringLiteral("/r/model/0_sample/sample.pmx"), QStringLiteral("/r/model/ミク/ミク.pmx")};
        settings().pmxName = settings().modelPaths[0];
        setSolutionSignals(&solution);
        main = std::make_unique<mnx::test::FakeMainWindow>();
        control = new KyControlWidget(main.get());
        control->show();
        processEvents();
    }
    void TearDown() override {
        main.reset();
        setSolutionSignals(nullptr);
        UiTest::TearDown();
    }
    void settle() {
        finishAnimations(control);
        processEvents();
    }
    void slide(SlidingStackedWidget* stack, FluentLabel* row) {
        row->click();
        finishAnimations(stack);
    }
    void showPage(int index) { QTest::mouseClick(control->sideBar()->button(index), Qt::LeftButton); }
    KyMainWidget* host() { return control->mainWidget(); }

    mnx::test::FakeSolution solution;
    std::unique_ptr<mnx::test::FakeMainWindow> main;
    KyControlWidget* control = nullptr;
};

TEST_F(ControlWindowScreenshotTest, JapaneseTextHasAFontWithItsGlyphs) {
    const QFont font = host()->titleLabel()->font();
    EXPECT_TRUE(QFontInfo(font).family().contains(QStringLiteral("CJK"))) << QFontInfo(font).family().toStdString();
    const QFontMetrics metrics(font);
    for (QChar c : QStringLiteral("設定キャプチャー情報戻る")) EXPECT_TRUE(metrics.inFont(c)) << c.unicode();
}

// A sub-page that slid in shows the host's colour between its groups, not a cleared (transparent) hole.
TEST_F(ControlWindowScreenshotTest, SlidInPagesKeepTheHostBackground) {
    showPage(2);
    KySettingWidget* settingPage = host()->settingPage();
    slide(settingPage->stack(), settingPage->renderRow());
    settle();
    EXPECT_EQ(host()->titleLabel()->text(), QStringLiteral("3D表示設定"));
    QWidget* page = settingPage->pageRender();
    const QImage image = control->grab().toImage();
    int host = 0;
    for (int y = 0; y < page->height(); ++y) {
        const QPoint p = page->mapTo(control, QPoint(page->width() / 2, y));
        if (p.y() >= image.height()) break;
        host += image.pixelColor(p) == QColor(237, 238, 244);
    }
    EXPECT_GT(host, 5);
}

// The title strip shows dark text on the host's light background: the glyphs were drawn, not left blank.
TEST_F(ControlWindowScreenshotTest, TitleTextIsPainted) {
    showPage(2);
    settle();
    const QImage image = host()->titleLabel()->grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 100 && qAlpha(image.pixel(x, y)) > 128;
    }
    EXPECT_GT(dark, 20);
}

}  // namespace
