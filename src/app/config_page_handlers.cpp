#include "app/config_page_handlers.h"

#include "app/connection_tests.h"
#include "app/ftp_settings_form.h"
#include "app/mail_settings_form.h"
#include "core/control_names.h"
#include "services/job_requests.h"

namespace tervolen {

namespace {

void showTestResult(const ConnectionTestResult& result, Dialogs& dialogs) {
    if (result.ok)
        dialogs.information(result.text);
    else
        dialogs.errorReport(result.text);
}

} // namespace

bool archivePasswordsAgree(FormState& form, Dialogs& dialogs) {
    if (form.text(controls::EdArchivePswd) == form.text(controls::EdArchivePswdAgain))
        return true;
    dialogs.message("The two archive passwords differ.");
    form.setFocus(controls::EdArchivePswdAgain);
    return false;
}

void onCompressionToggled(FormState& form) {
    bool compress = form.checked(controls::ChkBoxCompress);
    form.setEnabled(controls::CBCompMetho, compress);
    form.setEnabled(controls::CBCompMethoLevel, compress);
}

void onTestConnection(const FormState& form, Dialogs& dialogs) {
    showTestResult(testServerConnection(serverConnectionFromForm(form)), dialogs);
}

void onTestMail(const FormState& form, Dialogs& dialogs, SmtpClient& smtp) {
    showTestResult(sendTestMail(readMailSettings(form), smtp), dialogs);
}

void onTestFtp(const FormState& form, Dialogs& dialogs, FtpClient& ftp) {
    showTestResult(testFtpUpload(readFtpSettings(form), ftp), dialogs);
}

} // namespace tervolen
