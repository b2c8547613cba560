#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <functional>

class QTcpSocket;
class QTextStream;
class QUdpSocket;

// Stands in for the iFacialMocap phone app: waits for the UDP commands on the command port, and on a start
// command connects by TCP to the sender's stream port and streams packets until a stop command, a closed
// connection or a new start (which reconnects). Look-forward commands are reported.
class PhoneEmulator : public QObject {
    Q_OBJECT
public:
    // Returns the packet to send `elapsedMs` after streaming began and sets `nextMs` to when the next one is due.
    using PacketSource = std::function<QByteArray(qint64 elapsedMs, qint64* nextMs)>;

    // How packets map onto TCP writes. A phone on Wi-Fi does not keep one packet per read: the receiver sees
    // two packets in one read (coalesce) or one packet in two reads (split), and must frame the stream itself.
    enum class Chunking { Whole, Coalesce, Split };

    struct Options {
        QHostAddress bindAddress = QHostAddress::AnyIPv4;
        Chunking chunking = Chunking::Whole;
        quint16 commandPort = 49983;
        quint16 streamPort = 49986;
    };

    // `log` receives one line per event; it must outlive the emulator.
    PhoneEmulator(const Options& options, PacketSource source, QTextStream& log, QObject* parent = nullptr);

    // Binds the command port. False with `error` set when the port cannot be bound.
    bool listen(QString* error);
    // Number of packets streamed so far.
    qint64 packetsSent() const { return m_packetsSent; }

signals:
    void lookForwardReceived();
    void streamingStarted();
    void streamingStopped();

private slots:
    void onDatagrams();
    void onConnected();
    void onDisconnected();
    void onSendTimer();

private:
    void startStreaming(const QHostAddress& peer);
    void stopStreaming(const char* why);
    void writePacket(const QByteArray& packet);
    void writeNow(const QByteArray& bytes);

    Options m_options;
    PacketSource m_source;
    QTextStream& m_log;
    QUdpSocket* m_commands = nullptr;
    QTcpSocket* m_stream = nullptr;
    QTimer m_sendTimer;
    QElapsedTimer m_clock;
    qint64 m_packetsSent = 0;
    QByteArray m_held;  // coalesce: the packet that waits to go out with the next one
};
