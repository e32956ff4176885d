// The platform sampler: the real registry performance data and, where the
// block holds no processor object (Wine), NtQuerySystemInformation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "monitor/uCpuUsage.h"
#include "monitor/uPerfData.h"
#include "tests/monitor/CpuTestSupport.h"

using namespace cputest;

namespace {

unsigned ProcessorsOfTheSystem()
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

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

TEST(CpuPlatform, ABusyThreadShowsUp)
{
    TCpuUsageSampler sampler;
    sampler.Refresh();
    const int n = sampler.ProcessorCount();
    ASSERT_GE(n, 1);

    std::atomic<bool> stop{false};
    std::atomic<uint64_t> spins{0};
    std::thread busy([&] {
        while (!stop.load(std::memory_order_relaxed)) spins.fetch_add(1, std::memory_order_relaxed);
    });
    sampler.Refresh();  // the baseline, right as the spinning starts
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    sampler.Refresh();
    stop = true;
    busy.join();

    double busyProcessors = 0.0;
    for (int i = 0; i < n; ++i) busyProcessors += sampler.ProcessorUsage(i);
    // One spinning thread keeps about one processor busy for the interval;
    // 0.3 leaves room for a machine that gives the test less than a whole one.
    EXPECT_GT(busyProcessors, 0.3) << "over " << n << " processors";
    EXPECT_GT(spins.load(), 0u);

    // The same through the callers' formula, one more interval of spinning.
    stop = false;
    std::thread again([&] {
        while (!stop.load(std::memory_order_relaxed)) spins.fetch_add(1, std::memory_order_relaxed);
    });
    sampler.Refresh();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const int percent = AverageCpuPercent(sampler);
    stop = true;
    again.join();
    EXPECT_LE(percent, 100);
    EXPECT_GE(percent, 30 / n) << "over " << n << " processors";
    // With many processors one thread's share truncates to 0 percent.
    if (n <= 30) {
        EXPECT_GT(percent, 0) << "over " << n << " processors";
    }
}

TEST(CpuPlatform, TheTwoInstancesAreIndependent)
{
    CreateCpuSamplers();
    ASSERT_TRUE(MainCpuSampler);
    ASSERT_TRUE(WorkerCpuSampler);
    EXPECT_NE(MainCpuSampler.get(), WorkerCpuSampler.get());
    const int main = AverageCpuPercent(*MainCpuSampler);
    std::thread worker([] {
        for (int i = 0; i < 3; ++i) {
            AverageCpuPercent(*WorkerCpuSampler);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        WorkerCpuSampler->Release();
    });
    worker.join();
    EXPECT_GE(main, 0);
    EXPECT_EQ(MainCpuSampler->ProcessorCount(), WorkerCpuSampler->ProcessorCount());
    FinishCpuSamplers();
    EXPECT_FALSE(MainCpuSampler);
    EXPECT_FALSE(WorkerCpuSampler);
}

TEST(CpuPlatform, TheDynamicDataOfThe9xFamilyIsAbsentOrWorks)
{
    // Under NT (and Wine) HKEY_DYN_DATA has no statistics; the 9x path must
    // then fail with its own message and nothing else.
    TCpuUsageSampler sampler(CreateRegistryDynDataSource());
    const std::string error = ErrorOf([&] { sampler.Refresh(); });
    EXPECT_TRUE(error == "Unable to start performance monitoring" || error == "Unable to read performance data" ||
                error == "(no error)")
        << error;
    sampler.Release();
    sampler.Release();
}
