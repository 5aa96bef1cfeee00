#pragma once

#include "core/form_state.h"
#include "delivery/ftp_client.h"

#include <string>

namespace tervolen {

// Uploads the run's archive (".zip", else ".bz2") to the FTP server of the FTP group, under its file
// name in the login folder. Throws every failure (port text, connection, login, transfer) to the caller.
void SendBackupByFtp(const FormState& form, TIdFTP& ftp, const std::string& currentBackupName);

} // namespace tervolen
