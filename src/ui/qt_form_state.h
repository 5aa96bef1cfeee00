#pragma once

#include "core/dialogs.h"
#include "core/form_state.h"

#include <QObject>

#include <string>

class QWidget;

namespace tervolen {

// What the form state needs from the window that holds the controls.
class FormWindow {
public:
    // The widget whose descendants are the controls (the tray menu included).
    virtual QWidget& formRoot() = 0;
    virtual void minimizeApplication() = 0;
    virtual void restoreApplication() = 0;
    virtual void closeWindow() = 0;
    // Makes a control of the active page reachable, e.g. by expanding the panel that holds it.
    virtual void revealControl(QWidget& control) = 0;

protected:
    ~FormWindow() = default;
};

// FormState over the widgets of the main window, found by object name and handled by widget type. The
// user's clicks (buttons, links, check boxes, menu entries) run the click handlers, the user's edits of
// texts and choices in combo boxes run the change handlers; an error escaping a handler run this way is
// shown by the default error report.
class QtFormState : public FormState {
public:
    QtFormState(FormWindow& window, Dialogs& dialogs);

    std::string text(std::string_view control) const override;
    bool checked(std::string_view control) const override;
    int itemCount(std::string_view control) const override;
    std::string itemText(std::string_view control, int index) const override;
    bool itemChecked(std::string_view control, int index) const override;
    void setItemChecked(std::string_view control, int index, bool checked) override;
    // Check lists and MirrorListView: the current row when it is also selected; combo boxes: the
    // selected item.
    int itemIndex(std::string_view control) const override;
    void setItemIndex(std::string_view control, int index) override;
    void addItem(std::string_view control, const std::string& text) override;
    void removeItem(std::string_view control, int index) override;
    void clearItems(std::string_view control) override;
    bool enabled(std::string_view control) const override;
    void setEnabled(std::string_view control, bool enabled) override;
    // The control's own visibility, whatever its page or window shows.
    bool visible(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    void setLabelStyle(std::string_view control, Color color, bool bold) override;
    bool setFocus(std::string_view control) override;
    int activePage() const override;
    void setActivePage(int index) override;
    void minimize() override { window_.minimizeApplication(); }
    void restore() override { window_.restoreApplication(); }
    void close() override { window_.closeWindow(); }

protected:
    bool storeChecked(std::string_view control, bool checked) override;
    bool storeText(std::string_view control, const std::string& text) override;

private:
    QObject& control(std::string_view name) const;
    QWidget& widget(std::string_view name) const;
    void connectUserActions();
    void connectControl(const std::string& name, QObject& object);
    void userAction(const std::string& name, bool click);

    FormWindow& window_;
    Dialogs& dialogs_;
    // Receiver of the widgets' signals, so that no connection outlives this object.
    QObject context_;
};

} // namespace tervolen
