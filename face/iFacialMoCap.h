#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "face/FaceFrame.h"
#include "face/PacketFramer.h"
#include "face/Socket.h"
#include "face/SocketWakeup.h"

// Receiver of the iFacialMocap phone app's face stream. Asks the phone to stream with a UDP command, accepts
// its TCP connection on port 49986, and parses text packets into face frames. Start, Receive, Parse and
// Disconnect belong to the capture thread (KyThread); LookForward, Stop, Interrupt, syncSettings, the slots
// and the readers belong to the GUI thread. The readers copy frames under an internal lock, so they always see
// whole frames.
class iFacialMoCap : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint16_t kCommandPort = 49983;  // UDP, on the phone
    static constexpr std::uint16_t kStreamPort = 49986;   // TCP, here
    static constexpr int kStartTimeoutMs = 2000;
    static constexpr int kBufferSize = 8192;
    // A connected phone that sends nothing for this long has left (Wi-Fi gone without closing the connection).
    static constexpr int kLinkLossMs = 3000;
    // Plausible ranges of the head item: angles in degrees; position in metres from the camera (face tracking
    // reaches about a metre, so 10 only cuts off garbage).
    static constexpr float kMaxAngleDegrees = 180.0f;
    static constexpr float kMaxHeadPosition = 10.0f;

    // The settings the capture thread uses, copied from the settings store on the GUI thread (the store has no
    // lock). Angles of headAngle/eyeAngle in radians (only x and y are used).
    struct Settings {
        bool mirror = true;
        float eyeRotMul = 1.0f;
        Vector3 headAngle;
        Vector3 eyeAngle;
        std::string camAddress = "192.168.0.1";
    };

    // Identity rotations, zero positions, flags false; builds the name table for the current mirror setting and
    // follows the settings store's modelLRChanged() when the store exists.
    explicit iFacialMoCap(QObject* parent = nullptr);
    // Sends the stop command (when a start command was ever sent) and closes every socket.
    ~iFacialMoCap() override;

    // Capture thread. Zeroes the frames' values, listens on port 49986, then sends the start command to
    // camAddress and waits at most 2 s (less if interrupted) for the phone. Only a peer whose address is
    // camAddress is accepted; others are closed (and logged once) while the wait goes on. Returns the accepted
    // socket, or 0 when no phone connected. Closes the sockets of an earlier Start first. A stop requested
    // before Start ends it at once (see PrepareStart).
    net::SocketHandle Start();
    // Capture thread. Empty when not connected; otherwise blocks until a packet is complete in the stream and
    // returns the newest one (up to its first NUL) decoded as UTF-8. The peer closing, an error, no data for
    // kLinkLossMs or Interrupt() closes the connection and returns empty.
    QString Receive();
    // Capture thread, under KyThread's mutex. Parses one packet into the latest frame; texts under 100
    // characters are ignored. Any text is safe; allocates nothing in the steady state.
    void Parse(const QString& text);
    // Capture thread. Closes the phone's connection (no command is sent).
    void Disconnect();

    // GUI thread, before a capture thread runs Start: forgets the stop and interrupt requests of earlier runs.
    void PrepareStart();
    // GUI thread. Marks the head for re-centring and sends the look-forward command.
    void LookForward();
    // GUI thread. Sends the stop command once per start command (a phone that was never asked to stream, or
    // was already asked to stop, is left alone) and wakes a blocked Start or Receive, so the capture thread ends even
    // when the phone never answers.
    void Stop();
    // Any thread. Wakes a blocked Start or Receive without sending anything.
    void Interrupt();
    // GUI thread. Copies the capture settings from the settings store (no-op without a store).
    void syncSettings();
    // Any thread. Replaces the capture settings (tests, tools).
    void setSettings(const Settings& settings);
    Settings settings() const;

    // Readers, any thread. `interpolate` false: the previous frame; true: halfway between previous and latest.
    FaceFrame LatestFrame() const;
    FaceFrame PreviousFrame() const;
    // Both frames copied under one lock, so a rendered frame never mixes two packets.
    void CopyFrames(FaceFrame* previous, FaceFrame* latest) const;
    // The readers below, computed from frames the caller copied.
    static Vector3 HeadAngles(const FaceFrame& previous, const FaceFrame& latest, bool interpolate);
    static Vector3 HeadPosition(const FaceFrame& previous, const FaceFrame& latest, bool interpolate);
    static Quaternion HeadRotation(const FaceFrame& previous, const FaceFrame& latest, bool interpolate);
    static Quaternion LeftEyeRotation(const FaceFrame& previous, const FaceFrame& latest, bool interpolate);
    static Quaternion RightEyeRotation(const FaceFrame& previous, const FaceFrame& latest, bool interpolate);
    // The latest frame's value at `slot`; 0 for a slot outside 0..52.
    float BlendShapeValue(int slot) const;
    Vector3 HeadAngles(bool interpolate) const;
    Vector3 HeadPosition(bool interpolate) const;
    Quaternion HeadRotation(bool interpolate) const;
    Quaternion LeftEyeRotation(bool interpolate) const;
    Quaternion RightEyeRotation(bool interpolate) const;
    // Slot of a blend-shape name in the current table order, or -1.
    int IndexOf(const QString& name) const;

    // A phone connection is accepted and alive.
    bool isConnected() const { return m_connected.load(); }
    // A packet is being parsed right now.
    bool isParsing() const { return m_parsing.load(); }
    void setParsing(bool parsing) { m_parsing.store(parsing); }

public slots:
    // GUI thread. Switches the name table to the order of the current mirror setting.
    void onModelLRChanged();
    // Starts like Start(). Blocks the caller for up to 2 s; only for use while no capture thread runs.
    void onVRControllerPressed();

private:
    void sendCommand(const char* text, std::size_t size);
    void parseValueItem(QStringRef item);
    void parseAngleItem(QStringRef item, const Settings& settings);
    void closeSockets();
    bool acceptPhone(const std::string& camAddress);

    std::array<char, kBufferSize> m_buffer{};
    PacketFramer m_framer;  // capture thread only
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_recentreHead{false};
    std::atomic<bool> m_parsing{false};
    std::atomic<bool> m_naturalOrder{true};
    std::atomic<bool> m_startSent{false};

    FaceFrame m_working;        // capture thread only
    mutable std::mutex m_lock;  // guards m_previous, m_latest and m_settings
    FaceFrame m_previous;
    FaceFrame m_latest;
    Settings m_settings;

    net::SocketHandle m_listener = net::kInvalidSocket;  // capture thread only
    net::SocketHandle m_client = net::kInvalidSocket;    // capture thread only
    net::SocketWakeup m_wakeup;
};
