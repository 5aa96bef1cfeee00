#include "app/schedule_page_handlers.h"

#include "app/monitor_page_handlers.h"

namespace tervolen {

void OnAddMirror(FormState& form, Dialogs& dialogs) {
    if (form.checked("ChkBoxCompress")) {
        if (auto folder = dialogs.chooseFolder(""))
            form.addItem("MirrorListView", *folder);
        return;
    }
    auto answer = dialogs.askYesNoCancel("You must enable backup file compression to mirroring files. \r\n"
                                         "Do you want to enable backup compression now?");
    if (answer != Dialogs::Answer::Yes)
        return;
    form.setActivePage(static_cast<int>(Page::Config));
    form.setFocus("ChkBoxCompress");
}

void OnRemoveMirror(FormState& form) {
    int index = form.itemIndex("MirrorListView");
    if (index >= 0)
        form.removeItem("MirrorListView", index);
}

void OnAutomaticLogToggled(FormState& form, const AppPaths& paths) {
    bool automatic = form.checked("CheckBackupLog");
    form.setEnabled("LogFileEdit", automatic);
    form.setEnabled("BtSaveBkpLog", !automatic);
    form.setText("LogFileEdit", automatic ? DefaultLogsFolder(paths) : std::string());
}

} // namespace tervolen
