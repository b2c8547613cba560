#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vr/SimulatedSession.h"
#include "vr/VRRuntime.h"

// A VR runtime without hardware: plays a session file (devices, looping poses, input timeline, events), paces
// frames to 90 Hz, resolves actions from the application's manifest, keeps what was submitted and serves one
// generated controller render model under every render-model name of the session. Session time starts at init;
// tests may freeze it with setSessionTime.
class SimulatedRuntime : public mnxvr::VRRuntime,
                         public mnxvr::IVRSystem,
                         public mnxvr::IVRCompositor,
                         public mnxvr::IVRInput,
                         public mnxvr::IVRRenderModels {
public:
    static constexpr double kFrameSeconds = 1.0 / 90.0;
    // The texture id of the controller texture.
    static constexpr mnxvr::TextureID_t kControllerTextureId = 1;

    // One eye's latest Submit.
    struct Submission {
        uint32_t texture = 0;  // GL texture name
        mnxvr::VRTextureBounds_t bounds{0.0f, 0.0f, 1.0f, 1.0f};
        mnxvr::EVRSubmitFlags flags = mnxvr::Submit_Default;
        int count = 0;  // Submits of this eye since init
    };

    // "resource/VR/simulated_session.json" under the application directory.
    static QString defaultSessionPath();

    // The session file is read at each init, so a broken one fails there.
    explicit SimulatedRuntime(QString sessionPath);
    ~SimulatedRuntime() override;

    // Test controls.
    // Freezes session time at `seconds`; std::nullopt resumes the clock started at init.
    void setSessionTime(std::optional<double> seconds) { m_manualTime = seconds; }
    double sessionTime() const;
    // Whether WaitGetPoses blocks to the 90 Hz frame clock (on by default).
    void setPacing(bool on) { m_pacing = on; }
    const Submission& submission(mnxvr::EVREye eye) const { return m_submissions[eye == mnxvr::Eye_Right]; }
    // Reads the last submitted texture back, cropped to the eye's bounds, top row first. Needs the GL context
    // the texture lives in current; a null image when nothing was submitted.
    QImage readSubmittedEye(mnxvr::EVREye eye) const;
    // Render models and texture maps handed out and not yet freed.
    int liveRenderModels() const { return m_liveModels; }
    int liveTextures() const { return m_liveTextures; }
    bool connected() const { return m_connected; }
    const SimulatedSession& session() const { return m_session; }

    // VRRuntime
    uint32_t InitInternal2(mnxvr::EVRInitError* error, mnxvr::EVRApplicationType type,
                           const char* startupInfo) override;
    void ShutdownInternal() override;
    bool IsInterfaceVersionValid(const char* version) override;
    void* GetGenericInterface(const char* version, mnxvr::EVRInitError* error) override;
    uint32_t GetInitToken() override { return m_token; }
    const char* GetVRInitErrorAsEnglishDescription(mnxvr::EVRInitError error) override;

    // IVRSystem
    mnxvr::ETrackedDeviceClass GetTrackedDeviceClass(mnxvr::TrackedDeviceIndex_t index) override;
    mnxvr::EDeviceActivityLevel GetTrackedDeviceActivityLevel(mnxvr::TrackedDeviceIndex_t index) override;
    uint32_t GetStringTrackedDeviceProperty(mnxvr::TrackedDeviceIndex_t index, mnxvr::TrackedDeviceProperty prop,
                                            char* buffer, uint32_t bufferSize,
                                            mnxvr::ETrackedPropertyError* error) override;
    float GetFloatTrackedDeviceProperty(mnxvr::TrackedDeviceIndex_t index, mnxvr::TrackedDeviceProperty prop,
                                        mnxvr::ETrackedPropertyError* error) override;
    bool GetBoolTrackedDeviceProperty(mnxvr::TrackedDeviceIndex_t index, mnxvr::TrackedDeviceProperty prop,
                                      mnxvr::ETrackedPropertyError* error) override;
    bool PollNextEvent(mnxvr::VREvent_t* event, uint32_t eventSize) override;
    void GetRecommendedRenderTargetSize(uint32_t* width, uint32_t* height) override;
    mnxvr::HmdMatrix44_t GetProjectionMatrix(mnxvr::EVREye eye, float nearZ, float farZ) override;
    mnxvr::HmdMatrix34_t GetEyeToHeadTransform(mnxvr::EVREye eye) override;

    // IVRCompositor
    mnxvr::EVRCompositorError WaitGetPoses(mnxvr::TrackedDevicePose_t* renderPoses, uint32_t renderPoseCount,
                                           mnxvr::TrackedDevicePose_t* gamePoses, uint32_t gamePoseCount) override;
    mnxvr::EVRCompositorError Submit(mnxvr::EVREye eye, const mnxvr::Texture_t* texture,
                                     const mnxvr::VRTextureBounds_t* bounds, mnxvr::EVRSubmitFlags flags) override;

    // IVRInput
    mnxvr::EVRInputError SetActionManifestPath(const char* path) override;
    mnxvr::EVRInputError GetActionSetHandle(const char* name, mnxvr::VRActionSetHandle_t* handle) override;
    mnxvr::EVRInputError GetActionHandle(const char* name, mnxvr::VRActionHandle_t* handle) override;
    mnxvr::EVRInputError GetInputSourceHandle(const char* path, mnxvr::VRInputValueHandle_t* handle) override;
    mnxvr::EVRInputError UpdateActionState(mnxvr::VRActiveActionSet_t* sets, uint32_t setSize,
                                           uint32_t setCount) override;
    mnxvr::EVRInputError GetDigitalActionData(mnxvr::VRActionHandle_t action, mnxvr::InputDigitalActionData_t* data,
                                              uint32_t dataSize, mnxvr::VRInputValueHandle_t restrictToDevice) override;
    mnxvr::EVRInputError GetAnalogActionData(mnxvr::VRActionHandle_t action, mnxvr::InputAnalogActionData_t* data,
                                             uint32_t dataSize, mnxvr::VRInputValueHandle_t restrictToDevice) override;
    mnxvr::EVRInputError GetPoseActionDataForNextFrame(mnxvr::VRActionHandle_t action,
                                                       mnxvr::ETrackingUniverseOrigin origin,
                                                       mnxvr::InputPoseActionData_t* data, uint32_t dataSize,
                                                       mnxvr::VRInputValueHandle_t restrictToDevice) override;
    mnxvr::EVRInputError GetOriginTrackedDeviceInfo(mnxvr::VRInputValueHandle_t origin, mnxvr::InputOriginInfo_t* info,
                                                    uint32_t infoSize) override;

    // IVRRenderModels
    mnxvr::EVRRenderModelError LoadRenderModel_Async(const char* name, mnxvr::RenderModel_t** model) override;
    void FreeRenderModel(mnxvr::RenderModel_t* model) override;
    mnxvr::EVRRenderModelError LoadTexture_Async(mnxvr::TextureID_t id,
                                                 mnxvr::RenderModel_TextureMap_t** texture) override;
    void FreeTexture(mnxvr::RenderModel_TextureMap_t* texture) override;
    const char* GetRenderModelErrorNameFromEnum(mnxvr::EVRRenderModelError error) override;

private:
    enum class ActionKind { Digital, Analog, Pose };
    struct Action {
        std::string name;
        ActionKind kind = ActionKind::Digital;
        std::string hand;  // "left" / "right" from the name's ending; empty for none
        // Values of the latest UpdateActionState and the one before.
        bool active = false;
        bool state = false, previousState = false;
        float x = 0.0f, y = 0.0f, previousX = 0.0f, previousY = 0.0f;
    };

    const Action* action(mnxvr::VRActionHandle_t handle) const;
    // Pose (and its origin) of the controller of a hand at the current session time; false when that hand has
    // no controller.
    bool handPose(const std::string& hand, mnxvr::TrackedDevicePose_t& pose, mnxvr::VRInputValueHandle_t& origin) const;
    void disconnect();

    QString m_sessionPath;
    SimulatedSession m_session;
    bool m_connected = false;
    uint32_t m_token = 0;
    std::string m_initErrorText;  // description of the latest session failure
    QElapsedTimer m_clock;
    std::optional<double> m_manualTime;
    bool m_pacing = true;
    std::optional<std::chrono::steady_clock::time_point> m_lastFrame;
    size_t m_nextEvent = 0;

    std::vector<Action> m_actions;  // handle = position + 1
    std::map<std::string, mnxvr::VRActionSetHandle_t> m_actionSets;
    mnxvr::VRActionSetHandle_t m_activeSet = mnxvr::k_ulInvalidActionSetHandle;
    std::map<std::string, mnxvr::VRInputValueHandle_t> m_sources;

    Submission m_submissions[2];
    std::map<std::string, int> m_modelLoadCalls;  // lower-case name -> calls so far
    int m_liveModels = 0;
    int m_liveTextures = 0;
};
