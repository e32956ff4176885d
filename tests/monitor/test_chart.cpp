// The history chart, read back pixel by pixel from its window after real
// paints: the scale and its labels, the memory area, the CPU line, the
// markers, what asks for a repaint, clicks, and failing host handlers.
#include "ChartTestSupport.h"

#include "engine/uMessages.h"
#include "toolkit/Application.h"
#include "toolkit/DebugOut.h"
#include "toolkit/ErrorBox.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using charttest::Black;
using charttest::Blue;
using charttest::Canvas;
using charttest::ChartTest;
using charttest::Difference;
using charttest::Green;
using charttest::Picture;
using charttest::Purple;
using charttest::Red;
using charttest::SetMB;
using charttest::SetPercent;
using charttest::White;
using charttest::Yellow;

namespace {

constexpr COLORREF Magenta = 0x00FF00FF;

}  // namespace

TEST_F(ChartTest, StartsWithItsDefaults)
{
    EXPECT_EQ(chart->Caption(), "");
    EXPECT_EQ(chart->Color(), White);
    EXPECT_EQ(chart->DataColor(), Yellow);
    EXPECT_EQ(chart->CPUColor(), Blue);
    EXPECT_EQ(chart->AdjustColor(), Red);
    EXPECT_EQ(chart->AdjustColor2(), Red);
    EXPECT_EQ(chart->FontColor(), Black);
    EXPECT_EQ(chart->AdjustValue(), 0u);
    EXPECT_EQ(chart->AdjustValue2(), 0u);
    EXPECT_FALSE(chart->ShowAdjust());
    EXPECT_FALSE(chart->ShowAdjust2());
    EXPECT_EQ(chart->Width(), 100);
    EXPECT_EQ(chart->Height(), 100);
    EXPECT_TRUE(chart->Visible());
    EXPECT_EQ(GetParent(chart->Handle()), host->Handle());
    EXPECT_EQ(GetClassLongPtrA(chart->Handle(), GCLP_HBRBACKGROUND), 0) << "nothing for the system to erase with";

    // The black outline of the area and the white background: a flat half-full history.
    SetMB(*MemoryHistory, 0, 999, 30);
    Prepare(100, 100);
    ScaleOf(100);
    EXPECT_EQ(Difference(Paint(), Expected({70})), "");
}

TEST_F(ChartTest, ScaleFontIsAnOwnedCopy)
{
    struct Case {
        const char* name;
        bool hostHasFont;
        bool setLater;  // SetScaleFont with a font deleted right afterwards
    };
    const Case cases[] = {
        {"the host's font", true, false},
        {"the default GUI font when the host has none", false, false},
        {"a font set later", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chart.reset();
        host = std::make_unique<charttest::Host>(c.hostHasFont ? font.Get() : nullptr);
        chart = std::make_unique<TPerformanceChart>();
        chart->CreateChild(host->Handle());
        HFONT source = c.hostHasFont ? font.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        LOGFONTA expected = charttest::Attributes(source);
        if (c.setLater) {
            toolkit::UniqueFont given(CreateFontA(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                                  CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, "Courier New"));
            expected = charttest::Attributes(given.Get());
            chart->SetScaleFont(given.Get());
            EXPECT_NE(chart->ScaleFont(), given.Get());
        }
        ASSERT_TRUE(chart->ScaleFont());
        EXPECT_NE(chart->ScaleFont(), font.Get());
        EXPECT_TRUE(charttest::SameAttributes(charttest::Attributes(chart->ScaleFont()), expected));

        // The labels are drawn in it, whatever became of the font it came from.
        chart->SetBounds(0, 0, 100, 100);
        const Picture shown = Paint();
        Canvas reference(100, 100);
        ASSERT_TRUE(reference.Ready());
        {
            const toolkit::SelectGuard selected(reference.Dc(), chart->ScaleFont());
            const RECT all{0, 0, 100, 100};
            FillRect(reference.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            SetBkMode(reference.Dc(), TRANSPARENT);
            TextOutA(reference.Dc(), 10, 0, "1", 1);
        }
        const Picture label = reference.Read();
        // Only the top label's rows: 0 up to the first grid line.
        int inked = 0, matching = 0;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 100; ++x)
                if (label.At(x, y) != White) {
                    ++inked;
                    matching += shown.At(x, y) == label.At(x, y);
                }
        EXPECT_GT(inked, 0);
        EXPECT_EQ(matching, inked);
    }
    const HFONT kept = chart->ScaleFont();
    chart->SetScaleFont(nullptr);  // refused: the font stays
    EXPECT_EQ(chart->ScaleFont(), kept);
}

TEST_F(ChartTest, ScaleSpansTheHighestSampleShown)
{
    struct Case {
        const char* name;
        std::function<void()> history;
        bool hostAsked;                     // OnGetMaxY set (answering with what it got unless replaced)
        std::optional<uint32_t> replacedBy;
        uint32_t computed;                  // what the host was offered
        std::vector<uint32_t> labels;       // top, then a quarter, half and three quarters
    };
    const Case cases[] = {
        {"all zero, nobody asked", [] {}, false, {}, 1, {1, 0, 0, 1}},
        {"no history yet", [] { MemoryHistory.reset(); }, true, {}, 1, {1, 0, 0, 1}},
        {"the newest slot", [] { SetMB(*MemoryHistory, 999, 999, 300); }, true, {}, 300, {300, 75, 150, 225}},
        {"the oldest slot shown, halves to even", [] { SetMB(*MemoryHistory, 800, 800, 1023); }, true, {}, 1023,
         {1023, 256, 512, 767}},
        {"older slots are not shown",
         [] {
             SetMB(*MemoryHistory, 0, 799, 5000);
             SetMB(*MemoryHistory, 900, 900, 8);
         },
         true, {}, 8, {8, 2, 4, 6}},
        {"whole MB, truncated; 2.5 and 7.5 round to even",
         [] { MemoryHistory->Items[900] = (uint64_t{10} << 20) + (1 << 20) - 1; }, true, {}, 10, {10, 2, 5, 8}},
        {"the host's scale", [] { SetMB(*MemoryHistory, 999, 999, 300); }, true, 512, 300, {512, 128, 256, 384}},
        {"a host's 0 is taken as 1", [] {}, true, 0, 1, {1, 0, 0, 1}},
        {"the largest scale", [] {}, true, 4294967295u, 1, {4294967295u, 1073741824u, 2147483648u, 3221225471u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryHistory = std::make_unique<TIntArray>(0);
        c.history();
        std::vector<uint32_t> offered, labels;
        chart->OnGetMaxY = nullptr;
        if (c.hostAsked)
            chart->OnGetMaxY = [&](TPerformanceChart& sender, uint32_t& maxY) {
                EXPECT_EQ(&sender, chart.get());
                offered.push_back(maxY);
                if (c.replacedBy) maxY = *c.replacedBy;
            };
        chart->OnGetYDisplay = [&](TPerformanceChart& sender, uint32_t y, std::string& display) {
            EXPECT_EQ(&sender, chart.get());
            EXPECT_EQ(display, std::to_string(y));
            labels.push_back(y);
        };
        Paint();
        EXPECT_EQ(offered, c.hostAsked ? std::vector<uint32_t>{c.computed} : std::vector<uint32_t>{});
        EXPECT_EQ(labels, c.labels);
    }
}

TEST_F(ChartTest, LabelsSitJustBelowTheirGridLines)
{
    // On top of a full area, with nothing of their own behind the glyphs.
    SetMB(*MemoryHistory, 800, 999, 512);
    chart->SetBounds(20, 20, 160, 129);
    chart->SetFontColor(Purple);
    ScaleOf(512);
    chart->OnGetYDisplay = [](TPerformanceChart&, uint32_t, std::string& display) { display += " MB"; };
    const Picture shown = Paint();

    struct Label {
        const char* text;
        int top;
        int gridRow;  // -1: the top label has none
    };
    const Label labels[] = {{"512 MB", 0, -1}, {"128 MB", 98, 96}, {"256 MB", 66, 64}, {"384 MB", 34, 32}};
    Canvas reference(160, 129);
    ASSERT_TRUE(reference.Ready());
    HDC dc = reference.Dc();
    const auto fill = [dc](RECT area, COLORREF colour) {
        toolkit::UniqueBrush brush(CreateSolidBrush(colour));
        FillRect(dc, &area, brush.Get());
    };
    // The area's outline along the top and the left edge.
    fill({0, 0, 160, 129}, Black);
    fill({1, 1, 160, 129}, Yellow);
    const toolkit::SelectGuard selected(dc, chart->ScaleFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Purple);
    for (const Label& label : labels) {
        if (label.gridRow >= 0) fill({0, label.gridRow, 160, label.gridRow + 1}, Purple);
        TextOutA(dc, 10, label.top, label.text, static_cast<int>(strlen(label.text)));
    }
    const Picture expected = reference.Read();
    EXPECT_GT(expected.Count(Purple), 3 * 160 + 40) << "the labels have ink of their own";
    EXPECT_EQ(Difference(shown, expected), "");
}

TEST_F(ChartTest, MemoryAreaReachesUpToTheSamples)
{
    struct Case {
        const char* name;
        uint64_t mb;
        std::optional<uint32_t> scale;
        int areaTop;
    };
    const Case cases[] = {
        {"all zero: the flat line lies on y = H, just below the last row", 0, {}, 100},
        {"three tenths", 30, 100, 70},
        {"a third: 33.3 rounds to 33", 1, 3, 67},
        {"full: the grid lines stay visible over it", 100, 100, 0},
        {"above the scale: cut off at the top", 150, 100, -50},
        {"far above the scale", 4000000, 1, 100 - 400000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetMB(*MemoryHistory, 0, 999, c.mb);
        Prepare(120, 100);
        chart->OnGetMaxY = nullptr;
        if (c.scale) ScaleOf(*c.scale);
        EXPECT_EQ(Difference(Paint(), Expected({c.areaTop})), "");
    }
}

TEST_F(ChartTest, SamplesSpreadFromTheLeftToTheRightEdge)
{
    // Samples at the top of the scale, the rest at 0: the area's top edge
    // along row 0 shows which columns they took, x = Round(100 / 199 * i).
    struct Case {
        int firstHigh, lastHigh;  // samples 0..199
        int firstColumn, lastColumn;  // black in row 0; first > last: none
    };
    const Case cases[] = {
        {0, 0, 0, 0},        // sample 0 on the left edge
        {0, 2, 0, 1},        // 1.005
        {0, 3, 0, 2},        // 1.508
        {0, 100, 0, 50},     // 50.25
        {101, 199, 51, 99},  // 50.75
        {198, 199, 99, 99},  // 99.497
        {199, 199, 1, 0},    // sample 199 on x = 100, just past the last column
        {0, 199, 0, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.firstHigh) + ".." + std::to_string(c.lastHigh));
        SetMB(*MemoryHistory, 0, 999, 0);
        SetMB(*MemoryHistory, 800 + c.firstHigh, 800 + c.lastHigh, 64);
        Prepare(100, 50);
        const Picture shown = Paint();
        std::string row;
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= c.firstColumn && x <= c.lastColumn;
            if (shown.At(x, 0) != (inside ? Black : White)) row += std::to_string(x) + " ";
        }
        EXPECT_EQ(row, "") << "columns of row 0 that differ";
    }
}

TEST_F(ChartTest, CpuLineOnlyWhileMonitoringIsOn)
{
    // Memory at four tenths, CPU at a fifth: the line runs through the area
    // (drawn after it); slots before 800 would show at row 10.
    const auto fillCpu = [] {
        SetPercent(*CpuHistory, 0, 799, 90);
        SetPercent(*CpuHistory, 800, 999, 20);
    };
    struct Case {
        const char* name;
        std::function<void()> setUp;
        int cpuRow;
    };
    // In this order: switching on shows the line at the next paint.
    const Case cases[] = {
        {"no options: off, whatever history there is",
         [&] {
             CpuHistory = std::make_unique<TIntArray>(0);
             fillCpu();
         },
         -1},
        {"options with monitoring off", [&] {
             UseOptions();
             Options->SetCPUMonitoring(false);
         }, -1},
        {"switched on", [&] {
             Options->SetCPUMonitoring(true);
             fillCpu();
         }, 80},
        {"a full load", [] { SetPercent(*CpuHistory, 800, 999, 100); }, 0},
        {"switched off again", [] { Options->SetCPUMonitoring(false); }, -1},
    };
    SetMB(*MemoryHistory, 0, 999, 40);
    Prepare(120, 100);
    ScaleOf(100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        EXPECT_EQ(Difference(Paint(), Expected({60, c.cpuRow})), "");
    }
}

TEST_F(ChartTest, MarkersAreThreePixelLinesAtTheirHeights)
{
    struct Case {
        const char* name;
        bool show, show2;
        uint32_t value, value2;
        std::vector<std::pair<int, COLORREF>> rows;  // centres, in drawing order
    };
    const Case cases[] = {
        {"the first at half the scale, under the grid line", true, false, 500, 0, {{50, Red}}},
        {"hidden", false, false, 500, 500, {}},
        {"at 0: on the bottom edge", true, false, 0, 0, {{100, Red}}},
        {"at the top of the scale", true, false, 1000, 0, {{0, Red}}},
        {"above the scale: not seen", true, false, 1100, 0, {}},
        {"far above the scale", false, true, 0, 4294967295u, {}},
        {"both", true, true, 300, 600, {{70, Red}, {40, Green}}},
        {"both at one height: the second on top", true, true, 300, 300, {{70, Red}, {70, Green}}},
        {"only the second", false, true, 300, 700, {{30, Green}}},
    };
    Prepare(120, 100);
    ScaleOf(1000);
    chart->SetAdjustColor2(Green);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chart->SetShowAdjust(c.show);
        chart->SetShowAdjust2(c.show2);
        chart->SetAdjustValue(c.value);
        chart->SetAdjustValue2(c.value2);
        EXPECT_EQ(Difference(Paint(), Expected({100, -1, c.rows})), "");
    }
}

TEST_F(ChartTest, SettersAskForARepaint)
{
    toolkit::UniqueFont other(charttest::CreateCrispFont());
    struct Case {
        const char* name;
        std::function<void()> change;
        bool repaints;
    };
    const Case cases[] = {
        {"Caption unchanged", [&] { chart->SetCaption(""); }, false},
        {"Caption changed", [&] { chart->SetCaption("Memory"); }, true},
        {"Caption set to the same again", [&] { chart->SetCaption("Memory"); }, false},
        {"DataColor unchanged", [&] { chart->SetDataColor(chart->DataColor()); }, true},
        {"DataColor", [&] { chart->SetDataColor(Green); }, true},
        {"Color", [&] { chart->SetColor(Yellow); }, true},
        {"CPUColor", [&] { chart->SetCPUColor(chart->CPUColor()); }, true},
        {"AdjustColor", [&] { chart->SetAdjustColor(Blue); }, true},
        {"AdjustColor2", [&] { chart->SetAdjustColor2(chart->AdjustColor2()); }, true},
        {"FontColor", [&] { chart->SetFontColor(Purple); }, true},
        {"AdjustValue", [&] { chart->SetAdjustValue(7); }, true},
        {"AdjustValue2", [&] { chart->SetAdjustValue2(0); }, true},
        {"ShowAdjust", [&] { chart->SetShowAdjust(true); }, true},
        {"ShowAdjust2", [&] { chart->SetShowAdjust2(false); }, true},
        {"ScaleFont", [&] { chart->SetScaleFont(other.Get()); }, true},
        {"no font: refused", [&] { chart->SetScaleFont(nullptr); }, false},
        {"an options change", [&] { SendMessageA(chart->Handle(), WM_OPTIONS_CHANGED, ChangeDisplay, 0); }, true},
        {"a resize", [&] { chart->SetBounds(10, 10, 90, 60); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateWindow(chart->Handle());
        ASSERT_FALSE(charttest::NeedsPaint(chart->Handle()));
        c.change();
        EXPECT_EQ(charttest::NeedsPaint(chart->Handle()), c.repaints);
    }
    EXPECT_EQ(chart->Caption(), "Memory");
    EXPECT_EQ(chart->DataColor(), Green);
    EXPECT_EQ(chart->Color(), Yellow);
    EXPECT_EQ(chart->AdjustColor(), Blue);
    EXPECT_EQ(chart->FontColor(), Purple);
    EXPECT_EQ(chart->AdjustValue(), 7u);
    EXPECT_TRUE(chart->ShowAdjust());
    EXPECT_EQ(chart->Width(), 90);
    EXPECT_EQ(chart->Height(), 60);
}

TEST_F(ChartTest, PaintCoversEverythingWithoutErasing)
{
    Prepare(100, 100);
    Canvas dc(4, 4);
    ASSERT_TRUE(dc.Ready());
    const RECT all{0, 0, 4, 4};
    toolkit::UniqueBrush magenta(CreateSolidBrush(Magenta));
    FillRect(dc.Dc(), &all, magenta.Get());
    EXPECT_EQ(SendMessageA(chart->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Dc()), 0), 0);
    EXPECT_EQ(dc.Read().Count(Magenta), 16) << "erasing leaves the surface as it was";

    // Whatever the window showed before, a paint asked to erase first
    // leaves none of it.
    charttest::Smear(chart->Handle(), Magenta);
    ASSERT_EQ(charttest::Capture(chart->Handle()).Count(Magenta), 100 * 100);
    InvalidateRect(chart->Handle(), nullptr, TRUE);
    UpdateWindow(chart->Handle());
    EXPECT_EQ(Difference(charttest::Capture(chart->Handle()), Expected({100})), "");
}

TEST_F(ChartTest, ReleaseOverTheChartClicks)
{
    int clicks = 0;
    chart->OnClick = [&](TPerformanceChart& sender) {
        EXPECT_EQ(&sender, chart.get());
        ++clicks;
    };
    // Points of the host: the chart covers (20, 20)-(120, 120).
    const POINT overChart{70, 70}, outside{300, 200};
    // Real input: moves and button changes as the mouse makes them.
    const auto send = [&](POINT at, DWORD flags) {
        ClientToScreen(host->Handle(), &at);
        const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((at.x * 65536LL + width / 2) / width);
        input.mi.dy = static_cast<LONG>((at.y * 65536LL + height / 2) / height);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
        return SendInput(1, &input, sizeof(input)) == 1;
    };
    struct Case {
        const char* name;
        POINT press, release;
        int clicks;
    };
    const Case cases[] = {
        {"pressed elsewhere, released over the chart", outside, overChart, 1},
        {"pressed and released over the chart", overChart, overChart, 1},
        {"pressed over the chart, released elsewhere", overChart, outside, 0},
    };
    auto& application = toolkit::Application::Instance();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clicks = 0;
        host->Releases = 0;
        ASSERT_TRUE(send(c.press, MOUSEEVENTF_LEFTDOWN));
        ASSERT_TRUE(send(c.release, 0));
        ASSERT_TRUE(send(c.release, MOUSEEVENTF_LEFTUP));
        EXPECT_TRUE(application.ProcessMessagesUntil([&] { return clicks + host->Releases > 0; }, 5000));
        application.ProcessMessages();
        EXPECT_EQ(clicks, c.clicks);
        EXPECT_EQ(host->Releases, 1 - c.clicks);
    }
    // A release without any press the chart saw.
    clicks = 0;
    PostMessageA(chart->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(application.ProcessMessagesUntil([&] { return clicks > 0; }, 5000));
    EXPECT_EQ(clicks, 1);
}

namespace {

// Handler errors reach the error box the first time a text comes and the
// debug output after that.
std::mutex reportedMutex;
std::vector<std::string> reported;
void RecordDebugLine(const std::string& text)
{
    std::lock_guard lock(reportedMutex);
    reported.push_back(text);
}

bool WasReported(const std::string& text)
{
    std::lock_guard lock(reportedMutex);
    for (const std::string& line : reported)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST_F(ChartTest, FailingHandlerEndsThePaintAndIsReported)
{
    toolkit::SetErrorBoxHandler([](const std::string& text) { RecordDebugLine(text); });
    toolkit::SetDebugSink(&RecordDebugLine);
    struct Case {
        const char* name;
        std::function<void()> arm;
    };
    const Case cases[] = {
        {"the scale handler",
         [&] {
             chart->OnGetMaxY = [](TPerformanceChart&, uint32_t&) { throw std::runtime_error("chart test: no scale"); };
         }},
        {"the third label",
         [&] {
             chart->OnGetYDisplay = [calls = 0](TPerformanceChart&, uint32_t, std::string&) mutable {
                 if (++calls == 3) throw std::runtime_error("chart test: no label");
             };
         }},
    };
    const char* texts[] = {"chart test: no scale", "chart test: no label"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        Prepare(100, 100);
        cases[i].arm();
        charttest::Smear(chart->Handle(), Magenta);
        chart->Invalidate();
        UpdateWindow(chart->Handle());
        EXPECT_TRUE(WasReported(texts[i]));
        EXPECT_FALSE(charttest::NeedsPaint(chart->Handle())) << "the paint was ended all the same";
        EXPECT_EQ(charttest::Capture(chart->Handle()).Count(Magenta), 100 * 100) << "no half-drawn picture shown";

        chart->OnGetMaxY = nullptr;
        Prepare(100, 100);
        EXPECT_EQ(Difference(Paint(), Expected({100})), "") << "the next paint draws in full";
    }
    toolkit::SetDebugSink(nullptr);
    toolkit::SetErrorBoxHandler({});
}
