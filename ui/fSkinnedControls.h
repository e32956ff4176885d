#pragma once
// Child controls of the skinned dialogs, made in the dialog's font.
#include <windows.h>

#include "toolkit/Error.h"

#include <string>

// A child control of a system class with the given id; throws when the
// system refuses.
inline HWND CreateDialogControl(HWND parent, const char* className, const std::string& text, DWORD style,
                                RECT bounds, int id, HFONT font)
{
    HWND control = ::CreateWindowExA(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left,
                                     bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                     nullptr);
    if (!control) throw toolkit::Error("Cannot create the control " + std::string(className));
    if (font) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// A push button that the dialog draws in its own face colour (TfrmSkinned
// draws every owner-drawn button of its window). Enter presses the focused
// one, else the one with the id IDOK.
inline HWND CreateDialogButton(HWND parent, const std::string& text, RECT bounds, int id, HFONT font)
{
    return CreateDialogControl(parent, "BUTTON", text, WS_TABSTOP | BS_OWNERDRAW, bounds, id, font);
}
