#include "engine/uHistories.h"

#include "engine/uMemoryFigures.h"
#include "monitor/uCpuUsage.h"

#include <windows.h>

std::unique_ptr<TIntArray> MemoryHistory;
std::unique_ptr<TIntArray> CpuHistory;

void InitMemoryState()
{
    InitMemoryFigures();
    MemoryHistory = std::make_unique<TIntArray>(0);
    CpuHistory.reset();
}

void FinishMemoryState()
{
    MemoryHistory.reset();
    CpuHistory.reset();
}

void SampleHistories()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    ::GlobalMemoryStatusEx(&status);
    MemoryHistory->Push(status.ullTotalPhys - status.ullAvailPhys);
    if (CpuHistory && MainCpuSampler) CpuHistory->Push(static_cast<uint64_t>(CpuLoadPercent(*MainCpuSampler)));
}
