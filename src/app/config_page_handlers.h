#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"
#include "delivery/ftp_client.h"
#include "delivery/smtp_client.h"

namespace tervolen {

// ChkBoxCompress: the method and level lists are usable exactly while compression is ticked.
void onCompressionToggled(FormState& form);

// Whether the archive password was entered the same twice; when not, says so and puts the focus on the second.
bool archivePasswordsAgree(FormState& form, Dialogs& dialogs);

// BtnTestConnection, BtnTestMail, BtnTestFtp: test the connection with the fields as they stand, saving nothing, and
// show the answer: an information box when the test passed, the error report with the reason when not.
void onTestConnection(const FormState& form, Dialogs& dialogs);
void onTestMail(const FormState& form, Dialogs& dialogs, SmtpClient& smtp);
void onTestFtp(const FormState& form, Dialogs& dialogs, FtpClient& ftp);

} // namespace tervolen
