#pragma once

#include "core/form_state.h"
#include "delivery/mime_message.h"
#include "delivery/smtp_client.h"
#include "services/monitor_log.h"

#include <functional>
#include <string>

namespace tervolen {

// Mails the run's archive (".zip", else ".bz2", else no attachment) to the addresses of ledTo and ledCC
// through the SMTP server of the e-mail group. A failure to connect or send is put at the top of the
// Monitor as "ERROR: " and the text; then the FTP step follows when ChkBoxSentFTP is ticked. Throws a
// port text that is no integer and a failed disconnect.
void SendBackupByMail(const FormState& form, MonitorLog& monitor, TIdSMTP& smtp, TIdMessage& message,
                      const std::string& currentBackupName, const std::function<void()>& sendBackupByFtp);

} // namespace tervolen
