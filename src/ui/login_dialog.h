#pragma once

#include "core/dialogs.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tervolen {

// The database name as the login dialog shows it: a name longer than 45 characters becomes its first 10
// characters, "..." and its last 33.
QString shortDatabaseName(const QString& name);

// The database login dialog (frmFIBDBLoginDlg): user name, password and role for the named database.
// The password field starts empty and has the focus.
class LoginDialog : public QDialog {
    Q_OBJECT

public:
    explicit LoginDialog(const LoginFields& fields, QWidget* parent = nullptr);

    // The fields as the user left them.
    LoginFields fields() const;

    QLabel* databaseLabel() const { return database_; }
    QLineEdit* userNameEdit() const { return userName_; }
    QLineEdit* passwordEdit() const { return password_; }
    QLineEdit* roleEdit() const { return role_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::string databaseName_;
    QLabel* database_;
    QLineEdit* userName_;
    QLineEdit* password_;
    QLineEdit* role_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace tervolen
