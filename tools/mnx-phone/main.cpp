// mnx-phone: a stand-in for the iFacialMocap phone app, for trying face capture without an iPhone.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <csignal>
#include <optional>

#include "PhoneEmulator.h"
#include "SessionRecording.h"
#include "SyntheticPerformance.h"
#include "VmcPerformance.h"

namespace {

std::atomic<bool> g_interrupted{false};

void onSignal(int) { g_interrupted = true; }

// A value fixed for the whole performance: a blend shape (0..100) or a head or eye angle in degrees.
struct Hold {
    int blendShape = -1;
    float* (*target)(PhoneFrame&) = nullptr;
    float value = 0.0f;
};

std::optional<Hold> parseHold(const QString& text) {
    const int eq = text.indexOf('=');
    if (eq <= 0) return std::nullopt;
    bool ok = false;
    Hold hold;
    hold.value = text.mid(eq + 1).toFloat(&ok);
    if (!ok || !std::isfinite(hold.value)) return std::nullopt;
    const QByteArray name = text.left(eq).toLatin1();
    static const struct {
        const char* name;
        float* (*target)(PhoneFrame&);
    } kAngles[] = {
        {"headPitch", [](PhoneFrame& f) { return &f.headRotation[0]; }},
        {"headYaw", [](PhoneFrame& f) { return &f.headRotation[1]; }},
        {"headRoll", [](PhoneFrame& f) { return &f.headRotation[2]; }},
        {"eyePitch", [](PhoneFrame& f) { return &f.rightEye[0]; }},
        {"eyeYaw", [](PhoneFrame& f) { return &f.rightEye[1]; }},
    };
    for (const auto& angle : kAngles) {
        if (name == angle.name) {
            hold.target = angle.target;
            return hold;
        }
    }
    hold.blendShape = PhoneFrame::blendShapeIndex(QLatin1String(name));
    if (hold.blendShape < 0) return std::nullopt;
    return hold;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mnx-phone"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Stands in for the iFacialMocap phone app: answers Marionix's start, stop and look-forward commands "
        "(UDP port 49983) and streams face packets over TCP to port 49986 of the sender at 60 Hz."));
    parser.addHelpOption();
    const QCommandLineOption bindOption(QStringLiteral("bind"), QStringLiteral("Address to listen on (default: all)."),
                                        QStringLiteral("address"), QStringLiteral("0.0.0.0"));
    const QCommandLineOption replayOption(QStringLiteral("replay"),
                                          QStringLiteral("Stream a recorded session (looped) instead of the "
                                                         "synthetic performance."),
                                          QStringLiteral("file"));
    const QCommandLineOption recordOption(QStringLiteral("record"),
                                          QStringLiteral("Write the synthetic performance to a session file and "
                                                         "exit."),
                                          QStringLiteral("file"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Length of a recording (default 60)."),
                                           QStringLiteral("seconds"), QStringLiteral("60"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the synthetic performance (default 1)."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption neutralOption(QStringLiteral("neutral"),
                                           QStringLiteral("A still, neutral face instead of the performance."));
    const QCommandLineOption holdOption(
        QStringLiteral("hold"),
        QStringLiteral("Fix a value for the whole stream: an ARKit blend shape 0..100 (jawOpen=100) or an angle in "
                       "degrees: headPitch, headYaw, headRoll, eyePitch, eyeYaw. Repeatable."),
        QStringLiteral("name=value"));
    const QCommandLineOption chunkOption(
        QStringLiteral("chunk"),
        QStringLiteral("How packets map onto TCP writes: whole (one per write, default), coalesce (two per write) or "
                       "split (each in two writes, cut inside a value or inside the trailer)."),
        QStringLiteral("mode"), QStringLiteral("whole"));
    const QCommandLineOption vmcOption(QStringLiteral("vmc"),
                                       QStringLiteral("Send the synthetic performance as VMC (OSC over UDP) to "
                                                      "HOST:PORT instead of acting as the phone."),
                                       QStringLiteral("host:port"));
    parser.addOptions({bindOption, replayOption, recordOption, secondsOption, seedOption, neutralOption, holdOption,
                       chunkOption, vmcOption});
    parser.process(app);

    const SyntheticPerformance performance(parser.value(seedOption).toULongLong());
    if (parser.isSet(vmcOption)) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        return runVmcPerformance(parser.value(vmcOption), performance, g_interrupted, out, err);
    }
    if (parser.isSet(recordOption)) {
        QString error;
        const double seconds = parser.value(secondsOption).toDouble();
        if (!(seconds > 0.0) ||
            !SessionRecording::record(parser.value(recordOption), performance, seconds, 60.0, &error)) {
            err << "mnx-phone: " << (error.isEmpty() ? QStringLiteral("bad --seconds") : error) << Qt::endl;
            return 1;
        }
        return 0;
    }

    QVector<Hold> holds;
    for (const QString& text : parser.values(holdOption)) {
        const auto hold = parseHold(text);
        if (!hold) {
            err << "mnx-phone: bad --hold " << text << Qt::endl;
            return 2;
        }
        holds.push_back(*hold);
    }

    PhoneEmulator::PacketSource source;
    SessionRecording recording;
    if (parser.isSet(replayOption)) {
        QString error;
        if (!recording.load(parser.value(replayOption), &error)) {
            err << "mnx-phone: " << error << Qt::endl;
            return 1;
        }
        source = [&recording](qint64 elapsedMs, qint64* nextMs) {
            // Loop the session; the gap after the last packet repeats the one before it.
            const auto& packets = recording.packets();
            const qint64 gap =
                packets.size() > 1 ? packets.back().milliseconds - packets[packets.size() - 2].milliseconds : 16;
            const qint64 period = recording.duration() + std::max<qint64>(1, gap);
            const qint64 loopStart = elapsedMs - elapsedMs % period;
            const qint64 local = elapsedMs % period;
            int i = 0;
            while (i + 1 < packets.size() && packets[i + 1].milliseconds <= local) ++i;
            *nextMs = loopStart + (i + 1 < packets.size() ? packets[i + 1].milliseconds : period);
            return packets[i].text;
        };
    } else {
        const bool neutral = parser.isSet(neutralOption);
        source = [&performance, holds, neutral](qint64 elapsedMs, qint64* nextMs) {
            const qint64 frame = elapsedMs * 60 / 1000;
            PhoneFrame f = neutral ? PhoneFrame() : performance.frameAt(static_cast<double>(elapsedMs) / 1000.0);
            for (const Hold& hold : holds) {
                if (hold.blendShape >= 0) {
                    f.blendShapes[hold.blendShape] = hold.value;
                } else {
                    *hold.target(f) = hold.value;
                }
            }
            f.leftEye = f.rightEye;
            *nextMs = (frame + 1) * 1000 / 60 + ((frame + 1) * 1000 % 60 != 0 ? 1 : 0);
            return f.toPacket();
        };
    }

    PhoneEmulator::Options options;
    options.bindAddress = QHostAddress(parser.value(bindOption));
    const QString chunk = parser.value(chunkOption);
    if (chunk == QLatin1String("coalesce")) {
        options.chunking = PhoneEmulator::Chunking::Coalesce;
    } else if (chunk == QLatin1String("split")) {
        options.chunking = PhoneEmulator::Chunking::Split;
    } else if (chunk != QLatin1String("whole")) {
        err << "mnx-phone: bad --chunk " << chunk << " (whole, coalesce or split)" << Qt::endl;
        return 2;
    }
    if (options.bindAddress.isNull()) {
        err << "mnx-phone: bad --bind address " << parser.value(bindOption) << Qt::endl;
        return 2;
    }
    PhoneEmulator phone(options, source, out);
    QString error;
    if (!phone.listen(&error)) {
        err << "mnx-phone: " << error << Qt::endl;
        return 1;
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer signalPoll;
    QObject::connect(&signalPoll, &QTimer::timeout, &app, [&] {
        if (g_interrupted) {
            out << "interrupted, exiting" << Qt::endl;
            app.quit();
        }
    });
    signalPoll.start(50);
    return app.exec();
}
