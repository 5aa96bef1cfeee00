#pragma once

#include "core/dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tervolen::test {

// Answers dialogs from queued answers and records what was shown. A question without a queued
// answer is answered No (Cancel for three buttons); a picker without one is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        // "message", "information", "error", "yesno", "yesno-stop-asking", "yesnocancel", "login", "folder", "save"
        std::string kind;
        std::string text;
    };

    void message(const std::string& text) override { shown.push_back({"message", text}); }
    void information(const std::string& text) override { shown.push_back({"information", text}); }
    void errorReport(const std::string& text) override { shown.push_back({"error", text}); }
    bool askYesNo(const std::string& title, const std::string& text) override;
    Answer askYesNoCancel(const std::string& text) override;
    // Answered like askYesNo; ticks "Don't ask again" when tickDontAskAgain is set.
    bool askYesNoOrStopAsking(const std::string& text, bool& dontAskAgain) override;
    bool login(LoginFields& fields) override;
    std::optional<std::string> chooseFolder(const std::string& startFolder) override;
    std::optional<std::string> chooseSaveFile(const std::string& startFolder) override;

    // Texts shown of one kind, in order.
    std::vector<std::string> texts(const std::string& kind) const;

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    bool tickDontAskAgain = false;
    std::deque<std::optional<LoginFields>> logins; // nullopt cancels
    std::deque<std::optional<std::string>> paths;
    std::vector<LoginFields> loginRequests;
    std::vector<std::string> startFolders;

private:
    // Records a picker and answers it with the next queued path.
    std::optional<std::string> choosePath(const std::string& kind, const std::string& startFolder);
};

} // namespace tervolen::test
