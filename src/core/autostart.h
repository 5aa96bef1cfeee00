#pragma once

#include <string>

namespace tervolen {

// Registers data (the executable's full path) to start at logon under the value name: an XDG autostart
// entry "<name in lower case>.desktop" in $XDG_CONFIG_HOME/autostart (default ~/.config/autostart).
// Throws Error "Failed to set data for '<name>'" when the entry cannot be written.
void registerAutostart(const std::string& name, const std::string& data);

// Removes the entry that registerAutostart writes; nothing when there is none. Throws Error when it cannot.
void removeAutostart(const std::string& name);

// The folder that holds the autostart entries.
std::string autostartFolder();

// The Exec= value that starts the executable at path, quoted as desktop entries require.
std::string desktopExecValue(const std::string& path);

} // namespace tervolen
