#include "monitor/uTrayIconCPU.h"

#include "engine/uHistories.h"

#include <algorithm>
#include <array>

namespace {
constexpr int NewestSlot = TIntArray::Capacity() - 1;
constexpr int FirstChartSlot = NewestSlot - 16;  // 983: column x shows slot 983 + x
}  // namespace

uint32_t CpuColumnHeight(uint64_t percent)
{
    // Whole numbers, so that halves are found exactly.
    const uint64_t scaled = std::min<uint64_t>(percent, 100) * 15;
    uint64_t height = scaled / 100;
    const uint64_t rest = scaled % 100;
    if (rest > 50 || (rest == 50 && height % 2 == 1)) ++height;
    return static_cast<uint32_t>(height);
}

std::string CpuHint(uint64_t percent) { return ReplacePlaceholder("CPU usage: %1%", "%1", std::to_string(percent)); }

TTrayIconCPU::TTrayIconCPU(int style) : TTrayIcon(DeferShow{})
{
    SetBackColor(TrayYellow);
    SetNormalColor(TrayBlack);
    SetAlertColor(TrayRed);
    SetStyle(style);
    Show();
}

void TTrayIconCPU::DrawChart(HDC dc)
{
    if (!CpuHistory) return;
    std::array<uint32_t, 16> heights{};
    for (int i = 0; i < 16; ++i) heights[static_cast<size_t>(i)] = CpuColumnHeight(CpuHistory->Get(FirstChartSlot + i));
    DrawColumns(dc, heights);
    SetHintQuiet(CpuHint(CpuHistory->Last()));
}

void TTrayIconCPU::DrawNumber(HDC dc)
{
    if (!CpuHistory) return;
    DrawText(dc, std::to_string(CpuHistory->Last()), BackColor(), NormalColor());
    SetHintQuiet(CpuHint(CpuHistory->Last()));
}

void TTrayIconCPU::DrawBar(HDC dc)
{
    if (!CpuHistory) return;
    DrawLevelBar(dc, CpuHistory->Last());
    SetHintQuiet(CpuHint(CpuHistory->Last()));
}
