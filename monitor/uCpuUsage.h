#pragma once
// CPU usage sampler: how busy each processor was between the last two
// refreshes. Two instances exist, each with its own baseline: the main
// thread's for the history, the free-up worker's for its idle wait.
//
// NT path: each Refresh queries the performance data block (value "238" of
// HKEY_PERFORMANCE_DATA) and keeps the idle-time counter of every processor
// instance and the block's time stamp; ProcessorUsage(i) is
// 1 - idle difference / time difference of the last two refreshes.
// Where the block holds no processor object at all (Wine answers with an
// empty block) and a processor-times source was given, as the default
// constructor does, the sampler takes each processor's idle and total times
// from NtQuerySystemInformation instead, with the same two-snapshot formula,
// and keeps to that source from then on.
// 9x path: the kernel's dynamic statistics give a ready-made percentage.
//
// Failures throw toolkit::Error with the user-facing messages. The sampler
// catches nothing; an instance is used by one thread at a time.
#include <cstdint>
#include <memory>
#include <vector>

#include "monitor/uCpuSources.h"

struct _OSVERSIONINFOA;

class TCpuUsageSampler {
public:
    // The platform's GetVersionExA, or a stand-in for tests.
    using TGetVersionFunction = int(__stdcall*)(_OSVERSIONINFOA*);

    // The platform sampler: GetVersionExA chooses the path; NT reads the
    // registry's performance data (with the NtQuerySystemInformation
    // fallback), 9x the dynamic data. Throws "Can't get the Windows version".
    TCpuUsageSampler();
    explicit TCpuUsageSampler(TGetVersionFunction getVersion);
    // NT path over the given sources. Without processorTimes, a block without
    // a processor object raises "Unable to locate the "Processor"
    // performance object".
    explicit TCpuUsageSampler(std::unique_ptr<IPerfDataSource> perfData,
                              std::unique_ptr<IProcessorTimesSource> processorTimes = nullptr);
    // 9x path over the given source.
    explicit TCpuUsageSampler(std::unique_ptr<IDynDataSource> dynData);
    ~TCpuUsageSampler();  // Release, then the data buffer is freed
    TCpuUsageSampler(const TCpuUsageSampler&) = delete;
    TCpuUsageSampler& operator=(const TCpuUsageSampler&) = delete;

    void Refresh();
    int ProcessorCount();
    double ProcessorUsage(int index);  // 1.0 is fully busy; not clamped
    void Release();

    // For tests: the NT data buffer's current size and the path taken.
    uint32_t BufferSize() const { return DataBufferSize; }
    bool IsNT() const { return PlatformIsNT; }
    bool UsesProcessorTimes() const { return UseProcessorTimes; }

private:
    void InitBuffer();
    void RefreshNT();
    void RefreshFromProcessorTimes();
    void Refresh9x();
    unsigned long QueryPerfData();  // the bytes the query returned
    void CreateCounters(int32_t count);

    bool PlatformIsNT = true;
    std::vector<uint8_t> DataBuffer;
    uint32_t DataBufferSize = 0;
    int32_t InstanceCount = -1;
    std::vector<int64_t> CurrentCounters;
    std::vector<int64_t> PreviousCounters;
    uint64_t CurrentTime = 0;
    uint64_t PreviousTime = 0;
    bool StatsStarted = false;
    uint32_t LoadPercent9x = 0;

    // Fallback (processor-times source): total time per processor takes the
    // place of the block's time stamp.
    bool UseProcessorTimes = false;
    std::vector<int64_t> CurrentTotals;
    std::vector<int64_t> PreviousTotals;
    std::vector<TProcessorTimes> TimesBuffer;
    std::vector<int64_t> ValuesBuffer;

    std::unique_ptr<IPerfDataSource> PerfData;
    std::unique_ptr<IProcessorTimesSource> ProcessorTimes;
    std::unique_ptr<IDynDataSource> DynData;  // holds StatDataKey
};

// Refresh, then the average load of all processors in whole percent,
// truncated toward zero.
int AverageCpuPercent(TCpuUsageSampler& sampler);
// The same within 0 to 100: a counter that runs ahead of the clock (idle
// time above the elapsed time, a clock step) must not read as a load below
// nothing or above everything.
int CpuLoadPercent(TCpuUsageSampler& sampler);

extern std::unique_ptr<TCpuUsageSampler> MainCpuSampler;
extern std::unique_ptr<TCpuUsageSampler> WorkerCpuSampler;

// Process start (before any window) and process end.
void CreateCpuSamplers();
void FinishCpuSamplers();
