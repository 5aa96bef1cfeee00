#include "qt_application.h"
#include "temp_dir.h"
#include "ui/balloon_hints.h"
#include "ui/file_edit.h"
#include "ui/login_dialog.h"
#include "ui/qt_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace tervolen {
namespace {

TEST(LoginDialogTest, ShowsTheFieldsWithThePasswordEmptyAndFocused) {
    LoginFields fields{"localhost:/var/lib/firebird/data/employee.fdb", "SYSDBA", "secret", "RDB$ADMIN"};
    LoginDialog dialog(fields);
    EXPECT_EQ(dialog.windowTitle(), "Database login");
    EXPECT_EQ(dialog.databaseLabel()->text(), "localhost:/var/lib/firebird/data/employee.fdb");
    EXPECT_EQ(dialog.userNameEdit()->text(), "SYSDBA");
    EXPECT_EQ(dialog.passwordEdit()->text(), "");
    EXPECT_EQ(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.roleEdit()->text(), "RDB$ADMIN");
    EXPECT_EQ(dialog.okButton()->text(), "&OK");
    EXPECT_EQ(dialog.cancelButton()->text(), "&Cancel");
    EXPECT_EQ(dialog.focusWidget(), dialog.passwordEdit());
    QStringList captions;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption : {"Database:", "&User name", "&Password", "Rol&e"})
        EXPECT_TRUE(captions.contains(caption)) << caption;

    dialog.passwordEdit()->setText("masterkey");
    dialog.roleEdit()->setText("");
    LoginFields edited = dialog.fields();
    EXPECT_EQ(edited.database, fields.database);
    EXPECT_EQ(edited.userName, "SYSDBA");
    EXPECT_EQ(edited.password, "masterkey");
    EXPECT_EQ(edited.role, "");
}

TEST(LoginDialogTest, LongDatabaseNamesAreShortenedInTheMiddle) {
    const QString exact(45, 'x');
    EXPECT_EQ(shortDatabaseName(exact), exact);
    const QString longer = "0123456789" + QString(3, '-') + "abcdefghijklmnopqrstuvwxyz0123456";
    ASSERT_EQ(longer.size(), 46);
    EXPECT_EQ(shortDatabaseName(longer), "0123456789...abcdefghijklmnopqrstuvwxyz0123456");
    const QString path = "server.example.com:/var/lib/firebird/3.0/data/production/sales.fdb";
    EXPECT_EQ(shortDatabaseName(path), "server.exa...ird/3.0/data/production/sales.fdb");
    EXPECT_EQ(shortDatabaseName(shortDatabaseName(path)), shortDatabaseName(path));
}

// Answers the next modal dialog as soon as it is shown, after handing it to the inspector.
void answerNextDialog(std::function<void(QDialog&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            answerNextDialog(answer);
            return;
        }
        answer(*dialog);
    });
}

void press(QDialog& dialog, QMessageBox::StandardButton button) {
    static_cast<QMessageBox&>(dialog).button(button)->click();
}

TEST(QtDialogsTest, BoxesCarryTheTitleIconAndButtonsAndReportTheAnswer) {
    QtDialogs dialogs;
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    };
    Seen seen;
    auto inspectAndPress = [&seen](QMessageBox::StandardButton button) {
        answerNextDialog([&seen, button](QDialog& dialog) {
            auto& box = static_cast<QMessageBox&>(dialog);
            seen = {box.windowTitle(), box.text(), box.icon(), box.standardButtons()};
            press(dialog, button);
        });
    };

    inspectAndPress(QMessageBox::Ok);
    dialogs.errorReport("Cannot open file.");
    EXPECT_EQ(seen.title, "Tervolen");
    EXPECT_EQ(seen.text, "Cannot open file.");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);

    inspectAndPress(QMessageBox::Ok);
    dialogs.message("Set Protocol");
    EXPECT_EQ(seen.title, "Tervolen");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);

    inspectAndPress(QMessageBox::No);
    EXPECT_EQ(dialogs.askYesNoCancel("Do you want to enable backup compression now?"), Dialogs::Answer::No);
    EXPECT_EQ(seen.title, "Tervolen");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    inspectAndPress(QMessageBox::Yes);
    EXPECT_TRUE(dialogs.askYesNo("Warning", "Do you want to continue?"));
    EXPECT_EQ(seen.title, "Warning");
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST(QtDialogsTest, LoginReturnsTheFieldsOnOkAndFalseOnCancel) {
    QtDialogs dialogs;
    LoginFields fields{"employee", "SYSDBA", "", ""};
    answerNextDialog([](QDialog& dialog) {
        auto& login = static_cast<LoginDialog&>(dialog);
        login.passwordEdit()->setText("masterkey");
        login.okButton()->click();
    });
    ASSERT_TRUE(dialogs.login(fields));
    EXPECT_EQ(fields.userName, "SYSDBA");
    EXPECT_EQ(fields.password, "masterkey");

    answerNextDialog([](QDialog& dialog) { static_cast<LoginDialog&>(dialog).cancelButton()->click(); });
    EXPECT_FALSE(dialogs.login(fields));
    EXPECT_EQ(fields.password, "masterkey");
}

TEST(FileFilterTest, PickerFiltersTakeQtsForm) {
    struct Case {
        const char* filter;
        const char* expected;
    };
    const Case cases[] = {
        // The patterns show once, whatever the description says of them.
        {kDatabaseFileFilter, "InterBase and Firebird Files (*.ib *.fdb *.gdb)"},
        {kBackupFileFilter, "InterBase and FireBird Backup files (*.ibk *.gbk *.fbk);;Any File (*)"},
        {kCertificateFilter, "Certificates (*.pem *.crt);;Any File (*)"},
        {"Library (gds32.dll, fbclient.dll)|*.dll", "Library (gds32.dll, fbclient.dll) (*.dll)"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtFileFilter(c.filter), c.expected) << c.filter;
}

TEST(BalloonHintsTest, HintsAppearAfterFourHundredMilliseconds) {
    setupBalloonHints(*qApp);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 400);
}

} // namespace
} // namespace tervolen
