#include "copies/mirror_list_buttons.h"

namespace tervolen {

void AddMirrorClick(FormState& form, Dialogs& dialogs) {
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

void RemoveMirrorClick(FormState& form) {
    int index = form.itemIndex("MirrorListView");
    if (index >= 0)
        form.removeItem("MirrorListView", index);
}

} // namespace tervolen
