#pragma once

#include "core/color.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace tervolen {

// The main window's working state as the logic sees it: controls addressed by their names.
// The Qt window implements it over its widgets; HeadlessForm implements it without a window.
// Asking for a control that does not exist is a programming error and throws std::logic_error.
class FormState {
public:
    virtual ~FormState() = default;

    // Text of an edit, a combo box (its edit text) or a label.
    // Setting the text runs the control's change handler when the text changes. Setting a combo box's
    // text selects the item with exactly that text, or no item.
    virtual std::string text(std::string_view control) const = 0;
    void setText(std::string_view control, const std::string& text);

    // Check boxes. Setting the state from code runs the box's click handler when the state changes,
    // as a user click would.
    virtual bool checked(std::string_view control) const = 0;
    void setChecked(std::string_view control, bool checked);

    // Items of check lists, combo boxes and list views.
    virtual int itemCount(std::string_view control) const = 0;
    virtual std::string itemText(std::string_view control, int index) const = 0;
    virtual bool itemChecked(std::string_view control, int index) const = 0;
    virtual void setItemChecked(std::string_view control, int index, bool checked) = 0;
    // Selected combo item or highlighted list row; -1 when none.
    virtual int itemIndex(std::string_view control) const = 0;
    virtual void setItemIndex(std::string_view control, int index) = 0;
    virtual void addItem(std::string_view control, const std::string& text) = 0;
    virtual void removeItem(std::string_view control, int index) = 0;
    virtual void clearItems(std::string_view control) = 0;

    virtual bool enabled(std::string_view control) const = 0;
    virtual void setEnabled(std::string_view control, bool enabled) = 0;
    virtual bool visible(std::string_view control) const = 0;
    virtual void setVisible(std::string_view control, bool visible) = 0;
    virtual void setLabelStyle(std::string_view control, Color color, bool bold) = 0;

    // Gives the keyboard focus; false when the control cannot take it (hidden page, disabled).
    virtual bool setFocus(std::string_view control) = 0;
    // Page of PageControl: 0 Schedule, 1 Restore, 2 Validation, 3 Config, 4 Monitor.
    virtual int activePage() const = 0;
    virtual void setActivePage(int index) = 0;
    // Minimise the application to the notification area (normally where there is no tray).
    virtual void minimize() = 0;
    // Restore the application and bring it to the front.
    virtual void restore() = 0;
    // Close the main window, which ends the program.
    virtual void close() = 0;

    // Registers the click handler of a check box, button, label or menu entry, or the change handler of a
    // text (one each per control). The window runs them on the user's actions.
    void onClick(std::string_view control, std::function<void()> handler);
    void onChange(std::string_view control, std::function<void()> handler);

protected:
    // Store the state; return whether it changed.
    virtual bool storeChecked(std::string_view control, bool checked) = 0;
    virtual bool storeText(std::string_view control, const std::string& text) = 0;
    // Run the registered handler, if any; the Qt window calls them on user input too.
    void runClickHandler(std::string_view control);
    void runChangeHandler(std::string_view control);

private:
    using Handlers = std::map<std::string, std::function<void()>, std::less<>>;
    static void run(const Handlers& handlers, std::string_view control);
    Handlers clickHandlers_;
    Handlers changeHandlers_;
};

enum class Page { Schedule = 0, Restore = 1, Validation = 2, Config = 3, Monitor = 4 };

} // namespace tervolen
