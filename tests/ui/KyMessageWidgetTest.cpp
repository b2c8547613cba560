#include "ui/KyMessageWidget.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QThread>

#include "app/base/MessageHandler.h"
#include "ui/FluentLabel.h"
#include "ui/SlidingStackedWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::processEvents;
using mnx::test::setAnimationTime;
using mnx::test::UiTest;

class KyMessageWidgetTest : public UiTest {};

TEST_F(KyMessageWidgetTest, MenuRowsAndTextViews) {
    KyMessageWidget page;
    EXPECT_EQ(page.windowTitle(), QStringLiteral("情報"));
    EXPECT_EQ(page.versionRow()->title(), QStringLiteral("バージョン"));
    EXPECT_EQ(page.versionRow()->valueText(), QStringLiteral("101"));
    EXPECT_EQ(page.licenceRow()->title(), QStringLiteral("ライセンス"));
    EXPECT_EQ(page.debugRow()->title(), QStringLiteral("デバッグ出力"));
    for (QPlainTextEdit* view : {page.licenceView(), page.logView()}) {
        EXPECT_TRUE(view->isReadOnly());
        EXPECT_EQ(view->styleSheet(), QStringLiteral("background-color: transparent ; color: #444444;border: 0px"));
        EXPECT_EQ(view->font().family(), QStringLiteral("BIZ UDゴシック"));
        EXPECT_DOUBLE_EQ(view->font().pointSizeF(), 7.0);
        EXPECT_EQ(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(view->contextMenuPolicy(), Qt::NoContextMenu);
    }
    QFile licence(QStringLiteral(":/Marionix/resources/LICENCE"));
    ASSERT_TRUE(licence.open(QIODevice::ReadOnly | QIODevice::Text));
    EXPECT_EQ(page.licenceView()->toPlainText(), QString::fromUtf8(licence.readAll()));
    EXPECT_FALSE(page.licenceView()->toPlainText().isEmpty());
    EXPECT_EQ(page.licenceView()->textCursor().position(), 0);
}

TEST_F(KyMessageWidgetTest, SubPagesSetTheAccessibleName) {
    KyMessageWidget page;
    page.resize(200, 300);
    page.show();
    page.licenceRow()->click();
    setAnimationTime(page.stack()->animationGroup(), 350);
    EXPECT_TRUE(page.subPageShown());
    EXPECT_EQ(page.accessibleName(), QStringLiteral("ライセンス"));
    page.back();
    setAnimationTime(page.stack()->animationGroup(), 350);
    EXPECT_EQ(page.accessibleName(), QString());
    page.debugRow()->click();
    setAnimationTime(page.stack()->animationGroup(), 350);
    EXPECT_EQ(page.accessibleName(), QStringLiteral("デバッグ出力"));
}

// The debug page is the log sink; lines from another thread arrive through the event loop.
TEST_F(KyMessageWidgetTest, DebugPageIsTheLogSinkAlsoForOtherThreads) {
    auto page = std::make_unique<KyMessageWidget>();
    ASSERT_EQ(logSink(), page->logView());
    const QtMessageHandler previous = qInstallMessageHandler(messageHandler);
    qDebug("from the GUI thread");
    qWarning("careful");
    QThread* worker = QThread::create([] { qDebug("from the worker"); });
    worker->start();
    worker->wait();
    delete worker;
    qInstallMessageHandler(previous);
    const QStringList before = page->logView()->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(before.value(0), QStringLiteral("from the GUI thread"));
    EXPECT_TRUE(before.value(1).startsWith(QStringLiteral("Warning: careful (")));
    EXPECT_EQ(before.size(), 2);  // the worker's line waits for the event loop
    processEvents();
    const QStringList after = page->logView()->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after[2], QStringLiteral("from the worker"));
    page.reset();
    EXPECT_EQ(logSink(), nullptr);
}

}  // namespace
