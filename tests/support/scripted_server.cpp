#include "scripted_server.h"

#include "delivery/reply_reader.h"
#include "delivery/tcp_socket.h"

#include <cerrno>
#include <optional>

namespace tervolen::test {

namespace {

using namespace std::chrono_literals;

constexpr auto kPollInterval = 50ms;
constexpr auto kWriteTimeout = 10s;

} // namespace

ScriptedServer::Step ScriptedServer::send(std::string text) {
    return {Step::Kind::Send, std::move(text), {}};
}

ScriptedServer::Step ScriptedServer::repeat(std::string text, std::size_t times) {
    return {Step::Kind::Repeat, std::move(text), {}, times};
}

ScriptedServer::Step ScriptedServer::expect(std::string answer, LineHook hook) {
    return {Step::Kind::Expect, std::move(answer), std::move(hook)};
}

ScriptedServer::Step ScriptedServer::expectData(std::string answer) {
    return {Step::Kind::ExpectData, std::move(answer), {}};
}

ScriptedServer::Step ScriptedServer::close() {
    return {Step::Kind::Close, {}, {}};
}

ScriptedServer::Step ScriptedServer::silent() {
    return {Step::Kind::Silent, {}, {}};
}

ScriptedServer::ScriptedServer(std::vector<Step> script) {
    auto listener = TcpListener::listen("127.0.0.1", 0);
    port_ = listener.port();
    thread_ = std::thread([this, listener = std::move(listener), script = std::move(script)]() mutable {
        std::optional<TcpSocket> socket;
        while (!stop_ && !socket)
            socket = listener.accept(kPollInterval);
        if (socket) {
            try {
                session(*socket, script);
            } catch (const std::exception&) {
                // The client went away; the lines so far stay recorded.
            }
        }
        std::lock_guard lock(mutex_);
        finished_ = true;
        finishedChanged_.notify_all();
    });
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> ScriptedServer::receivedLines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool ScriptedServer::waitFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return finishedChanged_.wait_for(lock, timeout, [this] { return finished_; });
}

std::optional<std::string> ScriptedServer::nextLine(TcpSocket& socket, ReplyReader& reader) {
    while (!stop_) {
        try {
            std::string line = reader.readLine(socket, std::chrono::steady_clock::now() + kPollInterval);
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
            return line;
        } catch (const SocketError& e) {
            if (e.code() != ETIMEDOUT)
                return std::nullopt;
        } catch (const Error&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void ScriptedServer::session(TcpSocket& socket, const std::vector<Step>& script) {
    ReplyReader reader;
    for (const Step& step : script) {
        switch (step.kind) {
        case Step::Kind::Send:
            socket.writeAll(step.text, kWriteTimeout);
            break;
        case Step::Kind::Repeat:
            for (std::size_t i = 0; !stop_ && (step.times == 0 || i < step.times); ++i)
                socket.writeAll(step.text, kWriteTimeout);
            break;
        case Step::Kind::Expect: {
            auto line = nextLine(socket, reader);
            if (!line)
                return;
            if (!step.text.empty())
                socket.writeAll(step.text, kWriteTimeout);
            if (step.hook)
                step.hook(*line);
            break;
        }
        case Step::Kind::ExpectData:
            for (;;) {
                auto line = nextLine(socket, reader);
                if (!line)
                    return;
                if (*line == ".")
                    break;
            }
            socket.writeAll(step.text, kWriteTimeout);
            break;
        case Step::Kind::Close:
            socket.close();
            return;
        case Step::Kind::Silent:
            recordUntilClosed(socket, reader);
            return;
        }
    }
    recordUntilClosed(socket, reader);
}

void ScriptedServer::recordUntilClosed(TcpSocket& socket, ReplyReader& reader) {
    while (nextLine(socket, reader)) {
    }
}

} // namespace tervolen::test
