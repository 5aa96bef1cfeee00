#pragma once

#include "core/form_state.h"
#include "delivery/send_backup_by_mail.h"

namespace tervolen {

// The e-mail group of the window as the e-mail step and the test mail both take it.
MailSettings readMailSettings(const FormState& form);

} // namespace tervolen
