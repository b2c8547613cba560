#include "SessionRecording.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>

#include "SyntheticPerformance.h"

bool SessionRecording::load(const QString& path, QString* error) {
    m_packets.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith('#')) continue;
        int split = 0;
        while (split < line.size() && line[split] >= '0' && line[split] <= '9') ++split;
        bool ok = split > 0 && split < line.size() && (line[split] == '\t' || line[split] == ' ');
        const qint64 ms = ok ? line.left(split).toLongLong(&ok) : 0;
        if (!ok) {
            *error = QStringLiteral("%1:%2: expected \"<milliseconds><TAB><packet>\"").arg(path).arg(lineNumber);
            return false;
        }
        if (!m_packets.isEmpty() && ms < m_packets.back().milliseconds) {
            *error = QStringLiteral("%1:%2: time goes backwards").arg(path).arg(lineNumber);
            return false;
        }
        m_packets.push_back({ms, line.mid(split + 1).trimmed()});
    }
    if (m_packets.isEmpty()) {
        *error = QStringLiteral("%1: no packets").arg(path);
        return false;
    }
    return true;
}

bool SessionRecording::record(const QString& path, const SyntheticPerformance& performance, double seconds,
                              double framesPerSecond, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    file.write("# mnx-phone session: <milliseconds><TAB><packet>\n");
    const auto frames = static_cast<long long>(std::ceil(seconds * framesPerSecond));
    for (long long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / framesPerSecond;
        file.write(QByteArray::number(std::llround(t * 1000.0)));
        file.write("\t");
        file.write(performance.frameAt(t).toPacket());
        file.write("\n");
    }
    if (!file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
