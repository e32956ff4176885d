#include "engine/uMemoryFigures.h"

#include <windows.h>

uint64_t TotalPhysBytes = 0;
int TotalPhysMB = 0;

namespace {
MEMORYSTATUSEX ReadMemoryStatus()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    ::GlobalMemoryStatusEx(&status);
    return status;
}
}  // namespace

int TotalMBFromBytes(uint64_t totalBytes)
{
    return static_cast<int>(static_cast<double>(totalBytes) / 1048576.0 + 0.99);
}

void InitMemoryFigures()
{
    TotalPhysBytes = ReadMemoryStatus().ullTotalPhys;
    TotalPhysMB = TotalMBFromBytes(TotalPhysBytes);
}

uint64_t AvailPhysBytes() { return ReadMemoryStatus().ullAvailPhys; }

int UsedPhysMB() { return TotalPhysMB - static_cast<int>(AvailPhysBytes() >> 20); }
