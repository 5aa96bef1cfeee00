#include "ui/basic_options.h"

#include "core/control_names.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tervolen {

namespace {

constexpr int kGroupMargin = 4;

QGroupBox* GroupWith(const char* group, QWidget* field, QWidget* parent) {
    QGroupBox* box = MakeGroup(group, parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    field->setParent(box);
    layout->addWidget(field);
    return box;
}

QHBoxLayout* Pair(QWidget* left, QWidget* right) {
    auto* row = new QHBoxLayout;
    row->addWidget(left, 1);
    row->addWidget(right, 1);
    return row;
}

// A form of labelled fields inside a group, labels on the left.
QFormLayout* FormIn(QGroupBox* group) {
    auto* form = new QFormLayout(group);
    form->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    form->setHorizontalSpacing(4);
    form->setVerticalSpacing(3);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

void AddField(QFormLayout* form, QGroupBox* group, QWidget* field) {
    form->addRow(MakeFieldLabel(field->objectName().toStdString(), field, group), field);
}

} // namespace

BasicOptions::BasicOptions(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(4);

    layout->addLayout(Pair(GroupWith(controls::GroupVersion, MakeComboBox(controls::CB_ChooseSGDBVer, this), this),
                           GroupWith(controls::GroupProtocol, MakeComboBox(controls::CB_Protocol, this), this)));
    layout->addWidget(GroupWith(controls::GroupLibrary,
                                MakeFileEdit(controls::ClientLibFilenameEdit, kClientLibraryFilter, this), this));

    QGroupBox* security = MakeGroup(controls::GroupSecurity, this);
    auto* credentials = new QGridLayout(security);
    credentials->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    credentials->setVerticalSpacing(1);
    int column = 0;
    for (const char* name : {controls::EdUserName, controls::EdPswd}) {
        QLineEdit* edit = MakeEdit(name, security);
        credentials->addWidget(MakeFieldLabel(name, edit, security), 0, column);
        credentials->addWidget(edit, 1, column++);
    }
    layout->addWidget(security);

    layout->addLayout(Pair(GroupWith(controls::GroupOutput, MakeCheckBox(controls::CheckVerbose, this), this),
                           GroupWith(controls::GroupExtension, MakeComboBox(controls::CB_BkpExt, this), this)));
    layout->addWidget(GroupWith(controls::GroupServer, MakeEdit(controls::EdServerName, this), this));

    QGroupBox* log = MakeGroup(controls::GroupLog, this);
    auto* logLayout = new QVBoxLayout(log);
    logLayout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    logLayout->addWidget(MakeCheckBox(controls::CheckBackupLog, log));
    logLayout->addWidget(MakeFileEdit(controls::LogFileEdit, nullptr, log));
    layout->addWidget(log);

    QGroupBox* mail = MakeGroup(controls::GroupMail, this);
    mailGroup_ = mail;
    QFormLayout* mailForm = FormIn(mail);
    for (const char* name : {controls::ledHost, controls::ledFrom, controls::ledTo, controls::ledCC,
                             controls::EdSMTPUser, controls::EdSMTPpswd, controls::EdSMTPPort})
        AddField(mailForm, mail, MakeEdit(name, mail));
    QLabel* advice = MakeLabel(controls::LbMailAdvice, mail);
    advice->setWordWrap(true);
    mailForm->addRow(advice);
    mailForm->addRow(MakeCheckBox(controls::ChkBoxBkpMail, mail));
    layout->addWidget(mail);

    QGroupBox* ftp = MakeGroup(controls::GroupFtp, this);
    QFormLayout* ftpForm = FormIn(ftp);
    for (const char* name :
         {controls::LedFTPAdress, controls::LedUserName, controls::LedPassword, controls::LedFTPPort})
        AddField(ftpForm, ftp, MakeEdit(name, ftp));
    ftpForm->addRow(MakeCheckBox(controls::ChkBoxSentFTP, ftp));
    layout->addWidget(ftp);
    layout->addStretch(1);
}

} // namespace tervolen
