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

inline void setConnectionFields(FormState& form, const ConnectionFields& fields) {
    form.setText("CB_Protocol", fields.protocol);
    form.setText("EdServerName", fields.serverName);
    form.setText("ClientLibFilenameEdit", fields.clientLibrary);
    form.setText("EdUserName", fields.user);
    form.setText("EdPswd", fields.password);
}

// The private test server over TCP, with its administrator's login.
inline ConnectionFields serverConnection(const FirebirdServer& server) {
    return {"TCP/IP", server.serverName(), server.clientLibrary, server.user, server.password};
}

// Ticks the e-mail step with a loopback SMTP server at port, from backup@example.com to dba@example.com.
inline void setMailFields(FormState& form, int port) {
    form.setChecked("ChkBoxBkpMail", true);
    form.setText("ledHost", "127.0.0.1");
    form.setText("EdSMTPPort", std::to_string(port));
    form.setText("ledFrom", "backup@example.com");
    form.setText("ledTo", "dba@example.com");
    form.setText("ledCC", "");
}

// Ticks the FTP step with a loopback FTP server at port and the login backup / secret.
inline void setFtpFields(FormState& form, int port) {
    form.setChecked("ChkBoxSentFTP", true);
    form.setText("LedFTPAdress", "127.0.0.1");
    form.setText("LedFTPPort", std::to_string(port));
    form.setText("LedUserName", "backup");
    form.setText("LedPassword", "secret");
}

} // namespace tervolen::test
