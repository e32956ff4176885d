#include "engine/uHistories.h"
#include "engine/uIntArray.h"
#include "engine/uMemoryFigures.h"
#include "engine/uSizeText.h"
#include "monitor/uCpuUsage.h"
#include "tests/support/BusyThreads.h"
#include "tests/support/SavedLocaleInfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <windows.h>

#include <algorithm>
#include <cmath>

TEST(IntArray, StartsFullOfTheFillValueAndPushesAtTheEnd)
{
    TIntArray history(0);
    for (int i = 0; i < TIntArray::Capacity(); ++i) ASSERT_EQ(history.Get(i), 0u) << i;
    history.Push(7);
    EXPECT_EQ(history.Last(), 7u);
    EXPECT_EQ(history.Get(998), 0u);

    TIntArray filled(5);
    EXPECT_EQ(filled.Get(0), 5u);
    EXPECT_EQ(filled.Last(), 5u);
}

TEST(IntArray, After1001PushesTheFirstValueIsGone)
{
    TIntArray history(0);
    for (uint64_t value = 1; value <= 1001; ++value) history.Push(value);
    EXPECT_EQ(history.Get(0), 2u);
    EXPECT_EQ(history.Get(999), 1001u);
}

TEST(IntArray, HoldsByteCountsAbove4GBAndTruncatesToMB)
{
    TIntArray history(0);
    const uint64_t sixGBAndAHalfMB = (6ull << 30) + (1u << 19);
    history.Push(sixGBAndAHalfMB);
    EXPECT_EQ(history.Last(), sixGBAndAHalfMB);
    EXPECT_EQ(history.GetMB(999), 6u * 1024u);
}

TEST(MemoryFigures, TotalMBCountsAnyFractionFromAHundredthUp)
{
    struct Case { uint64_t bytes; int mb; };
    const Case cases[] = {
        {1048576ull * 1024, 1024},
        {1048576ull * 1024 + 1048576 / 50, 1025},  // 0.02 MB over
        {1048576ull * 1024 + 1048576 / 200, 1024},  // 0.005 MB over
        {1048576ull * 16384, 16384},                // beyond what 32 bits could count
    };
    for (const Case& c : cases) EXPECT_EQ(TotalMBFromBytes(c.bytes), c.mb) << c.bytes;
}

TEST(MemoryFigures, ReadsTheMachine)
{
    InitMemoryState();
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    EXPECT_EQ(TotalPhysBytes, status.ullTotalPhys);
    EXPECT_EQ(TotalPhysMB, TotalMBFromBytes(status.ullTotalPhys));
    EXPECT_GT(AvailPhysBytes(), 0u);
    EXPECT_LE(AvailPhysBytes(), TotalPhysBytes);
    EXPECT_GE(UsedPhysMB(), 0);
    EXPECT_LE(UsedPhysMB(), TotalPhysMB);

    ASSERT_TRUE(MemoryHistory);
    EXPECT_FALSE(CpuHistory);
    SampleHistories();  // without CPU monitoring: memory only
    EXPECT_GT(MemoryHistory->Last(), 0u);
    EXPECT_LE(MemoryHistory->Last(), TotalPhysBytes);
    EXPECT_EQ(MemoryHistory->Get(998), 0u);
    FinishMemoryState();
    EXPECT_FALSE(MemoryHistory);
}

// With CPU monitoring on, each sample also pushes one CPU figure: the main
// sampler's average over all processors in whole percent, truncated, for the
// interval since the previous sample. Measured against the processor time
// spinning threads of this test were given, so a loaded machine cannot break it.
TEST(MemoryFigures, WithCpuMonitoringEachSampleAlsoPushesTheMainSamplersAverage)
{
    InitMemoryState();
    CreateCpuSamplers();
    ASSERT_TRUE(MainCpuSampler);
    CpuHistory = std::make_unique<TIntArray>(0);
    constexpr uint64_t Marker = 0xFFFFFFFFu;  // no percentage
    CpuHistory->Push(Marker);

    const unsigned n = ProcessorsOfTheSystem();
    BusyThreads busy(n);
    const double wallStart = WallSeconds();
    SampleHistories();  // the main sampler's baseline
    const double cpuStart = ProcessCpuSeconds();
    EXPECT_EQ(CpuHistory->Get(998), Marker) << "one CPU sample per sample";
    EXPECT_LE(CpuHistory->Last(), 100u);
    EXPECT_EQ(MemoryHistory->Get(998), 0u);
    EXPECT_GT(MemoryHistory->Last(), 0u);

    ASSERT_TRUE(WaitForProcessCpu(cpuStart, 0.4 * n, 120000)) << "the machine gave the test no processor time";
    const double cpu = ProcessCpuSeconds() - cpuStart;
    SampleHistories();
    const double wall = WallSeconds() - wallStart;
    busy.Stop();

    ASSERT_EQ(MainCpuSampler->ProcessorCount(), static_cast<int>(n));
    double average = 0.0;
    for (unsigned i = 0; i < n; ++i) average += MainCpuSampler->ProcessorUsage(static_cast<int>(i)) / n;
    const uint64_t sample = CpuHistory->Last();
    EXPECT_EQ(CpuHistory->Get(997), Marker);
    // Truncated, and held within 0 to 100 against counters that run ahead of the clock.
    const double expected = std::clamp(std::trunc(average * 100), 0.0, 100.0);
    EXPECT_EQ(sample, static_cast<uint64_t>(expected)) << "the main sampler's last interval";
    EXPECT_LE(sample, 100u);
    // Busy time seen (truncation costs up to one percent) against what this
    // process alone used, less the counters' 10 ms resolution.
    EXPECT_GE((static_cast<double>(sample) + 1) / 100.0 * n * wall, 0.9 * cpu - 0.02 * (n + 1))
        << sample << " % of " << n << " processors over " << wall << " s, the test used " << cpu << " s";
    EXPECT_EQ(MemoryHistory->Get(997), 0u) << "and one memory sample, as before";
    EXPECT_GT(MemoryHistory->Get(998), 0u);

    // Monitoring off again, the sampler still there: memory samples only.
    CpuHistory.reset();
    const uint64_t lastMemory = MemoryHistory->Last();
    SampleHistories();
    EXPECT_EQ(MemoryHistory->Get(998), lastMemory);
    FinishCpuSamplers();
    FinishMemoryState();
}

TEST(SizeText, FollowsTheRangesWithEitherSeparator)
{
    struct Case { int mb; const char* point; const char* comma; };
    const Case cases[] = {
        {-5, "-5 MB", "-5 MB"},
        {0, "0 MB", "0 MB"},
        {999, "999 MB", "999 MB"},
        {1000, "0.98 GB", "0,98 GB"},
        {1536, "1.50 GB", "1,50 GB"},
        {9999, "9.76 GB", "9,76 GB"},
        {10000, "10 GB", "10 GB"},
        {10240, "10 GB", "10 GB"},
        {65536, "64 GB", "64 GB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SizeTextWith(c.mb, "."), c.point) << c.mb;
        EXPECT_EQ(SizeTextWith(c.mb, ","), c.comma) << c.mb;
    }
}

TEST(SizeText, UsesTheSeparatorOfTheUsersLocale)
{
    const SavedLocaleInfo saved(LOCALE_SDECIMAL);  // the user's own separator comes back whatever happens
    ASSERT_TRUE(saved.Saved());
    for (const char* separator : {",", "."}) {
        ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator));
        EXPECT_EQ(UserDecimalSeparator(), separator);
        EXPECT_EQ(SizeText(1536), std::string("1") + separator + "50 GB");
    }
}

TEST(SizeText, ClampIntTestsTheLowBoundFirst)
{
    EXPECT_EQ(ClampInt(5, 1, 10), 5);
    EXPECT_EQ(ClampInt(-3, 1, 10), 1);
    EXPECT_EQ(ClampInt(11, 1, 10), 10);
    EXPECT_EQ(ClampInt(0, 5, 2), 5);  // low > high: below low gives low
    EXPECT_EQ(ClampInt(9, 5, 2), 2);
}

TEST(SizeText, FreeUpSizeTextShowsTheComplementWithinOneAndTheTotal)
{
    const int savedTotal = TotalPhysMB;
    TotalPhysMB = 2048;
    const std::string separator = UserDecimalSeparator();
    EXPECT_EQ(FreeUpSizeText(2048), "1 MB");
    EXPECT_EQ(FreeUpSizeText(4000), "1 MB");
    EXPECT_EQ(FreeUpSizeText(0), "2" + separator + "00 GB");
    EXPECT_EQ(FreeUpSizeText(-10), "2" + separator + "00 GB");
    EXPECT_EQ(FreeUpSizeText(1548), "500 MB");
    // Levels far outside stay within one MB and the total, without overflow.
    EXPECT_EQ(FreeUpSizeText(INT_MIN), "2" + separator + "00 GB");
    EXPECT_EQ(FreeUpSizeText(INT_MAX), "1 MB");
    TotalPhysMB = savedTotal;
}
