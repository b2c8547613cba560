#include <QPlainTextEdit>
#include <QThread>

#include "app/base/MessageHandler.h"
#include "ui/KyMessageWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::processEvents;
using mnx::test::UiTest;

class KyMessageWidgetTest : public UiTest {};

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
