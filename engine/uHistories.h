#pragma once
// The two process-wide sample histories: used memory in bytes, and (only
// while CPU monitoring is on) the average CPU load in whole percent.
#include "engine/uIntArray.h"

#include <memory>

extern std::unique_ptr<TIntArray> MemoryHistory;
extern std::unique_ptr<TIntArray> CpuHistory;  // none while CPU monitoring is off

// Process start: memory figures, then the memory history (empty CPU history).
void InitMemoryState();
// Process end: both histories go.
void FinishMemoryState();

// One memory sample and, when CpuHistory exists, one CPU sample through
// MainCpuSampler. Main thread only.
void SampleHistories();
