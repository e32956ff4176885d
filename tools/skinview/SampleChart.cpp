#include "tools/skinview/SampleChart.h"

#include <cmath>
#include <vector>

#include "toolkit/DrawingGuards.h"
#include "toolkit/Handles.h"

namespace skinview {
namespace {

bool ReadColor(skin::ISkinObject* root, const wchar_t* name, COLORREF& out)
{
    auto* element = dynamic_cast<skin::ISkinStatic*>(root ? root->FindObject(name) : nullptr);
    if (!element) return false;
    try {
        out = skin::ColorValue(element->GetColor());
        return true;
    } catch (const skin::SkinError&) {
        return false;
    }
}

}  // namespace

void SampleChart::Create(HWND parent, const RECT& bounds)
{
    CreateArgs args;
    args.className = "KalvoraSkinViewChart";
    args.style = WS_CHILD | WS_VISIBLE;
    args.parent = parent;
    args.x = bounds.left;
    args.y = bounds.top;
    args.width = bounds.right - bounds.left;
    args.height = bounds.bottom - bounds.top;
    toolkit::Window::Create(args);
}

void SampleChart::ReadColors(skin::ISkinObject* root)
{
    ReadColor(root, L"chart_backcolor", back_);
    ReadColor(root, L"chart_forecolor", data_);
    ReadColor(root, L"chart_cpucolor", cpu_);
    ReadColor(root, L"chart_linecolor", line_);
    ReadColor(root, L"chart_line2color", line2_);
    ReadColor(root, L"chart_fontcolor", font_);
    if (Exists()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void SampleChart::Paint(HDC dc, const RECT& client)
{
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return;
    toolkit::UniqueBrush back(::CreateSolidBrush(back_));
    ::FillRect(dc, &client, back.Get());

    // Grid: a faint mix of the background and the text colour.
    auto mix = [](COLORREF a, COLORREF b, int percentB) {
        return RGB((GetRValue(a) * (100 - percentB) + GetRValue(b) * percentB) / 100,
                   (GetGValue(a) * (100 - percentB) + GetGValue(b) * percentB) / 100,
                   (GetBValue(a) * (100 - percentB) + GetBValue(b) * percentB) / 100);
    };
    toolkit::UniquePen grid(::CreatePen(PS_SOLID, 1, mix(back_, font_, 15)));
    {
        toolkit::SelectGuard penGuard(dc, grid.Get());
        for (int i = 1; i < 4; ++i) {
            ::MoveToEx(dc, 0, h * i / 4, nullptr);
            ::LineTo(dc, w, h * i / 4);
        }
    }
    auto curve = [&](COLORREF color, double base, double swing, double speed, int width) {
        std::vector<POINT> points;
        for (int x = 0; x < w; x += 2) {
            double v = base + swing * std::sin(x * speed) + swing * 0.4 * std::sin(x * speed * 3.1 + 1.0);
            points.push_back(POINT{x, static_cast<LONG>(h - v * h)});
        }
        toolkit::UniquePen pen(::CreatePen(PS_SOLID, width, color));
        toolkit::SelectGuard penGuard(dc, pen.Get());
        ::Polyline(dc, points.data(), static_cast<int>(points.size()));
    };
    curve(cpu_, 0.22, 0.08, 0.05, 1);
    curve(data_, 0.58, 0.06, 0.013, 2);
    toolkit::UniquePen marker(::CreatePen(PS_DOT, 1, line_));
    {
        toolkit::SelectGuard penGuard(dc, marker.Get());
        ::MoveToEx(dc, 0, h * 3 / 10, nullptr);
        ::LineTo(dc, w, h * 3 / 10);
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, font_);
    toolkit::SelectGuard fontGuard(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    RECT label{6, 4, w - 6, h - 4};
    ::DrawTextA(dc, "4096 MB", -1, &label, DT_LEFT | DT_TOP | DT_SINGLELINE);
    ::DrawTextA(dc, "0 MB", -1, &label, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
}

LRESULT SampleChart::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        toolkit::PaintDC dc(Handle());
        RECT client{};
        ::GetClientRect(Handle(), &client);
        Paint(dc.Get(), client);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    default: return DefaultHandler(message, wParam, lParam);
    }
}

}  // namespace skinview
