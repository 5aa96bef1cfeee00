#include "app/ftp_settings_form.h"

#include "core/control_names.h"

namespace tervolen {

FtpSettings readFtpSettings(const FormState& form) {
    return {form.text(controls::LedFTPAdress),        form.text(controls::LedFTPPort),
            form.text(controls::LedUserName),         form.text(controls::LedPassword),
            form.checked(controls::ChkBoxFTPPassive), form.text(controls::LedFTPFolder),
            form.text(controls::CBFTPSecurity),       form.text(controls::LedFTPCAFile)};
}

} // namespace tervolen
