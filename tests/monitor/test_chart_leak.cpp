// The chart repaints after every sample for weeks: every paint must give
// back its bitmap, surface, pens and brushes, also when a host handler
// throws half-way.
//
// Wine counts no handles for a process (GetGuiResources answers 0), but it
// refuses new drawing objects once the process holds about 65 000. The test
// takes all of them but a headroom far smaller than the number of paints:
// keeping one object in every twentieth paint exhausts it, and then the
// chart cannot draw any more, nor can anything else.
#include "ChartTestSupport.h"
#include "tests/support/ScarceDrawingObjects.h"

#include "toolkit/DebugOut.h"
#include "toolkit/ErrorBox.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using charttest::ChartTest;
using charttest::Difference;
using charttest::Picture;

namespace {

constexpr int Headroom = 500;
constexpr int Paints = 10000;

// One of each kind of object a drawing needs.
bool CanStillDraw()
{
    toolkit::WindowDC screen(nullptr);
    toolkit::UniqueMemoryDC dc(CreateCompatibleDC(screen.Get()));
    toolkit::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), 16, 16));
    toolkit::UniqueFont font(charttest::CreateCrispFont());
    toolkit::UniqueBrush brush(CreateSolidBrush(0x123456));
    toolkit::UniquePen pen(CreatePen(PS_SOLID, 3, 0x654321));
    return dc && bitmap && font && brush && pen;
}

void Quiet(const std::string&) {}

}  // namespace

TEST_F(ChartTest, TenThousandPaintsKeepNoDrawingObject)
{
    // Every step of a paint: area, CPU line, both markers, grid and labels.
    UseOptions();
    Options->SetCPUMonitoring(true);
    Prepare(120, 100);
    ScaleOf(100);
    chart->SetShowAdjust(true);
    chart->SetAdjustValue(30);
    chart->SetShowAdjust2(true);
    chart->SetAdjustValue2(90);
    int paints = 0;
    chart->OnGetYDisplay = [&](TPerformanceChart&, uint32_t, std::string& display) {
        // Every tenth paint a host handler fails half-way through the labels.
        if (paints % 10 == 9) throw std::runtime_error("chart leak test: no label");
        display.clear();
    };
    toolkit::SetErrorBoxHandler(&Quiet);
    toolkit::SetDebugSink(&Quiet);
    {
        ScarceDrawingObjects scarce(Headroom);
        ASSERT_GT(scarce.Total(), static_cast<size_t>(Headroom)) << "Wine limits drawing objects";
        for (paints = 0; paints < Paints; ++paints) {
            // Changing samples: low and high in turn.
            charttest::SetMB(*MemoryHistory, 800, 999, paints % 2 ? 80 : 20);
            charttest::SetPercent(*CpuHistory, 800, 999, paints % 2 ? 10 : 50);
            chart->Invalidate();
            UpdateWindow(chart->Handle());
        }
        EXPECT_TRUE(CanStillDraw());
        // Still scarce: the chart draws in full with what is left.
        paints = 0;
        chart->SetAdjustValue2(60);
        EXPECT_EQ(Difference(Paint(), Expected({20, 90, {{70, chart->AdjustColor()}, {40, chart->AdjustColor2()}}})), "");
    }
    toolkit::SetDebugSink(nullptr);
    toolkit::SetErrorBoxHandler({});
}
