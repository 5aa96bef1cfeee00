#include "core/autostart.h"

#include "core/atomic_file.h"
#include "core/errors.h"

#include <cstdlib>

namespace tervolen {

std::string AutostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/autostart";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/autostart";
}

std::string DesktopExecValue(const std::string& path) {
    bool needsQuotes = path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    if (!needsQuotes)
        return path;
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

void RegisterAutostart(const std::string& name, const std::string& data) {
    std::string lowerName;
    for (char c : name)
        lowerName += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=" + name + "\n"
                        "Comment=Backup manager for Firebird and InterBase databases\n"
                        "Exec=" + DesktopExecValue(data) + "\n"
                        "Terminal=false\n"
                        "X-GNOME-Autostart-enabled=true\n";
    try {
        WriteFileAtomically(AutostartFolder() + "/" + lowerName + ".desktop", entry, 0644, true);
    } catch (const Error&) {
        throw Error("Failed to set data for '" + name + "'");
    }
}

} // namespace tervolen
