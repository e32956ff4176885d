#pragma once
// The CPU monitor icon: the processor load as a chart of recent samples, as
// a number, or as a level bar, black on yellow, with a tooltip stating it.
// Reads CpuHistory (whole percent, slot 999 the newest); while that does not
// exist the icon keeps its last picture.
#include "monitor/uTrayIcon.h"

#include <cstdint>
#include <string>

constexpr COLORREF TrayYellow = 0x0000FFFF;

class TTrayIconCPU final : public TTrayIcon {
public:
    // Shown at once, already in the given style and its own colours.
    explicit TTrayIconCPU(int style = StyleChart);

protected:
    void DrawChart(HDC dc) override;
    void DrawNumber(HDC dc) override;
    void DrawBar(HDC dc) override;
};

// A load as a chart column: percent * 15 / 100 rounded half to even
// (10 gives 2, 30 gives 4), at most 15.
uint32_t CpuColumnHeight(uint64_t percent);
std::string CpuHint(uint64_t percent);
