// Another process for the hotkey tests.
//   key_helper press CODE      presses the shortcut (modifiers, key, releases)
//   key_helper hold CODE MS    holds the shortcut as its own hotkey for MS ms
#include "settings/uPresetHotkeys.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void AddKey(std::vector<INPUT>& inputs, WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
}

int Press(int code)
{
    std::vector<WORD> modifiers;
    if (code & HotkeyCtrl) modifiers.push_back(VK_CONTROL);
    if (code & HotkeyAlt) modifiers.push_back(VK_MENU);
    if (code & HotkeyShift) modifiers.push_back(VK_SHIFT);
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers) AddKey(inputs, modifier, false);
    AddKey(inputs, static_cast<WORD>(HotkeyVirtualKey(code)), false);
    AddKey(inputs, static_cast<WORD>(HotkeyVirtualKey(code)), true);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) AddKey(inputs, *it, true);
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size() ? 0 : 1;
}

int Hold(int code, DWORD ms)
{
    // The test polls with a registration of its own until ours is in
    // place: a try that meets one of those tries again.
    const ULONGLONG giveUp = GetTickCount64() + 5000;
    while (!RegisterHotKey(nullptr, 7, HotkeyModifiers(code), HotkeyVirtualKey(code))) {
        if (GetTickCount64() >= giveUp) return 2;
        Sleep(5);
    }
    const ULONGLONG end = GetTickCount64() + ms;
    MSG message;
    while (GetTickCount64() < end) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        Sleep(10);
    }
    UnregisterHotKey(nullptr, 7);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "press") == 0) return Press(std::atoi(argv[2]));
    if (argc >= 4 && std::strcmp(argv[1], "hold") == 0) return Hold(std::atoi(argv[2]), std::atoi(argv[3]));
    return 3;
}
