#include "tls_peer.h"

#include "test_config.h"

#include <stdexcept>
#include <vector>

namespace tervolen::test {

namespace {

std::vector<std::string> peerArguments(TlsPeer::Mode mode, const std::string& certificate, const std::string& key,
                                       const std::string& maxVersion) {
    static const char* const modeNames[] = {"echo", "close", "garbage", "silent"};
    std::vector<std::string> arguments = {kPython3, std::string(kSourceDir) + "/tests/support/tls_peer.py",
                                          modeNames[static_cast<int>(mode)]};
    if (mode == TlsPeer::Mode::echo)
        arguments.insert(arguments.end(), {certificate, key, maxVersion});
    return arguments;
}

} // namespace

TlsPeer::TlsPeer(Mode mode, const std::string& certificate, const std::string& key, const std::string& maxVersion)
    : process_(peerArguments(mode, certificate, key, maxVersion)) {
    const std::string first = process_.line();
    if (first.empty())
        throw std::runtime_error("the TLS peer did not start");
    port_ = std::stoi(first);
}

std::string TlsPeer::nextEvent() {
    std::string line = process_.line();
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

} // namespace tervolen::test
