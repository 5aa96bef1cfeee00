#pragma once

#include "core/form_state.h"
#include "core/posix_file.h"
#include "delivery/mime_message.h"
#include "delivery/smtp_client.h"
#include "services/monitor_log.h"

#include <functional>

namespace tervolen {

// Mails the archive, read through its descriptor and named after archive.path, to the addresses of ledTo and
// ledCC through the SMTP server of the e-mail group. An empty host or no recipient, like a failure to connect or
// send, is put at the top of the Monitor as "ERROR: " and the text, without connecting; then the FTP step
// follows when ChkBoxSentFTP is ticked. message keeps no reference to archive afterwards. Throws a port text that
// is no integer and a failed disconnect.
void SendBackupByMail(const FormState& form, MonitorLog& monitor, TIdSMTP& smtp, TIdMessage& message,
                      const OpenedFile& archive, const std::function<void()>& sendBackupByFtp);

} // namespace tervolen
