// The main window in process: keyboard actions and their clamps, the orchestrator's shortcuts, what a close
// stores and the slots named across layers.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "AppTestSupport.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/KySettings.h"
#include "scene/TzRenderer.h"
#include "ui/KyControlWidget.h"

namespace {

class MainWidgetTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_settings = startAppServices(m_dir.filePath("config.ini"));
        m_settings->resourceDir = m_dir.filePath("resource");
        m_window = openMainWindow();
        ASSERT_TRUE(m_window);
        if (m_window->renderer() == nullptr) GTEST_SKIP() << "no OpenGL 4.1 core context";
    }
    void TearDown() override {
        if (m_window) m_window->cleanup();
        m_window.reset();
        setKySettings(nullptr);
        m_settings.reset();
    }

    // The action bound to exactly that key sequence.
    QAction* action(const QKeySequence& keys) {
        for (QAction* a : m_window->actions()) {
            if (a->shortcut() == keys) return a;
        }
        return nullptr;
    }
    void press(const QKeySequence& keys, int times = 1) {
        QAction* a = action(keys);
        ASSERT_NE(a, nullptr) << keys.toString().toStdString();
        for (int i = 0; i < times; ++i) a->trigger();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<KySettings> m_settings;
    std::unique_ptr<MainWidget> m_window;
};

struct CameraKey {
    QKeySequence keys;
    int presses;
    float start;
    int axis;
    float expected;
};

class CameraKeyTest : public MainWidgetTest, public testing::WithParamInterface<CameraKey> {};

float& axisOf(Vector3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

TEST_P(CameraKeyTest, StepsAndClamps) {
    const CameraKey& key = GetParam();
    axisOf(m_settings->lookCam, key.axis) = key.start;
    press(key.keys, key.presses);
    EXPECT_FLOAT_EQ(axisOf(m_settings->lookCam, key.axis), key.expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, CameraKeyTest,
                         testing::Values(CameraKey{QKeySequence(Qt::Key_D), 40, 0.0f, 0, -36.0f},
                                         CameraKey{QKeySequence(Qt::Key_W), 40, 0.0f, 1, -30.0f},
                                         CameraKey{QKeySequence(Qt::SHIFT + Qt::Key_S), 2, 49.0f, 2, 50.0f},
                                         // A stored value outside the range comes back inside with the first step.
                                         CameraKey{QKeySequence(Qt::SHIFT + Qt::Key_W), 1, 100.0f, 2, 50.0f}));

TEST_F(MainWidgetTest, FunctionKeysReachTheOrchestrator) {
    QSignalSpy look(kySolution(), &KySolution::emitLook);
    QSignalSpy captured(kySolution(), &KySolution::captured);
    press(QKeySequence(Qt::Key_F10));
    EXPECT_EQ(look.count(), 1);
    press(QKeySequence(Qt::Key_F5));
    ASSERT_GE(captured.count(), 1);
    EXPECT_TRUE(captured.first().first().toBool());
    press(QKeySequence(Qt::Key_F5));
    EXPECT_FALSE(captured.last().first().toBool());
}

TEST_F(MainWidgetTest, CloseStoresBothWindowPositions) {
    m_window->controlWidget()->move(123, 45);
    m_window->close();
    EXPECT_EQ(m_settings->controlPos, QPoint(123, 45));
    EXPECT_EQ(m_settings->mainGeometry.size(), m_window->geometry().size());
}

QStringList* g_warnings = nullptr;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg && g_warnings != nullptr) g_warnings->append(text);
}

// The control window and its capture page reach the main window and the orchestrator by name, since their
// classes lie above the window layer; with the real classes every name must resolve.
TEST(MainWidgetNamedConnectionTest, EveryNamedSlotResolves) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList warnings;
    g_warnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    std::unique_ptr<KySettings> settings = startAppServices(dir.filePath("config.ini"));
    settings->resourceDir = dir.filePath("resource");
    auto window = std::make_unique<MainWidget>();
    qInstallMessageHandler(previous);
    g_warnings = nullptr;
    window.reset();
    setKySettings(nullptr);
    EXPECT_TRUE(warnings.filter(QStringLiteral("does not resolve")).isEmpty()) << warnings.join('\n').toStdString();
}

}  // namespace
