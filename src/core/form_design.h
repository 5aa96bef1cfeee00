#pragma once

#include <string_view>
#include <vector>

namespace tervolen {

enum class ControlKind {
    Edit,
    PasswordEdit,
    UpperCaseEdit, // turns every typed letter into a capital
    FileEdit,      // edit with a file picker
    SaveFileEdit,  // edit with a save-as picker
    FolderEdit,    // edit with a folder picker
    ComboBox,      // drop-down list of fixed items; a stored text outside them is kept
    CheckBox,
    CheckList,
    ListView, // report view, one column
    Label,
    LinkLabel, // label shown as a link in the command strip
    Button,
    Group,
    Page,
    Tab,      // tab of the command strip
    MenuItem, // entry of the tray menu
    Lamp,
    RichText,
    SpinBox, // whole number from 0
    NumberBox, // whole number from 1 to 65535; a stored text outside that is kept
};

// One control of the main window with its design values.
struct ControlDesign {
    std::string_view name;
    ControlKind kind;
    std::string_view text = {}; // caption or design text
    std::vector<std::string_view> items = {};
    int itemIndex = -1;
    bool enabled = true;
    bool visible = true;
    std::string_view hint = {};
    std::string_view label = {};       // label of a labelled field
    std::string_view parent = {};      // page, group or tab that holds it
    std::string_view placeholder = {}; // sample shown in an empty edit, never its value
};

// Every control of the main window, in creation order.
const std::vector<ControlDesign>& mainWindowDesign();

// Looks a control up by name; nullptr when there is none.
const ControlDesign* findControlDesign(std::string_view name);

// Index of the page of PageControl that holds the control (0 Schedule ... 4 Monitor), or -1.
int pageOf(std::string_view name);

} // namespace tervolen
