#pragma once
// The dialog that defines the shortcut of one preset free-up: the system's
// hotkey control, which turns a plain key into Alt+key and Shift+key into
// Alt+Shift+key, with OK and Cancel. The opener reads Accepted and ShortCut
// after ShowModal.
#include "skin/TSkinLabel.h"
#include "ui/fSkinned.h"

#include <windows.h>

inline constexpr char Hotkey2Caption[] = "Define Hotkey";
inline constexpr int Hotkey2ClientWidth = 259;
inline constexpr int Hotkey2ClientHeight = 121;

// Between the hotkey control's word (virtual key in the low byte, HOTKEYF_*
// in the high byte) and the program's shortcut code (virtual key in bits
// 0-7, Shift 0x2000, Ctrl 0x4000, Alt 0x8000). Bits outside those are
// dropped; the control's extended-key flag follows from the key itself.
WORD HotkeyControlWordFromCode(int code);
// A control word with the dialog's rule applied: a key without Ctrl or Alt
// (alone, or with Shift only) gets Alt added; modifiers alone stay as they
// are.
WORD HotkeyControlWordWithRule(WORD word);
int HotkeyCodeFromControlWord(WORD word);

class TfrmHotkey2 : public TfrmSkinned {
public:
    explicit TfrmHotkey2(HWND owner);

    // The code shown in the control; only the low 16 bits of a new code
    // count.
    int ShortCut() const;
    void SetShortCut(int code);

    // True only after OK.
    bool Accepted() const { return Accepted_; }

    HWND HotKeyControl() const { return HotKeyControl_; }
    HWND OkButton() const { return cmdOK_; }
    HWND CancelButton() const { return cmdCancel_; }
    const skin::TSkinLabel& ExplainLabel() const { return lblExplain_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void cmdOKClick();
    void cmdCancelClick();

    skin::TSkinLabel lblExplain_;
    HWND HotKeyControl_ = nullptr;
    HWND cmdOK_ = nullptr;
    HWND cmdCancel_ = nullptr;
    bool Accepted_ = false;
};
