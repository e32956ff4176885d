#pragma once
// Shared by the chart tests: a host window shown on the screen (hidden
// windows do not paint) with one chart in it, the histories and the options
// of each test put back as they were afterwards, the chart's pixels read
// back from its window after a real WM_PAINT, and the picture a chart of
// flat histories must show.
#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "monitor/cPChart2.h"
#include "settings/uKalvoraOptions.h"
#include "tests/settings/RegTestKey.h"
#include "toolkit/DrawingGuards.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace charttest {

constexpr COLORREF Black = 0x00000000;
constexpr COLORREF White = 0x00FFFFFF;
constexpr COLORREF Yellow = 0x0000FFFF;
constexpr COLORREF Blue = 0x00FF0000;
constexpr COLORREF Red = 0x000000FF;
constexpr COLORREF Green = 0x00008000;
constexpr COLORREF Purple = 0x00800080;

// A picture row by row, colours as 0x00BBGGRR.
struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<COLORREF> Pixels;

    Picture() = default;
    Picture(int width, int height, COLORREF fill)
        : Width(width), Height(height), Pixels(static_cast<size_t>(width * height), fill)
    {
    }
    COLORREF At(int x, int y) const { return Pixels[static_cast<size_t>(y * Width + x)]; }
    COLORREF& At(int x, int y) { return Pixels[static_cast<size_t>(y * Width + x)]; }
    void FillRow(int y, COLORREF colour)
    {
        if (y < 0 || y >= Height) return;
        for (int x = 0; x < Width; ++x) At(x, y) = colour;
    }
    int Count(COLORREF colour) const
    {
        int count = 0;
        for (COLORREF pixel : Pixels) count += pixel == colour;
        return count;
    }
};

// The differing pixels as text ("" when equal), for readable failures.
inline std::string Difference(const Picture& actual, const Picture& expected)
{
    if (actual.Width != expected.Width || actual.Height != expected.Height)
        return "size " + std::to_string(actual.Width) + "x" + std::to_string(actual.Height) + ", expected " +
               std::to_string(expected.Width) + "x" + std::to_string(expected.Height);
    std::string text;
    int differing = 0;
    for (int y = 0; y < actual.Height; ++y)
        for (int x = 0; x < actual.Width; ++x)
            if (actual.At(x, y) != expected.At(x, y) && differing++ < 8) {
                char line[80];
                std::snprintf(line, sizeof(line), "(%d,%d) is %06lX, expected %06lX; ", x, y,
                              static_cast<unsigned long>(actual.At(x, y)), static_cast<unsigned long>(expected.At(x, y)));
                text += line;
            }
    if (differing > 8) text += std::to_string(differing) + " pixels differ";
    return text;
}

// A 32-bit top-down DIB section to draw into or copy onto.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        toolkit::WindowDC screen(nullptr);
        dc_.Reset(CreateCompatibleDC(screen.Get()));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        previous_ = SelectObject(dc_.Get(), bitmap_.Get());
    }
    ~Canvas() { SelectObject(dc_.Get(), previous_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Ready() const { return dc_ && bitmap_ && bits_; }
    HDC Dc() const { return dc_.Get(); }
    Picture Read() const
    {
        GdiFlush();
        Picture picture(width_, height_, 0);
        if (!Ready()) return picture;
        const auto* raw = static_cast<const uint32_t*>(bits_);
        for (size_t i = 0; i < picture.Pixels.size(); ++i)
            picture.Pixels[i] = RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF);
        return picture;
    }

private:
    int width_;
    int height_;
    toolkit::UniqueMemoryDC dc_;
    toolkit::UniqueBitmap bitmap_;
    void* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// What the window shows now, read from its own DC.
inline Picture Capture(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    Canvas canvas(client.right, client.bottom);
    EXPECT_TRUE(canvas.Ready());
    toolkit::WindowDC source(window);
    EXPECT_TRUE(BitBlt(canvas.Dc(), 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY));
    return canvas.Read();
}

// Covers the window's face with one colour, without a paint.
inline void Smear(HWND window, COLORREF colour)
{
    RECT client{};
    GetClientRect(window, &client);
    toolkit::WindowDC dc(window);
    toolkit::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc.Get(), &client, brush.Get());
}

inline bool NeedsPaint(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }

// The whole-MB samples of slots first..last.
inline void SetMB(TIntArray& history, int first, int last, uint64_t mb)
{
    for (int i = first; i <= last; ++i) history.Items[static_cast<size_t>(i)] = mb << 20;
}

inline void SetPercent(TIntArray& history, int first, int last, uint64_t percent)
{
    for (int i = first; i <= last; ++i) history.Items[static_cast<size_t>(i)] = percent;
}

// A font that draws every glyph pixel in the text colour, so that labels
// compare pixel for pixel.
inline HFONT CreateCrispFont()
{
    return CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       NONANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
}

inline LOGFONTA Attributes(HFONT font)
{
    LOGFONTA attributes{};
    EXPECT_EQ(GetObjectA(font, sizeof(attributes), &attributes), static_cast<int>(sizeof(attributes)));
    return attributes;
}

inline bool SameAttributes(const LOGFONTA& a, const LOGFONTA& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

// A top-level window on the screen that offers its font to its children
// and counts the left-button releases it gets itself.
class Host : public toolkit::Window {
public:
    static constexpr int Left = 100;
    static constexpr int Top = 100;

    explicit Host(HFONT font) : font_(font)
    {
        CreateArgs args;
        args.className = "KalvoraChartTestHost";
        args.style = WS_POPUP;
        args.exStyle = WS_EX_TOOLWINDOW;
        args.x = Left;
        args.y = Top;
        args.width = 400;
        args.height = 300;
        Create(args);
        // Not activated: without a window manager Wine would wait for one
        // at every hide of an active window.
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
        UpdateWindow(Handle());
    }
    int Releases = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(font_);
        if (message == WM_LBUTTONUP) ++Releases;
        return DefaultHandler(message, wParam, lParam);
    }

private:
    HFONT font_;
};

// Every test starts with an empty memory history, no CPU history and no
// options, and gets back what the process had before.
class ChartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedMemory_ = std::exchange(MemoryHistory, std::make_unique<TIntArray>(0));
        savedCpu_ = std::move(CpuHistory);
        savedOptions_ = std::move(Options);
        host = std::make_unique<Host>(font.Get());
        chart = std::make_unique<TPerformanceChart>();
        chart->CreateChild(host->Handle(), 20, 20);
    }
    void TearDown() override
    {
        chart.reset();
        host.reset();
        Options.reset();
        Options = std::move(savedOptions_);
        MemoryHistory = std::move(savedMemory_);
        CpuHistory = std::move(savedCpu_);
        TotalPhysMB = savedTotalMB_;
    }

    // Options of the test's own, never saved. Their CPU switch is the CPU
    // history: on creates an empty one, off drops it.
    void UseOptions()
    {
        TotalPhysMB = 1024;
        Options = std::make_unique<TKalvoraOptions>(optionsKey_.Path());
        Options->SaveWhenDestroyed = false;
    }

    // Sizes the chart and hides its labels: the picture is then the
    // background, the area, the lines and the grid alone.
    void Prepare(int width, int height)
    {
        chart->SetBounds(20, 20, width, height);
        chart->SetFontColor(Purple);
        chart->OnGetYDisplay = [](TPerformanceChart&, uint32_t, std::string& display) { display.clear(); };
    }
    void ScaleOf(uint32_t maxY)
    {
        chart->OnGetMaxY = [maxY](TPerformanceChart&, uint32_t& value) { value = maxY; };
    }

    // A real paint through the message the system sends, then the pixels.
    Picture Paint()
    {
        chart->Invalidate();
        UpdateWindow(chart->Handle());
        return Capture(chart->Handle());
    }

    // What a chart of flat histories shows without labels: the area's top
    // edge at row areaTop (the height of the chart or more: no area), the
    // CPU line at cpuRow, the markers (rows y-1..y+1, in drawing order), then
    // the grid lines at the quarters.
    struct Flat {
        int AreaTop;
        int CpuRow = -1;  // none
        std::vector<std::pair<int, COLORREF>> Markers = {};
    };
    Picture Expected(const Flat& flat) const
    {
        const int w = chart->Width(), h = chart->Height();
        Picture picture(w, h, chart->Color());
        for (int y = std::max(flat.AreaTop, 0); y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.At(x, y) = (x == 0 || y == flat.AreaTop) ? Black : chart->DataColor();
        if (flat.CpuRow >= 0) {
            picture.FillRow(flat.CpuRow, chart->CPUColor());
            for (int y = flat.CpuRow; y < h; ++y) picture.At(0, y) = chart->CPUColor();  // the stroke up the left edge
        }
        for (const auto& [row, colour] : flat.Markers)
            for (int y = row - 1; y <= row + 1; ++y) picture.FillRow(y, colour);
        for (int i = 1; i <= 3; ++i) picture.FillRow(h * i / 4, chart->FontColor());
        return picture;
    }

    toolkit::UniqueFont font{CreateCrispFont()};
    std::unique_ptr<Host> host;
    std::unique_ptr<TPerformanceChart> chart;

private:
    RegTestKey optionsKey_{"Software\\KalvoraTests\\Chart"};
    std::unique_ptr<TIntArray> savedMemory_;
    std::unique_ptr<TIntArray> savedCpu_;
    std::unique_ptr<TKalvoraOptions> savedOptions_;
    const int savedTotalMB_ = TotalPhysMB;
};

}  // namespace charttest
