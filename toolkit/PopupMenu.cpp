#include "toolkit/PopupMenu.h"

#include "toolkit/Error.h"

namespace toolkit {

PopupMenu::PopupMenu() : menu_(::CreatePopupMenu()), owner_(menu_)
{
    if (!menu_) throw Error("Cannot create a menu");
}

void PopupMenu::AddItem(UINT id, const std::string& caption)
{
    ::AppendMenuA(Handle(), MF_STRING, id, caption.c_str());
}

void PopupMenu::AddSeparator() { ::AppendMenuA(Handle(), MF_SEPARATOR, 0, nullptr); }

PopupMenu& PopupMenu::AddSubmenu(UINT id, const std::string& caption)
{
    auto submenu = std::make_unique<PopupMenu>();
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.wID = id;
    info.hSubMenu = submenu->Handle();
    info.dwTypeData = const_cast<char*>(caption.c_str());
    if (::InsertMenuItemA(Handle(), static_cast<UINT>(ItemCount()), TRUE, &info))
        submenu->owner_.Release();  // this menu destroys it now
    PopupMenu& result = *submenu;
    submenus_[id] = std::move(submenu);
    return result;
}

void PopupMenu::RemoveItemsFrom(int first)
{
    for (int position = ItemCount() - 1; position >= first; --position) {
        HMENU submenu = ::GetSubMenu(Handle(), position);
        ::RemoveMenu(Handle(), static_cast<UINT>(position), MF_BYPOSITION);
        if (submenu) {
            UniqueMenu removed(submenu);  // RemoveMenu leaves a submenu alive
            std::erase_if(submenus_, [submenu](const auto& entry) { return entry.second->Handle() == submenu; });
        }
    }
}

int PopupMenu::ItemCount() const { return ::GetMenuItemCount(Handle()); }

void PopupMenu::SetCaption(UINT id, const std::string& caption, const std::string& shortcutText)
{
    std::string text = shortcutText.empty() ? caption : caption + "\t" + shortcutText;
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = text.data();
    ::SetMenuItemInfoA(Handle(), id, FALSE, &info);
}

std::string PopupMenu::Caption(UINT id) const
{
    char text[256] = {};
    ::GetMenuStringA(Handle(), id, text, sizeof(text), MF_BYCOMMAND);
    std::string caption = text;
    return caption.substr(0, caption.find('\t'));
}

void PopupMenu::SetChecked(UINT id, bool checked)
{
    ::CheckMenuItem(Handle(), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool PopupMenu::Checked(UINT id) const
{
    return (::GetMenuState(Handle(), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void PopupMenu::SetEnabled(UINT id, bool enabled)
{
    ::EnableMenuItem(Handle(), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool PopupMenu::Enabled(UINT id) const
{
    return (::GetMenuState(Handle(), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

void PopupMenu::SetDefault(UINT id) { ::SetMenuDefaultItem(Handle(), id, FALSE); }

UINT PopupMenu::Track(HWND owner, POINT at) const
{
    ::SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
    // Lets the menu close properly when the owner was not in front before.
    ::PostMessageA(owner, WM_NULL, 0, 0);
    return chosen;
}

}  // namespace toolkit
