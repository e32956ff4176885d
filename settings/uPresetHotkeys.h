#pragma once
// The three preset shortcuts. A shortcut code holds the virtual key in bits
// 0-7 and Shift (0x2000), Ctrl (0x4000) and Alt (0x8000); 0 is no shortcut.
#include <windows.h>

#include <array>
#include <string>

constexpr int HotkeyShift = 0x2000;
constexpr int HotkeyCtrl = 0x4000;
constexpr int HotkeyAlt = 0x8000;

// The platform's modifier flags (MOD_ALT, MOD_CONTROL, MOD_SHIFT) of a code.
UINT HotkeyModifiers(int code);
UINT HotkeyVirtualKey(int code);
// "Ctrl+Alt+D" and the like, as a menu shows it; empty for 0.
std::string HotkeyText(int code);

// The engine's registration of the three shortcuts: ids 1, 2, 3 when
// registered, -1 when not, and the codes of the last registration.
class TPresetHotkeys {
public:
    // Re-registers only when the codes differ from the last registration.
    void Register(HWND window, const std::array<int, 3>& codes);
    void Unregister(HWND window);

    std::array<int, 3> HotkeyIDs{-1, -1, -1};
    std::array<int, 3> RegisteredHotkeys{0, 0, 0};
};
