#pragma once
// A text label for skinned windows: draws its wide-text Caption over the
// skin face of its parent (or the parent's own background colour when the
// parent is not skinned), word-wrapped, in the parent's static text colour,
// in its own font (WM_SETFONT) or else the parent's. Clicks go through to
// the parent.
#include <string>

#include "toolkit/Window.h"

namespace skin {

class TSkinLabel : public toolkit::Window {
public:
    struct Args {
        HWND parent = nullptr;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        UINT id = 0;
    };

    // Creates the child window; throws toolkit::Error when the system refuses.
    void Create(const Args& args);

    void SetCaption(const std::wstring& caption);
    const std::wstring& Caption() const { return caption_; }

    // Text colour; default: the one the parent gives its static controls
    // (WM_CTLCOLORSTATIC).
    void SetTextColor(COLORREF color);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);

    std::wstring caption_;
    COLORREF textColor_ = CLR_INVALID;
    HFONT font_ = nullptr;  // set by WM_SETFONT; not owned
};

}  // namespace skin
