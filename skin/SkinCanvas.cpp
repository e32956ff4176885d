#include "skin/SkinCanvas.h"

#include <algorithm>
#include <cmath>

#include "toolkit/DrawingGuards.h"

namespace skin {
namespace {

bool Empty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

uint32_t Rgb(const SkinRgba& c)
{
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

// Coverage (0..1) of the pixel centred at (px, py) by a rounded rectangle.
struct RoundedShape {
    double cx, cy, hx, hy, radius;

    RoundedShape(const RECT& r, double rad)
    {
        cx = (r.left + r.right) / 2.0;
        cy = (r.top + r.bottom) / 2.0;
        hx = (r.right - r.left) / 2.0;
        hy = (r.bottom - r.top) / 2.0;
        radius = std::max(0.0, std::min({rad, hx, hy}));
    }
    double Coverage(double px, double py) const
    {
        if (hx <= 0 || hy <= 0) return 0;
        double qx = std::fabs(px - cx) - (hx - radius);
        double qy = std::fabs(py - cy) - (hy - radius);
        double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
        double d = outside + std::min(std::max(qx, qy), 0.0) - radius;
        return std::clamp(0.5 - d, 0.0, 1.0);
    }
};

}  // namespace

SkinCanvas::~SkinCanvas()
{
    Free();
}

void SkinCanvas::Free()
{
    if (dc_ && originalBitmap_) ::SelectObject(dc_.Get(), originalBitmap_);
    originalBitmap_ = nullptr;
    bitmap_.Reset();
    dc_.Reset();
    bits_ = nullptr;
    width_ = height_ = 0;
    clip_ = RECT{0, 0, 0, 0};
}

bool SkinCanvas::Resize(int width, int height)
{
    if (width == width_ && height == height_ && bits_) return true;
    Free();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    toolkit::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    toolkit::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    if (!bitmap || !dc || !bits) return false;
    originalBitmap_ = ::SelectObject(dc.Get(), bitmap.Get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
    clip_ = RECT{0, 0, width, height};
    ::SetBkMode(dc_.Get(), TRANSPARENT);
    return true;
}

void SkinCanvas::SetClip(const RECT& clip)
{
    clip_ = RECT{std::max<LONG>(clip.left, 0), std::max<LONG>(clip.top, 0), std::min<LONG>(clip.right, width_),
                 std::min<LONG>(clip.bottom, height_)};
}

RECT SkinCanvas::Clipped(const RECT& r) const
{
    return RECT{std::max(r.left, clip_.left), std::max(r.top, clip_.top), std::min(r.right, clip_.right), std::min(r.bottom, clip_.bottom)};
}

void SkinCanvas::Blend(uint32_t& dst, uint32_t rgb, unsigned alpha) const
{
    if (alpha >= 255) {
        dst = rgb;
        return;
    }
    if (alpha == 0) return;
    const unsigned inv = 255 - alpha;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        unsigned s = (rgb >> shift) & 0xFF;
        unsigned d = (dst >> shift) & 0xFF;
        out |= ((s * alpha + d * inv + 127) / 255) << shift;
    }
    dst = out;
}

void SkinCanvas::FillRounded(const RECT& rect, int radius, const SkinRgba& color, Gradient gradient, const SkinRgba& to, int opacity)
{
    if (!bits_ || Empty(rect)) return;
    RECT area = Clipped(rect);
    if (Empty(area)) return;
    ::GdiFlush();
    RoundedShape shape(rect, radius);
    const double w = rect.right - rect.left;
    const double h = rect.bottom - rect.top;
    for (LONG y = area.top; y < area.bottom; ++y) {
        uint32_t* row = bits_ + std::size_t(y) * std::size_t(width_);
        for (LONG x = area.left; x < area.right; ++x) {
            double coverage = shape.Coverage(x + 0.5, y + 0.5);
            if (coverage <= 0) continue;
            SkinRgba c = color;
            if (gradient != Gradient::None) {
                double t = gradient == Gradient::Vertical ? (y + 0.5 - rect.top) / h : (x + 0.5 - rect.left) / w;
                t = std::clamp(t, 0.0, 1.0);
                c.r = uint8_t(std::lround(color.r + (to.r - color.r) * t));
                c.g = uint8_t(std::lround(color.g + (to.g - color.g) * t));
                c.b = uint8_t(std::lround(color.b + (to.b - color.b) * t));
                c.a = uint8_t(std::lround(color.a + (to.a - color.a) * t));
            }
            unsigned alpha = unsigned(std::lround(coverage * c.a * opacity / 100.0));
            Blend(row[x], Rgb(c), alpha);
        }
    }
}

void SkinCanvas::StrokeRounded(const RECT& rect, int radius, int width, const SkinRgba& color, int opacity)
{
    if (!bits_ || Empty(rect) || width <= 0) return;
    RECT area = Clipped(rect);
    if (Empty(area)) return;
    ::GdiFlush();
    RoundedShape outer(rect, radius);
    RECT innerRect{rect.left + width, rect.top + width, rect.right - width, rect.bottom - width};
    RoundedShape inner(innerRect, std::max(0.0, outer.radius - width));
    const bool hasInner = !Empty(innerRect);
    const uint32_t rgb = Rgb(color);
    for (LONG y = area.top; y < area.bottom; ++y) {
        uint32_t* row = bits_ + std::size_t(y) * std::size_t(width_);
        for (LONG x = area.left; x < area.right; ++x) {
            double coverage = outer.Coverage(x + 0.5, y + 0.5);
            if (hasInner) coverage -= inner.Coverage(x + 0.5, y + 0.5);
            if (coverage <= 0) continue;
            Blend(row[x], rgb, unsigned(std::lround(coverage * color.a * opacity / 100.0)));
        }
    }
}

void SkinCanvas::StretchPart(const SkinPixels& p, RECT src, RECT dst, const SkinRgba* transparent, unsigned alpha)
{
    if (Empty(src) || Empty(dst)) return;
    RECT area = Clipped(dst);
    if (Empty(area)) return;
    const long long sw = src.right - src.left, sh = src.bottom - src.top;
    const long long dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    const uint32_t key = transparent ? Rgb(*transparent) : 0;
    for (LONG y = area.top; y < area.bottom; ++y) {
        const long long sy = src.top + (y - dst.top) * sh / dh;
        const uint32_t* srcRow = &p.pixels[std::size_t(sy) * std::size_t(p.width)];
        uint32_t* row = bits_ + std::size_t(y) * std::size_t(width_);
        for (LONG x = area.left; x < area.right; ++x) {
            const long long sx = src.left + (x - dst.left) * sw / dw;
            const uint32_t pixel = srcRow[sx];
            if (transparent && (pixel & 0xFFFFFF) == key) continue;
            Blend(row[x], pixel & 0xFFFFFF, (pixel >> 24) * alpha / 255);
        }
    }
}

void SkinCanvas::DrawPixels(const SkinPixels& p, const RECT& srcIn, const RECT& dst, BitmapMode mode, const SkinInsets& nine,
                            const SkinRgba* transparent, int opacity)
{
    if (!bits_ || Empty(dst) || p.pixels.empty()) return;
    // The source part is kept inside the bitmap whatever the caller says.
    RECT src{std::clamp<LONG>(srcIn.left, 0, p.width), std::clamp<LONG>(srcIn.top, 0, p.height),
             std::clamp<LONG>(srcIn.right, 0, p.width), std::clamp<LONG>(srcIn.bottom, 0, p.height)};
    if (Empty(src)) return;
    ::GdiFlush();
    const unsigned alpha = unsigned(std::clamp(opacity, 0, 100) * 255 / 100);
    const LONG sw = src.right - src.left, sh = src.bottom - src.top;
    switch (mode) {
    case BitmapMode::Stretch: StretchPart(p, src, dst, transparent, alpha); break;
    case BitmapMode::Center: {
        LONG x = dst.left + ((dst.right - dst.left) - sw) / 2;
        LONG y = dst.top + ((dst.bottom - dst.top) - sh) / 2;
        RECT saved = clip_;
        SetClip(Clipped(dst));
        StretchPart(p, src, RECT{x, y, x + sw, y + sh}, transparent, alpha);
        clip_ = saved;
        break;
    }
    case BitmapMode::Tile: {
        RECT saved = clip_;
        SetClip(Clipped(dst));
        // Start at the first tile that reaches into the clip, so the work
        // depends on the visible area, not on how far off it the element is.
        const LONG firstY = dst.top + std::max<LONG>(0, (clip_.top - dst.top) / sh) * sh;
        const LONG firstX = dst.left + std::max<LONG>(0, (clip_.left - dst.left) / sw) * sw;
        for (LONG y = firstY; y < dst.bottom && y < clip_.bottom; y += sh)
            for (LONG x = firstX; x < dst.right && x < clip_.right; x += sw)
                StretchPart(p, src, RECT{x, y, x + sw, y + sh}, transparent, alpha);
        clip_ = saved;
        break;
    }
    case BitmapMode::Nine: {
        // Borders keep their size (shrunk together when the target is small);
        // edges stretch along, the centre both ways.
        const LONG bl = std::min<LONG>(nine.left, sw), br = std::min<LONG>(nine.right, sw - bl);
        const LONG bt = std::min<LONG>(nine.top, sh), bb = std::min<LONG>(nine.bottom, sh - bt);
        const LONG dw = dst.right - dst.left, dh = dst.bottom - dst.top;
        const LONG dl = std::min(bl, dw / 2), dr = std::min(br, dw - dl);
        const LONG dt = std::min(bt, dh / 2), db = std::min(bb, dh - dt);
        const LONG sx[4] = {src.left, src.left + bl, src.right - br, src.right};
        const LONG sy[4] = {src.top, src.top + bt, src.bottom - bb, src.bottom};
        const LONG dx[4] = {dst.left, dst.left + dl, dst.right - dr, dst.right};
        const LONG dy[4] = {dst.top, dst.top + dt, dst.bottom - db, dst.bottom};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                StretchPart(p, RECT{sx[col], sy[row], sx[col + 1], sy[row + 1]}, RECT{dx[col], dy[row], dx[col + 1], dy[row + 1]},
                            transparent, alpha);
        break;
    }
    }
}

void SkinCanvas::DrawLabel(const std::wstring& text, const RECT& rect, HFONT font, COLORREF color, HAlign align, VAlign valign, bool wrap)
{
    if (!bits_ || text.empty() || Empty(rect)) return;
    RECT area = Clipped(rect);
    if (Empty(area)) return;
    ::GdiFlush();
    HDC dc = dc_.Get();
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    {
        toolkit::SelectGuard fontGuard(dc, font);
        ::SetTextColor(dc, color);
        ::SetBkMode(dc, TRANSPARENT);
        UINT flags = DT_NOPREFIX;
        flags |= align == HAlign::Center ? DT_CENTER : align == HAlign::Right ? DT_RIGHT : DT_LEFT;
        RECT box = rect;
        if (wrap) {
            flags |= DT_WORDBREAK;
            RECT measure = rect;
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, flags | DT_CALCRECT);
            const LONG textHeight = measure.bottom - measure.top;
            const LONG room = rect.bottom - rect.top;
            if (valign == VAlign::Middle) box.top += std::max<LONG>(0, (room - textHeight) / 2);
            else if (valign == VAlign::Bottom) box.top += std::max<LONG>(0, room - textHeight);
        } else {
            flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
            flags |= valign == VAlign::Middle ? DT_VCENTER : valign == VAlign::Bottom ? DT_BOTTOM : DT_TOP;
        }
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, flags);
    }
    ::RestoreDC(dc, saved);
    ::GdiFlush();
}

std::vector<uint32_t> SkinCanvas::Save(const RECT& areaIn)
{
    std::vector<uint32_t> saved;
    RECT area = Clipped(areaIn);
    if (!bits_ || Empty(area)) return saved;
    ::GdiFlush();
    saved.reserve(std::size_t(area.right - area.left) * std::size_t(area.bottom - area.top));
    for (LONG y = area.top; y < area.bottom; ++y) {
        const uint32_t* row = bits_ + std::size_t(y) * std::size_t(width_);
        saved.insert(saved.end(), row + area.left, row + area.right);
    }
    return saved;
}

void SkinCanvas::BlendBack(const std::vector<uint32_t>& saved, const RECT& areaIn, int opacity)
{
    RECT area = Clipped(areaIn);
    if (!bits_ || Empty(area)) return;
    if (saved.size() != std::size_t(area.right - area.left) * std::size_t(area.bottom - area.top)) return;
    ::GdiFlush();
    // Blend the saved background over what was drawn, at the inverse opacity.
    const unsigned alpha = 255 - unsigned(std::clamp(opacity, 0, 100) * 255 / 100);
    std::size_t i = 0;
    for (LONG y = area.top; y < area.bottom; ++y) {
        uint32_t* row = bits_ + std::size_t(y) * std::size_t(width_);
        for (LONG x = area.left; x < area.right; ++x) Blend(row[x], saved[i++] & 0xFFFFFF, alpha);
    }
}

}  // namespace skin
