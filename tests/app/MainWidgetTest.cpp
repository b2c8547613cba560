// The main window in process: keyboard actions and their clamps, the orchestrator's shortcuts, the overlays
// drawn over the desktop view, the message clear and the model list.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QOpenGLFramebufferObject>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "AppTestSupport.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "render/TzRenderer.h"
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

    // Rows of the frame that hold pure red text pixels.
    std::vector<int> redRows() {
        const QImage frame = m_window->grabFramebuffer();
        std::vector<int> rows;
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width() / 2; ++x) {
                const QColor c = frame.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
                    rows.push_back(y);
                    break;
                }
            }
        }
        return rows;
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

INSTANTIATE_TEST_SUITE_P(
    Keys, CameraKeyTest,
    testing::Values(CameraKey{QKeySequence(Qt::Key_D), 40, 0.0f, 0, -36.0f},
                    CameraKey{QKeySequence(Qt::Key_A), 40, 0.0f, 0, 36.0f},
                    CameraKey{QKeySequence(Qt::Key_W), 40, 0.0f, 1, -30.0f},
                    CameraKey{QKeySequence(Qt::Key_S), 3, 19.0f, 1, 20.0f},
                    CameraKey{QKeySequence(Qt::SHIFT + Qt::Key_W), 1, 5.0f, 2, 5.0f},
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

TEST_F(MainWidgetTest, CtrlShiftF10TogglesTheDebugOverlay) {
    EXPECT_FALSE(m_window->debugDraw());
    press(QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_F10));
    EXPECT_TRUE(m_window->debugDraw());
    press(QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_F10));
    EXPECT_FALSE(m_window->debugDraw());
}

TEST_F(MainWidgetTest, MessageTextDrawsOneRedLinePerPart) {
    m_settings->messageText = QStringLiteral("first problem|second problem");
    const std::vector<int> rows = redRows();
    ASSERT_FALSE(rows.empty());
    QFont font = QApplication::font();
    font.setWeight(75);
    const int step = QFontMetrics(font).height() + dpiScaled(4);
    // Baselines at 2 and 3 steps: the text of each line sits just above its baseline.
    const auto within = [&](int baseline) {
        return std::any_of(rows.begin(), rows.end(), [&](int y) { return y <= baseline && y > baseline - step; });
    };
    EXPECT_TRUE(within(2 * step));
    EXPECT_TRUE(within(3 * step));
    // Nothing above the first line's cell nor below the second line's descenders.
    EXPECT_TRUE(std::all_of(rows.begin(), rows.end(), [&](int y) { return y > step && y < 3 * step + step / 2; }));

    m_settings->messageText.clear();
    EXPECT_TRUE(redRows().empty());
}

TEST_F(MainWidgetTest, MessageTextIsClearedThirtySecondsAfterStartEvenWhenSetLater) {
    m_settings->messageText = QStringLiteral("set after start-up");
    QMetaObject::invokeMethod(m_window.get(), "onUpdateTimer30sec");
    EXPECT_TRUE(m_settings->messageText.isEmpty());
}

// Only the headset shows the eye targets and the room: a desktop-only start makes and loads none of them.
TEST_F(MainWidgetTest, WithoutVrNoEyeTargetsNorRoomAreMade) {
    EXPECT_EQ(m_window->eyeWidth, 512u);
    EXPECT_EQ(m_window->eyeHeight, 512u);
    EXPECT_EQ(m_window->renderer()->leftEyeTarget(), nullptr);
    EXPECT_EQ(m_window->renderer()->sideBySideTarget().framebuffer(), 0u);
    EXPECT_TRUE(m_window->sceneMeshes().empty());
}

TEST_F(MainWidgetTest, FramesArePacedAtSixteenMilliseconds) {
    const uint64_t before = m_window->frameCount();
    QTest::qWait(400);
    const uint64_t frames = m_window->frameCount() - before;
    // At most one frame per 16 ms (25 in 400 ms), and the loop keeps painting.
    EXPECT_LE(frames, 26u);
    EXPECT_GE(frames, 1u);
}

TEST_F(MainWidgetTest, ModelListHoldsAtMostEightAndDropsAnUnlistedName) {
    for (int i = 0; i < 9; ++i) {
        const QString folder = m_dir.filePath(QStringLiteral("resource/model/m%1").arg(i));
        QDir().mkpath(folder);
        QFile(folder + "/model.pmx").open(QIODevice::WriteOnly);
        QFile(folder + "/model.PMX.txt").open(QIODevice::WriteOnly);
    }
    QFile(m_dir.filePath("resource/model/m0/upper.PMX")).open(QIODevice::WriteOnly);
    // The renderer published its own resource folder when it started; point the list at the test's.
    m_settings->resourceDir = m_dir.filePath("resource");
    m_settings->pmxName = m_dir.filePath("resource/model/m3/model.pmx");
    MainWidget::refreshModelList();
    EXPECT_EQ(m_settings->modelPaths.size(), 8);
    for (const QString& path : m_settings->modelPaths) EXPECT_TRUE(path.endsWith("/model.pmx")) << path.toStdString();
    EXPECT_TRUE(m_settings->modelPaths.contains(m_settings->pmxName) || m_settings->pmxName.isEmpty());
    m_settings->pmxName = QStringLiteral("/nowhere/x.pmx");
    MainWidget::refreshModelList();
    EXPECT_TRUE(m_settings->pmxName.isEmpty());
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
