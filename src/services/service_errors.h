#pragma once

#include "core/errors.h"

#include <string>

namespace tervolen {

// An error found by the database client layer itself; its text is bare.
class ClientError : public Error {
public:
    using Error::Error;
};

// An error reported by the database server. Its text is the service's path name, ":", CR LF,
// then the SQL message directly followed by the server's messages.
class ServerError : public Error {
public:
    ServerError(const std::string& pathName, int sqlCode, const std::string& sqlMessage,
                       const std::string& serverMessages);
    int sqlCode() const { return sqlCode_; }
    const std::string& sqlMessage() const { return sqlMessage_; }
    const std::string& serverMessages() const { return serverMessages_; }

private:
    int sqlCode_;
    std::string sqlMessage_;
    std::string serverMessages_;
};

} // namespace tervolen
