#pragma once

#include <string>
#include <vector>

// A phone played by a test on the loopback interface: it receives the receiver's UDP commands on port 49983
// of 127.0.0.1 and connects to the receiver's TCP port 49986. Every wait is bounded; sockets close with it.
class ScriptedPhone {
public:
    ScriptedPhone();
    ~ScriptedPhone();
    ScriptedPhone(const ScriptedPhone&) = delete;
    ScriptedPhone& operator=(const ScriptedPhone&) = delete;

    // The command port is bound (false when another process holds it).
    bool isListening() const { return m_udp >= 0; }
    // The next datagram's bytes, or nothing (empty optional-like: false) after `timeoutMs`.
    bool nextCommand(std::string& bytes, int timeoutMs);
    // Drops datagrams that already arrived.
    void drainCommands();
    // Connects to the receiver's stream port, retrying until `timeoutMs` passes; false if it never listened.
    bool connectStream(int timeoutMs);
    // Sends bytes on the stream; false when the stream is gone.
    bool send(const std::string& bytes);
    // Closes the stream (an orderly end, like the phone after a stop command).
    void closeStream();
    // Waits until the receiver closed its end of the stream; false after `timeoutMs`.
    bool waitStreamClosed(int timeoutMs);

    // A packet of at least 100 characters: the items joined with "|", padded with separators.
    static std::string packet(const std::vector<std::string>& items);

private:
    int m_udp = -1;
    int m_tcp = -1;
};
