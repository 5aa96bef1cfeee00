#include "ui/qt_dialogs.h"

#include "ui/login_dialog.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tervolen {

namespace {

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

int ShowBox(QMessageBox::Icon icon, const QString& title, const std::string& text, QMessageBox::StandardButtons buttons,
            QWidget* owner) {
    QMessageBox box(icon, title, FromStd(text), buttons, owner);
    return box.exec();
}

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

} // namespace

QWidget* QtDialogs::owner() const {
    return owner_ != nullptr && owner_->isVisible() && !owner_->isMinimized() ? owner_.data() : nullptr;
}

void QtDialogs::message(const std::string& text) {
    ShowBox(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, owner());
}

void QtDialogs::information(const std::string& text) {
    ShowBox(QMessageBox::Information, kAppTitle, text, QMessageBox::Ok, owner());
}

void QtDialogs::errorReport(const std::string& text) {
    ShowBox(QMessageBox::Critical, kAppTitle, text, QMessageBox::Ok, owner());
}

bool QtDialogs::askYesNo(const std::string& title, const std::string& text) {
    return ShowBox(QMessageBox::Warning, FromStd(title), text, QMessageBox::Yes | QMessageBox::No, owner()) ==
           QMessageBox::Yes;
}

Dialogs::Answer QtDialogs::askYesNoCancel(const std::string& text) {
    // This question stands alone, without an owner window.
    switch (ShowBox(QMessageBox::Question, kAppTitle, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
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
    return Chosen(QFileDialog::getExistingDirectory(owner(), QString(), FromStd(startFolder)));
}

std::optional<std::string> QtDialogs::chooseSaveFile(const std::string& startFolder) {
    return Chosen(QFileDialog::getSaveFileName(owner(), QString(), FromStd(startFolder)));
}

} // namespace tervolen
