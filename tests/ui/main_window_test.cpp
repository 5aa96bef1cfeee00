#include "app/program.h"
#include "core/errors.h"
#include "core/form_design.h"
#include "core/monitor_log.h"
#include "fixed_clock.h"
#include "qt_application.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "ui/check_list.h"
#include "ui/file_edit.h"
#include "ui/header_panel.h"
#include "ui/link_label.h"
#include "ui/main_window.h"
#include "ui/monitor_page.h"
#include "ui/number_box.h"
#include "ui/outside_choices.h"
#include "ui/roll_out.h"
#include "ui/tray_icon.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace tervolen {
namespace {

using test::ScriptedDialogs;

class MainWindowTest : public ::testing::Test {
protected:
    template <typename T = QObject> T* find(const char* name) { return window.findChild<T*>(name); }
    void showWindow() {
        window.show();
        QCoreApplication::processEvents();
    }
    static void type(QWidget* target, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(target, &press);
        }
    }
    static void mouse(QWidget* target, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(local), QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs};
    FormState& form = window.formState();
};

std::string text(std::string_view text) {
    return std::string(text);
}

TEST_F(MainWindowTest, EveryControlOfTheDesignExistsWithItsDesignValues) {
    for (const ControlDesign& design : mainWindowDesign()) {
        SCOPED_TRACE(text(design.name));
        QObject* object = window.findChild<QObject*>(QString::fromUtf8(design.name.data(), design.name.size()));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(form.enabled(design.name), design.enabled);
        EXPECT_EQ(form.visible(design.name), design.visible);
        if (design.kind != ControlKind::Lamp && design.kind != ControlKind::RichText &&
            design.kind != ControlKind::CheckList && design.kind != ControlKind::ListView) {
            EXPECT_EQ(form.text(design.name), text(design.text));
        }
        if (!design.items.empty()) {
            ASSERT_EQ(form.itemCount(design.name), static_cast<int>(design.items.size()));
            for (size_t i = 0; i < design.items.size(); ++i)
                EXPECT_EQ(form.itemText(design.name, static_cast<int>(i)), text(design.items[i]));
        }
        if (design.kind == ControlKind::ComboBox || design.kind == ControlKind::CheckList ||
            design.kind == ControlKind::ListView) {
            EXPECT_EQ(form.itemIndex(design.name), design.itemIndex);
        }
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            EXPECT_EQ(widget->toolTip().toStdString(), text(design.hint));
        }
        if (auto* edit = qobject_cast<QLineEdit*>(object)) {
            EXPECT_EQ(edit->placeholderText().toStdString(), text(design.placeholder));
        }
        if (!design.label.empty()) {
            auto* label =
                window.findChild<QLabel*>(QString::fromUtf8(design.name.data(), design.name.size()) + "Label");
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text().toStdString(), text(design.label));
            EXPECT_EQ(label->buddy(), object);
        }
        int page = pageOf(design.name);
        if (page >= 0 && design.kind != ControlKind::Page) {
            auto* widget = qobject_cast<QWidget*>(object);
            EXPECT_TRUE(window.pageControl().widget(page)->isAncestorOf(widget));
        }
    }
}

// What a person sees in a sample of controls, written out by hand rather than taken from the design table.
struct SeenControl {
    const char* name;
    const char* text; // caption, title, current item or field text
    bool enabled;
    const char* placeholder = nullptr; // checked where given
    const char* label = nullptr;       // the field's label, checked where given
    const char* hint = nullptr;        // tool tip, checked where given
};

QString seenText(QObject* object) {
    if (auto* numberBox = qobject_cast<NumberBox*>(object))
        return numberBox->storedText();
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(object))
        return edit->text();
    if (auto* fileEdit = qobject_cast<FileEdit*>(object))
        return fileEdit->lineEdit()->text();
    if (auto* combo = qobject_cast<QComboBox*>(object))
        return combo->currentText();
    if (auto* group = qobject_cast<QGroupBox*>(object))
        return group->title();
    if (auto* label = qobject_cast<QLabel*>(object))
        return label->text();
    if (auto* action = qobject_cast<QAction*>(object))
        return action->text();
    return "(no text)";
}

bool seenEnabled(QObject* object) {
    if (auto* action = qobject_cast<QAction*>(object))
        return action->isEnabled();
    return qobject_cast<QWidget*>(object)->isEnabled();
}

TEST_F(MainWindowTest, ControlsShowTheirCaptionsPortsAndStates) {
    const SeenControl controls[] = {
        {"btnFechar", "Cl&ose", true, nullptr, nullptr, "Close Tervolen"},
        {"btnHide", "", true, nullptr, nullptr, "Hide in the notification area"},
        {"TranspButOkSchedule", "OK", true, nullptr, nullptr, "Set Scheduling Config"},
        {"JvTransparentButton3", "+", true, nullptr, nullptr, "Add Mirror"},
        {"InitRestore", "Start Restore", true, nullptr, nullptr, "Starts a Restore"},
        {"JvTranspValidation", "Start Validation", true, nullptr, nullptr, "Starts Validation"},
        {"TranspButOKConfig", "OK", true, nullptr, nullptr, "Set Configs"},
        {"GroupMail", "e-Mail copy and notifications:", true},
        {"CheckVerbose", "Verbose", true},
        {"ChkBoxCompress", "Make a compressed copy of each backup", true},
        {"ChkBoxSentFTP", "Send Backup Through FTP", true},
        {"CBCompMetho", "Zip", false, nullptr, "Method:"},
        {"CBCompMethoLevel", "Maximum", false, nullptr, "Level:"},
        {"CB_ChooseSGDBVer", "", true},
        {"ValidateBufferEdit", "32000", true, nullptr, "Buffer Size:"},
        {"LabeledEdPageSize", "", true, nullptr, "Page Size"},
        {"EdServerName", "", true, ""},
        {"EdUserName", "", true, "", "User Name"},
        {"ledHost", "", true, "smtp.example.com", "Mail Host (SMTP Server):"},
        {"ledFrom", "", true, "backup@example.com", "From:"},
        {"EdSMTPpswd", "", true, "1234567890", "Password:"},
        {"EdSMTPPort", "", true, "587", "Port"},
        {"LedFTPAdress", "", true, "ftp.example.com", "FTP Address: "},
        {"LedFTPPort", "", true, "25", "Port: "},
        {"LogFileEdit", "", false},
        {"eBase", "", true, nullptr, "Database File:", "Set Database File"},
        {"LbInfo", "There is no Today Scheduled Backup!", true},
        {"AppLaunch", "&Launch Tervolen", true},
        {"StartBackup1", "Start &Backup", true},
    };
    for (const SeenControl& control : controls) {
        SCOPED_TRACE(control.name);
        QObject* object = window.findChild<QObject*>(control.name);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(seenText(object).toStdString(), control.text);
        EXPECT_EQ(seenEnabled(object), control.enabled);
        if (control.placeholder != nullptr) {
            auto* numberBox = qobject_cast<NumberBox*>(object);
            EXPECT_EQ((numberBox != nullptr ? numberBox->placeholderText()
                                            : qobject_cast<QLineEdit*>(object)->placeholderText())
                          .toStdString(),
                      control.placeholder);
        }
        if (control.label != nullptr) {
            auto* label = window.findChild<QLabel*>(QString(control.name) + "Label");
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text().toStdString(), control.label);
        }
        if (control.hint != nullptr) {
            EXPECT_EQ(qobject_cast<QWidget*>(object)->toolTip().toStdString(), control.hint);
        }
    }
    EXPECT_TRUE(find<QWidget>("LbInfo")->isHidden());
    EXPECT_FALSE(find<QWidget>("GroupMail")->isHidden());
}

TEST_F(MainWindowTest, WindowIsBorderlessInTheDesktopColoursAndStartsAtTheClientSize) {
    EXPECT_EQ(window.objectName(), "FrmPrincipal");
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.size(), QSize(356, 512));
    EXPECT_EQ(window.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));
    EXPECT_EQ(find<HeaderPanel>("GradientHeaderPanel")->height(), 27);
    EXPECT_EQ(find<QWidget>("Panel1")->height(), 55);
    EXPECT_EQ(HeaderPanel::kStartColor, QColor(232, 123, 240));
    EXPECT_TRUE(find<HeaderPanel>("GradientHeaderPanel")->font().bold());
    EXPECT_EQ(find<HeaderPanel>("GradientHeaderPanel")->palette().color(QPalette::WindowText), QColor(Qt::white));
    auto* pages = find<QTabWidget>("PageControl");
    ASSERT_EQ(pages->count(), 5);
    EXPECT_EQ(pages->currentIndex(), 0);
    const char* captions[] = {"&Schedule", "Res&tore", "&Validation", "&Config", "&Monitor"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pages->tabText(i), captions[i]);
    // Every page fits into the window, so nothing is cut off.
    showWindow();
    for (int i = 0; i < 5; ++i) {
        pages->setCurrentIndex(i);
        QCoreApplication::processEvents();
        QWidget* page = pages->widget(i);
        EXPECT_GE(page->height(), page->minimumSizeHint().height()) << i;
    }
}

TEST_F(MainWindowTest, TheWindowResizesFromItsDesignSizeAndTheListsTakeTheRoom) {
    showWindow();
    EXPECT_EQ(window.minimumSize(), QSize(356, 512));
    EXPECT_GT(window.maximumWidth(), 356);
    EXPECT_GT(window.maximumHeight(), 512);
    EXPECT_NE(find<QSizeGrip>(nullptr), nullptr);
    window.resize(300, 400);
    EXPECT_EQ(window.size(), QSize(356, 512));
    const char* lists[] = {"reStatus",          "clbSemana",     "clbHorarios",   "clListaRestore",
                           "clListaValidation", "clListaBackup", "MirrorListView"};
    auto sizes = [&] {
        std::map<std::string, QSize> seen;
        for (int page = 0; page < 5; ++page) {
            form.setActivePage(page);
            QCoreApplication::processEvents();
            for (const char* name : lists)
                if (find<QWidget>(name)->isVisible())
                    seen[name] = find<QWidget>(name)->size();
        }
        return seen;
    };
    const std::map<std::string, QSize> small = sizes();
    window.resize(534, 768);
    const std::map<std::string, QSize> large = sizes();
    ASSERT_EQ(small.size(), std::size(lists));
    for (const char* name : lists) {
        SCOPED_TRACE(name);
        EXPECT_GT(large.at(name).height(), small.at(name).height());
        if (std::string(name) != "clbSemana") {
            EXPECT_GT(large.at(name).width(), small.at(name).width());
        }
    }
}

TEST_F(MainWindowTest, EveryControlUsesTheDesktopFontFamily) {
    const QString family = QApplication::font().family();
    EXPECT_EQ(window.font().family(), family);
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        EXPECT_EQ(widget->font().family(), family) << widget->objectName().toStdString();
        EXPECT_GE(widget->font().pointSizeF(), QApplication::font().pointSizeF()) << widget->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, TheHourListKeepsTwelveHoursInEachOfItsTwoColumnsAtAnySize) {
    showWindow();
    auto* hours = find<CheckList>("clbHorarios");
    for (QSize size : {QSize(356, 512), QSize(356, 530), QSize(400, 555), QSize(534, 768), QSize(700, 1000)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        window.resize(size);
        QCoreApplication::processEvents();
        const QRect first = hours->visualItemRect(hours->item(0));
        const QRect second = hours->visualItemRect(hours->item(12));
        EXPECT_GT(second.left(), first.left());
        for (int i = 0; i < 24; ++i) {
            QRect item = hours->visualItemRect(hours->item(i));
            EXPECT_EQ(item.left(), (i < 12 ? first : second).left()) << i;
            EXPECT_TRUE(hours->viewport()->rect().contains(item)) << i;
        }
    }
}

TEST_F(MainWindowTest, SettingACheckBoxRunsItsClickHandlerOnceOnChange) {
    int clicks = 0;
    form.onClick("CheckVerbose", [&] { ++clicks; });
    form.setChecked("CheckVerbose", true);
    form.setChecked("CheckVerbose", true);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(find<QCheckBox>("CheckVerbose")->isChecked());
    form.setChecked("CheckVerbose", false);
    EXPECT_EQ(clicks, 2);
    find<QCheckBox>("CheckVerbose")->click();
    EXPECT_EQ(clicks, 3);
    EXPECT_TRUE(form.checked("CheckVerbose"));
}

TEST_F(MainWindowTest, ComboTextSelectsTheExactlyMatchingItemOrNone) {
    int changes = 0;
    form.onChange("CB_Protocol", [&] { ++changes; });
    form.setText("CB_Protocol", "TCP/IP");
    EXPECT_EQ(form.itemIndex("CB_Protocol"), 1);
    EXPECT_EQ(changes, 1);
    form.setText("CB_Protocol", "TCP/IP");
    EXPECT_EQ(changes, 1);
    form.setText("CB_Protocol", "tcp/ip");
    EXPECT_EQ(form.itemIndex("CB_Protocol"), -1);
    EXPECT_EQ(form.text("CB_Protocol"), "tcp/ip");
    form.setItemIndex("CB_Protocol", 2);
    EXPECT_EQ(form.text("CB_Protocol"), "Novell IPX/SPX");
    form.setItemIndex("CB_Protocol", -1);
    EXPECT_EQ(form.text("CB_Protocol"), "Novell IPX/SPX");
    EXPECT_EQ(form.itemIndex("CB_Protocol"), -1);
    EXPECT_EQ(changes, 2);
}

TEST_F(MainWindowTest, UserChangesOfAComboRunItsChangeHandlerWithTheItemChosen) {
    std::vector<int> seen;
    form.onChange("CB_ChooseSGDBVer", [&] { seen.push_back(form.itemIndex("CB_ChooseSGDBVer")); });
    auto* combo = find<QComboBox>("CB_ChooseSGDBVer");
    // The list is fixed: it takes no typed text.
    EXPECT_FALSE(combo->isEditable());
    form.setItemIndex("CB_ChooseSGDBVer", 0);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(combo, &down);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.back(), 1);
    EXPECT_EQ(form.text("CB_ChooseSGDBVer"), "InterBase 5.x.x");
}

// Fixed lists and number boxes show a stored text they cannot choose as it is, marked, and give it back unchanged
// until the user chooses a value.
TEST_F(MainWindowTest, StoredValuesOutsideTheChoicesAreShownMarkedAndKept) {
    struct Case {
        const char* control;
        const char* stored;
        bool marked;
    };
    const Case cases[] = {
        {"CB_Protocol", "DECnet", true},
        {"CB_Protocol", "TCP/IP", false},
        {"CB_BkpExt", ".fbak", true},
        {"LabeledEdPageSize", "3000", true},
        {"LabeledEdPageSize", "8192", false},
        {"LabeledEdPageSize", "", false},
        {"EdSMTPPort", "70000", true},
        {"EdSMTPPort", "0", true},
        {"EdSMTPPort", "smtp", true},
        {"EdSMTPPort", "0587", false},
        {"EdSMTPPort", "", false},
        {"LedFTPPort", "21", false},
        {"ValidateBufferEdit", "-5", true},
        {"ValidateBufferEdit", "32000", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + "=" + c.stored);
        form.setText(c.control, c.stored);
        EXPECT_EQ(form.text(c.control), c.stored);
        auto* widget = find<QWidget>(c.control);
        EXPECT_EQ(isMarkedOutsideChoices(*widget), c.marked);
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            EXPECT_FALSE(combo->isEditable());
            if (c.marked)
                EXPECT_EQ(combo->placeholderText().toStdString(), c.stored);
        }
    }
    // The user's choice ends the mark.
    form.setText("CB_Protocol", "DECnet");
    find<QComboBox>("CB_Protocol")->setCurrentIndex(0);
    EXPECT_EQ(form.text("CB_Protocol"), "LOCAL");
    EXPECT_FALSE(isMarkedOutsideChoices(*find<QWidget>("CB_Protocol")));
    form.setText("EdSMTPPort", "70000");
    auto* port = find<NumberBox>("EdSMTPPort");
    port->stepBy(1);
    EXPECT_EQ(form.text("EdSMTPPort"), "2");
    EXPECT_FALSE(isMarkedOutsideChoices(*port));
    EXPECT_EQ(port->minimum(), 1);
    EXPECT_EQ(port->maximum(), 65535);
}

TEST_F(MainWindowTest, CheckListItemsAndHighlightedRow) {
    EXPECT_EQ(form.itemCount("clbHorarios"), 24);
    EXPECT_EQ(find<CheckList>("clbHorarios")->columns(), 2);
    form.setItemChecked("clbHorarios", 23, true);
    EXPECT_TRUE(form.itemChecked("clbHorarios", 23));
    EXPECT_EQ(find<QListWidget>("clbHorarios")->item(23)->checkState(), Qt::Checked);
    find<QListWidget>("clbSemana")->item(2)->setCheckState(Qt::Checked);
    EXPECT_TRUE(form.itemChecked("clbSemana", 2));
    EXPECT_FALSE(form.itemChecked("clbSemana", 3));
    EXPECT_EQ(form.itemIndex("clListaRestore"), -1);
    form.setItemIndex("clListaRestore", 4);
    EXPECT_EQ(form.itemIndex("clListaRestore"), 4);
    EXPECT_EQ(find<QListWidget>("clListaRestore")->currentItem()->text(), "Replace");
    form.setItemIndex("clListaRestore", -1);
    EXPECT_EQ(form.itemIndex("clListaRestore"), -1);
    EXPECT_THROW(form.itemChecked("clbSemana", 7), std::logic_error);
    EXPECT_THROW(form.text("NoSuchControl"), std::logic_error);
}

TEST_F(MainWindowTest, MirrorListRowCountsOnlyWhenFocusedAndSelected) {
    for (const char* folder : {"/mnt/a", "/mnt/b", "/mnt/c"})
        form.addItem("MirrorListView", folder);
    auto* list = find<QTableWidget>("MirrorListView");
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->item(1, 0)->text(), "/mnt/b");
    EXPECT_EQ(form.itemIndex("MirrorListView"), -1);
    list->setCurrentCell(1, 0);
    EXPECT_EQ(form.itemIndex("MirrorListView"), 1);
    // Ctrl+click on the focused row: still focused, no longer selected.
    list->selectionModel()->select(list->currentIndex(), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(form.itemIndex("MirrorListView"), -1);
    form.setItemIndex("MirrorListView", 2);
    form.removeItem("MirrorListView", form.itemIndex("MirrorListView"));
    ASSERT_EQ(form.itemCount("MirrorListView"), 2);
    EXPECT_EQ(form.itemText("MirrorListView", 1), "/mnt/b");
    form.clearItems("MirrorListView");
    EXPECT_EQ(form.itemCount("MirrorListView"), 0);
}

TEST_F(MainWindowTest, FocusGoesOnlyToControlsThatCanTakeIt) {
    showWindow();
    form.setActivePage(0);
    EXPECT_FALSE(form.setFocus("EditGBK"));     // Restore page not shown
    EXPECT_FALSE(form.setFocus("LogFileEdit")); // disabled
    EXPECT_FALSE(form.setFocus("LbInfo"));      // hidden
    form.setActivePage(1);
    EXPECT_TRUE(form.setFocus("EditGBK"));
    EXPECT_EQ(window.focusWidget(), find<FileEdit>("EditGBK")->lineEdit());

    // A field of the collapsed "Basic Options" is brought into sight.
    form.setActivePage(0);
    auto* rollOut = find<RollOut>("RollOut");
    EXPECT_FALSE(rollOut->expanded());
    EXPECT_TRUE(form.setFocus("EdServerName"));
    EXPECT_TRUE(rollOut->expanded());
    EXPECT_EQ(window.focusWidget(), find<QWidget>("EdServerName"));
    EXPECT_TRUE(form.setFocus("eBase"));
    EXPECT_FALSE(rollOut->expanded());
    form.setVisible("eBase", false);
    EXPECT_FALSE(form.setFocus("eBase"));
}

TEST_F(MainWindowTest, BasicOptionsStartCollapsedAndExpandIntoAScrollBox) {
    showWindow();
    auto* rollOut = find<RollOut>("RollOut");
    EXPECT_EQ(rollOut->title(), "Bas&ic Options");
    EXPECT_FALSE(find<QWidget>("GroupMail")->isVisible());
    EXPECT_TRUE(find<QWidget>("GroupSchedules")->isVisible());
    rollOut->headerButton()->click();
    QCoreApplication::processEvents();
    for (const char* group : {"GroupVersion", "GroupProtocol", "GroupLog", "GroupMail", "GroupFtp"}) {
        EXPECT_TRUE(find<QWidget>(group)->isVisible()) << group;
        EXPECT_TRUE(rollOut->scrollArea()->widget()->isAncestorOf(find<QWidget>(group))) << group;
    }
    EXPECT_FALSE(find<QWidget>("GroupSchedules")->isVisible());
    EXPECT_TRUE(find<QWidget>("TranspButOkSchedule")->isVisible());
}

TEST_F(MainWindowTest, LabelsTakeColourAndBoldness) {
    auto* info = find<QLabel>("LbInfo");
    EXPECT_EQ(info->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(info->font().bold());
    form.setLabelStyle("LbInfo", 0x804020, false);
    EXPECT_EQ(info->palette().color(QPalette::WindowText), QColor(0x20, 0x40, 0x80));
    EXPECT_FALSE(info->font().bold());
    form.setVisible("LbInfo", true);
    EXPECT_TRUE(form.visible("LbInfo"));
    form.setText("LbInfo", "Não existem Backups Agendados para hoje!");
    EXPECT_EQ(info->text(), QString::fromUtf8("Não existem Backups Agendados para hoje!"));
}

TEST_F(MainWindowTest, UserNameIsUpperCasedAndPasswordsAreMasked) {
    auto* user = find<QLineEdit>("EdUserName");
    type(user, "sysdba");
    EXPECT_EQ(form.text("EdUserName"), "SYSDBA");
    form.setText("EdUserName", "guest");
    EXPECT_EQ(form.text("EdUserName"), "GUEST");
    for (const char* name : {"EdPswd", "EdSMTPpswd", "LedPassword"})
        EXPECT_EQ(find<QLineEdit>(name)->echoMode(), QLineEdit::Password) << name;
}

TEST_F(MainWindowTest, LinksTakeTheFocusAndActOnSpaceAndEnter) {
    showWindow();
    window.activateWindow();
    auto* link = find<LinkLabel>("LbStartBackup");
    int clicks = 0;
    form.onClick("LbStartBackup", [&] { ++clicks; });
    link->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(link->hasFocus());
    for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key);
        const int before = clicks;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Space ? " " : "\r");
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, key == Qt::Key_Space ? " " : "\r");
        QCoreApplication::sendEvent(link, &press);
        QCoreApplication::sendEvent(link, &release);
        EXPECT_EQ(clicks, before + 1);
    }
}

// Tabs from the focused control until the focus comes back round; the controls in the order they had the focus.
std::vector<QWidget*> tabRound(QWidget& window) {
    std::vector<QWidget*> visited;
    QWidget* first = QApplication::focusWidget();
    for (QWidget* at = first; at != nullptr && visited.size() < 500;) {
        visited.push_back(at);
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(at, &tab);
        at = QApplication::focusWidget();
        if (at == first || !window.isAncestorOf(at))
            break;
    }
    return visited;
}

// A QScrollArea only holds other controls; Tab visits those.
bool isInteractive(QWidget* widget) {
    if (qobject_cast<QScrollArea*>(widget) != nullptr)
        return false;
    return qobject_cast<QAbstractButton*>(widget) != nullptr || qobject_cast<QLineEdit*>(widget) != nullptr ||
           qobject_cast<QComboBox*>(widget) != nullptr || qobject_cast<QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<QAbstractScrollArea*>(widget) != nullptr || qobject_cast<QTabBar*>(widget) != nullptr;
}

// Where the widget stands: inside a scroll box, on the box's content, so that the scrolling that Tab causes does not
// move it; with the scroll box it is in, if any.
std::pair<QScrollArea*, int> placeOnPage(QWidget* widget, QWidget& window) {
    for (QWidget* parent = widget->parentWidget(); parent != nullptr; parent = parent->parentWidget())
        if (auto* scroll = qobject_cast<QScrollArea*>(parent); scroll != nullptr && scroll->widget() != nullptr)
            return {scroll, widget->mapTo(scroll->widget(), QPoint(0, 0)).y()};
    return {nullptr, widget->mapTo(&window, QPoint(0, 0)).y()};
}

TEST_F(MainWindowTest, TabVisitsEveryInteractiveControlOfEveryPageFromTopToBottom) {
    showWindow();
    window.activateWindow();
    auto* rollOut = find<RollOut>("RollOut");
    auto* strip = find<QTabWidget>("JvgPageControl2");
    for (int page = 0; page < 5; ++page) {
        for (bool expanded : {false, true}) {
            if (expanded && page != 0)
                continue;
            for (int tab = 0; tab < strip->count(); ++tab) {
                SCOPED_TRACE("page " + std::to_string(page) + (expanded ? " expanded" : "") + " strip tab " +
                             std::to_string(tab));
                form.setActivePage(page);
                rollOut->setExpanded(expanded);
                strip->setCurrentIndex(tab);
                QCoreApplication::processEvents();
                find<QWidget>("btnHide")->setFocus(Qt::TabFocusReason);
                const std::vector<QWidget*> visited = tabRound(window);
                for (QWidget* widget : window.findChildren<QWidget*>()) {
                    if (!isInteractive(widget) || !widget->isVisible() || !widget->isEnabled() ||
                        widget->focusProxy() != nullptr || qobject_cast<QScrollBar*>(widget) != nullptr)
                        continue;
                    // Inside a scroll box only the fields, not the box's own parts.
                    if (qobject_cast<QAbstractScrollArea*>(widget->parentWidget()) != nullptr)
                        continue;
                    EXPECT_NE(std::find(visited.begin(), visited.end(), widget), visited.end())
                        << widget->metaObject()->className() << " " << widget->objectName().toStdString();
                }
                // Within the page, each control that Tab reaches stands below or beside the one before.
                QWidget* pageWidget = find<QTabWidget>("PageControl")->widget(page);
                int lastTop = -1;
                QScrollArea* lastScroll = nullptr;
                for (QWidget* widget : visited) {
                    if (!pageWidget->isAncestorOf(widget) || rollOut->scrollArea()->isAncestorOf(widget))
                        continue;
                    const auto [scroll, top] = placeOnPage(widget, window);
                    if (scroll != lastScroll)
                        lastTop = -1;
                    lastScroll = scroll;
                    EXPECT_GE(top + widget->height(), lastTop) << widget->objectName().toStdString();
                    lastTop = top;
                }
            }
        }
    }
}

TEST_F(MainWindowTest, FilePickerButtonsTakeTheFocus) {
    for (FileEdit* edit : window.findChildren<FileEdit*>()) {
        SCOPED_TRACE(edit->objectName().toStdString());
        QToolButton* button = edit->findChild<QToolButton*>();
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
    }
}

TEST_F(MainWindowTest, LinksShowAHandAndTurnRedUnderTheMouse) {
    auto* link = find<LinkLabel>("LbStartBackup");
    EXPECT_TRUE(link->isLink());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(link, &enter);
    EXPECT_TRUE(link->hovered());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_FALSE(link->hovered());
    EXPECT_TRUE(find<LinkLabel>("LbGetFirebird")->isLink());
    int clicks = 0;
    form.onClick("LbStartBackup", [&] { ++clicks; });
    link->click();
    EXPECT_EQ(clicks, 1);
}

TEST_F(MainWindowTest, TrayMenuHoldsItsEntriesAndLaunchIsAlwaysEnabled) {
    TrayIcon& tray = window.trayIcon();
    EXPECT_EQ(tray.objectName(), "TrayIcon");
    EXPECT_EQ(tray.toolTip(), "Database Backup System");
    QMenu* menu = tray.contextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), "PopupMenu");
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->objectName() + "=" + action->text());
    EXPECT_EQ(entries.join(' '), "AppLaunch=&Launch Tervolen - StartBackup1=Start &Backup - MenuItem1=Cl&ose - "
                                 "About1=Ab&out...");

    showWindow();
    EXPECT_TRUE(form.enabled("AppLaunch"));
    form.minimize();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.enabled("AppLaunch"));
    EXPECT_TRUE(window.isMinimizedToTray());
    // Without a notification area the window stays reachable, minimised.
    EXPECT_EQ(window.isMinimized(), !QSystemTrayIcon::isSystemTrayAvailable());
    form.restore();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.enabled("AppLaunch"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
}

// Left clicks on the icon alternate between showing the window in front and hiding it; other activations
// (the context menu, a middle click) leave it as it is.
TEST(MainWindowTray, ALeftClickShowsAndRaisesTheWindowAndASecondOneHidesIt) {
    ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs, [] { return true; }};
    TrayIcon& tray = window.trayIcon();
    window.minimizeApplication();
    QCoreApplication::processEvents();
    ASSERT_FALSE(window.isVisible());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        emit tray.activated(QSystemTrayIcon::Context);
        emit tray.activated(QSystemTrayIcon::MiddleClick);
        QCoreApplication::processEvents();
        EXPECT_FALSE(window.isVisible());
        emit tray.activated(QSystemTrayIcon::Trigger);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.isMinimizedToTray());
        emit tray.activated(QSystemTrayIcon::Trigger);
        QCoreApplication::processEvents();
        EXPECT_FALSE(window.isVisible());
        EXPECT_TRUE(window.isMinimizedToTray());
    }
}

// The offscreen platform has no notification area, so both branches run with its presence told to the window.
TEST(MainWindowTray, MinimisingHidesBehindTheIconOnlyWhereANotificationAreaExists) {
    for (const bool available : {true, false}) {
        SCOPED_TRACE(available ? "with a notification area" : "without one");
        ScriptedDialogs dialogs;
        MonitorLog monitor;
        MainWindow window{monitor, dialogs, [&] { return available; }};
        EXPECT_EQ(window.trayIcon().isVisible(), available);
        window.show();
        QCoreApplication::processEvents();
        window.formState().minimize();
        QCoreApplication::processEvents();
        EXPECT_TRUE(window.isMinimizedToTray());
        EXPECT_TRUE(window.formState().enabled("AppLaunch"));
        EXPECT_EQ(window.isVisible(), !available);
        EXPECT_EQ(window.isMinimized(), !available);
        EXPECT_EQ(window.trayIcon().isVisible(), available);
        window.formState().restore();
        QCoreApplication::processEvents();
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.isMinimized());
        EXPECT_TRUE(window.formState().enabled("AppLaunch"));
    }
}

TEST(MainWindowTray, ANotificationAreaThatAppearsAfterTheStartTakesTheIcon) {
    bool available = false;
    ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs, [&] { return available; }};
    EXPECT_FALSE(window.trayIcon().isVisible());
    available = true;
    window.show();
    window.formState().minimize();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.trayIcon().isVisible());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(MainWindowTest, StartupShowsTheWindowOnceAndMinimisesIt) {
    window.showAtStartup();
    EXPECT_TRUE(window.startupMinimizePending());
    EXPECT_TRUE(test::waitFor([&] { return window.isMinimizedToTray(); }));
    EXPECT_FALSE(window.startupMinimizePending());
    EXPECT_TRUE(form.enabled("AppLaunch"));
    // A later restore shows the Schedule page and is not minimised again.
    form.restore();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(form.activePage(), 0);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &activate);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isMinimizedToTray());
}

TEST_F(MainWindowTest, PressAndMoveOnABackupOptionDragsTheWindow) {
    showWindow();
    form.setActivePage(3);
    QCoreApplication::processEvents();
    window.move(100, 100);
    QPoint start = window.pos();
    auto* list = find<QListWidget>("clListaBackup");
    QPoint item = list->visualItemRect(list->item(1)).center();
    QPoint global(300, 300);
    mouse(list->viewport(), QEvent::MouseButtonPress, item, global, Qt::LeftButton);
    mouse(list->viewport(), QEvent::MouseMove, item + QPoint(40, 25), global + QPoint(40, 25), Qt::LeftButton);
    mouse(list->viewport(), QEvent::MouseButtonRelease, item + QPoint(40, 25), global + QPoint(40, 25), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(40, 25));
    EXPECT_FALSE(form.itemChecked("clListaBackup", 1));

    // The Schedule page's hour list is no drag surface.
    auto* hours = find<QListWidget>("clbHorarios");
    form.setActivePage(0);
    QCoreApplication::processEvents();
    mouse(hours->viewport(), QEvent::MouseButtonPress, {5, 5}, global, Qt::LeftButton);
    mouse(hours->viewport(), QEvent::MouseMove, {45, 30}, global + QPoint(40, 25), Qt::LeftButton);
    mouse(hours->viewport(), QEvent::MouseButtonRelease, {45, 30}, global + QPoint(40, 25), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(40, 25));
}

TEST_F(MainWindowTest, AnErrorEscapingAUserActionGoesToTheDefaultErrorReport) {
    form.onClick("TranspButOKConfig", [] { throw Error("Disk full"); });
    find<QPushButton>("TranspButOKConfig")->click();
    EXPECT_EQ(dialogs.texts("error"), std::vector<std::string>{"Disk full."});
}

TEST_F(MainWindowTest, FilePickerPutsThePathUnchangedAndReopensInItsFolder) {
    auto* edit = find<FileEdit>("eBase");
    EXPECT_EQ(edit->mode(), FileEdit::Mode::OpenFile);
    EXPECT_EQ(find<FileEdit>("EditRestore")->mode(), FileEdit::Mode::SaveFile);
    EXPECT_EQ(find<FileEdit>("eDirBackup")->mode(), FileEdit::Mode::Folder);
    QStringList starts;
    QString filterSeen;
    edit->setPicker([&](FileEdit::Mode, const QString& start, const QString& filter) {
        starts << start;
        filterSeen = filter;
        return QStringLiteral("/data/my base/EMPRESA.FDB");
    });
    int changes = 0;
    form.onChange("eBase", [&] { ++changes; });
    edit->button()->click();
    edit->button()->click();
    EXPECT_EQ(form.text("eBase"), "/data/my base/EMPRESA.FDB");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(starts, (QStringList{"", "/data/my base"}));
    EXPECT_EQ(filterSeen, "InterBase and Firebird Files (*.ib *.fdb *.gdb)");
}

// The window with the program's logic behind it, as the GUI entry point puts them together.
class WindowWithProgramTest : public MainWindowTest {
protected:
    void SetUp() override {
        clock.set(2026, 12, 7, 10, 0);
        Program::Options options;
        options.registerAutostart = false;
        program = std::make_unique<Program>(
            form, dialogs, monitor, paths, clock, [] {}, std::move(options));
        program->startup();
        showWindow();
    }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    test::FixedClock clock;
    std::unique_ptr<Program> program;
};

TEST_F(WindowWithProgramTest, AddMirrorWithoutCompressionLeadsToTheCompressionBox) {
    form.setChecked("ChkBoxCompress", false);
    dialogs.answers.push_back(Dialogs::Answer::Yes);
    find<QToolButton>("JvTransparentButton3")->click();
    EXPECT_EQ(window.pageControl().currentIndex(), 3);
    EXPECT_EQ(window.focusWidget(), find<QWidget>("ChkBoxCompress"));
    EXPECT_FALSE(form.checked("ChkBoxCompress"));
    EXPECT_EQ(form.itemCount("MirrorListView"), 0);
}

TEST_F(WindowWithProgramTest, RemoveMirrorDeletesOnlyTheFocusedSelectedEntry) {
    form.setChecked("ChkBoxCompress", true);
    dialogs.paths = {"/mnt/one", "/mnt/two"};
    auto* add = find<QToolButton>("JvTransparentButton3");
    add->click();
    add->click();
    ASSERT_EQ(form.itemCount("MirrorListView"), 2);
    auto* remove = find<QToolButton>("JvTransparentButton4");
    remove->click();
    EXPECT_EQ(form.itemCount("MirrorListView"), 2);
    find<QTableWidget>("MirrorListView")->setCurrentCell(0, 0);
    remove->click();
    ASSERT_EQ(form.itemCount("MirrorListView"), 1);
    EXPECT_EQ(form.itemText("MirrorListView", 0), "/mnt/two");
    EXPECT_TRUE(dialogs.texts("error").empty());
}

TEST_F(WindowWithProgramTest, HideLaunchAndCloseCommands) {
    find<QToolButton>("btnHide")->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isMinimizedToTray());
    window.trayIcon().launchAction()->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isMinimizedToTray());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(form.text("btnFechar"), "");

    int closed = 0;
    QObject::connect(&window, &MainWindow::closed, &window, [&] { ++closed; });
    for (const char* command : {"btnFechar", "LbClose", "MenuItem1"}) {
        SCOPED_TRACE(command);
        showWindow();
        // The tray's "Cl&ose" is used while the window hides behind the icon.
        if (std::string(command) == "MenuItem1")
            window.hide();
        int before = closed;
        if (auto* action = find<QAction>(command))
            action->trigger();
        else
            find<QAbstractButton>(command)->click();
        EXPECT_EQ(closed, before + 1);
        EXPECT_FALSE(window.isVisible());
    }
}

} // namespace
} // namespace tervolen

namespace tervolen {
namespace {

TEST_F(MainWindowTest, TheCompressionProgressBarShowsOnlyWhileTheWriterWorks) {
    showWindow();
    form.setActivePage(static_cast<int>(Page::Monitor));
    auto* bar = find<QProgressBar>("CompressionProgress");
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());
    window.monitorPage().showCompressionProgress(0, 1000);
    window.monitorPage().showCompressionProgress(250, 1000);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), 25);
    EXPECT_TRUE(bar->format().startsWith("25 % ")) << bar->format().toStdString();
    window.monitorPage().showCompressionProgress(1000, 1000);
    EXPECT_FALSE(bar->isVisible());
}

} // namespace
} // namespace tervolen
