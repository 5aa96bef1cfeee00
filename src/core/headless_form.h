#pragma once

#include "core/form_design.h"
#include "core/form_state.h"

#include <map>
#include <string>
#include <vector>

namespace tervolen {

// The main window's state without a window: every control of MainWindowDesign() with its design
// values. The command-line tool and the tests of the logic use it.
class HeadlessForm : public FormState {
public:
    HeadlessForm();

    std::string text(std::string_view control) const override;
    bool checked(std::string_view control) const override;
    int itemCount(std::string_view control) const override;
    std::string itemText(std::string_view control, int index) const override;
    bool itemChecked(std::string_view control, int index) const override;
    void setItemChecked(std::string_view control, int index, bool checked) override;
    int itemIndex(std::string_view control) const override;
    void setItemIndex(std::string_view control, int index) override;
    void addItem(std::string_view control, const std::string& text) override;
    void removeItem(std::string_view control, int index) override;
    void clearItems(std::string_view control) override;
    bool enabled(std::string_view control) const override;
    void setEnabled(std::string_view control, bool enabled) override;
    bool visible(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    void setLabelStyle(std::string_view control, Color color, bool bold) override;
    bool setFocus(std::string_view control) override;
    int activePage() const override { return activePage_; }
    void setActivePage(int index) override { activePage_ = index; }
    void minimize() override { minimized_ = true; }
    void restore() override { minimized_ = false; }
    void close() override { closed_ = true; }
    // Runs a control's click handler as a user's click would.
    void click(std::string_view control) { runClickHandler(control); }

    // What the logic did, for tests and the command-line tool.
    std::string focused() const { return focused_; }
    bool minimized() const { return minimized_; }
    bool closed() const { return closed_; }
    Color labelColor(std::string_view control) const;
    bool labelBold(std::string_view control) const;

protected:
    bool storeChecked(std::string_view control, bool checked) override;
    bool storeText(std::string_view control, const std::string& text) override;

private:
    struct Item {
        std::string text;
        bool checked = false;
    };
    struct Control {
        ControlKind kind = ControlKind::Edit;
        std::string text;
        std::vector<Item> items;
        int itemIndex = -1;
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        Color color = 0;
        bool bold = false;
    };

    Control& at(std::string_view name);
    const Control& at(std::string_view name) const;
    static Item& item(Control& control, std::string_view name, int index);
    static const Item& item(const Control& control, std::string_view name, int index);

    std::map<std::string, Control, std::less<>> controls_;
    int activePage_ = 0;
    bool minimized_ = false;
    bool closed_ = false;
    std::string focused_;
};

} // namespace tervolen
