// Latency of the face link: from a packet's arrival on the stream socket to the start of the first rendered
// frame that uses it. A phone on the loopback interface streams at 60 Hz; the real capture thread (KyThread)
// receives and parses; the frame loop is paced as the app paces it (a 1 ms timer that starts a frame once 16 ms
// have passed since the last) and copies the face frames at frame start, as the body controller does. No GL.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "app/KyThread.h"
#include "face/iFacialMoCap.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPackets = 120;  // two seconds at 60 Hz per run
// Phone and frame loop both run near 60 Hz, so within one run their phase barely drifts; the runs start the
// stream at phases spread over one frame, so that the figures cover every phase a session meets.
constexpr int kRuns = 8;

sockaddr_in loopback(unsigned short port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// Waits for the start command, connects, and sends packet i (jawOpen-i % 100) at i / 60 s, noting when.
void runPhone(std::vector<Clock::time_point>* sent, std::atomic<bool>* failed, std::chrono::microseconds phase) {
    const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(udp, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    const sockaddr_in commands = loopback(iFacialMoCap::kCommandPort);
    pollfd p{udp, POLLIN, 0};
    char command[128];
    if (::bind(udp, reinterpret_cast<const sockaddr*>(&commands), sizeof(commands)) != 0 || ::poll(&p, 1, 3000) != 1 ||
        ::recv(udp, command, sizeof(command), 0) <= 0) {
        *failed = true;
        ::close(udp);
        return;
    }
    const int tcp = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in stream = loopback(iFacialMoCap::kStreamPort);
    if (::connect(tcp, reinterpret_cast<const sockaddr*>(&stream), sizeof(stream)) != 0) {
        *failed = true;
    } else {
        ::setsockopt(tcp, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
        const auto begin = Clock::now() + phase;
        for (int i = 0; i < kPackets; ++i) {
            std::this_thread::sleep_until(begin + std::chrono::microseconds(i * 1000000 / 60));
            std::string packet = "jawOpen-" + std::to_string(i % 100) + "|mouthClose-5|=head#1,2,3,0.01,0.02,0.03|";
            packet += std::string(100, '|') + "___iFacialMocap";
            (*sent)[static_cast<size_t>(i)] = Clock::now();
            ::send(tcp, packet.data(), packet.size(), MSG_NOSIGNAL);
        }
        std::this_thread::sleep_for(100ms);
    }
    ::close(tcp);
    ::close(udp);
}

double percentile(std::vector<double> v, double fraction) {
    std::sort(v.begin(), v.end());
    const auto index = static_cast<size_t>(std::ceil(fraction * static_cast<double>(v.size()))) - 1;
    return v[std::min(index, v.size() - 1)];
}

void BM_PacketToFrameLatency(benchmark::State& state) {
    std::vector<double> latencies;
    std::vector<double> intervals;
    int run = 0;
    for (auto _ : state) {
        KyThread thread;
        iFacialMoCap* receiver = thread.receiver();
        iFacialMoCap::Settings settings;
        settings.camAddress = "127.0.0.1";
        receiver->setSettings(settings);
        const int jawOpen = receiver->IndexOf(QStringLiteral("jawOpen"));

        std::vector<Clock::time_point> sent(kPackets);
        std::atomic<bool> failed{false};
        std::thread phone(runPhone, &sent, &failed, std::chrono::microseconds(run++ * 16667 / kRuns));
        std::this_thread::sleep_for(50ms);  // the phone listens for commands
        receiver->PrepareStart();
        thread.start();

        FaceFrame previous, latest;
        qint64 seenStamp = 0;
        int seenPackets = 0;
        Clock::time_point lastFrame = Clock::now();
        const auto deadline = lastFrame + std::chrono::seconds(kPackets / 60 + 4);
        const size_t runStart = latencies.size();
        while (!failed && seenPackets < kPackets - 2 && Clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);  // the frame loop's 1 ms timer
            const Clock::time_point now = Clock::now();
            if (now - lastFrame < 16ms) continue;
            intervals.push_back(std::chrono::duration<double, std::milli>(now - lastFrame).count());
            lastFrame = now;
            receiver->CopyFrames(&previous, &latest);
            if (latest.timestamp == seenStamp || latest.timestamp == 0) continue;
            seenStamp = latest.timestamp;
            // The packet number is in its jawOpen value; the newest packet sent with that number is the one.
            const int id = static_cast<int>(std::lround(latest.values[static_cast<size_t>(jawOpen)] * 100.0f));
            int packet = -1;
            for (int i = id; i < kPackets; i += 100) {
                if (sent[static_cast<size_t>(i)] != Clock::time_point{} && sent[static_cast<size_t>(i)] <= now) {
                    packet = i;
                }
            }
            if (packet < 0) continue;
            seenPackets = packet + 1;
            latencies.push_back(
                std::chrono::duration<double, std::milli>(now - sent[static_cast<size_t>(packet)]).count());
        }
        receiver->Stop();
        thread.quit();
        thread.waitFinished(ULONG_MAX);
        phone.join();
        if (failed || latencies.size() == runStart) {
            state.SkipWithError("the phone could not connect (ports 49983/49986 busy?)");
            return;
        }
    }
    state.counters["median_ms"] = percentile(latencies, 0.5);
    state.counters["p99_ms"] = percentile(latencies, 0.99);
    state.counters["frame_interval_ms"] = percentile(intervals, 0.5);
    state.counters["frames_measured"] = static_cast<double>(latencies.size());
}
BENCHMARK(BM_PacketToFrameLatency)->Iterations(kRuns)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
