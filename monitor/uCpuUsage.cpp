#include "monitor/uCpuUsage.h"

#include <cmath>
#include <climits>

#include <windows.h>

#include "monitor/uPerfData.h"
#include "toolkit/Error.h"

namespace {

constexpr uint32_t InitialBufferSize = 8192;
constexpr uint32_t BufferGrowth = 4096;
constexpr DWORD VersionRecordSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == VersionRecordSize);

constexpr const char* MsgNoVersion = "Can't get the Windows version";
constexpr const char* MsgNoProcessorObject = "Unable to locate the \"Processor\" performance object";
constexpr const char* MsgNoIdleCounter = "Unable to locate the \"% of CPU usage\" performance counter";
constexpr const char* MsgCannotStart = "Unable to start performance monitoring";
constexpr const char* MsgCannotRead = "Unable to read performance data";
constexpr const char* MsgIndex = "CPU index out of bounds";

// GetVersionExA is deprecated, but its platform identifier is exactly what
// the sampler chooses its path by.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
int __stdcall PlatformGetVersion(_OSVERSIONINFOA* info)
{
    return ::GetVersionExA(info);
}
#if defined(_MSC_VER)
#pragma warning(pop)
#endif

// Differences of counters that may be anything (a broken block, a counter
// that went backwards) without signed overflow.
int64_t Difference(int64_t current, int64_t previous)
{
    return static_cast<int64_t>(static_cast<uint64_t>(current) - static_cast<uint64_t>(previous));
}

}  // namespace

TCpuUsageSampler::TCpuUsageSampler() : TCpuUsageSampler(&PlatformGetVersion) {}

TCpuUsageSampler::TCpuUsageSampler(TGetVersionFunction getVersion)
{
    InitBuffer();
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = VersionRecordSize;
    if (!getVersion(&version)) throw toolkit::Error(MsgNoVersion);
    PlatformIsNT = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (PlatformIsNT) {
        PerfData = CreateRegistryPerfDataSource();
        ProcessorTimes = CreateNtProcessorTimesSource();
    } else {
        DynData = CreateRegistryDynDataSource();
    }
}

TCpuUsageSampler::TCpuUsageSampler(std::unique_ptr<IPerfDataSource> perfData,
                                   std::unique_ptr<IProcessorTimesSource> processorTimes)
    : PlatformIsNT(true), PerfData(std::move(perfData)), ProcessorTimes(std::move(processorTimes))
{
    InitBuffer();
}

TCpuUsageSampler::TCpuUsageSampler(std::unique_ptr<IDynDataSource> dynData)
    : PlatformIsNT(false), DynData(std::move(dynData))
{
    InitBuffer();
}

TCpuUsageSampler::~TCpuUsageSampler()
{
    try {
        Release();
    } catch (...) {
        // Nothing in Release throws; a destructor must not either way.
    }
}

void TCpuUsageSampler::InitBuffer()
{
    InstanceCount = -1;
    DataBufferSize = InitialBufferSize;
    DataBuffer.assign(DataBufferSize, 0);
}

void TCpuUsageSampler::Refresh()
{
    if (PlatformIsNT)
        RefreshNT();
    else
        Refresh9x();
}

unsigned long TCpuUsageSampler::QueryPerfData()
{
    for (;;) {
        unsigned long bytes = DataBufferSize;
        const long result = PerfData->Query(DataBuffer.data(), bytes);
        if (result == ERROR_MORE_DATA) {
            DataBufferSize += BufferGrowth;
            DataBuffer.resize(DataBufferSize);
            continue;
        }
        // Any other result is accepted; the walk is bounded by what came back.
        return bytes < DataBufferSize ? bytes : DataBufferSize;
    }
}

void TCpuUsageSampler::CreateCounters(int32_t count)
{
    InstanceCount = count;
    CurrentCounters.assign(count, 0);
    PreviousCounters.assign(count, 0);
    ValuesBuffer.assign(count, 0);
}

void TCpuUsageSampler::RefreshNT()
{
    if (UseProcessorTimes) {
        RefreshFromProcessorTimes();
        return;
    }
    using namespace perfdata;
    const TPerfDataView view(DataBuffer.data(), QueryPerfData());

    TPerfObject object;
    const WalkStatus found = view.FindObject(ProcessorObjectIndex, object);
    if (found != WalkStatus::Found) {
        // A sound block without any processor object (Wine): the processor
        // times take over for good, as long as no count came from a block.
        if (found == WalkStatus::NotFound && ProcessorTimes && InstanceCount < 0) {
            RefreshFromProcessorTimes();
            return;
        }
        throw toolkit::Error(MsgNoProcessorObject);
    }
    if (InstanceCount < 0) CreateCounters(object.Header.NumInstances);

    uint32_t counterOffset = 0;
    if (view.FindCounter(object, IdleCounterIndex, counterOffset) != WalkStatus::Found)
        throw toolkit::Error(MsgNoIdleCounter);
    // Everything is read before anything is kept, so a malformed block leaves
    // the last good snapshot in place.
    if (!view.ReadInstanceValues(object, counterOffset, ValuesBuffer.data(), InstanceCount))
        throw toolkit::Error(MsgNoIdleCounter);
    SYSTEMTIME systemTime;
    FILETIME fileTime;
    if (!view.ReadSystemTime(systemTime) || !::SystemTimeToFileTime(&systemTime, &fileTime))
        throw toolkit::Error(MsgNoProcessorObject);

    for (int32_t i = 0; i < InstanceCount; ++i) {
        PreviousCounters[i] = CurrentCounters[i];
        CurrentCounters[i] = ValuesBuffer[i];
    }
    PreviousTime = CurrentTime;
    CurrentTime = (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

void TCpuUsageSampler::RefreshFromProcessorTimes()
{
    if (!ProcessorTimes->Query(TimesBuffer)) throw toolkit::Error(MsgNoProcessorObject);
    if (InstanceCount < 0) {
        if (TimesBuffer.size() > static_cast<size_t>(INT32_MAX)) throw toolkit::Error(MsgNoProcessorObject);
        CreateCounters(static_cast<int32_t>(TimesBuffer.size()));
        CurrentTotals.assign(InstanceCount, 0);
        PreviousTotals.assign(InstanceCount, 0);
        UseProcessorTimes = true;
    }
    if (TimesBuffer.size() < static_cast<size_t>(InstanceCount)) throw toolkit::Error(MsgNoProcessorObject);
    for (int32_t i = 0; i < InstanceCount; ++i) {
        PreviousCounters[i] = CurrentCounters[i];
        CurrentCounters[i] = TimesBuffer[i].Idle;
        PreviousTotals[i] = CurrentTotals[i];
        CurrentTotals[i] = TimesBuffer[i].Total;
    }
}

void TCpuUsageSampler::Refresh9x()
{
    if (!StatsStarted) {
        if (!DynData->StartStats(LoadPercent9x)) throw toolkit::Error(MsgCannotStart);
        if (!DynData->OpenStatData()) throw toolkit::Error(MsgCannotRead);
        StatsStarted = true;
    }
    DynData->ReadStatData(LoadPercent9x);
}

int TCpuUsageSampler::ProcessorCount()
{
    if (!PlatformIsNT) return 1;
    if (InstanceCount < 0) Refresh();
    return InstanceCount;
}

double TCpuUsageSampler::ProcessorUsage(int index)
{
    if (!PlatformIsNT) {
        if (index != 0) throw toolkit::Error(MsgIndex);
        if (!StatsStarted) Refresh();
        return LoadPercent9x / 100.0;
    }
    if (InstanceCount < 0) Refresh();
    if (index < 0 || index >= InstanceCount) throw toolkit::Error(MsgIndex);
    const int64_t idle = Difference(CurrentCounters[index], PreviousCounters[index]);
    int64_t elapsed;
    if (UseProcessorTimes)
        elapsed = Difference(CurrentTotals[index], PreviousTotals[index]);
    else
        elapsed = Difference(static_cast<int64_t>(CurrentTime), static_cast<int64_t>(PreviousTime));
    if (elapsed == 0) return 0.0;
    return 1.0 - static_cast<double>(idle) / static_cast<double>(elapsed);
}

void TCpuUsageSampler::Release()
{
    if (PlatformIsNT || !StatsStarted) return;
    StatsStarted = false;
    DynData->CloseStatData();
    DynData->StopStats(LoadPercent9x);
}

int AverageCpuPercent(TCpuUsageSampler& sampler)
{
    sampler.Refresh();
    const int n = sampler.ProcessorCount();
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += sampler.ProcessorUsage(i) / n;
    // Truncated toward zero; the usage is not clamped, so keep the
    // conversion defined for any value.
    const double percent = std::trunc(sum * 100.0);
    if (!(percent == percent)) return 0;
    if (percent >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (percent <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(percent);
}

int CpuLoadPercent(TCpuUsageSampler& sampler)
{
    const int percent = AverageCpuPercent(sampler);
    return percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

std::unique_ptr<TCpuUsageSampler> MainCpuSampler;
std::unique_ptr<TCpuUsageSampler> WorkerCpuSampler;

void CreateCpuSamplers()
{
    MainCpuSampler = std::make_unique<TCpuUsageSampler>();
    WorkerCpuSampler = std::make_unique<TCpuUsageSampler>();
}

void FinishCpuSamplers()
{
    WorkerCpuSampler.reset();
    MainCpuSampler.reset();
}
