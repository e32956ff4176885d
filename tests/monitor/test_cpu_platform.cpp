// The platform sampler: the real registry performance data and, where the
// block holds no processor object (Wine), NtQuerySystemInformation.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "monitor/uCpuUsage.h"
#include "monitor/uPerfData.h"
#include "tests/monitor/CpuTestSupport.h"
#include "tests/support/BusyThreads.h"
#include "toolkit/Handles.h"

using namespace cputest;

namespace {

// The real block's verdict on the processor object.
perfdata::WalkStatus RealBlockProcessorObject()
{
    auto source = CreateRegistryPerfDataSource();
    std::vector<uint8_t> buffer(8192);
    unsigned long bytes = 0;
    long result;
    for (;;) {
        bytes = static_cast<unsigned long>(buffer.size());
        result = source->Query(buffer.data(), bytes);
        if (result != ERROR_MORE_DATA) break;
        buffer.resize(buffer.size() + 4096);
    }
    if (bytes > buffer.size()) bytes = static_cast<unsigned long>(buffer.size());
    perfdata::TPerfObject object;
    return perfdata::TPerfDataView(buffer.data(), bytes).FindObject(perfdata::ProcessorObjectIndex, object);
}

// One interval between two refreshes during which every processor had a
// spinning thread of ours: the processor time this process was given in it,
// and a wall time that is at least as long as the interval itself.
struct BusyInterval {
    double Cpu = 0.0;
    double Wall = 0.0;
};

// refresh takes the sampler's snapshot at the end of the interval.
template <class Refresh>
BusyInterval MeasureBusyInterval(TCpuUsageSampler& sampler, unsigned threads, Refresh&& refresh)
{
    BusyThreads busy(threads);
    BusyInterval interval;
    const double wallStart = WallSeconds();
    sampler.Refresh();
    const double cpuStart = ProcessCpuSeconds();
    // Long enough to stand well above the counters' 10 ms resolution.
    EXPECT_TRUE(WaitForProcessCpu(cpuStart, 0.4 * threads, 120000)) << "the machine gave the test no processor time";
    interval.Cpu = ProcessCpuSeconds() - cpuStart;
    refresh();
    interval.Wall = WallSeconds() - wallStart;
    busy.Stop();
    EXPECT_GT(busy.Spins(), 0u);
    return interval;
}

// The busy time any sampler must at least report for an interval: what this
// process alone used, less the counters' resolution (10 ms per reading and
// processor) and a tenth for the clocks not being the same.
double LeastBusySeconds(const BusyInterval& interval, int processors)
{
    return 0.9 * interval.Cpu - 0.02 * (processors + 1);
}

}  // namespace

TEST(CpuPlatform, TheSamplerIsOnTheNTPath)
{
    TCpuUsageSampler sampler;
    EXPECT_TRUE(sampler.IsNT());
}

TEST(CpuPlatform, TheFallbackIsTakenExactlyWhenTheBlockHasNoProcessorObject)
{
    const perfdata::WalkStatus status = RealBlockProcessorObject();
    ASSERT_NE(status, perfdata::WalkStatus::Malformed);
    TCpuUsageSampler sampler;
    sampler.Refresh();
    EXPECT_EQ(sampler.UsesProcessorTimes(), status == perfdata::WalkStatus::NotFound);
    if (sampler.UsesProcessorTimes()) {
        EXPECT_EQ(sampler.ProcessorCount(), static_cast<int>(ProcessorsOfTheSystem()));
    }
    EXPECT_GE(sampler.ProcessorCount(), 1);
}

TEST(CpuPlatform, ProcessorTimesComeFromNtQuerySystemInformation)
{
    auto source = CreateNtProcessorTimesSource();
    std::vector<TProcessorTimes> times;
    ASSERT_TRUE(source->Query(times));
    EXPECT_EQ(times.size(), ProcessorsOfTheSystem());
    for (const TProcessorTimes& t : times) {
        EXPECT_GE(t.Idle, 0);
        EXPECT_GE(t.Total, t.Idle);  // kernel time includes idle time
    }
}

// However loaded the machine, the processors were busy for at least the time
// our own spinning threads were given, and never more than all the time.
TEST(CpuPlatform, BusyProcessorsShowAtLeastTheTimeTheTestWasGiven)
{
    TCpuUsageSampler sampler;
    sampler.Refresh();
    const int n = sampler.ProcessorCount();
    ASSERT_GE(n, 1);

    const BusyInterval first = MeasureBusyInterval(sampler, static_cast<unsigned>(n), [&] { sampler.Refresh(); });
    double busyProcessors = 0.0;
    for (int i = 0; i < n; ++i) {
        const double usage = sampler.ProcessorUsage(i);
        EXPECT_GE(usage, -0.05) << "processor " << i;
        EXPECT_LE(usage, 1.05) << "processor " << i;
        busyProcessors += usage;
    }
    EXPECT_GE(busyProcessors * first.Wall, LeastBusySeconds(first, n))
        << busyProcessors << " busy processors over " << first.Wall << " s, the test used " << first.Cpu
        << " s of processor time";

    // The same through the callers' formula: AverageCpuPercent refreshes at
    // the end of the interval. Its truncation costs up to one percent.
    int percent = -1;
    const BusyInterval second =
        MeasureBusyInterval(sampler, static_cast<unsigned>(n), [&] { percent = AverageCpuPercent(sampler); });
    EXPECT_LE(percent, 100);
    EXPECT_GE((percent + 1) / 100.0 * n * second.Wall, LeastBusySeconds(second, n))
        << percent << " % of " << n << " processors over " << second.Wall << " s, the test used " << second.Cpu
        << " s of processor time";
}

TEST(CpuPlatform, TheTwoInstancesKeepTheirOwnBaselines)
{
    CreateCpuSamplers();
    ASSERT_TRUE(MainCpuSampler);
    ASSERT_TRUE(WorkerCpuSampler);
    MainCpuSampler->Refresh();
    {
        BusyThreads busy(1);
        ASSERT_TRUE(WaitForProcessCpu(ProcessCpuSeconds(), 0.05, 60000));
    }
    MainCpuSampler->Refresh();
    const int n = MainCpuSampler->ProcessorCount();
    std::vector<double> main(n);
    for (int i = 0; i < n; ++i) main[i] = MainCpuSampler->ProcessorUsage(i);

    // The worker's refreshes, on a thread of their own, move only its own
    // snapshots: the main instance still describes its last interval.
    std::thread worker([] {
        for (int i = 0; i < 3; ++i) {
            AverageCpuPercent(*WorkerCpuSampler);
            BusyThreads busy(1);
            WaitForProcessCpu(ProcessCpuSeconds(), 0.02, 60000);
        }
        WorkerCpuSampler->Release();
    });
    worker.join();
    EXPECT_EQ(WorkerCpuSampler->ProcessorCount(), n);
    // Equal to the last ulps only: on the 32-bit build the x87 unit may round
    // the same quotient once at 64 and once at 53 bits; a moved baseline
    // changes the figure far more than that.
    for (int i = 0; i < n; ++i) EXPECT_DOUBLE_EQ(MainCpuSampler->ProcessorUsage(i), main[i]) << "processor " << i;

    FinishCpuSamplers();
    EXPECT_FALSE(MainCpuSampler);
    EXPECT_FALSE(WorkerCpuSampler);
}

TEST(CpuPlatform, TheDynamicDataOfThe9xFamilyIsAbsentOnNT)
{
    // Only the 9x family has the kernel statistics under HKEY_DYN_DATA; on NT
    // (and Wine) the start key does not open, so the 9x path fails with the
    // start message and stays stopped.
    {
        toolkit::UniqueRegKey start;
        ASSERT_NE(RegOpenKeyExA(HKEY_DYN_DATA, "PerfStats\\StartStat", 0, KEY_ALL_ACCESS, start.Put()), ERROR_SUCCESS)
            << "this system has the 9x statistics";
    }
    TCpuUsageSampler sampler(CreateRegistryDynDataSource());
    EXPECT_EQ(ErrorOf([&] { sampler.Refresh(); }), "Unable to start performance monitoring");
    EXPECT_EQ(ErrorOf([&] { sampler.ProcessorUsage(0); }), "Unable to start performance monitoring")
        << "still stopped: the reading starts again";
    EXPECT_EQ(sampler.ProcessorCount(), 1);
    EXPECT_EQ(ErrorOf([&] { sampler.Release(); }), "(no error)");
    EXPECT_EQ(ErrorOf([&] { sampler.Release(); }), "(no error)");
}
