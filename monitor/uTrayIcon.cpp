#include "monitor/uTrayIcon.h"

#include "engine/uMessages.h"
#include "toolkit/DrawingGuards.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

toolkit::UniqueIcon LoadTemplateIcon()
{
    return toolkit::UniqueIcon(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), "ICON1616", IMAGE_ICON,
                                                               TrayIconSize, TrayIconSize, LR_DEFAULTCOLOR)));
}

toolkit::UniqueBrush SolidBrush(COLORREF colour) { return toolkit::UniqueBrush(::CreateSolidBrush(colour)); }
toolkit::UniquePen SolidPen(COLORREF colour) { return toolkit::UniquePen(::CreatePen(PS_SOLID, 1, colour)); }

}  // namespace

std::string ReplacePlaceholder(std::string text, const std::string& placeholder, const std::string& value)
{
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
    return text;
}

TTrayIcon::TTrayIcon() : TTrayIcon(DeferShow{}) { Show(); }

TTrayIcon::TTrayIcon(DeferShow)
{
    templateIcon_ = LoadTemplateIcon();
    ICONINFO info{};
    if (templateIcon_ && ::GetIconInfo(templateIcon_.Get(), &info)) {
        templateMask_.Reset(info.hbmMask);
        templateColour_.Reset(info.hbmColor);
    }

    window_ = std::make_unique<toolkit::MessageWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) { return HandleMessage(message, wParam, lParam); });

    // The shell's first record layout: every shell takes it, and it holds
    // what this icon uses (message, icon, a tooltip of 63 characters).
    notifyData_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    notifyData_.hWnd = window_->Handle();
    notifyData_.uID = 0;  // each icon has its own window, which keeps the pair unique
    notifyData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyData_.uCallbackMessage = WM_TRAYICON;
}

TTrayIcon::~TTrayIcon()
{
    if (shown_) ::Shell_NotifyIconA(NIM_DELETE, &notifyData_);
    window_.reset();
    templateIcon_.Reset();
    templateMask_.Reset();
    templateColour_.Reset();
    customIcon_.Reset();
    builtIcon_.Reset();
}

void TTrayIcon::Show()
{
    shown_ = true;
    Refresh(true);
}

void TTrayIcon::Refresh(bool readd)
{
    if (!shown_) return;
    Redraw();
    UpdateShell(readd);
}

void TTrayIcon::SetStyle(int style)
{
    if (style == style_) return;
    style_ = style;
    Refresh(false);
}

void TTrayIcon::SetBackColor(COLORREF colour)
{
    backColor_ = colour;
    Refresh(false);
}

void TTrayIcon::SetNormalColor(COLORREF colour)
{
    normalColor_ = colour;
    Refresh(false);
}

void TTrayIcon::SetAlertColor(COLORREF colour)
{
    alertColor_ = colour;
    Refresh(false);
}

void TTrayIcon::SetHint(const std::string& hint)
{
    if (hint == hint_) return;
    hint_ = hint;
    Refresh(false);
}

void TTrayIcon::SetHintQuiet(const std::string& hint)
{
    if (hint != hint_) hint_ = hint;
}

void TTrayIcon::SetCustomIcon(toolkit::UniqueIcon icon)
{
    // The shell keeps its own copy of what it shows, so the old icon can go
    // before the next refresh hands over the new one.
    customIcon_ = std::move(icon);
}

void TTrayIcon::BringToForeground()
{
    ::ShowWindow(Window(), SW_SHOW);
    ::SetForegroundWindow(Window());
}

void TTrayIcon::DrawChart(HDC) {}
void TTrayIcon::DrawNumber(HDC) {}
void TTrayIcon::DrawBar(HDC) {}

void TTrayIcon::Draw(HDC dc)
{
    switch (style_) {
    case StyleChart: DrawChart(dc); break;
    case StyleNumber: DrawNumber(dc); break;
    case StyleBar: DrawBar(dc); break;
    default: break;  // the surface keeps its last picture
    }
}

void TTrayIcon::Redraw()
{
    if (customIcon_ || !templateColour_) return;
    toolkit::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    if (!dc) return;
    toolkit::SelectGuard surface(dc.Get(), templateColour_.Get());
    Draw(dc.Get());
}

void TTrayIcon::UpdateShell(bool readd)
{
    // The icon shown until now goes only after the shell has the new one.
    toolkit::UniqueIcon previous = std::move(builtIcon_);
    HICON shown = customIcon_.Get();
    if (!shown && templateColour_) {
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmMask = templateMask_.Get();
        info.hbmColor = templateColour_.Get();
        builtIcon_.Reset(::CreateIconIndirect(&info));
        shown = builtIcon_.Get();
    }
    notifyData_.hIcon = shown;
    const size_t length = std::min(hint_.size(), TrayTipLength);
    std::memcpy(notifyData_.szTip, hint_.data(), length);
    notifyData_.szTip[length] = '\0';
    ::Shell_NotifyIconA(readd ? NIM_ADD : NIM_MODIFY, &notifyData_);
}

bool TTrayIcon::HandleMessage(UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_TRAYICON) {
        switch (static_cast<UINT>(lParam)) {
        case WM_LBUTTONDOWN:
            if (OnLeftButtonDown) OnLeftButtonDown(*this);
            break;
        case WM_LBUTTONDBLCLK:
            if (OnDoubleClick) OnDoubleClick(*this);
            break;
        case WM_RBUTTONUP:
            if (OnRightButtonUp) OnRightButtonUp(*this);
            break;
        default: break;
        }
    }
    return false;  // every message, this one included, goes on to DefWindowProcA
}

void TTrayIcon::DrawFrame(HDC dc, COLORREF background) const
{
    const RECT all{0, 0, TrayIconSize, TrayIconSize};
    ::FillRect(dc, &all, SolidBrush(background).Get());
    toolkit::UniquePen black = SolidPen(TrayBlack);
    toolkit::SelectGuard pen(dc, black.Get());
    ::MoveToEx(dc, 0, 15, nullptr);
    ::LineTo(dc, 0, 0);
    ::LineTo(dc, 16, 0);
}

void TTrayIcon::DrawColumns(HDC dc, const std::array<uint32_t, 16>& heights) const
{
    DrawFrame(dc, backColor_);
    toolkit::UniquePen normal = SolidPen(normalColor_);
    toolkit::UniquePen alert = SolidPen(alertColor_);
    toolkit::SelectGuard pen(dc, normal.Get());
    for (int x = 1; x < TrayIconSize; ++x) {
        const uint32_t height = heights[static_cast<size_t>(x)];
        ::SelectObject(dc, height >= alertLevel_ ? alert.Get() : normal.Get());
        ::MoveToEx(dc, x, 15, nullptr);
        ::LineTo(dc, x, 16 - static_cast<int>(std::min(height, 15u)));
    }
}

void TTrayIcon::DrawText(HDC dc, const std::string& text, COLORREF background, COLORREF textColour) const
{
    DrawFrame(dc, background);
    const int length = static_cast<int>(text.size());

    // The largest font whose text fits inside the frame.
    toolkit::UniqueFont fitted;
    SIZE extent{};
    for (int height = 15; height >= 1; --height) {
        toolkit::UniqueFont font(::CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                               OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                               "Arial"));
        toolkit::SelectGuard measuring(dc, font.Get());
        ::GetTextExtentPoint32A(dc, text.c_str(), length, &extent);
        if (extent.cx <= 15 && extent.cy <= 15) {
            fitted = std::move(font);
            break;
        }
    }

    // Without a fitting font the context's own font writes it.
    std::optional<toolkit::SelectGuard> font;
    if (fitted) font.emplace(dc, fitted.Get());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, textColour);
    ::TextOutA(dc, (16 - extent.cx) / 2 + 1, (16 - extent.cy) / 2 + 1, text.c_str(), length);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

void TTrayIcon::DrawLevelBar(HDC dc, uint64_t percent) const
{
    DrawFrame(dc, backColor_);
    // A full load fills the inside of the frame; the top edge stays.
    const uint32_t rows = static_cast<uint32_t>(std::min<uint64_t>(percent, 100) * 16 / 100);
    const int height = static_cast<int>(std::min(rows, 15u));
    if (height == 0) return;
    const RECT bar{1, 16 - height, 16, 16};
    ::FillRect(dc, &bar, SolidBrush(rows < alertLevel_ ? normalColor_ : alertColor_).Get());
}
