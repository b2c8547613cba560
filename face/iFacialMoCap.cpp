#include "face/iFacialMoCap.h"

#include <QDateTime>
#include <QtDebug>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "app/base/KySettings.h"
#include "face/FaceMath.h"
#include "face/FaceNameTable.h"

namespace {

// The commands travel with their terminating NUL: 59, 63 and 25 bytes.
constexpr char kStartCommand[] = "iFacialMocap_UDPTCP_kertoplavimu5083wolqienbuxa27604zq8461";
constexpr char kStopCommand[] = "iFacialMocap_UDPTCPSTOP_kertoplavimu5083wolqienbuxa27604zq8461";
constexpr char kLookForwardCommand[] = "iFacialMocap_lookForward";
static_assert(sizeof(kStartCommand) == 59 && sizeof(kStopCommand) == 63 && sizeof(kLookForwardCommand) == 25);

constexpr int kMinPacketLength = 100;
constexpr int kMaxAngleNumbers = 6;
constexpr float kDegree = 3.14159265358979323846f / 180.0f;
const QLatin1String kTrailer("___iFacialMocap");

// Calls `part` for every non-empty piece of `text` between separators; stops early when `part` returns false.
template <typename Separator, typename Part>
void forEachPart(QStringRef text, Separator separator, int separatorLength, Part part) {
    int from = 0;
    while (from <= text.size()) {
        int at = text.indexOf(separator, from, Qt::CaseSensitive);
        if (at < 0) at = text.size();
        if (at > from && !part(text.mid(from, at - from))) return;
        from = at + separatorLength;
    }
}

// The parts of `text` split at `separator` with empty parts dropped: the first `N` of them and their count.
template <int N>
int splitFirst(QStringRef text, QChar separator, std::array<QStringRef, N>& parts) {
    int count = 0;
    forEachPart(text, separator, 1, [&](QStringRef part) {
        if (count < N) parts[count] = part;
        ++count;
        return count <= N;  // one past N is enough to know there are too many
    });
    return count;
}

// QStringRef::toFloat reads the C locale's form whatever the process locale is, as the phone writes it.
float toFiniteFloat(QStringRef text) {
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok && std::isfinite(value) ? value : 0.0f;
}

// The four numbers of a dotted IPv4 address in one integer; false for anything else.
bool parseIpv4(const std::string& text, std::uint32_t* address) {
    std::uint32_t result = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        std::uint32_t part = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            part = part * 10 + static_cast<std::uint32_t>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || part > 255) return false;
        result = result << 8 | part;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
    }
    *address = result;
    return i == text.size();
}

bool sameIpv4(const std::string& a, const std::string& b) {
    std::uint32_t x = 0, y = 0;
    return parseIpv4(a, &x) && parseIpv4(b, &y) && x == y;
}

Vector3 mean(const Vector3& a, const Vector3& b) {
    return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, (a.z + b.z) * 0.5f};
}

void zeroValues(FaceFrame& frame) { frame.values.fill(0.0f); }

}  // namespace

iFacialMoCap::iFacialMoCap(QObject* parent) : QObject(parent) {
    syncSettings();
    onModelLRChanged();
    if (KySettings* store = kySettings()) {
        connect(store, &KySettings::modelLRChanged, this, &iFacialMoCap::onModelLRChanged);
    }
}

iFacialMoCap::~iFacialMoCap() {
    if (m_startSent.exchange(false)) sendCommand(kStopCommand, sizeof(kStopCommand));
    closeSockets();
}

void iFacialMoCap::syncSettings() {
    const KySettings* store = kySettings();
    if (!store) return;
    Settings s;
    s.mirror = store->mirror;
    s.eyeRotMul = store->eyeRotMul;
    s.headAngle = store->headAngle;
    s.eyeAngle = store->eyeAngle;
    s.camAddress = store->camAddress.toStdString();
    setSettings(s);
}

void iFacialMoCap::setSettings(const Settings& settings) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_settings = settings;
}

iFacialMoCap::Settings iFacialMoCap::settings() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_settings;
}

void iFacialMoCap::onModelLRChanged() {
    const KySettings* store = kySettings();
    m_naturalOrder.store(store ? store->mirror : settings().mirror);
    syncSettings();
}

void iFacialMoCap::onVRControllerPressed() {
    PrepareStart();
    Start();
}

void iFacialMoCap::sendCommand(const char* text, std::size_t size) {
    std::string address;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        address = m_settings.camAddress;
    }
    net::sendDatagram(address, kCommandPort, text, size);
}

net::SocketHandle iFacialMoCap::Start() {
    zeroValues(m_working);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        zeroValues(m_previous);
        zeroValues(m_latest);
        m_previous.timestamp = 0;
    }
    closeSockets();
    m_framer.reset();
    m_recentreHead.store(true);

    // A stop that came first leaves the phone alone.
    if (m_wakeup.isSignalled()) return 0;
    // Listening before asking: a quick phone's connection would otherwise be refused.
    m_listener = net::listenTcp(kStreamPort, 1);
    if (m_listener == net::kInvalidSocket) return 0;
    // Marked before sending, so that a Stop racing with this start sends its stop command.
    m_startSent.store(true);
    sendCommand(kStartCommand, sizeof(kStartCommand));
    const bool accepted = acceptPhone(settings().camAddress);
    // One phone at a time: nothing else may connect while this one streams.
    net::closeSocket(m_listener);
    m_listener = net::kInvalidSocket;
    if (!accepted) {
        // Interrupted while the start command travelled: the phone must not stream into nothing.
        if (m_wakeup.isSignalled() && m_startSent.exchange(false)) sendCommand(kStopCommand, sizeof(kStopCommand));
        return 0;
    }
    net::enableKeepAlive(m_client);
    m_connected.store(true);
    m_recentreHead.store(true);
    return m_client;
}

bool iFacialMoCap::acceptPhone(const std::string& camAddress) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    std::string refused;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || net::waitReadable(m_listener, static_cast<int>(left), m_wakeup) != net::WaitResult::Ready) {
            return false;
        }
        std::string peer;
        const net::SocketHandle client = net::acceptTcp(m_listener, &peer);
        if (client == net::kInvalidSocket) continue;
        // Anyone on the network can reach this port; only the phone that was asked may drive the face.
        if (sameIpv4(peer, camAddress)) {
            m_client = client;
            return true;
        }
        net::closeSocket(client);
        if (peer != refused) {
            refused = peer;
            qWarning("iFacialMoCap: refused a connection from %s (the phone is %s)", peer.c_str(), camAddress.c_str());
        }
    }
}

QString iFacialMoCap::Receive() {
    if (!m_connected.load()) return QString();
    for (;;) {
        const net::WaitResult wait = net::waitReadable(m_client, kLinkLossMs, m_wakeup);
        long received = -1;
        if (wait == net::WaitResult::Ready) received = net::receive(m_client, m_buffer.data(), m_buffer.size());
        if (received <= 0) {
            // Silence means the phone is gone as surely as a closed connection does.
            Disconnect();
            return QString();
        }
        m_framer.append(m_buffer.data(), static_cast<std::size_t>(received));
        const char* packet = nullptr;
        std::size_t size = 0;
        // An empty packet (a stray NUL) is no reason to end the capture; wait for the next one.
        if (m_framer.takeNewest(&packet, &size) && size > 0) {
            return QString::fromUtf8(packet, static_cast<int>(size));
        }
    }
}

void iFacialMoCap::Disconnect() {
    net::closeSocket(m_client);
    m_client = net::kInvalidSocket;
    m_connected.store(false);
}

void iFacialMoCap::closeSockets() {
    Disconnect();
    net::closeSocket(m_listener);
    m_listener = net::kInvalidSocket;
}

void iFacialMoCap::LookForward() {
    m_recentreHead.store(true);
    sendCommand(kLookForwardCommand, sizeof(kLookForwardCommand));
}

void iFacialMoCap::PrepareStart() { m_wakeup.clear(); }

void iFacialMoCap::Stop() {
    if (m_startSent.exchange(false)) sendCommand(kStopCommand, sizeof(kStopCommand));
    m_wakeup.signal();
}

void iFacialMoCap::Interrupt() { m_wakeup.signal(); }

void iFacialMoCap::Parse(const QString& text) {
    if (text.size() < kMinPacketLength) return;
    Settings settings;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_previous = m_latest;
        settings.mirror = m_settings.mirror;
        settings.eyeRotMul = m_settings.eyeRotMul;
        settings.headAngle = m_settings.headAngle;
        settings.eyeAngle = m_settings.eyeAngle;
    }

    // The packet proper ends at the trailer; a text that starts with it keeps what follows.
    QStringRef body;
    forEachPart(QStringRef(&text), kTrailer, kTrailer.size(), [&](QStringRef part) {
        body = part;
        return false;
    });
    forEachPart(body, QChar('|'), 1, [&](QStringRef item) {
        if (item.indexOf(QChar('#')) < 0) {
            parseValueItem(item);
        } else {
            parseAngleItem(item, settings);
        }
        return true;
    });

    m_working.timestamp = QDateTime::currentMSecsSinceEpoch();
    std::lock_guard<std::mutex> lock(m_lock);
    m_latest = m_working;
}

void iFacialMoCap::parseValueItem(QStringRef item) {
    std::array<QStringRef, 2> parts;
    if (splitFirst<2>(item, QChar('-'), parts) != 2) return;
    int slot = FaceNameTable::indexOf(parts[0], m_naturalOrder.load());
    // Unknown names all share slot 0 and are not remembered, so a stream of random names costs no memory.
    if (slot < 0 || slot >= FaceFrame::kValueCount) slot = 0;
    bool ok = false;
    const int value = parts[1].toInt(&ok, 10);
    m_working.values[slot] = ok ? static_cast<float>(std::clamp(value, 0, 100)) * 0.01f : 0.0f;
}

void iFacialMoCap::parseAngleItem(QStringRef item, const Settings& settings) {
    std::array<QStringRef, 2> parts;
    if (splitFirst<2>(item, QChar('#'), parts) != 2) return;
    std::array<float, kMaxAngleNumbers> f{};
    int count = 0;
    forEachPart(parts[1], QChar(','), 1, [&](QStringRef number) {
        // Bounded here, so no later product (the body step multiplies the position by 45) can overflow.
        const float limit = count < 3 ? kMaxAngleDegrees : kMaxHeadPosition;
        f[count] = std::clamp(toFiniteFloat(number), -limit, limit);
        ++count;
        return count < kMaxAngleNumbers;
    });

    const QStringRef name = parts[0];
    const float s = settings.mirror ? -1.0f : 1.0f;
    const QLatin1String eyeA(settings.mirror ? "leftEye" : "rightEye");
    const QLatin1String eyeB(settings.mirror ? "rightEye" : "leftEye");
    const bool isEyeA = name == eyeA;
    if (isEyeA || name == eyeB) {
        const float k = settings.eyeRotMul * kDegree;
        const Quaternion rotation =
            facemath::multiply(facemath::multiply(facemath::fromEuler(f[0] * k, -f[1] * k * s, -f[2] * k * s),
                                                  facemath::rotationX(-settings.eyeAngle.x / 2.0f)),
                               facemath::rotationY(-settings.eyeAngle.y / 2.0f));
        (isEyeA ? m_working.rightEyeRotation : m_working.leftEyeRotation) = rotation;
        return;
    }
    const Quaternion rotation = facemath::multiply(
        facemath::multiply(facemath::fromEuler(f[0] * kDegree, -f[1] * kDegree * s, -f[2] * kDegree * s),
                           facemath::rotationX(-settings.headAngle.x / 2.0f)),
        facemath::rotationY(-settings.headAngle.y / 2.0f));
    m_working.headRotation = rotation;
    m_working.headAngles = facemath::toEuler(rotation);
    m_working.headPosition = {-f[3] * s, f[4], f[5]};
    if (m_recentreHead.exchange(false)) m_working.headPosition = {};
}

FaceFrame iFacialMoCap::LatestFrame() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_latest;
}

FaceFrame iFacialMoCap::PreviousFrame() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_previous;
}

float iFacialMoCap::BlendShapeValue(int slot) const {
    if (slot < 0 || slot >= FaceFrame::kValueCount) return 0.0f;
    std::lock_guard<std::mutex> lock(m_lock);
    return m_latest.values[slot];
}

void iFacialMoCap::CopyFrames(FaceFrame* previous, FaceFrame* latest) const {
    std::lock_guard<std::mutex> lock(m_lock);
    *previous = m_previous;
    *latest = m_latest;
}

Vector3 iFacialMoCap::HeadAngles(const FaceFrame& previous, const FaceFrame& latest, bool interpolate) {
    return interpolate ? mean(previous.headAngles, latest.headAngles) : previous.headAngles;
}

Vector3 iFacialMoCap::HeadPosition(const FaceFrame& previous, const FaceFrame& latest, bool interpolate) {
    return interpolate ? mean(previous.headPosition, latest.headPosition) : previous.headPosition;
}

Quaternion iFacialMoCap::HeadRotation(const FaceFrame& previous, const FaceFrame& latest, bool interpolate) {
    return interpolate ? facemath::slerp(latest.headRotation, previous.headRotation, 0.5f) : previous.headRotation;
}

Quaternion iFacialMoCap::LeftEyeRotation(const FaceFrame& previous, const FaceFrame& latest, bool interpolate) {
    return interpolate ? facemath::slerp(latest.leftEyeRotation, previous.leftEyeRotation, 0.5f)
                       : previous.leftEyeRotation;
}

Quaternion iFacialMoCap::RightEyeRotation(const FaceFrame& previous, const FaceFrame& latest, bool interpolate) {
    return interpolate ? facemath::slerp(latest.rightEyeRotation, previous.rightEyeRotation, 0.5f)
                       : previous.rightEyeRotation;
}

Vector3 iFacialMoCap::HeadAngles(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return HeadAngles(m_previous, m_latest, interpolate);
}

Vector3 iFacialMoCap::HeadPosition(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return HeadPosition(m_previous, m_latest, interpolate);
}

Quaternion iFacialMoCap::HeadRotation(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return HeadRotation(m_previous, m_latest, interpolate);
}

Quaternion iFacialMoCap::LeftEyeRotation(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return LeftEyeRotation(m_previous, m_latest, interpolate);
}

Quaternion iFacialMoCap::RightEyeRotation(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return RightEyeRotation(m_previous, m_latest, interpolate);
}

int iFacialMoCap::IndexOf(const QString& name) const {
    return FaceNameTable::indexOf(QStringRef(&name), m_naturalOrder.load());
}
