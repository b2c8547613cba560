#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

class SyntheticPerformance;

// A recorded phone session as text: one packet per line, "<milliseconds><TAB><packet>", milliseconds counted
// from the start of the session and never decreasing. Blank lines and lines starting with "#" are comments.
class SessionRecording {
public:
    struct Packet {
        qint64 milliseconds = 0;
        QByteArray text;
    };

    // Reads a session file. False with `error` set (file and line) when it cannot be read, a line is
    // malformed, the time goes backwards or the file holds no packet.
    bool load(const QString& path, QString* error);
    // Writes `seconds` of the synthetic performance sampled at `framesPerSecond`. False with `error` set when
    // the file cannot be written.
    static bool record(const QString& path, const SyntheticPerformance& performance, double seconds,
                       double framesPerSecond, QString* error);

    const QVector<Packet>& packets() const { return m_packets; }
    // Time of the last packet (0 when empty).
    qint64 duration() const { return m_packets.isEmpty() ? 0 : m_packets.back().milliseconds; }

private:
    QVector<Packet> m_packets;
};
