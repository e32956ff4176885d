#include "ui/fHotkey2.h"

#include "settings/uPresetHotkeys.h"
#include "ui/fSkinnedControls.h"

#include <commctrl.h>

namespace {

constexpr int HotKeyControlId = 101;
constexpr UINT_PTR HotKeyRuleSubclassId = 1;
constexpr wchar_t ExplainText[] = L"Here you can define the shortcut (hotkey) for the preset free-up.";

// Keys that the keyboard sends with the extended flag; the control names
// them by it ("Insert", not "Num 0").
bool IsExtendedKey(UINT key)
{
    switch (key) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_DIVIDE: case VK_NUMLOCK:
    case VK_SNAPSHOT: case VK_RCONTROL: case VK_RMENU: case VK_LWIN: case VK_RWIN: case VK_APPS:
        return true;
    default: return false;
    }
}

// The control's own rules for invalid combinations cannot do this the same
// everywhere: some systems replace the modifiers held with the ones given
// instead of adding them, and Shift+A would become Alt+A. The control takes
// every combination as typed, and this adds Alt afterwards.
LRESULT CALLBACK HotKeyRuleProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    // The key-down has set the combination already; some systems take the
    // character that follows as another key, and one without a scan code
    // (input of a program, not of the keyboard) as no key at all.
    if (message == WM_CHAR || message == WM_SYSCHAR) return 0;
    const LRESULT result = ::DefSubclassProc(control, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const WORD typed = static_cast<WORD>(::SendMessageA(control, HKM_GETHOTKEY, 0, 0));
        const WORD ruled = HotkeyControlWordWithRule(typed);
        if (ruled != typed) ::SendMessageA(control, HKM_SETHOTKEY, ruled, 0);
        break;
    }
    case WM_NCDESTROY: ::RemoveWindowSubclass(control, &HotKeyRuleProc, HotKeyRuleSubclassId); break;
    default: break;
    }
    return result;
}

}  // namespace

WORD HotkeyControlWordWithRule(WORD word)
{
    BYTE modifiers = HIBYTE(word);
    if (LOBYTE(word) == 0 || (modifiers & (HOTKEYF_CONTROL | HOTKEYF_ALT))) return word;
    modifiers |= HOTKEYF_ALT;
    return MAKEWORD(LOBYTE(word), modifiers);
}

WORD HotkeyControlWordFromCode(int code)
{
    const UINT key = static_cast<UINT>(code) & 0xFF;
    BYTE modifiers = 0;
    if (code & HotkeyShift) modifiers |= HOTKEYF_SHIFT;
    if (code & HotkeyCtrl) modifiers |= HOTKEYF_CONTROL;
    if (code & HotkeyAlt) modifiers |= HOTKEYF_ALT;
    if (key && IsExtendedKey(key)) modifiers |= HOTKEYF_EXT;
    return MAKEWORD(key, modifiers);
}

int HotkeyCodeFromControlWord(WORD word)
{
    const int key = LOBYTE(word);
    const BYTE modifiers = HIBYTE(word);
    // Modifiers alone are no shortcut.
    if (key == 0) return 0;
    int code = key;
    if (modifiers & HOTKEYF_SHIFT) code |= HotkeyShift;
    if (modifiers & HOTKEYF_CONTROL) code |= HotkeyCtrl;
    if (modifiers & HOTKEYF_ALT) code |= HotkeyAlt;
    return code;
}

TfrmHotkey2::TfrmHotkey2(HWND owner)
    : TfrmSkinned(owner, Layout{Hotkey2Caption, Hotkey2ClientWidth, Hotkey2ClientHeight, false})
{
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_HOTKEY_CLASS;
    ::InitCommonControlsEx(&init);

    CreateExplanation(lblExplain_, 40);

    HotKeyControl_ = CreateDialogControl(Handle(), HOTKEY_CLASSA, "", WS_TABSTOP | WS_BORDER,
                                         RECT{8, 54, Hotkey2ClientWidth - 8, 75}, HotKeyControlId, DialogFont());
    // A plain key, or Shift with a key, would take the key from every
    // program: Alt is added to them.
    ::SendMessageA(HotKeyControl_, HKM_SETRULES, 0, 0);
    ::SetWindowSubclass(HotKeyControl_, &HotKeyRuleProc, HotKeyRuleSubclassId, 0);

    cmdOK_ = CreateDialogButton(Handle(), "", RECT{Hotkey2ClientWidth - 166, 88, Hotkey2ClientWidth - 91, 113}, IDOK,
                                DialogFont());
    cmdCancel_ = CreateDialogButton(Handle(), "", RECT{Hotkey2ClientWidth - 83, 88, Hotkey2ClientWidth - 8, 113},
                                    IDCANCEL, DialogFont());
    FormCreate();
}

void TfrmHotkey2::FormCreate()
{
    Accepted_ = false;
    ::SetWindowTextA(Handle(), Hotkey2Caption);
    ::SetWindowTextA(cmdOK_, "OK");
    ::SetWindowTextA(cmdCancel_, "Cancel");
    lblExplain_.SetCaption(ExplainText);
}

int TfrmHotkey2::ShortCut() const
{
    return HotkeyCodeFromControlWord(static_cast<WORD>(::SendMessageA(HotKeyControl_, HKM_GETHOTKEY, 0, 0)));
}

void TfrmHotkey2::SetShortCut(int code)
{
    ::SendMessageA(HotKeyControl_, HKM_SETHOTKEY, HotkeyControlWordFromCode(code & 0xFFFF), 0);
}

void TfrmHotkey2::cmdOKClick()
{
    Accepted_ = true;
    EndModal(IDOK);
}

void TfrmHotkey2::cmdCancelClick()
{
    Accepted_ = false;
    EndModal(IDCANCEL);
}

LRESULT TfrmHotkey2::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && (HIWORD(wParam) == BN_CLICKED || lParam == 0)) {
        switch (LOWORD(wParam)) {
        case IDOK: cmdOKClick(); return 0;
        case IDCANCEL: cmdCancelClick(); return 0;
        default: break;
        }
    }
    return TfrmSkinned::HandleMessage(message, wParam, lParam);
}
