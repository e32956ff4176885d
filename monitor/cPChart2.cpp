#include "monitor/cPChart2.h"

#include "engine/uHistories.h"
#include "engine/uMessages.h"
#include "settings/uKalvoraOptions.h"
#include "toolkit/DebugOut.h"
#include "toolkit/DrawingGuards.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int Samples = 200;
constexpr int FirstSlot = TIntArray::Capacity() - Samples;  // 800: the oldest sample shown
constexpr double CpuMax = 100.0;
// The surface's own pen: the outline of the memory area.
constexpr COLORREF OutlineColor = 0x00000000;
constexpr int MarkerWidth = 3;
constexpr int LabelLeft = 10;
constexpr int LabelBelowLine = 2;

// To the nearest whole number, halves to the even neighbour (nearbyint in the
// default rounding mode), kept within what every GDI takes as a coordinate:
// points far above the scale are cut off at the top edge all the same.
int RoundCoordinate(double value) { return static_cast<int>(std::clamp(std::nearbyint(value), -32768.0, 32767.0)); }

// Height of value on a scale of maxY over h pixels, from the top.
int ScaleY(double value, double maxY, int h) { return h - RoundCoordinate(value / maxY * h); }

bool CpuMonitoringOn() { return Options && Options->CPUMonitoring() && CpuHistory; }

// The surface's pen, swapped for a pen of its own for as long as it lives.
class PenScope {
public:
    PenScope(HDC dc, int width, COLORREF color)
        : pen_(::CreatePen(PS_SOLID, width, color)), selected_(dc, pen_.Get())
    {
    }

private:
    toolkit::UniquePen pen_;  // declared first: deselected before it is deleted
    toolkit::SelectGuard selected_;
};

void HorizontalLine(HDC dc, int y, int width)
{
    ::MoveToEx(dc, 0, y, nullptr);
    ::LineTo(dc, width, y);
}

}  // namespace

TPerformanceChart::~TPerformanceChart()
{
    // The window goes first, while everything it paints with is still here.
    Destroy();
}

void TPerformanceChart::CreateChild(HWND parent, int x, int y, int width, int height)
{
    toolkit::Window::CreateArgs args;
    args.className = "TPerformanceChart";
    args.style = WS_CHILD | WS_VISIBLE;
    // Every size change redraws all: the picture is scaled to the size.
    args.classStyle = CS_HREDRAW | CS_VREDRAW;
    args.background = nullptr;  // never erased: the paint covers everything
    args.x = x;
    args.y = y;
    args.width = width;
    args.height = height;
    args.parent = parent;
    toolkit::Window::Create(args);

    HFONT font = parent ? reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    SetScaleFont(font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
}

void TPerformanceChart::SetCaption(const std::string& caption)
{
    if (caption == caption_) return;
    caption_ = caption;
    Invalidate();
}

void TPerformanceChart::SetScaleFont(HFONT font)
{
    LOGFONTA attributes{};
    if (!font || ::GetObjectA(font, sizeof(attributes), &attributes) != sizeof(attributes)) return;
    toolkit::UniqueFont copy(::CreateFontIndirectA(&attributes));
    if (!copy) return;
    scaleFont_ = std::move(copy);
    Invalidate();
}

void TPerformanceChart::SetColor(uint32_t color) { SetAndInvalidate(color_, color); }
void TPerformanceChart::SetDataColor(uint32_t color) { SetAndInvalidate(dataColor_, color); }
void TPerformanceChart::SetCPUColor(uint32_t color) { SetAndInvalidate(cpuColor_, color); }
void TPerformanceChart::SetAdjustColor(uint32_t color) { SetAndInvalidate(adjustColor_, color); }
void TPerformanceChart::SetAdjustColor2(uint32_t color) { SetAndInvalidate(adjustColor2_, color); }
void TPerformanceChart::SetFontColor(uint32_t color) { SetAndInvalidate(fontColor_, color); }
void TPerformanceChart::SetAdjustValue(uint32_t mb) { SetAndInvalidate(adjustValue_, mb); }
void TPerformanceChart::SetAdjustValue2(uint32_t mb) { SetAndInvalidate(adjustValue2_, mb); }

void TPerformanceChart::SetShowAdjust(bool show)
{
    showAdjust_ = show;
    Invalidate();
}

void TPerformanceChart::SetShowAdjust2(bool show)
{
    showAdjust2_ = show;
    Invalidate();
}

void TPerformanceChart::SetAndInvalidate(uint32_t& field, uint32_t value)
{
    field = value;
    Invalidate();
}

void TPerformanceChart::SetBounds(int x, int y, int width, int height)
{
    if (Exists()) ::SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPerformanceChart::SetVisible(bool visible)
{
    if (Exists()) ::ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool TPerformanceChart::Visible() const
{
    return Exists() && (::GetWindowLongPtrA(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

int TPerformanceChart::Width() const
{
    RECT bounds{};
    if (!Exists() || !::GetWindowRect(Handle(), &bounds)) return 0;
    return bounds.right - bounds.left;
}

int TPerformanceChart::Height() const
{
    RECT bounds{};
    if (!Exists() || !::GetWindowRect(Handle(), &bounds)) return 0;
    return bounds.bottom - bounds.top;
}

void TPerformanceChart::Invalidate()
{
    if (Exists()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT TPerformanceChart::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        // Ends the painting pass even when a host's handler throws, so that
        // the same failure does not come back as an endless WM_PAINT.
        toolkit::PaintDC paint(Handle());
        Paint(paint.Get());
        return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 0;
    case WM_LBUTTONUP: {
        const LRESULT result = DefaultHandler(message, wParam, lParam);
        // The handler may close the chart's window: nothing of this object after it.
        if (OnClick) OnClick(*this);
        return result;
    }
    case WM_OPTIONS_CHANGED: Invalidate(); return 0;
    default: break;
    }
    return DefaultHandler(message, wParam, lParam);
}

bool TPerformanceChart::AskMaxY(uint32_t& maxY)
{
    if (!OnGetMaxY) return true;
    const toolkit::LifeWatch alive = Watch();
    OnGetMaxY(*this, maxY);
    // A scale of 0 would divide by zero: the smallest scale instead.
    maxY = std::max<uint32_t>(maxY, 1);
    return alive.Alive();
}

bool TPerformanceChart::AskLabel(uint32_t y, std::string& display)
{
    display = std::to_string(y);
    if (!OnGetYDisplay) return true;
    const toolkit::LifeWatch alive = Watch();
    OnGetYDisplay(*this, y, display);
    return alive.Alive();
}

// Every step works on the off-screen surface; the window sees only the last
// copy. What is created here is released on every way out, a throwing host
// handler included. A host handler that closes the chart ends the paint.
void TPerformanceChart::Paint(HDC target)
{
    const int w = Width();
    const int h = Height();
    if (w <= 0 || h <= 0) return;

    toolkit::UniqueMemoryDC surface(::CreateCompatibleDC(target));
    toolkit::UniqueBitmap picture(::CreateCompatibleBitmap(target, w, h));
    if (!surface || !picture) {
        toolkit::DebugOut("Kalvora: no drawing surface for the chart");
        return;
    }
    HDC dc = surface.Get();
    const toolkit::SelectGuard pictureSelected(dc, picture.Get());
    const PenScope surfacePen(dc, 1, OutlineColor);
    const RECT all{0, 0, w + 1, h + 1};
    {
        const toolkit::UniqueBrush background(::CreateSolidBrush(color_));
        ::FillRect(dc, &all, background.Get());
    }

    // The scale spans the highest sample shown, unless the host says otherwise.
    std::array<uint32_t, Samples> mem{};
    if (MemoryHistory)
        for (int i = 0; i < Samples; ++i) mem[static_cast<size_t>(i)] = MemoryHistory->GetMB(FirstSlot + i);
    uint32_t maxY = *std::max_element(mem.begin(), mem.end());
    if (maxY == 0) maxY = 1;
    if (!AskMaxY(maxY)) return;

    const bool cpuOn = CpuMonitoringOn();
    std::array<POINT, Samples + 2> area{};
    std::array<POINT, Samples + 1> cpuLine{};
    area.front() = {0, h};
    area.back() = {w, h};
    cpuLine.front() = {0, h};
    for (int i = 0; i < Samples; ++i) {
        const int x = RoundCoordinate(static_cast<double>(w) / (Samples - 1) * i);
        area[static_cast<size_t>(i + 1)] = {x, ScaleY(mem[static_cast<size_t>(i)], maxY, h)};
        if (cpuOn)
            cpuLine[static_cast<size_t>(i + 1)] = {x, ScaleY(static_cast<double>(CpuHistory->Get(FirstSlot + i)), CpuMax, h)};
    }

    {
        const toolkit::UniqueBrush data(::CreateSolidBrush(dataColor_));
        const toolkit::SelectGuard dataSelected(dc, data.Get());
        ::Polygon(dc, area.data(), static_cast<int>(area.size()));
    }
    if (cpuOn) {
        const PenScope cpuPen(dc, 1, cpuColor_);
        ::Polyline(dc, cpuLine.data(), static_cast<int>(cpuLine.size()));
    }
    struct Marker {
        bool Shown;
        uint32_t ValueMB;
        COLORREF Color;
    };
    const Marker markers[] = {{showAdjust_, adjustValue_, adjustColor_}, {showAdjust2_, adjustValue2_, adjustColor2_}};
    for (const Marker& marker : markers) {
        if (!marker.Shown) continue;
        const PenScope markerPen(dc, MarkerWidth, marker.Color);
        HorizontalLine(dc, ScaleY(marker.ValueMB, maxY, h), w);
    }

    // Labels and grid lines last, so that they stay visible over the area.
    const toolkit::SelectGuard fontSelected(dc, scaleFont_.Get());
    const PenScope gridPen(dc, 1, fontColor_);
    ::SetTextColor(dc, fontColor_);
    const int previousMode = ::SetBkMode(dc, TRANSPARENT);
    std::string text;
    if (!AskLabel(maxY, text)) return;
    ::TextOutA(dc, LabelLeft, 0, text.c_str(), static_cast<int>(text.size()));
    for (int i = 1; i <= 3; ++i) {
        if (!AskLabel(static_cast<uint32_t>(std::nearbyint(maxY / 4.0 * i)), text)) return;
        const int y = h * (4 - i) / 4;
        HorizontalLine(dc, y, w);
        ::TextOutA(dc, LabelLeft, y + LabelBelowLine, text.c_str(), static_cast<int>(text.size()));
    }
    ::SetBkMode(dc, previousMode);
    ::BitBlt(target, all.left, all.top, all.right, all.bottom, dc, 0, 0, SRCCOPY);
}
