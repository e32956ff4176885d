// Program entry.
#include "engine/uHistories.h"
#include "monitor/uCpuUsage.h"
#include "toolkit/Application.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    InitMemoryState();
    CreateCpuSamplers();
    int exitCode = 0;
    FinishCpuSamplers();
    FinishMemoryState();
    return exitCode;
}
