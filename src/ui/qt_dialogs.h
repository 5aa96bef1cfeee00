#pragma once

#include "core/dialogs.h"

#include <QPointer>
#include <QWidget>

namespace tervolen {

// The program's dialogs as Qt message boxes, the login dialog and the platform's pickers, all titled
// with the application title unless a title is given.
class QtDialogs : public Dialogs {
public:
    // The main window: boxes are centred on it while it is shown, and stand alone while it is minimised.
    void setOwner(QWidget* owner) { owner_ = owner; }

    void message(const std::string& text) override;
    void information(const std::string& text) override;
    void errorReport(const std::string& text) override;
    bool askYesNo(const std::string& title, const std::string& text) override;
    Answer askYesNoCancel(const std::string& text) override;
    bool askYesNoOrStopAsking(const std::string& text, bool& dontAskAgain) override;
    bool login(LoginFields& fields) override;
    std::optional<std::string> chooseFolder(const std::string& startFolder) override;
    std::optional<std::string> chooseSaveFile(const std::string& startFolder) override;

private:
    QWidget* owner() const;

    QPointer<QWidget> owner_;
};

} // namespace tervolen
