#include "engine/uEngineStatus.h"

#include "toolkit/ReplaceAll.h"

namespace {

const TEngineStatusRow Working{"STATUSWORK", "Kalvora is working.", "working (%4% done)", true};
const TEngineStatusRow IdleWait{"STATUSIDLE", "Kalvora is waiting for idle time.",
                                "detecting idle (%1 sec, CPU %2%/%3%)", true};
const TEngineStatusRow Delay{"STATUSIDLE", "Kalvora is waiting.", "waiting for %5 seconds (%6).", true};
const TEngineStatusRow Monitoring{"STATUSNORMAL", "Kalvora is monitoring your system.", "monitoring", false};
const TEngineStatusRow Off{"STATUSOFF", "Kalvora", "monitoring - no background activity", false};

}  // namespace

const TEngineStatusRow& EngineStatusRow(const TEngineActivity& activity)
{
    if (activity.WorkerExists) {
        if (!activity.InIdleWait && !activity.InDelay) return Working;
        return activity.InIdleWait ? IdleWait : Delay;
    }
    return activity.BackgroundActivity ? Monitoring : Off;
}

std::string EngineStatusLine(const TEngineActivity& activity)
{
    std::string line = EngineStatusRow(activity).LineTemplate;
    const int figures[] = {activity.IdleSecondsLeft, activity.CpuPercent, activity.CpuThresholdShown,
                           activity.PercentDone,     activity.DelayTotal, activity.DelayElapsed};
    for (int i = 0; i < 6; ++i)
        line = toolkit::ReplaceAll(line, "%" + std::to_string(i + 1), std::to_string(figures[i]));
    return line;
}

bool StatusIconShown(const TEngineStatusRow& row, bool programIcon, bool memoryIcon, bool cpuMonitoring)
{
    return row.AlwaysShown || programIcon || (!memoryIcon && !cpuMonitoring);
}
