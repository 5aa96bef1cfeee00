#pragma once

#include "core/form_state.h"
#include "core/posix_file.h"
#include "delivery/ftp_client.h"

namespace tervolen {

// Uploads the archive, read through its descriptor, to the FTP server of the FTP group under the file name of
// archive.path in the login folder. Throws every failure (port text, an empty server address before connecting,
// connection, login, transfer) to the caller.
void SendBackupByFtp(const FormState& form, TIdFTP& ftp, const OpenedFile& archive);

} // namespace tervolen
