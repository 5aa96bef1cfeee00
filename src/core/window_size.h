#pragma once

#include <optional>
#include <string>

namespace tervolen {

// The main window's size in device-independent pixels.
struct WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const WindowSize&) const = default;
};

// The size remembered in the settings file (section WINDOW), or nothing when it holds none or no positive
// whole numbers. Throws what SettingsFile::openSettings throws.
std::optional<WindowSize> readWindowSize(const std::string& settingsPath);

// Remembers size, unless the file already holds it or, holding none, size is the window's first size: a
// window that was never resized leaves the file as it was. Throws what withSettings throws.
void rememberWindowSize(const std::string& settingsPath, WindowSize size, WindowSize firstSize);

} // namespace tervolen
