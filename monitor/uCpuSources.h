#pragma once
// Where the CPU usage sampler gets its figures from. Each source is a small
// seam so that tests can hand the sampler synthetic data; the real sources
// are thin wrappers over one platform call each.
#include <cstdint>
#include <memory>
#include <vector>

// NT path: the performance data block of HKEY_PERFORMANCE_DATA.
class IPerfDataSource {
public:
    virtual ~IPerfDataSource() = default;
    // Queries the value "238" into buffer, which holds bytes bytes. Returns
    // the registry result code (ERROR_SUCCESS, ERROR_MORE_DATA, ...) and
    // sets bytes to the number of bytes written.
    virtual long Query(uint8_t* buffer, unsigned long& bytes) = 0;
};

// One processor's cumulative times in 100-ns units: idle, and total (busy
// plus idle).
struct TProcessorTimes {
    int64_t Idle = 0;
    int64_t Total = 0;
};

// NT path where the performance data holds no processor object (Wine):
// per-processor times from NtQuerySystemInformation.
class IProcessorTimesSource {
public:
    virtual ~IProcessorTimesSource() = default;
    // Fills times with one entry per processor; false when unavailable.
    virtual bool Query(std::vector<TProcessorTimes>& times) = 0;
};

// 9x path: the kernel's dynamic statistics under HKEY_DYN_DATA. All values
// are the 4-byte "KERNEL\CPUUsage"; read results are ignored, as on the
// platform a failed read simply leaves value unchanged.
class IDynDataSource {
public:
    virtual ~IDynDataSource() = default;
    // Opens "PerfStats\StartStat" (full access), reads the value (which
    // switches the statistic on) and closes it. False when it cannot open.
    virtual bool StartStats(uint32_t& value) = 0;
    // Opens "PerfStats\StatData" for reading and holds it open.
    virtual bool OpenStatData() = 0;
    // Reads the value from the held "PerfStats\StatData" key.
    virtual void ReadStatData(uint32_t& value) = 0;
    virtual void CloseStatData() = 0;
    // Opens "PerfStats\StopStat" (full access), reads the value (which
    // switches the statistic off) and closes it; nothing when it cannot open.
    virtual void StopStats(uint32_t& value) = 0;
};

// The platform's sources.
std::unique_ptr<IPerfDataSource> CreateRegistryPerfDataSource();
std::unique_ptr<IProcessorTimesSource> CreateNtProcessorTimesSource();
std::unique_ptr<IDynDataSource> CreateRegistryDynDataSource();
