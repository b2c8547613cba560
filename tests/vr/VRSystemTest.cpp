// The VR connection through the system's OpenXR loader: without a runtime, or with a runtime but no headset,
// start-up logs the critical reason and leaves VR off (never a stand-in headset); a connection logs ready. The
// simulated headset is the runtime XR_RUNTIME_JSON names in the tests' environment.
#include <gtest/gtest.h>

#include <QByteArray>

#include "VrTestSupport.h"
#include "vr/VRSystem.h"

namespace {

// Runs the test with XR_RUNTIME_JSON (and the session file) changed, and puts them back after.
class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvironmentScope() { qputenv(m_name, m_old); }

private:
    const char* m_name;
    QByteArray m_old;
};

TEST(VRSystemTest, ConnectsToTheSimulatedHeadsetAndLogsReady) {
    vrtest::QtLog log;
    ASSERT_TRUE(initVR());
    ASSERT_NE(vrSystem(), nullptr);
    EXPECT_EQ(log.all(), QStringList({"D ----------------------", "D VR Ready", "D ----------------------"}));
    uint32_t width = 0, height = 0;
    vrRecommendedRenderTargetSize(width, height);
    EXPECT_EQ(width, 640u);  // the shipped session's eyes
    EXPECT_EQ(height, 720u);
    shutdownVR();
    shutdownVR();
    EXPECT_EQ(vrSystem(), nullptr);
}

struct Failure {
    const char* variable;
    const char* line;
};

class VRSystemFailureTest : public ::testing::TestWithParam<Failure> {};

TEST_P(VRSystemFailureTest, LogsTheRuntimesReasonAsCriticalAndLeavesVrOff) {
    vrtest::SessionFiles files;
    const QString missing = files.missing();
    EnvironmentScope scope(GetParam().variable, missing.toLocal8Bit());
    vrtest::QtLog log;
    EXPECT_FALSE(initVR());
    EXPECT_EQ(vrSystem(), nullptr);
    EXPECT_TRUE(log.has(QLatin1String(GetParam().line))) << log.all().join('\n').toStdString();
    EXPECT_FALSE(log.has("D VR Ready"));
    EXPECT_FALSE(startVRSession());
}

INSTANTIATE_TEST_SUITE_P(
    NoRuntimeOrNoHeadset, VRSystemFailureTest,
    ::testing::Values(Failure{"XR_RUNTIME_JSON", "C No OpenXR runtime: XR_ERROR_RUNTIME_UNAVAILABLE"},
                      Failure{"MNX_SIMXR_SESSION", "C No headset: XR_ERROR_FORM_FACTOR_UNAVAILABLE"}));

}  // namespace
