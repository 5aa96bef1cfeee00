#pragma once

#include "core/posix_file.h"
#include "delivery/mime_message.h"
#include "delivery/smtp_client.h"
#include "core/monitor_log.h"

#include <optional>
#include <string>

namespace tervolen {

// What the e-mail step takes from the window's e-mail group.
struct MailSettings {
    std::string host;
    std::string port; // as typed; parsed by the step
    std::string from;
    std::string to;
    std::string cc;
    std::optional<SmtpSecurity> security = SmtpSecurity::None; // nothing: a stored value none of the known ones
    std::string caFile{};                                      // empty: the system's trust store
    std::string user{};                                        // empty: no AUTH
    std::string password{};
};

// Sets host, port, security, trusted certificates and login of smtp as the e-mail step does: the user name and
// password only over an encrypted connection. Throws a port text that is no integer.
void applyMailSettings(const MailSettings& settings, SmtpClient& smtp);

// Refuses, before anything is sent, what the e-mail step refuses: an empty host, an unknown security and no
// recipient. Throws Error with the reason.
void checkMailSettings(const MailSettings& settings);

// A message from the From address to the addresses of To and CC, without subject, body or attachments.
MailMessage addressedMessage(const MailSettings& settings);

// Mails the archive, read through its descriptor and named after archive.path, to the addresses of To and CC
// through the SMTP server. An empty host or no recipient, like a failure to connect or send, is put at the top of
// the Monitor as "ERROR: " and the text, without connecting; so is an unknown security. The user name and password
// are sent only over an encrypted connection. message keeps no reference to archive afterwards.
// Throws a port text that is no integer and a failed disconnect.
void sendBackupByMail(const OpenedFile& archive, const MailSettings& settings, SmtpClient& smtp, MailMessage& message,
                      MonitorLog& monitor);

} // namespace tervolen
