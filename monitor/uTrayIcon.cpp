#include "monitor/uTrayIcon.h"

#include "engine/uMessages.h"
#include "toolkit/DrawingGuards.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

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

namespace {

TTrayIcon::TShellNotify shellNotify = nullptr;

BOOL ShellNotify(DWORD message, NOTIFYICONDATAA* data)
{
    return shellNotify ? shellNotify(message, data) : ::Shell_NotifyIconA(message, data);
}

UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

}  // namespace

void TTrayIcon::SetShellNotify(TShellNotify notify) { shellNotify = notify; }

TTrayIcon::TTrayIcon() : TTrayIcon(DeferShow{}) { Show(); }

TTrayIcon::TTrayIcon(DeferShow)
{
    templateIcon_ = LoadTemplateIcon();
    ICONINFO info{};
    if (templateIcon_ && ::GetIconInfo(templateIcon_.Get(), &info)) {
        templateMask_.Reset(info.hbmMask);
        templateColour_.Reset(info.hbmColor);
    }

    CreateSurface();
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
    if (shown_) ShellNotify(NIM_DELETE, &notifyData_);
    window_.reset();
    if (unselected_) ::SelectObject(drawingContext_.Get(), unselected_);
    drawingContext_.Reset();
    surfaceBitmap_.Reset();
    for (toolkit::UniqueFont& font : fonts_) font.Reset();
    templateIcon_.Reset();
    templateMask_.Reset();
    templateColour_.Reset();
    customIcon_.Reset();
    builtIcon_.Reset();
}

void TTrayIcon::Show()
{
    shown_ = true;
    Repaint(TShellUpdate::Add);
}

void TTrayIcon::Refresh(bool readd) { Repaint(readd ? TShellUpdate::Add : TShellUpdate::ModifyIfChanged); }

void TTrayIcon::Repaint(TShellUpdate update)
{
    if (!shown_) return;
    Redraw();
    UpdateShell(update);
}

void TTrayIcon::SetStyle(int style)
{
    if (style == style_) return;
    style_ = style;
    Repaint(TShellUpdate::Modify);
}

void TTrayIcon::SetBackColor(COLORREF colour)
{
    backColor_ = colour;
    Repaint(TShellUpdate::Modify);
}

void TTrayIcon::SetNormalColor(COLORREF colour)
{
    normalColor_ = colour;
    Repaint(TShellUpdate::Modify);
}

void TTrayIcon::SetAlertColor(COLORREF colour)
{
    alertColor_ = colour;
    Repaint(TShellUpdate::Modify);
}

void TTrayIcon::SetHint(const std::string& hint)
{
    if (hint == hint_) return;
    hint_ = hint;
    Repaint(TShellUpdate::Modify);
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
    shellHasPicture_ = false;
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
    primitiveDrew_ = false;
    switch (style_) {
    case StyleChart: DrawChart(dc); break;
    case StyleNumber: DrawNumber(dc); break;
    case StyleBar: DrawBar(dc); break;
    default: return;  // the surface keeps its last picture
    }
    // A drawing that used no primitive (none at all, or one of its own) is
    // not known to equal the last: it is always handed on.
    if (!primitiveDrew_) {
        surfacePicture_ = {};
        shellHasPicture_ = false;
    }
}

namespace {

// A 16 x 16 bitmap, bottom row first: 24-bit colour or 1-bit mask.
struct TSurfaceInfo {
    BITMAPINFOHEADER Header{};
    RGBQUAD Colours[2]{};  // the mask's black and white
};

TSurfaceInfo SurfaceInfo(WORD bitCount)
{
    TSurfaceInfo info;
    info.Header.biSize = sizeof(info.Header);
    info.Header.biWidth = TrayIconSize;
    info.Header.biHeight = TrayIconSize;
    info.Header.biPlanes = 1;
    info.Header.biBitCount = bitCount;
    info.Header.biCompression = BI_RGB;
    info.Colours[1] = {0xFF, 0xFF, 0xFF, 0};
    return info;
}

constexpr size_t SurfaceBytes = TrayIconSize * TrayIconSize * 3;  // rows of 48 bytes need no padding
constexpr DWORD IconImageVersion = 0x00030000;  // the icon image format of every Win32 system

}  // namespace

void TTrayIcon::CreateSurface()
{
    drawingContext_.Reset(::CreateCompatibleDC(nullptr));
    TSurfaceInfo colour = SurfaceInfo(24);
    void* bits = nullptr;
    surfaceBitmap_.Reset(::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&colour), DIB_RGB_COLORS, &bits,
                                            nullptr, 0));
    if (!drawingContext_ || !surfaceBitmap_ || !bits) return;
    toolkit::WindowDC screen(nullptr);
    if (templateColour_)
        ::GetDIBits(screen.Get(), templateColour_.Get(), 0, TrayIconSize, bits, reinterpret_cast<BITMAPINFO*>(&colour),
                    DIB_RGB_COLORS);
    TSurfaceInfo mask = SurfaceInfo(1);
    if (templateMask_)
        ::GetDIBits(screen.Get(), templateMask_.Get(), 0, TrayIconSize, maskBits_.data(),
                    reinterpret_cast<BITMAPINFO*>(&mask), DIB_RGB_COLORS);
    unselected_ = ::SelectObject(drawingContext_.Get(), surfaceBitmap_.Get());
    surfaceBits_ = static_cast<const uint8_t*>(bits);
}

toolkit::UniqueIcon TTrayIcon::BuildIcon() const
{
    // An icon image as a resource holds it: the header (of twice the height,
    // colour and mask), the colour rows, the mask rows.
    std::array<uint8_t, sizeof(BITMAPINFOHEADER) + SurfaceBytes + sizeof(maskBits_)> image{};
    BITMAPINFOHEADER header = SurfaceInfo(24).Header;
    header.biHeight = 2 * TrayIconSize;
    std::memcpy(image.data(), &header, sizeof(header));
    std::memcpy(image.data() + sizeof(header), surfaceBits_, SurfaceBytes);
    std::memcpy(image.data() + sizeof(header) + SurfaceBytes, maskBits_.data(), maskBits_.size());
    return toolkit::UniqueIcon(::CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                                          IconImageVersion, TrayIconSize, TrayIconSize, LR_DEFAULTCOLOR));
}

void TTrayIcon::Redraw()
{
    if (customIcon_ || !surfaceBits_) return;
    Draw(drawingContext_.Get());
    ::GdiFlush();  // the bits are read directly
}

bool TTrayIcon::StartPicture(const TSurfacePicture& picture)
{
    primitiveDrew_ = true;
    if (picture.Kind != TSurfacePicture::TKind::Unknown && picture == surfacePicture_) return false;
    surfacePicture_ = picture;
    shellHasPicture_ = false;
    return true;
}

HFONT TTrayIcon::FontOfHeight(int height)
{
    toolkit::UniqueFont& font = fonts_[static_cast<size_t>(height)];
    if (!font)
        font.Reset(::CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial"));
    return font.Get();
}

void TTrayIcon::UpdateShell(TShellUpdate update)
{
    char tip[TrayTipLength + 1] = {};
    std::memcpy(tip, hint_.data(), std::min(hint_.size(), TrayTipLength));
    if (shellLostIcon_) update = TShellUpdate::Add;
    if (update == TShellUpdate::ModifyIfChanged && shellHasPicture_) {
        if (std::strcmp(tip, notifyData_.szTip) == 0) return;  // the shell shows all of it already
        // Only the tooltip changed: the shell keeps the picture it has.
        std::memcpy(notifyData_.szTip, tip, sizeof(tip));
        NOTIFYICONDATAA tipOnly = notifyData_;
        tipOnly.uFlags = NIF_TIP;
        shellLostIcon_ = !ShellNotify(NIM_MODIFY, &tipOnly);
        ++shellUpdates_;
        return;
    }

    // The icon shown until now goes only after the shell has the new one.
    toolkit::UniqueIcon previous = std::move(builtIcon_);
    HICON shown = customIcon_.Get();
    if (!shown && surfaceBits_) {
        builtIcon_ = BuildIcon();
        shown = builtIcon_.Get();
    }
    notifyData_.hIcon = shown;
    std::memcpy(notifyData_.szTip, tip, sizeof(tip));
    bool accepted = ShellNotify(update == TShellUpdate::Add ? NIM_ADD : NIM_MODIFY, &notifyData_) != FALSE;
    // An add the shell refuses may be one it already holds (a re-created
    // taskbar that found the icon itself): delete, then add.
    if (!accepted && update == TShellUpdate::Add) {
        ShellNotify(NIM_DELETE, &notifyData_);
        accepted = ShellNotify(NIM_ADD, &notifyData_) != FALSE;
    }
    ++shellUpdates_;
    shellHasPicture_ = accepted;
    shellLostIcon_ = !accepted;
}

bool TTrayIcon::HandleMessage(UINT message, WPARAM, LPARAM lParam)
{
    if (message == TaskbarCreatedMessage()) {
        Repaint(TShellUpdate::Add);
        return false;
    }
    if (message == WM_TRAYICON) {
        switch (static_cast<UINT>(lParam)) {
        // Each event runs from a copy: a handler's nested loop (the tray
        // menu) may destroy this icon, and with it the event itself.
        case WM_LBUTTONDOWN:
            if (Event handler = OnLeftButtonDown) handler(*this);
            break;
        case WM_LBUTTONDBLCLK:
            if (Event handler = OnDoubleClick) handler(*this);
            break;
        case WM_RBUTTONUP:
            if (Event handler = OnRightButtonUp) handler(*this);
            break;
        default: break;
        }
    }
    return false;  // every message, this one included, goes on to DefWindowProcA
}

void TTrayIcon::PaintFrame(HDC dc, COLORREF background) const
{
    const RECT all{0, 0, TrayIconSize, TrayIconSize};
    ::FillRect(dc, &all, SolidBrush(background).Get());
    toolkit::UniquePen black = SolidPen(TrayBlack);
    toolkit::SelectGuard pen(dc, black.Get());
    ::MoveToEx(dc, 0, 15, nullptr);
    ::LineTo(dc, 0, 0);
    ::LineTo(dc, 16, 0);
}

void TTrayIcon::DrawFrame(HDC dc, COLORREF background)
{
    TSurfacePicture picture;
    picture.Kind = TSurfacePicture::TKind::Frame;
    picture.Background = background;
    if (StartPicture(picture)) PaintFrame(dc, background);
}

void TTrayIcon::DrawColumns(HDC dc, const std::array<uint32_t, 16>& heights)
{
    TSurfacePicture picture;
    picture.Kind = TSurfacePicture::TKind::Columns;
    picture.Background = backColor_;
    for (size_t x = 1; x < heights.size(); ++x) {
        picture.Colours[x] = heights[x] >= alertLevel_ ? alertColor_ : normalColor_;
        picture.Heights[x] = std::min(heights[x], 15u);
    }
    if (!StartPicture(picture)) return;

    PaintFrame(dc, backColor_);
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

void TTrayIcon::DrawText(HDC dc, const std::string& text, COLORREF background, COLORREF textColour)
{
    TSurfacePicture picture;
    picture.Kind = TSurfacePicture::TKind::Text;
    picture.Background = background;
    picture.Colours[0] = textColour;
    picture.Text = text;
    if (!StartPicture(picture)) return;

    PaintFrame(dc, background);
    const int length = static_cast<int>(text.size());

    // The largest font whose text fits inside the frame.
    HFONT fitted = nullptr;
    SIZE extent{};
    for (int height = 15; height >= 1; --height) {
        HFONT font = FontOfHeight(height);
        toolkit::SelectGuard measuring(dc, font);
        ::GetTextExtentPoint32A(dc, text.c_str(), length, &extent);
        if (font && extent.cx <= 15 && extent.cy <= 15) {
            fitted = font;
            break;
        }
    }

    // Without a fitting font the context's own font writes it.
    std::optional<toolkit::SelectGuard> font;
    if (fitted) font.emplace(dc, fitted);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, textColour);
    ::TextOutA(dc, (16 - extent.cx) / 2 + 1, (16 - extent.cy) / 2 + 1, text.c_str(), length);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

void TTrayIcon::DrawLevelBar(HDC dc, uint64_t percent)
{
    // A full load fills the inside of the frame; the top edge stays.
    const uint32_t rows = static_cast<uint32_t>(std::min<uint64_t>(percent, 100) * 16 / 100);
    const int height = static_cast<int>(std::min(rows, 15u));
    const COLORREF fill = rows < alertLevel_ ? normalColor_ : alertColor_;

    TSurfacePicture picture;
    picture.Kind = TSurfacePicture::TKind::LevelBar;
    picture.Background = backColor_;
    picture.Colours[0] = height == 0 ? 0 : fill;
    picture.Heights[0] = static_cast<uint32_t>(height);
    if (!StartPicture(picture)) return;

    PaintFrame(dc, backColor_);
    if (height == 0) return;
    const RECT bar{1, 16 - height, 16, 16};
    ::FillRect(dc, &bar, SolidBrush(fill).Get());
}
