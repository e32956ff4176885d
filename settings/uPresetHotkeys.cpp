#include "settings/uPresetHotkeys.h"

UINT HotkeyModifiers(int code)
{
    UINT modifiers = 0;
    if (code & HotkeyAlt) modifiers |= MOD_ALT;
    if (code & HotkeyCtrl) modifiers |= MOD_CONTROL;
    if (code & HotkeyShift) modifiers |= MOD_SHIFT;
    return modifiers;
}

UINT HotkeyVirtualKey(int code) { return static_cast<UINT>(code & 0xFF); }

std::string HotkeyText(int code)
{
    const UINT key = HotkeyVirtualKey(code);
    if (key == 0) return {};
    std::string text;
    if (code & HotkeyShift) text += "Shift+";
    if (code & HotkeyCtrl) text += "Ctrl+";
    if (code & HotkeyAlt) text += "Alt+";
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return text + static_cast<char>(key);
    if (key >= VK_F1 && key <= VK_F24) return text + "F" + std::to_string(key - VK_F1 + 1);
    // Other keys by the keyboard's own name for them.
    char name[64] = {};
    LONG scan = static_cast<LONG>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    if (::GetKeyNameTextA(scan, name, sizeof(name)) > 0) return text + name;
    return text + "#" + std::to_string(key);
}

void TPresetHotkeys::Register(HWND window, const std::array<int, 3>& codes)
{
    if (codes == RegisteredHotkeys) return;
    Unregister(window);
    RegisteredHotkeys = codes;
    for (int i = 0; i < 3; ++i) {
        const int id = i + 1;
        const bool registered =
            ::RegisterHotKey(window, id, HotkeyModifiers(codes[i]), HotkeyVirtualKey(codes[i])) != FALSE;
        HotkeyIDs[i] = registered ? id : -1;
    }
}

void TPresetHotkeys::Unregister(HWND window)
{
    for (int id : HotkeyIDs)
        if (id >= 0) ::UnregisterHotKey(window, id);
    HotkeyIDs = {-1, -1, -1};
    RegisteredHotkeys = {0, 0, 0};
}
