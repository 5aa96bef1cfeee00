#include "ui/login_dialog.h"
#include "core/control_names.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tervolen {

namespace {

constexpr qsizetype kLongestShownName = 45;
constexpr qsizetype kShownHead = 10;
constexpr qsizetype kShownTail = 33;

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

QString shortDatabaseName(const QString& name) {
    if (name.size() <= kLongestShownName)
        return name;
    return name.left(kShownHead) + "..." + name.right(kShownTail);
}

LoginDialog::LoginDialog(const LoginFields& fields, QWidget* parent)
    : QDialog(parent), databaseName_(fields.database), database_(new QLabel(this)), userName_(new QLineEdit(this)),
      password_(new QLineEdit(this)), role_(new QLineEdit(this)), ok_(new QPushButton("&OK", this)),
      cancel_(new QPushButton("&Cancel", this)) {
    setObjectName(controls::frmFIBDBLoginDlg);
    setWindowTitle("Database login");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Database:", this));
    database_->setText(shortDatabaseName(fromStd(fields.database)));
    QFont bold = database_->font();
    bold.setBold(true);
    database_->setFont(bold);
    layout->addWidget(database_);

    auto* form = new QFormLayout;
    userName_->setText(fromStd(fields.userName));
    password_->setEchoMode(QLineEdit::Password);
    role_->setText(fromStd(fields.role));
    for (auto [caption, edit] :
         {std::pair{"&User name", userName_}, std::pair{"&Password", password_}, std::pair{"Rol&e", role_}}) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    password_->setFocus();
}

LoginFields LoginDialog::fields() const {
    return {databaseName_, userName_->text().toStdString(), password_->text().toStdString(),
            role_->text().toStdString()};
}

void LoginDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    password_->setFocus();
}

} // namespace tervolen
