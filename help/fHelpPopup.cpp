#include "help/fHelpPopup.h"

#include "toolkit/DrawingGuards.h"

#include <algorithm>

namespace {

constexpr int MaxWidth = 300;
constexpr int Margin = 8;  // between the border and the text
constexpr UINT TextFormat = DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS;

// A stock object: never deleted.
HFONT PopupFont() { return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)); }

RECT WorkAreaAt(int x, int y)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoA(::MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST), &monitor))
        return monitor.rcWork;
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

void TfrmHelpPopup::CreateFor(HWND owner)
{
    if (Exists() && owner_ == owner) return;
    Destroy();
    CreateArgs args;
    args.className = HelpPopupClassName;
    args.style = WS_POPUP | WS_BORDER;
    args.exStyle = WS_EX_TOOLWINDOW;  // no taskbar button
    args.x = args.y = 0;
    args.parent = owner;  // an owned popup: it stays above its owner and goes with it
    args.classStyle = CS_DROPSHADOW;
    args.background = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_INFOBK + 1));  // system brush
    Create(args);
    owner_ = owner;
}

SIZE TfrmHelpPopup::MeasureText(const std::string& text) const
{
    toolkit::WindowDC dc(Handle());
    RECT bounds{0, 0, MaxWidth - 2 * Margin - 2, 0};
    if (dc) {
        toolkit::SelectGuard font(dc.Get(), PopupFont());
        ::DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &bounds, TextFormat | DT_CALCRECT);
    }
    return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void TfrmHelpPopup::ShowAt(const std::string& text, int x, int y, HWND owner)
{
    if (owner && !::IsWindow(owner)) owner = nullptr;
    CreateFor(owner);
    text_ = text;
    ::SetWindowTextA(Handle(), text_.c_str());

    const SIZE textSize = MeasureText(text_);
    const RECT work = WorkAreaAt(x, y);
    // Client area plus the one-pixel border on each side.
    const int width = std::min<int>(textSize.cx + 2 * Margin + 2, MaxWidth);
    const int height = std::min<int>(textSize.cy + 2 * Margin + 2, work.bottom - work.top);
    const int left = std::clamp<int>(x - width / 2, work.left, std::max<int>(work.left, work.right - width));
    const int top = std::clamp<int>(y, work.top, std::max<int>(work.top, work.bottom - height));

    ::SetWindowPos(Handle(), HWND_TOP, left, top, width, height, SWP_SHOWWINDOW);
    ::InvalidateRect(Handle(), nullptr, TRUE);
    // Active, so that a key reaches it and a click elsewhere deactivates it.
    ::SetForegroundWindow(Handle());
    ::SetActiveWindow(Handle());
    ::SetFocus(Handle());
}

void TfrmHelpPopup::Close()
{
    if (Exists() && ::IsWindowVisible(Handle())) ::ShowWindow(Handle(), SW_HIDE);
}

bool TfrmHelpPopup::Showing() const { return Exists() && ::IsWindowVisible(Handle()); }

void TfrmHelpPopup::Paint()
{
    toolkit::PaintDC dc(Handle());
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::InflateRect(&client, -Margin, -Margin);
    toolkit::SelectGuard font(dc.Get(), PopupFont());
    ::SetBkMode(dc.Get(), TRANSPARENT);
    ::SetTextColor(dc.Get(), ::GetSysColor(COLOR_INFOTEXT));
    ::DrawTextA(dc.Get(), text_.c_str(), static_cast<int>(text_.size()), &client, TextFormat);
}

LRESULT TfrmHelpPopup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) Close();
        return DefaultHandler(message, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}
