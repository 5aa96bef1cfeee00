#include "ftp_test_server.h"

#include "temp_dir.h"
#include "test_config.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace tervolen::test {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(30);

} // namespace

FtpTestServer::FtpTestServer(const std::string& home, const std::string& user, const std::string& password)
    : FtpTestServer(home, user, password, FtpTestTls::None, {}, {}) {}

FtpTestServer::FtpTestServer(const std::string& home, const std::string& user, const std::string& password,
                             FtpTestTls tls, const std::string& certificate, const std::string& key) {
    if (tls == FtpTestTls::None)
        start(home, user, password, {});
    else
        start(home, user, password, {tls == FtpTestTls::Explicit ? "explicit" : "implicit", certificate, key});
}

FtpTestServer::FtpTestServer(const std::string& home, const std::string& user, const std::string& password,
                             FtpTestFault fault) {
    start(home, user, password,
          {"--fault", fault == FtpTestFault::RefuseDele ? "refuse-dele" : "die-at-second-dele"});
}

void FtpTestServer::start(const std::string& home, const std::string& user, const std::string& password,
                          const std::vector<std::string>& options) {
    const std::string portFile = home + ".port";
    std::vector<std::string> arguments = {
        kPython3, std::string(kSourceDir) + "/tests/support/ftp_test_server.py", portFile, home, user, password};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, kPython3, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start the FTP server");
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!std::filesystem::exists(portFile)) {
        const bool exited = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (exited || std::chrono::steady_clock::now() > deadline) {
            if (!exited) {
                ::kill(pid_, SIGTERM);
                ::waitpid(pid_, nullptr, 0);
            }
            throw std::runtime_error("the FTP server did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    port_ = std::stoi(readFile(portFile));
    std::filesystem::remove(portFile);
}

FtpTestServer::~FtpTestServer() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

} // namespace tervolen::test
