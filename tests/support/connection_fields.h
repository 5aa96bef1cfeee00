#pragma once

#include "core/form_state.h"
#include "firebird_server.h"

#include <string>

namespace tervolen::test {

// What the Basic Options say about reaching the server.
struct ConnectionFields {
    std::string protocol; // CB_Protocol
    std::string serverName;
    std::string clientLibrary;
    std::string user;
    std::string password;
};

inline void SetConnectionFields(FormState& form, const ConnectionFields& fields) {
    form.setText("CB_Protocol", fields.protocol);
    form.setText("EdServerName", fields.serverName);
    form.setText("ClientLibFilenameEdit", fields.clientLibrary);
    form.setText("EdUserName", fields.user);
    form.setText("EdPswd", fields.password);
}

// The private test server over TCP, with its administrator's login.
inline ConnectionFields ServerConnection(const FirebirdServer& server) {
    return {"TCP/IP", server.serverName(), server.clientLibrary, server.user, server.password};
}

} // namespace tervolen::test
