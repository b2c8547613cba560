#include "face/iFacialMoCap.h"

#include <QDateTime>
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

float toFiniteFloat(QStringRef text) {
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok && std::isfinite(value) ? value : 0.0f;
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
    if (m_startSent.load()) sendCommand(kStopCommand, sizeof(kStopCommand));
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

void iFacialMoCap::onVRControllerPressed() { Start(); }

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
    m_wakeup.clear();
    m_recentreHead.store(true);
    sendCommand(kStartCommand, sizeof(kStartCommand));
    m_startSent.store(true);

    m_listener = net::listenTcp(kStreamPort, 1);
    if (m_listener == net::kInvalidSocket) return 0;
    if (net::waitReadable(m_listener, kStartTimeoutMs, m_wakeup) != net::WaitResult::Ready) {
        closeSockets();
        return 0;
    }
    m_client = net::acceptTcp(m_listener);
    // One phone at a time: nothing else may connect while this one streams.
    net::closeSocket(m_listener);
    m_listener = net::kInvalidSocket;
    if (m_client == net::kInvalidSocket) return 0;
    m_connected.store(true);
    m_recentreHead.store(true);
    return m_client;
}

QString iFacialMoCap::Receive() {
    if (!m_connected.load()) return QString();
    m_buffer.fill(0);
    long received = -1;
    if (net::waitReadable(m_client, -1, m_wakeup) == net::WaitResult::Ready) {
        received = net::receive(m_client, m_buffer.data(), m_buffer.size());
    }
    if (received <= 0) {
        Disconnect();
        return QString();
    }
    const void* nul = std::memchr(m_buffer.data(), 0, static_cast<std::size_t>(received));
    const long length = nul ? static_cast<const char*>(nul) - m_buffer.data() : received;
    return QString::fromUtf8(m_buffer.data(), static_cast<int>(length));
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

void iFacialMoCap::Stop() {
    if (m_startSent.load()) sendCommand(kStopCommand, sizeof(kStopCommand));
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
    m_working.values[slot] = ok ? static_cast<float>(value) * 0.01f : 0.0f;
}

void iFacialMoCap::parseAngleItem(QStringRef item, const Settings& settings) {
    std::array<QStringRef, 2> parts;
    if (splitFirst<2>(item, QChar('#'), parts) != 2) return;
    std::array<float, kMaxAngleNumbers> f{};
    int count = 0;
    forEachPart(parts[1], QChar(','), 1, [&](QStringRef number) {
        f[count++] = toFiniteFloat(number);
        return count < kMaxAngleNumbers;
    });

    const QStringRef name = parts[0];
    const float s = settings.mirror ? -1.0f : 1.0f;
    const QLatin1String eyeA(settings.mirror ? "leftEye" : "rightEye");
    const QLatin1String eyeB(settings.mirror ? "rightEye" : "leftEye");
    const bool isEyeA = name == eyeA;
    if (isEyeA || name == eyeB) {
        const float k = settings.eyeRotMul * kDegree;
        const Quaternion rotation = facemath::multiply(
            facemath::multiply(facemath::fromEuler(f[0] * k, -f[1] * k * s, -f[2] * k * s),
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

Vector3 iFacialMoCap::HeadAngles(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return interpolate ? mean(m_previous.headAngles, m_latest.headAngles) : m_previous.headAngles;
}

Vector3 iFacialMoCap::HeadPosition(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return interpolate ? mean(m_previous.headPosition, m_latest.headPosition) : m_previous.headPosition;
}

Quaternion iFacialMoCap::HeadRotation(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return interpolate ? facemath::slerp(m_latest.headRotation, m_previous.headRotation, 0.5f)
                       : m_previous.headRotation;
}

Quaternion iFacialMoCap::LeftEyeRotation(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return interpolate ? facemath::slerp(m_latest.leftEyeRotation, m_previous.leftEyeRotation, 0.5f)
                       : m_previous.leftEyeRotation;
}

Quaternion iFacialMoCap::RightEyeRotation(bool interpolate) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return interpolate ? facemath::slerp(m_latest.rightEyeRotation, m_previous.rightEyeRotation, 0.5f)
                       : m_previous.rightEyeRotation;
}

int iFacialMoCap::IndexOf(const QString& name) const {
    return FaceNameTable::indexOf(QStringRef(&name), m_naturalOrder.load());
}
