#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tervolen {
class ReplyReader;
class TcpSocket;
} // namespace tervolen

namespace tervolen::test {

// A server for one connection on 127.0.0.1 (port chosen by the system) that plays a script in its own
// thread and records every line it receives, without the line end. After the last step it records lines
// until the client closes. The destructor stops the thread.
class ScriptedServer {
public:
    using LineHook = std::function<void(const std::string& line)>;

    struct Step {
        enum class Kind { Send, Repeat, Expect, ExpectData, Close, Silent };
        Kind kind;
        std::string text;
        LineHook hook;
        std::size_t times = 0;
    };

    // Sends text as it is (with its own CR LF).
    static Step send(std::string text);
    // Sends text times times, or with times 0 again and again until the client closes or the server stops.
    static Step repeat(std::string text, std::size_t times = 0);
    // Reads one line and records it, sends answer (nothing when empty), then calls hook with the line.
    static Step expect(std::string answer, LineHook hook = {});
    // Records message lines up to and including the "." line, then sends answer.
    static Step expectData(std::string answer);
    // Closes the connection; the session ends.
    static Step close();
    // Records lines and never answers, until the client closes or the server is destroyed.
    static Step silent();

    explicit ScriptedServer(std::vector<Step> script);
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;
    ~ScriptedServer();

    int port() const { return port_; }
    std::vector<std::string> receivedLines() const;
    // Waits until the session has ended; false when it has not within timeout.
    bool waitFinished(std::chrono::milliseconds timeout);

private:
    void session(TcpSocket& socket, const std::vector<Step>& script);
    // The next line, recorded; nothing when the client closed or the server stops.
    std::optional<std::string> nextLine(TcpSocket& socket, ReplyReader& reader);
    void recordUntilClosed(TcpSocket& socket, ReplyReader& reader);

    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
    std::vector<std::string> lines_;
    std::thread thread_;
};

} // namespace tervolen::test
