#pragma once

#include <exception>
#include <optional>
#include <string>

namespace tervolen {

inline constexpr const char* kAppTitle = "Tervolen";

// The fields of the database login dialog.
struct LoginFields {
    std::string database; // shown under "Database:"
    std::string userName;
    std::string password;
    std::string role;
};

// Every dialog the program shows goes through this interface, so that tests can answer them.
class Dialogs {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;

    // Plain message box titled with the application title, one OK button.
    virtual void message(const std::string& text) = 0;
    // The same with the information icon.
    virtual void information(const std::string& text) = 0;
    // The default error report: error icon, application title. Takes the final text.
    virtual void errorReport(const std::string& text) = 0;
    // Yes/No question with the given title.
    virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
    // Yes/No/Cancel question with the question icon and the application title.
    virtual Answer askYesNoCancel(const std::string& text) = 0;
    // Yes/No question with a "Don't ask again" check box; true for Yes. dontAskAgain tells whether it was ticked.
    virtual bool askYesNoOrStopAsking(const std::string& text, bool& dontAskAgain) = 0;
    // Database login; false when cancelled. The fields are edited in place.
    virtual bool login(LoginFields& fields) = 0;
    virtual std::optional<std::string> chooseFolder(const std::string& startFolder) = 0;
    virtual std::optional<std::string> chooseSaveFile(const std::string& startFolder) = 0;
};

// Shows an escaping error through the default error report (a final "." is added when missing).
void reportError(Dialogs& dialogs, const std::exception& error);

} // namespace tervolen
