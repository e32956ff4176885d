// The program refreshes its icons for weeks: every refresh must give back
// what it replaced, and every drawing its pens, brushes and fonts.
//
// Wine counts no handles for a process (GetGuiResources answers 0), but it
// refuses new drawing objects once the process holds about 65 000. The test
// takes all of them but a small headroom and then refreshes each style three
// times as often as the headroom allows objects: keeping even one object in
// every third refresh exhausts the rest, and then the icon cannot be built
// and nothing new can be drawn. (A shell round trip costs Wine several
// milliseconds per refresh, so 100 000 refreshes per style would take most
// of an hour; the scarce headroom catches the same faults in a minute.)
#include "TrayTestSupport.h"
#include "tests/support/ScarceDrawingObjects.h"

#include "monitor/uTrayIconCPU.h"
#include "monitor/uTrayIconMemory.h"
#include "monitor/uTrayIconResource.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using traytest::Difference;
using traytest::Picture;
using traytest::Shown;

namespace {

constexpr int Headroom = 500;
constexpr int Refreshes = 3 * Headroom;

// One of each kind of object a drawing needs, and a new icon from them.
bool CanStillDraw()
{
    toolkit::WindowDC screen(nullptr);
    toolkit::UniqueMemoryDC dc(CreateCompatibleDC(screen.Get()));
    toolkit::UniqueBitmap colour(CreateCompatibleBitmap(screen.Get(), 16, 16));
    toolkit::UniqueBitmap mask(CreateBitmap(16, 16, 1, 1, nullptr));
    toolkit::UniqueFont font(CreateFontA(12, 0, 0, 0, 0, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0, 0, "Arial"));
    toolkit::UniqueBrush brush(CreateSolidBrush(0x123456));
    toolkit::UniquePen pen(CreatePen(PS_SOLID, 1, 0x654321));
    if (!dc || !colour || !mask || !font || !brush || !pen) return false;
    ICONINFO info{TRUE, 0, 0, mask.Get(), colour.Get()};
    toolkit::UniqueIcon icon(CreateIconIndirect(&info));
    return static_cast<bool>(icon);
}

class LongRun : public traytest::HistoryTest {
protected:
    // Refreshes as the engine does after every sample, each sample changing
    // the picture (a refresh that does not change it builds nothing), then
    // checks that the icon still shows what a fresh icon of the same samples
    // shows. The samples alternate between low and high, so every new one
    // changes the newest figure and turns the chart's pattern over.
    template <class Icon>
    void RefreshOften(int style, TIntArray& history, uint64_t low, uint64_t high)
    {
        for (int i = 0; i < 16; ++i) history.Push(i % 2 ? high : low);
        Icon icon(style);
        {
            ScarceDrawingObjects scarce(Headroom);
            ASSERT_GT(scarce.Total(), static_cast<size_t>(Headroom)) << "Wine limits drawing objects";
            HICON last = icon.NotifyData().hIcon;
            int handedOver = 0;
            for (int i = 0; i < Refreshes; ++i) {
                history.Push(i % 2 ? high : low);
                icon.Refresh(false);
                handedOver += std::exchange(last, icon.NotifyData().hIcon) != last;
            }
            EXPECT_EQ(handedOver, Refreshes) << "every sample built a new icon";
            ASSERT_TRUE(icon.NotifyData().hIcon) << "the last refresh could still build its icon";
            EXPECT_TRUE(CanStillDraw());
        }
        Icon fresh(style);
        EXPECT_EQ(Difference(Shown(icon).Colour, Shown(fresh).Colour), "");
        EXPECT_EQ(icon.Hint(), fresh.Hint());
    }
};

}  // namespace

TEST_F(LongRun, MemoryIconInEveryStyle)
{
    // A fifth and four fifths of the memory: different columns, bars and numbers.
    const uint64_t total = static_cast<uint64_t>(TotalPhysMB) << 20;
    for (int style : {1, 2, 3}) {
        SCOPED_TRACE(style);
        RefreshOften<TTrayIconMemory>(style, *MemoryHistory, total / 5, total / 5 * 4);
    }
}

TEST_F(LongRun, CpuIconInEveryStyle)
{
    for (int style : {1, 2, 3}) {
        SCOPED_TRACE(style);
        RefreshOften<TTrayIconCPU>(style, *CpuHistory, 10, 90);
    }
}

TEST_F(LongRun, StatusIconChangingItsPicture)
{
    TTrayIconResource icon;
    {
        ScarceDrawingObjects scarce(Headroom);
        // Each new name loads its icon and refreshes.
        for (int i = 0; i < Refreshes; ++i) icon.SetIconName(i % 2 ? "STATUSWORK" : "STATUSIDLE");
        ASSERT_TRUE(icon.NotifyData().hIcon);
        EXPECT_TRUE(CanStillDraw());
    }
    toolkit::UniqueIcon last = LoadResourceIcon("STATUSWORK");  // the name of the last round
    EXPECT_EQ(Difference(Shown(icon).Colour, traytest::ReadIcon(last.Get()).Colour), "");
}
