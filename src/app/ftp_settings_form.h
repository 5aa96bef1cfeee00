#pragma once

#include "core/form_state.h"
#include "delivery/send_backup_by_ftp.h"

namespace tervolen {

// The FTP group of the window as the upload and the pruning of the FTP folder both take it.
FtpSettings readFtpSettings(const FormState& form);

} // namespace tervolen
