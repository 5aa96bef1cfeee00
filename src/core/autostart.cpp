#include "core/autostart.h"

#include "core/atomic_file.h"
#include "core/errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace tervolen {

std::string autostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/autostart";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/autostart";
}

namespace {

// One argument of the command line that Exec holds, quoted where it has a reserved character.
std::string quotedArgument(const std::string& text) {
    if (text.find_first_of(" \t\n\r\"'\\><~|&;$*?#()`") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// A literal "%" of Exec would start a field code.
std::string withoutFieldCodes(const std::string& text) {
    std::string escaped;
    for (char c : text)
        escaped += c == '%' ? std::string("%%") : std::string(1, c);
    return escaped;
}

// The escapes of a value of type string, applied to the whole value after the quoting.
std::string stringValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string autostartEntryPath(const std::string& name) {
    std::string lowerName;
    for (char c : name)
        lowerName += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return autostartFolder() + "/" + lowerName + ".desktop";
}

} // namespace

std::string desktopExecValue(const std::string& path) {
    return stringValue(withoutFieldCodes(quotedArgument(path)));
}

void registerAutostart(const std::string& name, const std::string& data) {
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=" +
                        name +
                        "\n"
                        "Comment=Backup manager for Firebird and InterBase databases\n"
                        "Exec=" +
                        desktopExecValue(data) +
                        "\n"
                        "Icon=tervolen\n"
                        "Terminal=false\n"
                        "X-GNOME-Autostart-enabled=true\n";
    try {
        writeFileAtomically(autostartEntryPath(name), entry, 0644, true, LinkAtPath::Replace);
    } catch (const Error&) {
        throw Error("Failed to set data for '" + name + "'");
    }
}

void removeAutostart(const std::string& name) {
    const std::string path = autostartEntryPath(name);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw Error("Failed to remove the autostart entry \"" + path + "\". " + std::strerror(errno));
}

} // namespace tervolen
