#include "app/mail_settings_form.h"

#include "core/control_names.h"

#include <optional>

namespace tervolen {

namespace {

// The items of the Security combo; no item selected means the settings file held another value.
std::optional<SmtpSecurity> chosenSmtpSecurity(int item) {
    switch (item) {
    case 0:
        return SmtpSecurity::None;
    case 1:
        return SmtpSecurity::StartTls;
    case 2:
        return SmtpSecurity::Tls;
    default:
        return std::nullopt;
    }
}

} // namespace

MailSettings readMailSettings(const FormState& form) {
    MailSettings settings{form.text(controls::ledHost), form.text(controls::EdSMTPPort), form.text(controls::ledFrom),
                          form.text(controls::ledTo), form.text(controls::ledCC)};
    settings.security = chosenSmtpSecurity(form.itemIndex(controls::CBSMTPSecurity));
    settings.caFile = form.text(controls::EdSMTPCAFile);
    settings.user = form.text(controls::EdSMTPUser);
    settings.password = form.text(controls::EdSMTPpswd);
    return settings;
}

} // namespace tervolen
