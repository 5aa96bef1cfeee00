#pragma once

#include <string>

namespace tervolen::test {

// The private Firebird 3 server that tests/support/firebird/start-server runs for the CTest fixture
// "firebird" (tests that use it carry FIXTURES firebird and LABELS firebird).
struct FirebirdServer {
    std::string host; // 127.0.0.1
    int port = 0;
    std::string user; // SYSDBA
    std::string password;
    std::string database; // path of the test database (table CUSTOMER, three rows)
    std::string workDir;  // a folder that both the server and the tests write into
    // A database for embedded access ("service_mgr" with protocol Local), which needs no server.
    std::string embeddedDatabase;
    std::string clientLibrary = "libfbclient.so.2";

    // The ServerName that reaches the server with protocol TCP: "127.0.0.1/port".
    std::string serverName() const { return host + "/" + std::to_string(port); }
    // A database path as the server's tools take it: "127.0.0.1/port:path".
    std::string remotePath(const std::string& path) const { return serverName() + ":" + path; }
};

// An isql script that adds a table BIG of 200,000 rows (about 30 MB) to a database: enough that the server's backup
// and restore of it take a while, so that a kill lands in their middle.
inline constexpr const char* kBigTableScript =
    "create table big (id integer not null, name varchar(100)); commit;\n"
    "set term ^;\n"
    "execute block as declare i integer = 0; begin\n"
    "  while (i < 200000) do begin insert into big values (:i, lpad(:i, 100, 'x')); i = i + 1; end\n"
    "end^\n"
    "set term ;^\n"
    "commit;\n";

// The state file that start-server writes: <build dir>/firebird-test/state.env.
std::string firebirdStateFile();

// The running server, read from the state file at the first call. Also points the client library's
// configuration and lock folder at the server's private embedded root (FIREBIRD, FIREBIRD_LOCK), so that
// embedded access never touches the system's Firebird; call it before the library is first loaded.
// Throws std::runtime_error when no server runs.
const FirebirdServer& theFirebirdServer();

// The owner that a folder both the server and the tests write into needs: the server's user ("firebird") when the
// tests run as root, since the server then runs as that user, otherwise the caller. Such a folder is 0700, so the
// program finds nothing to warn about.
struct ServerUser {
    unsigned uid = 0;
    unsigned gid = 0;
};
ServerUser theServerUser();

// Gives folder to TheServerUser() with mode 0700. Throws std::runtime_error when that fails.
void giveToServerUser(const std::string& folder);

// A fresh folder under the server's work folder that the server can write into, removed at the end.
class ServerFolder {
public:
    ServerFolder();
    ServerFolder(const ServerFolder&) = delete;
    ServerFolder& operator=(const ServerFolder&) = delete;
    ~ServerFolder();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace tervolen::test
