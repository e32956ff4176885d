#pragma once
// A popup menu built in code: items addressed by command id, submenus owned
// by the menu they hang in, and a shortcut text shown right-aligned after the
// caption (display only; keys act elsewhere).
#include "toolkit/Handles.h"

#include <map>
#include <memory>
#include <string>

namespace toolkit {

class PopupMenu {
public:
    PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    HMENU Handle() const { return menu_; }

    void AddItem(UINT id, const std::string& caption);
    void AddSeparator();
    // The submenu belongs to this menu; the reference stays valid as long as it.
    PopupMenu& AddSubmenu(UINT id, const std::string& caption);
    // Removes every item from position `first` on (submenus included).
    void RemoveItemsFrom(int first);
    int ItemCount() const;

    void SetCaption(UINT id, const std::string& caption, const std::string& shortcutText = {});
    std::string Caption(UINT id) const;  // without the shortcut text
    void SetChecked(UINT id, bool checked);
    bool Checked(UINT id) const;
    void SetEnabled(UINT id, bool enabled);
    bool Enabled(UINT id) const;
    void SetDefault(UINT id);

    // Shows the menu at a screen point and returns the chosen id, or 0. The
    // owner is brought to the foreground first so that the menu closes when
    // the user clicks elsewhere.
    UINT Track(HWND owner, POINT at) const;

private:
    HMENU menu_;
    UniqueMenu owner_;  // only a top-level menu owns its handle; DestroyMenu takes its submenus along
    std::map<UINT, std::unique_ptr<PopupMenu>> submenus_;
};

}  // namespace toolkit
