#include "skin/TSkinLabel.h"

#include "skin/SkinHost.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/Handles.h"

namespace skin {

void TSkinLabel::Create(const Args& args)
{
    toolkit::Window::CreateArgs create;
    create.className = "KalvoraSkinLabel";
    create.style = WS_CHILD | WS_VISIBLE;
    create.x = args.x;
    create.y = args.y;
    create.width = args.width;
    create.height = args.height;
    create.parent = args.parent;
    create.menuOrId = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(args.id));
    toolkit::Window::Create(create);
}

void TSkinLabel::SetCaption(const std::wstring& caption)
{
    caption_ = caption;
    if (Exists()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TSkinLabel::SetTextColor(COLORREF color)
{
    textColor_ = color;
    if (Exists()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TSkinLabel::Paint(HDC target)
{
    RECT client{};
    ::GetClientRect(Handle(), &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    // Drawn aside and copied at once, so that the text never flickers.
    toolkit::UniqueMemoryDC dc(::CreateCompatibleDC(target));
    toolkit::UniqueBitmap bitmap(::CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!dc || !bitmap) return;
    toolkit::SelectGuard bitmapGuard(dc.Get(), bitmap.Get());

    HWND parent = ::GetParent(Handle());
    RECT inParent = client;
    ::MapWindowPoints(Handle(), parent, reinterpret_cast<POINT*>(&inParent), 2);
    // The parent's static text colour (a dialog takes it from its skin), as
    // for a plain label, whether the skin or the parent draws the background.
    ::SetTextColor(dc.Get(), ::GetSysColor(COLOR_WINDOWTEXT));
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(::SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                                                                   reinterpret_cast<LPARAM>(Handle())))
                          : nullptr;
    COLORREF color = ::GetTextColor(dc.Get());
    const bool drawn = parent && ::SendMessageA(parent, SkinHost::PaintBackgroundMessage(), reinterpret_cast<WPARAM>(dc.Get()),
                                                reinterpret_cast<LPARAM>(&inParent)) == 1;
    // Unskinned parent: its static background too.
    if (!drawn) ::FillRect(dc.Get(), &client, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
    if (textColor_ != CLR_INVALID) color = textColor_;

    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0));
    if (!font && parent) font = reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    {
        toolkit::SelectGuard fontGuard(dc.Get(), font);
        ::SetBkMode(dc.Get(), TRANSPARENT);
        ::SetTextColor(dc.Get(), color);
        RECT box = client;
        ::DrawTextW(dc.Get(), caption_.c_str(), static_cast<int>(caption_.size()), &box, DT_WORDBREAK | DT_NOPREFIX | DT_LEFT | DT_TOP);
    }
    ::BitBlt(target, 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
}

LRESULT TSkinLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        toolkit::PaintDC dc(Handle());
        Paint(dc.Get());
        return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_NCHITTEST: return HTTRANSPARENT;  // clicks belong to the window below
    default: break;
    }
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace skin
