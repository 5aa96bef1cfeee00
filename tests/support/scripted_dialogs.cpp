#include "scripted_dialogs.h"

namespace tervolen::test {

bool ScriptedDialogs::askYesNo(const std::string& title, const std::string& text) {
    shown.push_back({"yesno", title + "|" + text});
    if (answers.empty())
        return false;
    Answer answer = answers.front();
    answers.pop_front();
    return answer == Answer::Yes;
}

bool ScriptedDialogs::askYesNoOrStopAsking(const std::string& text, bool& dontAskAgain) {
    shown.push_back({"yesno-stop-asking", text});
    dontAskAgain = tickDontAskAgain;
    if (answers.empty())
        return false;
    Answer answer = answers.front();
    answers.pop_front();
    return answer == Answer::Yes;
}

Dialogs::Answer ScriptedDialogs::askYesNoCancel(const std::string& text) {
    shown.push_back({"yesnocancel", text});
    if (answers.empty())
        return Answer::Cancel;
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

bool ScriptedDialogs::login(LoginFields& fields) {
    shown.push_back({"login", fields.database});
    loginRequests.push_back(fields);
    if (logins.empty() || !logins.front()) {
        if (!logins.empty())
            logins.pop_front();
        return false;
    }
    fields = *logins.front();
    logins.pop_front();
    return true;
}

std::optional<std::string> ScriptedDialogs::choosePath(const std::string& kind, const std::string& startFolder) {
    shown.push_back({kind, startFolder});
    startFolders.push_back(startFolder);
    if (paths.empty())
        return std::nullopt;
    auto path = paths.front();
    paths.pop_front();
    return path;
}

std::optional<std::string> ScriptedDialogs::chooseFolder(const std::string& startFolder) {
    return choosePath("folder", startFolder);
}

std::optional<std::string> ScriptedDialogs::chooseSaveFile(const std::string& startFolder) {
    return choosePath("save", startFolder);
}

std::vector<std::string> ScriptedDialogs::texts(const std::string& kind) const {
    std::vector<std::string> result;
    for (const auto& s : shown)
        if (s.kind == kind)
            result.push_back(s.text);
    return result;
}

} // namespace tervolen::test
