#include "app/config_page_handlers.h"
#include "core/control_names.h"

namespace tervolen {

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

} // namespace tervolen
