#pragma once
// What the engine is doing, as the status icon and the main window's status
// line tell it: the first row of the status table whose condition holds.
#include <string>

struct TEngineActivity {
    bool WorkerExists = false;
    bool InIdleWait = false;
    bool InDelay = false;
    bool BackgroundActivity = true;
    int IdleSecondsLeft = 0;
    int CpuPercent = 0;
    int CpuThresholdShown = 0;
    int PercentDone = 0;
    int DelayTotal = 0;
    int DelayElapsed = 0;
};

struct TEngineStatusRow {
    const char* IconName;    // an icon resource of the program
    const char* Hint;        // the status icon's tooltip
    const char* LineTemplate;
    bool AlwaysShown;        // otherwise only by the display settings
};

const TEngineStatusRow& EngineStatusRow(const TEngineActivity& activity);

// The row's template with %1..%6 replaced, in that order, by the figures.
std::string EngineStatusLine(const TEngineActivity& activity);

// Whether the status icon is shown for the row, given the display settings.
bool StatusIconShown(const TEngineStatusRow& row, bool programIcon, bool memoryIcon, bool cpuMonitoring);
