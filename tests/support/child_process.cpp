#include "child_process.h"

#include <chrono>
#include <csignal>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tervolen::test {

namespace {

std::string endingText(int status) {
    return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                             : "signal " + std::to_string(WTERMSIG(status));
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> arguments) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid_ < 0) {
        ::close(fds[0]);
        throw std::runtime_error("fork failed");
    }
    out_.reset(::fdopen(fds[0], "r"));
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string ChildProcess::line() {
    char buffer[4096];
    return std::fgets(buffer, sizeof buffer, out_.get()) != nullptr ? buffer : "";
}

std::string ChildProcess::ending() {
    for (int i = 0; i < 6000; ++i) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return endingText(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "still running";
}

std::string ChildProcess::stop() {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return endingText(status);
}

} // namespace tervolen::test
