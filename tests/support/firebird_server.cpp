#include "firebird_server.h"

#include "test_config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervolen::test {

namespace {

std::map<std::string, std::string> readStateFile(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("No Firebird test server runs (" + path +
                                 " is missing): run the tests through ctest, which starts it with the fixture "
                                 "\"firebird\", or run tests/support/firebird/start-server " +
                                 std::filesystem::path(path).parent_path().string());
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(in, line)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

FirebirdServer loadServer() {
    std::map<std::string, std::string> values = readStateFile(firebirdStateFile());
    auto value = [&values](const std::string& key) {
        auto found = values.find(key);
        if (found == values.end())
            throw std::runtime_error("The Firebird state file lacks " + key);
        return found->second;
    };
    FirebirdServer server;
    server.host = value("FIREBIRD_TEST_HOST");
    server.port = std::stoi(value("FIREBIRD_TEST_PORT"));
    server.user = value("FIREBIRD_TEST_USER");
    server.password = value("FIREBIRD_TEST_PASSWORD");
    server.database = value("FIREBIRD_TEST_DATABASE");
    server.workDir = value("FIREBIRD_TEST_WORK");
    server.embeddedDatabase = value("FIREBIRD_TEST_EMBEDDED_DATABASE");
    ::setenv("FIREBIRD", value("FIREBIRD_TEST_EMBEDDED_ROOT").c_str(), 1);
    ::setenv("FIREBIRD_LOCK", value("FIREBIRD_TEST_EMBEDDED_LOCK").c_str(), 1);
    return server;
}

} // namespace

std::string firebirdStateFile() {
    return std::string(kBinaryDir) + "/firebird-test/state.env";
}

const FirebirdServer& theFirebirdServer() {
    static const FirebirdServer server = loadServer();
    return server;
}

ServerUser theServerUser() {
    if (::geteuid() == 0)
        if (const passwd* user = ::getpwnam("firebird"))
            return ServerUser{user->pw_uid, user->pw_gid};
    return ServerUser{::geteuid(), ::getegid()};
}

void giveToServerUser(const std::string& folder) {
    const ServerUser user = theServerUser();
    if (::chown(folder.c_str(), user.uid, user.gid) != 0 || ::chmod(folder.c_str(), 0700) != 0)
        throw std::runtime_error("cannot give " + folder + " to the server's user");
}

ServerFolder::ServerFolder() {
    std::string pattern = theFirebirdServer().workDir + "/folder-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed under " + theFirebirdServer().workDir);
    path_ = name.data();
    giveToServerUser(path_);
}

ServerFolder::~ServerFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace tervolen::test

// LeakSanitizer crashes at exit while it stops the threads of the Firebird client library, so the
// sanitizer build runs the tests that use the server without leak detection.
extern "C" const char* __lsan_default_options() {
    return "detect_leaks=0";
}
