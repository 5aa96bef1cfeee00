#include "smtp_sink.h"

#include "temp_dir.h"
#include "test_config.h"

#include <chrono>
#include <csignal>
#include <cstdio>
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

std::vector<std::string> optionArguments(const SmtpSinkOptions& options) {
    std::vector<std::string> arguments = {"--transcript"};
    if (options.tls != SmtpSinkOptions::Tls::none)
        arguments.insert(arguments.end(),
                         {"--cert", options.certificate, "--key", options.key,
                          options.tls == SmtpSinkOptions::Tls::implicit ? "--implicit-tls" : "--starttls"});
    if (!options.login.empty())
        arguments.insert(arguments.end(), {"--auth", options.login, "--auth-mechanisms", options.authMechanisms});
    return arguments;
}

} // namespace

SmtpSink::SmtpSink(const std::string& folder, const SmtpSinkOptions& options) : folder_(folder) {
    std::string script = std::string(kSourceDir) + "/tests/support/smtp_sink.py";
    std::string portFile = folder + "/sink.port";
    std::vector<std::string> arguments = {kPython3, script, portFile, folder};
    const std::vector<std::string> extra = optionArguments(options);
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, kPython3, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start the SMTP sink");
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!std::filesystem::exists(portFile)) {
        bool exited = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (exited || std::chrono::steady_clock::now() > deadline) {
            if (!exited) {
                ::kill(pid_, SIGTERM);
                ::waitpid(pid_, nullptr, 0);
            }
            throw std::runtime_error("the SMTP sink did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    port_ = std::stoi(readFile(portFile));
}

SmtpSink::~SmtpSink() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string SmtpSink::messagePath(int n, const std::string& extension) const {
    char name[32];
    std::snprintf(name, sizeof name, "/%04d", n);
    return folder_ + name + extension;
}

} // namespace tervolen::test
