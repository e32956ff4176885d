#include "monitor/uTrayIconMemory.h"

#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int NewestSlot = TIntArray::Capacity() - 1;
constexpr int FirstChartSlot = NewestSlot - 16;  // 983: column x shows slot 983 + x

uint64_t WholeMB(uint64_t bytes) { return bytes >> 20; }

// Asked afresh at every drawing rather than taken from the start-up figure.
uint64_t TotalPhysicalBytes()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    return ::GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

}  // namespace

std::array<uint32_t, 16> MemoryChartHeights(const TIntArray& history, uint64_t totalBytes)
{
    std::array<uint32_t, 16> heights{};
    if (totalBytes == 0) return heights;
    for (int i = 0; i < 16; ++i) {
        const double scaled = static_cast<double>(history.Get(FirstChartSlot + i)) * 15.0 / static_cast<double>(totalBytes);
        heights[static_cast<size_t>(i)] = static_cast<uint32_t>(std::min(scaled, 15.0));
    }
    return heights;
}

std::string MemoryNumberText(uint64_t usedBytes)
{
    const uint64_t mb = WholeMB(usedBytes);
    if (mb < 1000) return std::to_string(mb);
    return std::to_string(std::min<uint64_t>(mb >> 10, 99)) + "G";
}

uint64_t MemoryBarPercent(uint64_t usedBytes, int totalMB)
{
    if (totalMB <= 0) return 0;
    // nearbyint rounds halves to the even neighbour in the default mode.
    return static_cast<uint64_t>(std::nearbyint(static_cast<double>(WholeMB(usedBytes)) / totalMB * 100.0));
}

std::string MemoryHint(uint64_t usedBytes, int totalMB)
{
    std::string hint = ReplacePlaceholder("Memory usage: %1 MB from %2 MB is used.", "%1", std::to_string(WholeMB(usedBytes)));
    return ReplacePlaceholder(hint, "%2", std::to_string(totalMB));
}

TTrayIconMemory::TTrayIconMemory(int style) : TTrayIcon(DeferShow{})
{
    SetStyle(style);
    Show();
}

void TTrayIconMemory::DrawChart(HDC dc)
{
    if (!MemoryHistory) return;
    DrawColumns(dc, MemoryChartHeights(*MemoryHistory, TotalPhysicalBytes()));
    SetHintQuiet(MemoryHint(MemoryHistory->Last(), TotalPhysMB));
}

void TTrayIconMemory::DrawNumber(HDC dc)
{
    if (!MemoryHistory) return;
    // Always black: the memory number does not use the normal colour.
    DrawText(dc, MemoryNumberText(MemoryHistory->Last()), BackColor(), TrayBlack);
    SetHintQuiet(MemoryHint(MemoryHistory->Last(), TotalPhysMB));
}

void TTrayIconMemory::DrawBar(HDC dc)
{
    if (!MemoryHistory) return;
    DrawLevelBar(dc, MemoryBarPercent(MemoryHistory->Last(), TotalPhysMB));
    SetHintQuiet(MemoryHint(MemoryHistory->Last(), TotalPhysMB));
}
