#include "app/schedule_page_handlers.h"

#include "app/monitor_page_handlers.h"
#include "core/control_names.h"

namespace tervolen {

void onAddMirror(FormState& form, Dialogs& dialogs) {
    if (form.checked(controls::ChkBoxCompress)) {
        if (auto folder = dialogs.chooseFolder(""))
            form.addItem(controls::MirrorListView, *folder);
        return;
    }
    auto answer = dialogs.askYesNoCancel("You must enable backup file compression to mirroring files. \r\n"
                                         "Do you want to enable backup compression now?");
    if (answer != Dialogs::Answer::Yes)
        return;
    form.setActivePage(static_cast<int>(Page::Config));
    form.setFocus(controls::ChkBoxCompress);
}

void onRemoveMirror(FormState& form) {
    int index = form.itemIndex(controls::MirrorListView);
    if (index >= 0)
        form.removeItem(controls::MirrorListView, index);
}

void onAutomaticLogToggled(FormState& form, const AppPaths& paths) {
    bool automatic = form.checked(controls::CheckBackupLog);
    form.setEnabled(controls::LogFileEdit, automatic);
    form.setEnabled(controls::BtSaveBkpLog, !automatic);
    form.setText(controls::LogFileEdit, automatic ? defaultLogsFolder(paths) : std::string());
}

} // namespace tervolen
