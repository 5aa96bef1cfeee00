#include "ui/language_loader.h"

#include "core/paths.h"
#include "ui/control_factory.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>

#include <optional>

namespace tervolen {

namespace {

constexpr const char* kSystemInformation = "SysInfoEx";

template <class Get, class Set>
void visitText(QObject& owner, QStringView what, const TextVisitor& visitor, Get get, Set set) {
    QString text = get();
    if (text.isEmpty())
        return;
    QString result = visitor(owner, what, text);
    if (result != text)
        set(result);
}

QString numbered(const char* what, int index) {
    return QString::fromLatin1(what) + ' ' + QString::number(index);
}

void visitWidget(QWidget& widget, const TextVisitor& visitor) {
    visitText(
        widget, u"windowTitle", visitor, [&] { return widget.windowTitle(); },
        [&](const QString& text) { widget.setWindowTitle(text); });
    visitText(
        widget, u"toolTip", visitor, [&] { return widget.toolTip(); },
        [&](const QString& text) { widget.setToolTip(text); });
    visitText(
        widget, u"statusTip", visitor, [&] { return widget.statusTip(); },
        [&](const QString& text) { widget.setStatusTip(text); });
    visitText(
        widget, u"whatsThis", visitor, [&] { return widget.whatsThis(); },
        [&](const QString& text) { widget.setWhatsThis(text); });
}

void visitTreeItem(QObject& owner, QTreeWidgetItem& item, const QString& path, const TextVisitor& visitor) {
    for (int column = 0; column < item.columnCount(); ++column) {
        visitText(
            owner, path + numbered(" column", column), visitor, [&] { return item.text(column); },
            [&](const QString& text) { item.setText(column, text); });
        visitText(
            owner, path + numbered(" toolTip", column), visitor, [&] { return item.toolTip(column); },
            [&](const QString& text) { item.setToolTip(column, text); });
    }
    for (int child = 0; child < item.childCount(); ++child)
        visitTreeItem(owner, *item.child(child), path + numbered(" node", child), visitor);
}

void visitItems(QObject& object, const TextVisitor& visitor) {
    if (auto* combo = qobject_cast<QComboBox*>(&object)) {
        for (int i = 0; i < combo->count(); ++i)
            visitText(
                object, numbered("item", i), visitor, [&] { return combo->itemText(i); },
                [&](const QString& text) { combo->setItemText(i, text); });
        visitText(
            object, u"placeholderText", visitor, [&] { return combo->placeholderText(); },
            [&](const QString& text) { combo->setPlaceholderText(text); });
    } else if (auto* list = qobject_cast<QListWidget*>(&object)) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            visitText(
                object, numbered("item", i), visitor, [&] { return item->text(); },
                [&](const QString& text) { item->setText(text); });
            visitText(
                object, numbered("item toolTip", i), visitor, [&] { return item->toolTip(); },
                [&](const QString& text) { item->setToolTip(text); });
        }
    } else if (auto* tree = qobject_cast<QTreeWidget*>(&object)) {
        visitTreeItem(object, *tree->headerItem(), QStringLiteral("header"), visitor);
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            visitTreeItem(object, *tree->topLevelItem(i), numbered("node", i), visitor);
    } else if (auto* table = qobject_cast<QTableWidget*>(&object)) {
        // Only the column captions: the rows hold data, such as the folders of the mirror list.
        for (int column = 0; column < table->columnCount(); ++column) {
            if (QTableWidgetItem* header = table->horizontalHeaderItem(column))
                visitText(
                    object, numbered("column", column), visitor, [&] { return header->text(); },
                    [&](const QString& text) { header->setText(text); });
        }
    }
}

void visitCaptions(QObject& object, const TextVisitor& visitor) {
    if (auto* label = qobject_cast<QLabel*>(&object)) {
        visitText(
            object, u"text", visitor, [&] { return label->text(); },
            [&](const QString& text) { label->setText(text); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(&object)) {
        visitText(
            object, u"text", visitor, [&] { return button->text(); },
            [&](const QString& text) { button->setText(text); });
    } else if (auto* group = qobject_cast<QGroupBox*>(&object)) {
        visitText(
            object, u"title", visitor, [&] { return group->title(); },
            [&](const QString& text) { group->setTitle(text); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(&object)) {
        visitText(
            object, u"placeholderText", visitor, [&] { return edit->placeholderText(); },
            [&](const QString& text) { edit->setPlaceholderText(text); });
    } else if (auto* tabs = qobject_cast<QTabBar*>(&object)) {
        // The captions of a QTabWidget live in its tab bar, so they are visited there and only there.
        for (int i = 0; i < tabs->count(); ++i) {
            visitText(
                object, numbered("tab", i), visitor, [&] { return tabs->tabText(i); },
                [&](const QString& text) { tabs->setTabText(i, text); });
            visitText(
                object, numbered("tab toolTip", i), visitor, [&] { return tabs->tabToolTip(i); },
                [&](const QString& text) { tabs->setTabToolTip(i, text); });
        }
    } else if (auto* action = qobject_cast<QAction*>(&object)) {
        // A menu's title is the text of its menu action, so it is visited here and not at the menu.
        visitText(
            object, u"text", visitor, [&] { return action->text(); },
            [&](const QString& text) { action->setText(text); });
    } else if (auto* tray = qobject_cast<QSystemTrayIcon*>(&object)) {
        visitText(
            object, u"toolTip", visitor, [&] { return tray->toolTip(); },
            [&](const QString& text) { tray->setToolTip(text); });
    }
}

// The file, or nullopt after telling the user that it cannot be read.
std::optional<LanguageFile> readLanguageFile(const std::string& langFolder, const std::string& fileName,
                                             Dialogs& dialogs) {
    try {
        return LanguageFile::load(langFolder + kPathDelim + fileName);
    } catch (const std::exception& e) {
        dialogs.message("File not Found " + fileName + " " + e.what());
        return std::nullopt;
    }
}

} // namespace

void forEachTranslatableText(QObject& object, const TextVisitor& visitor) {
    if (object.objectName() == QLatin1String(kSystemInformation))
        return;
    if (auto* widget = qobject_cast<QWidget*>(&object))
        visitWidget(*widget, visitor);
    visitCaptions(object, visitor);
    visitItems(object, visitor);
    const QObjectList children = object.children();
    for (QObject* child : children)
        forEachTranslatableText(*child, visitor);
}

void translateComponent(QObject& object, const LanguageFile& language) {
    forEachTranslatableText(object, [&language](QObject&, QStringView, const QString& text) {
        return toQString(language.lookup(text.toStdString()));
    });
}

bool loadLanguageFile(QObject& mainWindow, const std::string& langFolder, const std::string& fileName,
                      Dialogs& dialogs) {
    std::optional<LanguageFile> language = readLanguageFile(langFolder, fileName, dialogs);
    if (language)
        translateComponent(mainWindow, *language);
    return language.has_value();
}

LanguageLoader::LanguageLoader(QObject& mainWindow, std::string langFolder, Dialogs& dialogs)
    : mainWindow_(mainWindow), langFolder_(std::move(langFolder)), dialogs_(dialogs) {}

void LanguageLoader::apply(const std::string& fileName) {
    if (std::optional<LanguageFile> language = readLanguageFile(langFolder_, fileName, dialogs_)) {
        translateComponent(mainWindow_, *language);
        language_ = std::move(*language);
    }
}

} // namespace tervolen
