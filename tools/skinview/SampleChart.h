#pragma once
// A stand-in for the program's history chart, so that a skin's chart area
// and colours can be judged: a grid and two made-up curves in the colours the
// skin gives its chart elements.
#include "skin/SkinInterfaces.h"
#include "toolkit/Window.h"

namespace skinview {

class SampleChart : public toolkit::Window {
public:
    void Create(HWND parent, const RECT& bounds);
    // Takes the colours from the statics chart_backcolor ... under root.
    void ReadColors(skin::ISkinObject* root);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc, const RECT& client);

    COLORREF back_ = RGB(0, 0, 0);
    COLORREF data_ = RGB(0, 160, 0);
    COLORREF cpu_ = RGB(200, 0, 0);
    COLORREF line_ = RGB(0, 0, 255);
    COLORREF line2_ = RGB(255, 0, 255);
    COLORREF font_ = RGB(255, 255, 255);
};

}  // namespace skinview
