#pragma once
// A small popup window that shows one help text at a point, for help
// libraries that cannot show popup texts themselves. It looks like the
// system's own help popups (info colours, word-wrapped, at most 300 pixels
// wide) and goes away at any click, key or when it loses activation.
//
// Going away only hides it: it is never destroyed from its own handlers, so
// it may be shown again at once. Its owner destroys it.
#include "toolkit/Window.h"

#include <string>

inline constexpr char HelpPopupClassName[] = "KalvoraHelpPopup";

class TfrmHelpPopup : public toolkit::Window {
public:
    // The top centre of the popup lies at (x, y), moved as needed to stay on
    // the monitor. The text is also the window's caption, so that tools
    // (and tests) can read it. owner: the window the popup belongs to, or
    // none; a change of owner creates the window anew.
    void ShowAt(const std::string& text, int x, int y, HWND owner);
    void Close();
    bool Showing() const;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFor(HWND owner);
    SIZE MeasureText(const std::string& text) const;
    void Paint();

    std::string text_;
    HWND owner_ = nullptr;
};
