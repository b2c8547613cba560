#include "PhoneEmulator.h"

#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QTextStream>
#include <QUdpSocket>
#include <algorithm>

namespace {

constexpr char kStartPrefix[] = "iFacialMocap_UDPTCP_";
constexpr char kStopPrefix[] = "iFacialMocap_UDPTCPSTOP_";
constexpr char kLookForward[] = "iFacialMocap_lookForward";
// A receiver that stops reading must not make the emulator buffer without bound.
constexpr qint64 kMaxQueuedBytes = 64 * 1024;

}  // namespace

PhoneEmulator::PhoneEmulator(const Options& options, PacketSource source, QTextStream& log, QObject* parent)
    : QObject(parent), m_options(options), m_source(std::move(source)), m_log(log) {
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &PhoneEmulator::onSendTimer);
}

bool PhoneEmulator::listen(QString* error) {
    m_commands = new QUdpSocket(this);
    if (!m_commands->bind(m_options.bindAddress, m_options.commandPort)) {
        *error = QStringLiteral("cannot bind UDP %1:%2: %3")
                     .arg(m_options.bindAddress.toString())
                     .arg(m_options.commandPort)
                     .arg(m_commands->errorString());
        return false;
    }
    connect(m_commands, &QUdpSocket::readyRead, this, &PhoneEmulator::onDatagrams);
    m_log << "listening for commands on " << m_options.bindAddress.toString() << ':' << m_options.commandPort
          << Qt::endl;
    return true;
}

void PhoneEmulator::onDatagrams() {
    while (m_commands->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_commands->receiveDatagram();
        QByteArray text = datagram.data();
        const int nul = text.indexOf('\0');
        if (nul >= 0) text.truncate(nul);
        if (text.startsWith(kStopPrefix)) {
            m_log << "stop command (" << datagram.data().size() << " bytes)" << Qt::endl;
            stopStreaming("stopped");
        } else if (text.startsWith(kStartPrefix)) {
            m_log << "start command (" << datagram.data().size() << " bytes) from "
                  << datagram.senderAddress().toString() << Qt::endl;
            startStreaming(datagram.senderAddress());
        } else if (text == kLookForward) {
            m_log << "look forward" << Qt::endl;
            emit lookForwardReceived();
        } else {
            m_log << "unknown command: " << text.left(64).toPercentEncoding(" _-") << Qt::endl;
        }
    }
}

void PhoneEmulator::startStreaming(const QHostAddress& peer) {
    if (m_stream) stopStreaming("restarting");
    QHostAddress address = peer;
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    if (isV4) address = QHostAddress(v4);
    m_stream = new QTcpSocket(this);
    connect(m_stream, &QTcpSocket::connected, this, &PhoneEmulator::onConnected);
    connect(m_stream, &QTcpSocket::disconnected, this, &PhoneEmulator::onDisconnected);
    connect(m_stream, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (!m_stream) return;
        m_log << "stream: " << m_stream->errorString() << Qt::endl;
        if (m_stream->state() != QAbstractSocket::ConnectedState) stopStreaming("not connected");
    });
    m_log << "connecting to " << address.toString() << ':' << m_options.streamPort << Qt::endl;
    m_stream->connectToHost(address, m_options.streamPort);
}

void PhoneEmulator::stopStreaming(const char* why) {
    m_sendTimer.stop();
    m_held.clear();
    if (!m_stream) return;
    QTcpSocket* stream = m_stream;
    m_stream = nullptr;
    stream->disconnect(this);
    // A graceful close, as the phone does: the receiver's blocked read sees the end of the stream.
    connect(stream, &QTcpSocket::disconnected, stream, &QObject::deleteLater);
    stream->disconnectFromHost();
    if (stream->state() == QAbstractSocket::UnconnectedState) stream->deleteLater();
    m_log << "streaming ended: " << why << " after " << m_packetsSent << " packets" << Qt::endl;
    emit streamingStopped();
}

void PhoneEmulator::onConnected() {
    m_stream->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_log << "connected, streaming" << Qt::endl;
    m_clock.start();
    m_sendTimer.start(0);
    emit streamingStarted();
}

void PhoneEmulator::writeNow(const QByteArray& bytes) {
    if (!m_stream) return;
    m_stream->write(bytes);
    // Handed to the kernel at once, so separate writes leave as separate segments (no-delay is on).
    m_stream->flush();
}

void PhoneEmulator::writePacket(const QByteArray& packet) {
    switch (m_options.chunking) {
        case Chunking::Whole:
            writeNow(packet);
            break;
        case Chunking::Coalesce:
            if (m_held.isEmpty()) {
                m_held = packet;
            } else {
                writeNow(m_held + packet);
                m_held.clear();
            }
            break;
        case Chunking::Split: {
            // Alternately cut inside a value and inside the trailer; the rest follows a few milliseconds later,
            // long enough to arrive in a read of its own.
            const int cut = m_packetsSent % 2 == 0 ? packet.size() / 2 : std::max(1, packet.size() - 7);
            writeNow(packet.left(cut));
            const QByteArray rest = packet.mid(cut);
            QTimer::singleShot(4, Qt::PreciseTimer, this, [this, stream = m_stream, rest] {
                if (m_stream == stream) writeNow(rest);
            });
            break;
        }
    }
}

void PhoneEmulator::onDisconnected() { stopStreaming("closed by the receiver"); }

void PhoneEmulator::onSendTimer() {
    if (!m_stream || m_stream->state() != QAbstractSocket::ConnectedState) return;
    const qint64 now = m_clock.elapsed();
    qint64 next = now + 16;
    const QByteArray packet = m_source(now, &next);
    if (m_stream->bytesToWrite() < kMaxQueuedBytes) {
        writePacket(packet);
        ++m_packetsSent;
    }
    m_sendTimer.start(static_cast<int>(std::max<qint64>(0, next - m_clock.elapsed())));
}
