#include "ui/basic_options.h"

#include "core/control_names.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"
#include "ui/number_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tervolen {

namespace {

constexpr int kGroupMargin = 4;

QGroupBox* groupWith(const char* group, QWidget* field, QWidget* parent) {
    QGroupBox* box = makeGroup(group, parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    field->setParent(box);
    layout->addWidget(field);
    return box;
}

QHBoxLayout* pair(QWidget* left, QWidget* right) {
    auto* row = new QHBoxLayout;
    row->addWidget(left, 1);
    row->addWidget(right, 1);
    return row;
}

// A form of labelled fields inside a group, labels on the left.
QFormLayout* formIn(QGroupBox* group) {
    auto* form = new QFormLayout(group);
    form->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    form->setHorizontalSpacing(4);
    form->setVerticalSpacing(3);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

void addField(QFormLayout* form, QGroupBox* group, QWidget* field) {
    form->addRow(makeFieldLabel(field->objectName().toStdString(), field, group), field);
}

// A connection test's button at the start of a row of its own.
QHBoxLayout* testButtonRow(const char* button, QWidget* group) {
    auto* row = new QHBoxLayout;
    row->addWidget(makeButton(button, group));
    row->addStretch(1);
    return row;
}

QGroupBox* serverGroup(QWidget* parent) {
    QGroupBox* group = makeGroup(controls::GroupServer, parent);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    row->addWidget(makeEdit(controls::EdServerName, group), 1);
    row->addWidget(makeButton(controls::BtnTestConnection, group));
    return group;
}

} // namespace

BasicOptions::BasicOptions(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(4);

    layout->addLayout(pair(groupWith(controls::GroupVersion, makeComboBox(controls::CB_ChooseSGDBVer, this), this),
                           groupWith(controls::GroupProtocol, makeComboBox(controls::CB_Protocol, this), this)));
    layout->addWidget(groupWith(controls::GroupLibrary,
                                makeFileEdit(controls::ClientLibFilenameEdit, kClientLibraryFilter, this), this));

    QGroupBox* security = makeGroup(controls::GroupSecurity, this);
    auto* credentials = new QGridLayout(security);
    credentials->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    credentials->setVerticalSpacing(1);
    int column = 0;
    for (const char* name : {controls::EdUserName, controls::EdPswd}) {
        QLineEdit* edit = makeEdit(name, security);
        credentials->addWidget(makeFieldLabel(name, edit, security), 0, column);
        credentials->addWidget(edit, 1, column++);
    }
    layout->addWidget(security);

    layout->addLayout(pair(groupWith(controls::GroupOutput, makeCheckBox(controls::CheckVerbose, this), this),
                           groupWith(controls::GroupExtension, makeComboBox(controls::CB_BkpExt, this), this)));
    layout->addWidget(serverGroup(this));
    layout->addWidget(makeCheckBox(controls::ChkBoxCatchUp, this));

    QGroupBox* log = makeGroup(controls::GroupLog, this);
    auto* logLayout = new QVBoxLayout(log);
    logLayout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    logLayout->addWidget(makeCheckBox(controls::CheckBackupLog, log));
    logLayout->addWidget(makeFileEdit(controls::LogFileEdit, nullptr, log));
    layout->addWidget(log);

    QGroupBox* mail = makeGroup(controls::GroupMail, this);
    mailGroup_ = mail;
    QFormLayout* mailForm = formIn(mail);
    for (const char* name :
         {controls::ledHost, controls::ledFrom, controls::ledTo, controls::ledCC, controls::EdSMTPUser, controls::EdSMTPpswd})
        addField(mailForm, mail, makeEdit(name, mail));
    NumberBox* mailPort = makeNumberBox(controls::EdSMTPPort, mail);
    addField(mailForm, mail, mailPort);
    QComboBox* mailSecurity = makeComboBox(controls::CBSMTPSecurity, mail);
    addField(mailForm, mail, mailSecurity);
    addField(mailForm, mail, makeFileEdit(controls::EdSMTPCAFile, kCertificateFilter, mail));
    // Only the sample follows the choice: a port the user typed stays as it is.
    connect(mailSecurity, &QComboBox::currentIndexChanged, mailPort,
            [mailPort](int item) { mailPort->setPlaceholderText(item == 2 ? "465" : "587"); });
    QLabel* advice = makeLabel(controls::LbMailAdvice, mail);
    advice->setWordWrap(true);
    mailForm->addRow(advice);
    mailForm->addRow(makeCheckBox(controls::ChkBoxBkpMail, mail));
    mailForm->addRow(testButtonRow(controls::BtnTestMail, mail));
    layout->addWidget(mail);

    QGroupBox* ftp = makeGroup(controls::GroupFtp, this);
    QFormLayout* ftpForm = formIn(ftp);
    for (const char* name : {controls::LedFTPAdress, controls::LedUserName, controls::LedPassword})
        addField(ftpForm, ftp, makeEdit(name, ftp));
    addField(ftpForm, ftp, makeNumberBox(controls::LedFTPPort, ftp));
    ftpForm->addRow(makeCheckBox(controls::ChkBoxSentFTP, ftp));
    addField(ftpForm, ftp, makeComboBox(controls::CBFTPSecurity, ftp));
    ftpForm->addRow(makeCheckBox(controls::ChkBoxFTPPassive, ftp));
    addField(ftpForm, ftp, makeEdit(controls::LedFTPFolder, ftp));
    addField(ftpForm, ftp, makeFileEdit(controls::LedFTPCAFile, kCertificateFileFilter, ftp));
    ftpForm->addRow(testButtonRow(controls::BtnTestFtp, ftp));
    layout->addWidget(ftp);
    layout->addStretch(1);
}

} // namespace tervolen
