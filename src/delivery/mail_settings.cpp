#include "delivery/mail_settings.h"

#include "core/errors.h"
#include "core/text_conversion.h"

namespace tervolen {

void configureSmtpClient(SmtpClient& smtp, const MailSettings& settings) {
    smtp.setHost(settings.host);
    smtp.setPort(strToInt(settings.port));
    const SmtpSecurity security = settings.security.value_or(SmtpSecurity::None);
    smtp.setSecurity(security);
    smtp.setCaFile(settings.caFile);
    smtp.setCredentials(settings.user, settings.password);
    // Over a connection in clear the password would travel as readable as the message.
    smtp.setAuthType(security != SmtpSecurity::None && !settings.user.empty() ? SmtpAuthentication::Default
                                                                              : SmtpAuthentication::None);
}

void checkMailSettings(const MailSettings& settings, const std::string& what) {
    if (trim(settings.host).empty())
        throw Error("No SMTP server is given for the " + what + " (the host is empty).");
    if (!settings.security)
        throw Error("The SMTP security setting is none of None, STARTTLS and TLS, so nothing was sent.");
}

} // namespace tervolen
