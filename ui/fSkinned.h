#pragma once
// Base of the program's skinned dialogs (the hotkey dialog, the question
// about the automatic settings, the free-and-run manager).
//
// It owns one skin component: the opener loads the skin file into it with
// LoadSkinFile, the show step lays the skin's default window over the dialog
// and takes the dialog's background colour from it, and the destructor takes
// the skin off again. A dialog whose skin cannot be applied is shown in its
// own plain look. A static "dialog_text" in the skin window gives the colour
// (its `color`) and the font (its own or its window's) of the dialog's texts:
// its labels and static controls; buttons and edit fields keep theirs. Subclasses add their controls in their constructor and may
// read the skin in FormShow.
//
// Ownership: an owner that is a window of this process becomes the dialog's
// owner window, so the dialog stays above it; the dialog is centred on its
// owner (on the screen without one) when first shown.
//
// Modal use: ShowModal disables the owner, runs a loop of its own (Tab,
// Enter and Esc work as in a dialog: Enter presses the focused push button,
// else the default button IDOK; Esc and the close box give IDCANCEL) until
// EndModal, the dialog's window
// goes away, or WM_QUIT arrives (put back for the outer loop). It enables
// the owner again before the dialog hides, and only then returns. Ending the
// program while the loop runs: call EndModal (see InModalLoop) and let the
// loop return; never destroy the dialog from under it.
//
// Modeless use: Show; the subclass decides what closing does.
#include "skin/TSkin.h"
#include "skin/TSkinLabel.h"
#include "toolkit/Handles.h"
#include "toolkit/Window.h"

#include <windows.h>

#include <string>

// The hidden static of the skin window whose colour and font the dialogs'
// texts take.
inline constexpr wchar_t DialogTextElementName[] = L"dialog_text";

// What ShowModal returns when the loop ended without EndModal (the window
// went away, or WM_QUIT arrived).
inline constexpr int ModalResultNone = 0;

class TfrmSkinned : public toolkit::Window {
public:
    struct Layout {
        std::string caption;
        int clientWidth = 455;
        int clientHeight = 370;
        bool sizeable = false;  // a fixed dialog border unless set
    };

    // Creates the window hidden.
    TfrmSkinned(HWND owner, const Layout& layout);
    // Takes the skin off the window and unloads it; errors are ignored.
    ~TfrmSkinned() override;

    // Loads the skin file (as wide text) into the dialog's skin component.
    // Throws skin::SkinError; the dialog then keeps no skin.
    void LoadSkinFile(const std::string& path);

    // The show step (skin, window object, background colour, FormShow),
    // then the window is shown and activated.
    void Show();
    // Show, modal to the owner; returns the result given to EndModal.
    int ShowModal();
    void EndModal(int result);
    bool InModalLoop() const { return inModalLoop_; }

    skin::TSkin& Skin() { return Skin_; }
    // The root element of the skinned window; null before the show step or
    // when the skin could not be applied.
    skin::ISkinObject* WindowObject() const { return WindowObject_; }
    HWND Owner() const { return owner_; }
    // "MS Sans Serif" of height -11, for the subclasses' controls.
    HFONT DialogFont() const { return Font_.Get(); }
    COLORREF BackgroundColor() const { return background_; }
    // The colour of the dialog's texts: the skin's, else the system's.
    COLORREF TextColor() const { return textColor_ != CLR_INVALID ? textColor_ : ::GetSysColor(COLOR_BTNTEXT); }
    // The font of the dialog's texts: the skin's, else DialogFont.
    HFONT TextFont() const { return textFont_ ? textFont_.Get() : Font_.Get(); }

protected:
    // The explanation across the top of a small dialog, in the dialog's font.
    void CreateExplanation(skin::TSkinLabel& label, int height);
    // The subclass's show handler, run by the show step before the window
    // becomes visible.
    virtual void FormShow() {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The colour the dialog's background and its labels are drawn with;
    // a colour that cannot be made keeps the one before.
    void SetBackgroundColor(COLORREF color);

private:
    void ShowStep();
    // Colour and font of the texts from the skin window's "dialog_text".
    void TakeTextLook(skin::ISkinObject* window);
    void CentreOnOwner();
    // The control that had the focus when the dialog was last active, else
    // the first one that Tab reaches.
    void FocusFirstControl();
    // The push button Enter presses: the focused one, else IDOK.
    int DefaultButtonId() const;
    // Gives the default look to the button Enter presses, as a dialog does
    // when the focus moves.
    void FollowFocusWithDefaultButton();
    HWND DefaultButton() const;
    void DrawButton(const DRAWITEMSTRUCT& item) const;

    HWND owner_ = nullptr;
    skin::TSkin Skin_;
    skin::ISkinObject* WindowObject_ = nullptr;
    toolkit::UniqueFont Font_;
    COLORREF background_ = 0;
    toolkit::UniqueBrush backgroundBrush_;
    COLORREF textColor_ = CLR_INVALID;  // CLR_INVALID: the system's
    toolkit::UniqueFont textFont_;      // empty: Font_
    bool inModalLoop_ = false;
    bool modalEnded_ = false;
    int modalResult_ = ModalResultNone;
    bool centred_ = false;
    HWND focus_ = nullptr;
    HWND defaultButton_ = nullptr;
};
