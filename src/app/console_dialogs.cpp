#include "app/console_dialogs.h"
#include "core/control_names.h"

namespace tervolen {

void ConsoleDialogs::print(const char* kind, const std::string& text) {
    std::fprintf(out_, "tervolen-cli: %s%s\n", kind, text.c_str());
    std::fflush(out_);
}

void ConsoleDialogs::message(const std::string& text) { print("", text); }

void ConsoleDialogs::information(const std::string& text) { print("", text); }

void ConsoleDialogs::errorReport(const std::string& text) {
    errorReported_ = true;
    print("error: ", text);
}

bool ConsoleDialogs::askYesNo(const std::string& title, const std::string& text) {
    print("", title + ": " + text + " Yes (given on the command line).");
    return true;
}

Dialogs::Answer ConsoleDialogs::askYesNoCancel(const std::string& text) {
    print("", text);
    return Answer::Cancel;
}

bool ConsoleDialogs::login(LoginFields& fields) {
    fields.userName = form_.text(controls::EdUserName);
    fields.password = form_.text(controls::EdPswd);
    return true;
}

} // namespace tervolen
