#pragma once
// The memory monitor icon: the used physical memory as a chart of recent
// samples, as a number, or as a level bar, with a tooltip stating it. Reads
// MemoryHistory (used bytes, slot 999 the newest) and TotalPhysMB.
#include "engine/uIntArray.h"
#include "monitor/uTrayIcon.h"

#include <array>
#include <cstdint>
#include <string>

class TTrayIconMemory final : public TTrayIcon {
public:
    // Shown at once, already in the given style.
    explicit TTrayIconMemory(int style = StyleChart);

protected:
    void DrawChart(HDC dc) override;
    void DrawNumber(HDC dc) override;
    void DrawBar(HDC dc) override;
};

// Chart columns: slot 983 + i scaled so that totalBytes fills 15 pixels,
// truncated. Columns 1..15 thereby show slots 984..998.
std::array<uint32_t, 16> MemoryChartHeights(const TIntArray& history, uint64_t totalBytes);
// Whole MB below 1000 ("512"), else whole GB of 1024 MB, at most 99 ("2G").
std::string MemoryNumberText(uint64_t usedBytes);
// Used whole MB as a percentage of totalMB, rounded half to even.
uint64_t MemoryBarPercent(uint64_t usedBytes, int totalMB);
std::string MemoryHint(uint64_t usedBytes, int totalMB);
