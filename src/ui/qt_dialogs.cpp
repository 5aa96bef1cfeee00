#include "ui/qt_dialogs.h"

#include "ui/login_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>

namespace tervolen {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

int showBox(QMessageBox::Icon icon, const QString& title, const std::string& text, QMessageBox::StandardButtons buttons,
            QWidget* owner) {
    QMessageBox box(icon, title, fromStd(text), buttons, owner);
    return box.exec();
}

std::optional<std::string> chosen(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

} // namespace

QWidget* QtDialogs::owner() const {
    return owner_ != nullptr && owner_->isVisible() && !owner_->isMinimized() ? owner_.data() : nullptr;
}

void QtDialogs::message(const std::string& text) {
    showBox(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, owner());
}

void QtDialogs::information(const std::string& text) {
    showBox(QMessageBox::Information, kAppTitle, text, QMessageBox::Ok, owner());
}

void QtDialogs::errorReport(const std::string& text) {
    showBox(QMessageBox::Critical, kAppTitle, text, QMessageBox::Ok, owner());
}

bool QtDialogs::askYesNo(const std::string& title, const std::string& text) {
    return showBox(QMessageBox::Warning, fromStd(title), text, QMessageBox::Yes | QMessageBox::No, owner()) ==
           QMessageBox::Yes;
}

bool QtDialogs::askYesNoOrStopAsking(const std::string& text, bool& dontAskAgain) {
    QMessageBox box(QMessageBox::Question, kAppTitle, fromStd(text), QMessageBox::Yes | QMessageBox::No, owner());
    // The box owns its check box.
    box.setCheckBox(new QCheckBox(QStringLiteral("Don't ask again")));
    const bool yes = box.exec() == QMessageBox::Yes;
    dontAskAgain = box.checkBox()->isChecked();
    return yes;
}

Dialogs::Answer QtDialogs::askYesNoCancel(const std::string& text) {
    // This question stands alone, without an owner window.
    switch (showBox(QMessageBox::Question, kAppTitle, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    nullptr)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

bool QtDialogs::login(LoginFields& fields) {
    LoginDialog dialog(fields, owner());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    fields = dialog.fields();
    return true;
}

std::optional<std::string> QtDialogs::chooseFolder(const std::string& startFolder) {
    return chosen(QFileDialog::getExistingDirectory(owner(), QString(), fromStd(startFolder)));
}

std::optional<std::string> QtDialogs::chooseSaveFile(const std::string& startFolder) {
    return chosen(QFileDialog::getSaveFileName(owner(), QString(), fromStd(startFolder)));
}

} // namespace tervolen
