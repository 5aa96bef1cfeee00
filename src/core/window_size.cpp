#include "core/window_size.h"

#include "core/settings_file.h"
#include "core/settings_table.h"
#include "core/text_conversion.h"

namespace tervolen {

namespace {

std::optional<WindowSize> storedSize(const SettingsFile& settings) {
    auto width = tryStrToInt(readSettingText(settings, SettingId::WindowWidth));
    auto height = tryStrToInt(readSettingText(settings, SettingId::WindowHeight));
    if (!width || !height || *width <= 0 || *height <= 0)
        return std::nullopt;
    return WindowSize{*width, *height};
}

} // namespace

std::optional<WindowSize> readWindowSize(const std::string& settingsPath) {
    return storedSize(SettingsFile::openSettings(settingsPath));
}

void rememberWindowSize(const std::string& settingsPath, WindowSize size, WindowSize firstSize) {
    if (size == readWindowSize(settingsPath).value_or(firstSize))
        return;
    withSettings(settingsPath, [&](SettingsFile& settings) {
        writeSettingText(settings, SettingId::WindowWidth, std::to_string(size.width));
        writeSettingText(settings, SettingId::WindowHeight, std::to_string(size.height));
    });
}

} // namespace tervolen
