#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"

#include <cstdio>

namespace tervolen {

// Dialogs of the command-line tool: messages go to standard error, questions that the user's command
// already answered are taken as Yes, and the login uses the user name and password of the settings.
class ConsoleDialogs : public Dialogs {
public:
    ConsoleDialogs(const FormState& form, std::FILE* out) : form_(form), out_(out) {}

    void message(const std::string& text) override;
    void information(const std::string& text) override;
    void errorReport(const std::string& text) override;
    bool askYesNo(const std::string& title, const std::string& text) override;
    Answer askYesNoCancel(const std::string& text) override;
    // Nothing closes the command-line tool through a question.
    bool askYesNoOrStopAsking(const std::string&, bool& dontAskAgain) override {
        dontAskAgain = false;
        return true;
    }
    bool login(LoginFields& fields) override;
    std::optional<std::string> chooseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const std::string&) override { return std::nullopt; }

    bool errorReported() const { return errorReported_; }

private:
    void print(const char* kind, const std::string& text);

    const FormState& form_;
    std::FILE* out_;
    bool errorReported_ = false;
};

} // namespace tervolen
