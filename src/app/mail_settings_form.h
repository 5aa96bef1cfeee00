#pragma once

#include "core/form_state.h"
#include "delivery/mail_settings.h"

namespace tervolen {

// The e-mail group of the window as the backup e-mail and the run reports both take it.
MailSettings readMailSettings(const FormState& form);

} // namespace tervolen
