#pragma once

#include "core/monitor_log.h"
#include "core/posix_file.h"
#include "delivery/mail_settings.h"
#include "delivery/mime_message.h"
#include "delivery/smtp_client.h"

namespace tervolen {

// Mails the archive, read through its descriptor and named after archive.path, to the addresses of To and CC
// through the SMTP server. An empty host or no recipient, like a failure to connect or send, is put at the top of
// the Monitor as "ERROR: " and the text, without connecting; so is an unknown security. The user name and password
// are sent only over an encrypted connection. message keeps no reference to archive afterwards.
// Throws a port text that is no integer and a failed disconnect.
void sendBackupByMail(const OpenedFile& archive, const MailSettings& settings, SmtpClient& smtp, MailMessage& message,
                      MonitorLog& monitor);

} // namespace tervolen
