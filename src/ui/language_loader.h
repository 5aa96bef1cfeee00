#pragma once

#include "core/dialogs.h"
#include "core/language_file.h"

#include <QObject>
#include <QString>
#include <QStringView>

#include <functional>
#include <string>

namespace tervolen {

// Visits one translatable text: owner is the object that shows it, what names the text within the owner
// ("text", "toolTip", "item 3", "tab 1" ...). Returns the text to show instead.
using TextVisitor = std::function<QString(QObject& owner, QStringView what, const QString& text)>;

// Visits every translatable text of the object and then, depth first in creation order, of its children;
// an object named "SysInfoEx" is passed over with its children. Translatable are the captions a person
// reads: label, button, check box, group and menu texts, tab captions, list, combo, tree-node and column
// captions, tool tips, place-holder texts and window titles. Object names, the texts of edits, rich texts and
// rows of table views are data and never visited. A text the visitor returns unchanged is not set again.
void forEachTranslatableText(QObject& object, const TextVisitor& visitor);

// Replaces every translatable text of the object and its children by its lookup in the language file.
void translateComponent(QObject& object, const LanguageFile& language);

// Applies the file of that name in langFolder to the main window and its children. The file is read once
// for the whole window. When it cannot be read, nothing changes and a plain message box tells
// "File not Found " followed by the file name, " " and the error's text; the result is then false.
bool loadLanguageFile(QObject& mainWindow, const std::string& langFolder, const std::string& fileName,
                      Dialogs& dialogs);

// The window's language loader: applies language files to the window and remembers the last one applied,
// so that windows made later (the about box) show the same language.
class LanguageLoader {
public:
    LanguageLoader(QObject& mainWindow, std::string langFolder, Dialogs& dialogs);

    // LoadLanguageFile for the main window; the file becomes the current language when it was read.
    void apply(const std::string& fileName);
    // The current language's translation of a text; the text itself before any language was applied.
    std::string translate(const std::string& text) const { return language_.lookup(text); }

private:
    QObject& mainWindow_;
    std::string langFolder_;
    Dialogs& dialogs_;
    LanguageFile language_;
};

} // namespace tervolen
