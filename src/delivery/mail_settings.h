#pragma once

#include "delivery/smtp_client.h"

#include <optional>
#include <string>

namespace tervolen {

// What the e-mail steps take from the window's e-mail group.
struct MailSettings {
    std::string host;
    std::string port; // as typed; parsed when the client is set up
    std::string from;
    std::string to;
    std::string cc;
    std::optional<SmtpSecurity> security = SmtpSecurity::None; // nothing: a stored value none of the known ones
    std::string caFile{};                                      // empty: the system's trust store
    std::string user{};                                        // empty: no AUTH
    std::string password{};
};

// Sets the client's server, security and login from the settings; the user name and password are sent only over
// an encrypted connection. Throws a port text that is no integer.
void configureSmtpClient(SmtpClient& smtp, const MailSettings& settings);

// Throws Error when the settings cannot work, before anything connects: an empty host or an unknown security.
// what names the message in the error ("backup e-mail", "run report").
void checkMailSettings(const MailSettings& settings, const std::string& what);

} // namespace tervolen
