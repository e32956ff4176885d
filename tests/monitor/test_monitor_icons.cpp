// The memory, CPU and status icons: what they draw from the histories, their
// tooltips, and the resource pictures.
#include "TrayTestSupport.h"

#include "monitor/uTrayIconCPU.h"
#include "monitor/uTrayIconMemory.h"
#include "monitor/uTrayIconResource.h"

#include <gtest/gtest.h>

#include <set>

using traytest::Difference;
using traytest::Frame;
using traytest::HistoryTest;
using traytest::Picture;
using traytest::Shown;
using traytest::Tip;

namespace {

constexpr uint64_t MB = 1ull << 20;
constexpr uint64_t GB = 1ull << 30;

uint64_t RealTotalBytes()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    GlobalMemoryStatusEx(&status);
    return status.ullTotalPhys;
}

Picture Bar(COLORREF background, int rows, COLORREF colour)
{
    Picture picture = Frame(background);
    for (int x = 1; x < 16; ++x)
        if (rows > 0) traytest::FillRows(picture, x, 16 - rows, 15, colour);
    return picture;
}

// Columns 1..15 with the given heights (0: the bottom pixel only).
Picture Columns(COLORREF background, const std::array<uint32_t, 16>& heights, COLORREF normal, COLORREF alert)
{
    Picture picture = Frame(background);
    for (int x = 1; x < 16; ++x) {
        const uint32_t h = heights[static_cast<size_t>(x)];
        if (h == 0) picture.At(x, 15) = normal;
        if (h >= 2) traytest::FillRows(picture, x, 17 - static_cast<int>(h), 15, h >= 12 ? alert : normal);
    }
    return picture;
}

}  // namespace

// ------------------------------------------------------------------ memory

TEST(MemoryIconFigures, NumberTextInMBBelow1000ElseInWholeGB)
{
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0"},          {512 * MB, "512"},        {999 * MB + MB - 1, "999"}, {1000 * MB, "0G"},
        {1023 * MB, "0G"}, {1024 * MB, "1G"},        {1536 * MB, "1G"},          {2048 * MB, "2G"},
        {6 * GB, "6G"},    {99 * GB + 1023 * MB, "99G"}, {100 * GB, "99G"},       {1ull << 50, "99G"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(MemoryNumberText(bytes), text) << bytes;
}

TEST(MemoryIconFigures, ChartAndBarScaleAnySizeOfMemory)
{
    TIntArray history(0);
    history.Items[983] = 8 * GB;  // column 0, never drawn, still computed
    history.Items[984] = 8 * GB;
    history.Items[985] = 6 * GB;
    history.Items[986] = 8 * GB / 15 - 1;
    history.Items[987] = 8 * GB / 15 + 1;
    history.Items[998] = 9 * GB;  // more than the total still stops at a full column
    history.Items[999] = 5 * GB;  // the newest is not among the columns
    const std::array<uint32_t, 16> heights = MemoryChartHeights(history, 8 * GB);
    const std::array<uint32_t, 16> expected = {15, 15, 11, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 15};
    EXPECT_EQ(heights, expected);
    EXPECT_EQ(MemoryChartHeights(history, 0), (std::array<uint32_t, 16>{})) << "no total, no columns";

    EXPECT_EQ(MemoryBarPercent(256 * MB, 512), 50u);
    EXPECT_EQ(MemoryBarPercent(384 * MB, 512), 75u);
    EXPECT_EQ(MemoryBarPercent(12 * GB, 16384), 75u);
    EXPECT_EQ(MemoryBarPercent(1 * MB, 200), 0u) << "0.5 rounds to the even 0";
    EXPECT_EQ(MemoryBarPercent(3 * MB, 200), 2u) << "1.5 rounds to the even 2";
    EXPECT_EQ(MemoryBarPercent(5 * MB, 200), 2u) << "2.5 rounds to the even 2";
    EXPECT_EQ(MemoryBarPercent(100 * MB, 0), 0u) << "no total";

    EXPECT_EQ(MemoryHint(6 * GB + 5 * MB + 7, 16384), "Memory usage: 6149 MB from 16384 MB is used.");
}

TEST_F(HistoryTest, MemoryChartOfAFreshHistoryColoursOnlyTheBottomPixels)
{
    TTrayIconMemory icon;
    std::array<uint32_t, 16> zero{};
    EXPECT_EQ(Difference(Shown(icon).Colour, Columns(0xFFFFFF, zero, 0x008000, 0x0000FF)), "");
    EXPECT_EQ(Tip(icon), "Memory usage: 0 MB from " + std::to_string(TotalPhysMB) + " MB is used.");
    EXPECT_GT(TotalPhysMB, 0);
}

TEST_F(HistoryTest, MemoryChartShowsSlots984To998AgainstTheTotalMemory)
{
    const uint64_t total = RealTotalBytes();
    SetSlots(*MemoryHistory, 984, 998, total / 2);   // 7.5 truncated to 7
    MemoryHistory->Items[990] = total;               // full: 15 and alert
    MemoryHistory->Items[991] = total * 13 / 15 + MB;  // just above 13
    MemoryHistory->Items[999] = 0;                   // the newest only in the tooltip
    TTrayIconMemory icon;
    std::array<uint32_t, 16> heights;
    heights.fill(7);
    heights[7] = 15;
    heights[8] = 13;
    EXPECT_EQ(Difference(Shown(icon).Colour, Columns(0xFFFFFF, heights, 0x008000, 0x0000FF)), "");
}

TEST_F(HistoryTest, MemoryNumberWritesTheNewestSampleInBlack)
{
    TotalPhysMB = 4096;
    MemoryHistory->Push(512 * MB);
    TTrayIconMemory icon(TTrayIcon::StyleNumber);
    icon.SetNormalColor(0x00008000);
    const Picture shown = Shown(icon).Colour;
    const traytest::Ink ink = traytest::InkOf(shown, 0xFFFFFF);
    EXPECT_GT(ink.Count, 10);
    for (COLORREF pixel : shown.Pixels)
        EXPECT_TRUE(GetRValue(pixel) == GetGValue(pixel) && GetGValue(pixel) == GetBValue(pixel))
            << std::hex << pixel << ": black text on white leaves only greys";
    EXPECT_EQ(Tip(icon), "Memory usage: 512 MB from 4096 MB is used.");

    // The same picture as the primitive draws for the text "512".
    traytest::TPrimitiveIcon reference;
    reference.Text("512", 0xFFFFFF, 0);
    EXPECT_EQ(Difference(shown, Shown(reference).Colour), "");
}

TEST_F(HistoryTest, MemoryBarOnA512MBMachine)
{
    TotalPhysMB = 512;
    struct Case {
        uint64_t used;
        int rows;
        COLORREF colour;
    };
    for (const Case& c : {Case{256 * MB, 8, 0x008000}, Case{384 * MB, 12, 0x0000FF}, Case{0, 0, 0}}) {
        MemoryHistory->Push(c.used);
        TTrayIconMemory icon(TTrayIcon::StyleBar);
        EXPECT_EQ(Difference(Shown(icon).Colour, Bar(0xFFFFFF, c.rows, c.colour)), "") << c.used;
        EXPECT_EQ(Tip(icon), "Memory usage: " + std::to_string(c.used / MB) + " MB from 512 MB is used.");
    }
}

TEST_F(HistoryTest, MemoryIconsAboveFourGigabytes)
{
    TotalPhysMB = 24576;  // 24 GB
    MemoryHistory->Push(18 * GB + 300 * MB);  // 76 %: 12 rows
    TTrayIconMemory icon(TTrayIcon::StyleBar);
    EXPECT_EQ(Difference(Shown(icon).Colour, Bar(0xFFFFFF, 12, 0x0000FF)), "");
    EXPECT_EQ(Tip(icon), "Memory usage: 18732 MB from 24576 MB is used.");

    icon.SetStyle(TTrayIcon::StyleNumber);
    traytest::TPrimitiveIcon reference;
    reference.Text("18G", 0xFFFFFF, 0);
    EXPECT_EQ(Difference(Shown(icon).Colour, Shown(reference).Colour), "");
}

TEST_F(HistoryTest, RefreshDrawsTheNewSamplesInTheCurrentStyle)
{
    TotalPhysMB = 1000;
    TTrayIconMemory icon(TTrayIcon::StyleBar);
    EXPECT_EQ(Difference(Shown(icon).Colour, Bar(0xFFFFFF, 0, 0)), "");
    MemoryHistory->Push(500 * MB);
    icon.Refresh(false);
    EXPECT_EQ(Difference(Shown(icon).Colour, Bar(0xFFFFFF, 8, 0x008000)), "");
    EXPECT_EQ(Tip(icon), "Memory usage: 500 MB from 1000 MB is used.");
}

TEST_F(HistoryTest, ASampleHandsTheShellOnlyWhatItChanges)
{
    // A new icon handle shows that the whole icon was handed over.
    TotalPhysMB = 1000;
    MemoryHistory->Push(500 * MB);
    CpuHistory->Push(30);
    TTrayIconMemory memory(TTrayIcon::StyleNumber);
    TTrayIconCPU cpu(TTrayIcon::StyleBar);
    enum Handed { Nothing, TooltipOnly, WholeIcon };
    struct Case {
        uint64_t usedBytes, cpuPercent;
        Handed memory, cpu;
    };
    const Case cases[] = {
        {500 * MB, 30, Nothing, Nothing},
        {500 * MB + MB / 2, 31, Nothing, TooltipOnly},  // the same whole MB; the same bar
        {501 * MB, 31, WholeIcon, Nothing},
        {501 * MB, 99, Nothing, WholeIcon},
        {1000 * MB, 99, WholeIcon, Nothing},
        {1023 * MB, 98, TooltipOnly, TooltipOnly},  // "0G" again; a full bar again
    };
    auto check = [](const TTrayIcon& icon, HICON before, int updatesBefore, Handed handed) {
        EXPECT_EQ(icon.ShellUpdates() - updatesBefore, handed == Nothing ? 0 : 1);
        EXPECT_EQ(icon.NotifyData().hIcon != before, handed == WholeIcon);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.usedBytes);
        HICON memoryBefore = memory.NotifyData().hIcon, cpuBefore = cpu.NotifyData().hIcon;
        const int memoryUpdates = memory.ShellUpdates(), cpuUpdates = cpu.ShellUpdates();
        MemoryHistory->Push(c.usedBytes);
        CpuHistory->Push(c.cpuPercent);
        memory.Refresh(false);
        cpu.Refresh(false);
        check(memory, memoryBefore, memoryUpdates, c.memory);
        check(cpu, cpuBefore, cpuUpdates, c.cpu);
        EXPECT_EQ(Tip(memory), MemoryHint(c.usedBytes, 1000));
        EXPECT_EQ(Tip(cpu), CpuHint(c.cpuPercent));
    }
    // After the taskbar was re-created both are added again, changed or not.
    HICON memoryBefore = memory.NotifyData().hIcon, cpuBefore = cpu.NotifyData().hIcon;
    const int memoryUpdates = memory.ShellUpdates(), cpuUpdates = cpu.ShellUpdates();
    memory.Refresh(true);
    cpu.Refresh(true);
    check(memory, memoryBefore, memoryUpdates, WholeIcon);
    check(cpu, cpuBefore, cpuUpdates, WholeIcon);
}

// --------------------------------------------------------------------- CPU

TEST(CpuIconFigures, ColumnHeightsRoundHalvesToEven)
{
    const std::pair<uint64_t, uint32_t> cases[] = {
        {0, 0},  {3, 0},  {4, 1},  {10, 2}, {30, 4},  {50, 8},          {70, 10},
        {80, 12}, {90, 14}, {97, 15}, {100, 15}, {101, 15}, {1ull << 40, 15},
    };
    for (const auto& [percent, height] : cases) EXPECT_EQ(CpuColumnHeight(percent), height) << percent;
    EXPECT_EQ(CpuHint(7), "CPU usage: 7%");
    EXPECT_EQ(CpuHint(4294967295ull), "CPU usage: 4294967295%") << "never negative";
}

TEST_F(HistoryTest, CpuChartInItsOwnColours)
{
    SetSlots(*CpuHistory, 984, 998, 80);
    CpuHistory->Items[985] = 10;
    CpuHistory->Items[986] = 30;
    CpuHistory->Items[987] = 0;
    CpuHistory->Items[999] = 42;
    TTrayIconCPU icon;
    EXPECT_EQ(icon.BackColor(), 0x0000FFFFu);
    EXPECT_EQ(icon.NormalColor(), 0x00000000u);
    EXPECT_EQ(icon.AlertColor(), 0x000000FFu);
    EXPECT_EQ(icon.AlertLevel(), 12u);
    std::array<uint32_t, 16> heights;
    heights.fill(12);
    heights[2] = 2;
    heights[3] = 4;
    heights[4] = 0;
    EXPECT_EQ(Difference(Shown(icon).Colour, Columns(0x00FFFF, heights, 0x000000, 0x0000FF)), "");
    EXPECT_EQ(Tip(icon), "CPU usage: 42%");
}

TEST_F(HistoryTest, CpuNumberAndBar)
{
    CpuHistory->Push(7);
    TTrayIconCPU icon(TTrayIcon::StyleNumber);
    traytest::TPrimitiveIcon reference;
    reference.Text("7", 0x00FFFF, 0x000000);
    EXPECT_EQ(Difference(Shown(icon).Colour, Shown(reference).Colour), "") << "black on yellow";
    EXPECT_EQ(Tip(icon), "CPU usage: 7%");

    CpuHistory->Push(100);
    icon.Refresh(false);
    reference.Text("100", 0x00FFFF, 0x000000);
    EXPECT_EQ(Difference(Shown(icon).Colour, Shown(reference).Colour), "");
    EXPECT_EQ(Tip(icon), "CPU usage: 100%");

    icon.SetStyle(TTrayIcon::StyleBar);
    EXPECT_EQ(Difference(Shown(icon).Colour, Bar(0x00FFFF, 15, 0x0000FF)), "");
    CpuHistory->Push(50);
    icon.Refresh(false);
    EXPECT_EQ(Difference(Shown(icon).Colour, Bar(0x00FFFF, 8, 0x000000)), "");
}

TEST_F(HistoryTest, CpuIconWithoutHistoryKeepsItsLastPicture)
{
    CpuHistory->Push(50);
    TTrayIconCPU icon(TTrayIcon::StyleBar);
    const Picture before = Shown(icon).Colour;
    CpuHistory.reset();
    for (int style : {1, 2, 3}) {
        icon.SetStyle(style);
        EXPECT_EQ(Difference(Shown(icon).Colour, before), "") << style;
        EXPECT_EQ(Tip(icon), "CPU usage: 50%");
    }
}

// ------------------------------------------------------------------ status

namespace {

Picture ResourcePicture(const char* name)
{
    toolkit::UniqueIcon icon = LoadResourceIcon(name);
    EXPECT_TRUE(icon) << name;
    return icon ? traytest::ReadIcon(icon.Get()).Colour : Picture{};
}

}  // namespace

TEST(ResourceIcon, EveryStatusPictureIsItsOwn16By16Icon)
{
    const char* names[] = {"KALVORAICON", "STATUSWORK", "STATUSIDLE", "STATUSNORMAL", "STATUSOFF", "ICON1616"};
    std::set<std::array<COLORREF, 256>> distinct;
    for (const char* name : names) {
        toolkit::UniqueIcon icon = LoadResourceIcon(name);
        ASSERT_TRUE(icon) << name;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
        toolkit::UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bitmap{};
        GetObjectA(colour.Get(), sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 16) << name;
        EXPECT_EQ(bitmap.bmHeight, 16) << name;
        const Picture picture = traytest::ReadBitmap(colour.Get());
        std::set<COLORREF> colours(picture.Pixels.begin(), picture.Pixels.end());
        EXPECT_GE(colours.size(), 3u) << name << " is a picture, not a blank";
        distinct.insert(picture.Pixels);
    }
    EXPECT_EQ(distinct.size(), std::size(names));
}

TEST(ResourceIcon, StartsWithTheProgramIconAndLoadsOnlyANewName)
{
    TTrayIconResource icon;
    EXPECT_EQ(icon.IconName(), "KALVORAICON");
    EXPECT_EQ(Difference(Shown(icon).Colour, ResourcePicture("KALVORAICON")), "");
    EXPECT_EQ(Tip(icon), "");

    icon.SetIconName("STATUSWORK");
    icon.SetHint("Kalvora is working.");
    EXPECT_EQ(Difference(Shown(icon).Colour, ResourcePicture("STATUSWORK")), "");
    EXPECT_EQ(Tip(icon), "Kalvora is working.");

    // The current name neither reloads (same icon handle) nor refreshes
    // (a quietly changed hint does not reach the shell).
    HICON shown = icon.NotifyData().hIcon;
    const int updates = icon.ShellUpdates();
    icon.SetHintQuiet("changed quietly");
    icon.SetIconName("STATUSWORK");
    EXPECT_EQ(icon.NotifyData().hIcon, shown);
    EXPECT_EQ(Tip(icon), "Kalvora is working.");

    EXPECT_EQ(icon.ShellUpdates(), updates) << "nothing reached the shell";
    icon.Refresh(false);
    EXPECT_EQ(icon.ShellUpdates(), updates + 1) << "the quiet hint, on the next refresh";
    EXPECT_EQ(Tip(icon), "changed quietly");
    icon.Refresh(false);
    EXPECT_EQ(icon.ShellUpdates(), updates + 1);

    icon.SetIconName("NO SUCH ICON");
    EXPECT_EQ(icon.ShellUpdates(), updates + 2);
    EXPECT_EQ(icon.IconName(), "NO SUCH ICON");
    EXPECT_EQ(Difference(Shown(icon).Colour, ResourcePicture("KALVORAICON")), "");
    EXPECT_EQ(Tip(icon), "changed quietly");

    for (const char* name : {"STATUSIDLE", "STATUSNORMAL", "STATUSOFF", ""}) {
        icon.SetIconName(name);
        EXPECT_EQ(Difference(Shown(icon).Colour, ResourcePicture(*name ? name : "KALVORAICON")), "") << name;
    }
}

TEST(ResourceIcon, NeverDrawsWhateverTheStyle)
{
    TTrayIconResource icon;
    icon.SetIconName("STATUSNORMAL");
    for (int style : {2, 3, 1}) {
        icon.SetStyle(style);
        icon.SetBackColor(0x00123456);
        EXPECT_EQ(Difference(Shown(icon).Colour, ResourcePicture("STATUSNORMAL")), "") << style;
    }
}
