#include "freeandrun/fFARLaunch.h"

#include "freeandrun/uFreeAndRunList.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/ReplaceAll.h"

namespace {

toolkit::UniqueFont ArialFont(int pixelHeight, int weight)
{
    return toolkit::UniqueFont(::CreateFontA(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                             DEFAULT_PITCH | FF_SWISS, "Arial"));
}

void DrawLabel(HDC dc, HFONT font, const std::string& text, RECT bounds)
{
    toolkit::SelectGuard selected(dc, font);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
                DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

TfrmFARLaunch::TfrmFARLaunch(const TFreeAndRunItem& entry)
    : fileToRun_(entry.FileToRun),
      lblLaunching_(toolkit::ReplaceAll<char>("Launching %1", "%1", DisplayName(entry))),
      lblStatus_(toolkit::ReplaceAll<char>("Free-up: %1%", "%1", "0")),
      launchingFont_(ArialFont(13, FW_BOLD)),
      statusFont_(ArialFont(11, FW_NORMAL))
{
    CreateArgs args;
    args.className = "TfrmFARLaunch";
    args.caption = lblLaunching_;
    args.style = WS_POPUP;
    args.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    args.width = ClientWidth;
    args.height = ClientHeight;
    args.x = (::GetSystemMetrics(SM_CXSCREEN) - ClientWidth) / 2;
    args.y = (::GetSystemMetrics(SM_CYSCREEN) - ClientHeight) / 2;
    Create(args);
}

void TfrmFARLaunch::SetStatusText(const std::string& text)
{
    if (text == lblStatus_) return;
    lblStatus_ = text;
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TfrmFARLaunch::ShowWindow() { ::ShowWindow(Handle(), SW_SHOWNOACTIVATE); }

void TfrmFARLaunch::RepaintNow()
{
    ::InvalidateRect(Handle(), nullptr, FALSE);
    ::UpdateWindow(Handle());
}

void TfrmFARLaunch::Paint(HDC dc)
{
    RECT client{0, 0, ClientWidth, ClientHeight};
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));  // the one-pixel frame
    RECT inside{1, 1, ClientWidth - 1, ClientHeight - 1};
    ::FillRect(dc, &inside, ::GetSysColorBrush(COLOR_BTNFACE));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    DrawLabel(dc, launchingFont_.Get(), lblLaunching_, RECT{8, 8, 8 + 305, 8 + 16});
    DrawLabel(dc, statusFont_.Get(), lblStatus_, RECT{8, 40, 8 + 305, 40 + 17});
}

LRESULT TfrmFARLaunch::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        toolkit::PaintDC paint(Handle());
        Paint(paint.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // Paint covers every pixel
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}
