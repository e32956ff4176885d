// TCpuUsageSampler over synthetic sources: the NT path with performance
// data blocks built byte by byte, the processor-times fallback, the 9x path
// and the version query.
#include <gtest/gtest.h>

#include "monitor/uCpuUsage.h"
#include "tests/monitor/CpuTestSupport.h"
#include "tests/monitor/PerfBlockBuilder.h"

using namespace cputest;
using namespace perftest;

namespace {

constexpr int64_t Second = 10000000;  // in 100-ns units

std::vector<uint8_t> Block(const std::vector<int64_t>& idle, int seconds, int milliseconds = 0)
{
    return BuildBlock({ProcessObject(), ProcessorObject(idle)}, TestTime(seconds, milliseconds)).Bytes;
}

struct TNtFixture : ::testing::Test {
    std::shared_ptr<TPerfScript> Perf = std::make_shared<TPerfScript>();
    std::shared_ptr<TTimesScript> Times = std::make_shared<TTimesScript>();

    std::unique_ptr<TCpuUsageSampler> Synthetic()
    {
        return std::make_unique<TCpuUsageSampler>(std::make_unique<TFakePerfSource>(Perf));
    }
    std::unique_ptr<TCpuUsageSampler> WithFallback()
    {
        return std::make_unique<TCpuUsageSampler>(std::make_unique<TFakePerfSource>(Perf),
                                                  std::make_unique<TFakeTimesSource>(Times));
    }
};

}  // namespace

// --- NT path: performance data ------------------------------------------------

using CpuSamplerNT = TNtFixture;

// Two blocks and what the sampler makes of the interval between them: each
// processor's usage, the callers' average in truncated percent, and that
// average held within 0 to 100 as the histories and the idle wait take it.
struct TwoBlocksCase {
    const char* What;
    std::vector<int64_t> FirstIdle;
    int FirstSecond, FirstMillisecond;
    std::vector<int64_t> SecondIdle;
    int SecondSecond, SecondMillisecond;
    std::vector<double> Usages;  // as many as the first block had processors
    int Percent;
    int Load;
};

TEST_F(CpuSamplerNT, TwoBlocksGiveTheUsageOfTheIntervalBetweenThem)
{
    const TwoBlocksCase cases[] = {
        {"several processors", {1 * Second, 2 * Second, 3 * Second, 4 * Second}, 10, 0,
         {1 * Second + Second / 4, 2 * Second + Second / 2, 3 * Second + 3 * Second / 4, 5 * Second}, 11, 0,
         {0.75, 0.5, 0.25, 0.0}, 37, 37},  // 37.5 % truncated
        {"milliseconds of the time stamps count", {0}, 10, 0, {Second / 8}, 10, 250, {0.5}, 50, 50},
        {"equal time stamps", {1 * Second, 2 * Second, 3 * Second}, 10, 0, {1, 7 * Second, 0}, 10, 0, {0.0, 0.0, 0.0}, 0, 0},
        // A counter that goes backwards, and one that idles more than the time that passed.
        {"not clamped", {10 * Second, 10 * Second}, 10, 0, {10 * Second - Second / 2, 12 * Second}, 11, 0, {1.5, -1.0}, 25, 25},
        {"over 100 % when all go backwards", {0, 0}, 10, 0, {-Second / 2, -Second / 2}, 11, 0, {1.5, 1.5}, 150, 100},
        {"below nothing when all idle more than the time", {0, 0}, 10, 0, {2 * Second, 2 * Second}, 11, 0, {-1.0, -1.0},
         -100, 0},
        {"99.9 % truncates toward zero", {0, 0}, 10, 0, {Second / 1000, Second / 1000}, 11, 0, {0.999, 0.999}, 99, 99},
        {"a quiet system", {0, 0}, 10, 0, {Second, Second}, 11, 0, {0.0, 0.0}, 0, 0},
        {"more instances later: the first count stays", {0, 0}, 10, 0, {Second / 2, Second / 4, 0, 0, 0, 0}, 11, 0,
         {0.5, 0.75}, 62, 62},
    };
    for (const TwoBlocksCase& c : cases) {
        SCOPED_TRACE(c.What);
        const std::vector<uint8_t> first = Block(c.FirstIdle, c.FirstSecond, c.FirstMillisecond);
        const std::vector<uint8_t> second = Block(c.SecondIdle, c.SecondSecond, c.SecondMillisecond);
        const int count = static_cast<int>(c.Usages.size());

        auto sampler = Synthetic();
        Perf->Block = first;
        sampler->Refresh();
        Perf->Block = second;
        sampler->Refresh();
        ASSERT_EQ(sampler->ProcessorCount(), count);
        for (int i = 0; i < count; ++i) EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(i), c.Usages[i]) << "processor " << i;
        EXPECT_EQ(ErrorOf([&] { sampler->ProcessorUsage(count); }), IndexOutOfBounds);
        EXPECT_FALSE(sampler->UsesProcessorTimes());

        auto averaged = Synthetic();
        Perf->Block = first;
        averaged->Refresh();
        Perf->Block = second;  // AverageCpuPercent takes this one itself
        EXPECT_EQ(AverageCpuPercent(*averaged), c.Percent);

        auto held = Synthetic();
        Perf->Block = first;
        held->Refresh();
        Perf->Block = second;
        EXPECT_EQ(CpuLoadPercent(*held), c.Load);
    }
}

TEST_F(CpuSamplerNT, TheFirstReadingComparesAgainstZero)
{
    auto sampler = Synthetic();
    Perf->Block = Block({5 * Second, 6 * Second}, 10);
    sampler->Refresh();
    const double now = static_cast<double>(FileTimeOf(TestTime(10)));
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(0), 1.0 - 5 * Second / now);
    EXPECT_GT(sampler->ProcessorUsage(1), 0.999);
}

TEST_F(CpuSamplerNT, IndexOutOfBounds)
{
    auto sampler = Synthetic();
    Perf->Block = Block({0, 0, 0, 0}, 10);
    sampler->Refresh();
    EXPECT_EQ(ErrorOf([&] { sampler->ProcessorUsage(4); }), IndexOutOfBounds);
    EXPECT_EQ(ErrorOf([&] { sampler->ProcessorUsage(-1); }), IndexOutOfBounds);
    EXPECT_EQ(ErrorOf([&] { sampler->ProcessorUsage(3); }), "(no error)");
}

TEST_F(CpuSamplerNT, ProcessorUsageBeforeAnyRefreshRefreshesOnce)
{
    auto sampler = Synthetic();
    Perf->Block = Block({Second, Second}, 10);
    EXPECT_GT(sampler->ProcessorUsage(0), 0.9);
    EXPECT_EQ(Perf->Sizes.size(), 1u);
    sampler->ProcessorUsage(1);
    EXPECT_EQ(sampler->ProcessorCount(), 2);
    EXPECT_EQ(Perf->Sizes.size(), 1u);  // known now: no more queries
}

TEST_F(CpuSamplerNT, ProcessorCountBeforeAnyRefreshRefreshesOnce)
{
    auto sampler = Synthetic();
    Perf->Block = Block({0, 0, 0}, 10);
    EXPECT_EQ(sampler->ProcessorCount(), 3);
    EXPECT_EQ(sampler->ProcessorCount(), 3);
    EXPECT_EQ(Perf->Sizes.size(), 1u);
}

TEST_F(CpuSamplerNT, TheBufferGrowsInStepsOf4096AndKeepsItsSize)
{
    auto sampler = Synthetic();
    EXPECT_EQ(sampler->BufferSize(), 8192u);
    Perf->Block = BuildBlock({ProcessObject(), ProcessorObject({0, 0})}, TestTime(10), 13000).Bytes;
    ASSERT_GT(Perf->Block.size(), 12288u);
    ASSERT_LE(Perf->Block.size(), 16384u);
    sampler->Refresh();
    EXPECT_EQ(Perf->Sizes, (std::vector<unsigned long>{8192, 12288, 16384}));
    EXPECT_EQ(sampler->BufferSize(), 16384u);
    Perf->Sizes.clear();
    Perf->Block = BuildBlock({ProcessObject(), ProcessorObject({Second / 2, Second})}, TestTime(11), 13000).Bytes;
    sampler->Refresh();
    EXPECT_EQ(Perf->Sizes, (std::vector<unsigned long>{16384}));
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(0), 0.5);
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(1), 0.0);
}

TEST_F(CpuSamplerNT, AnEnlargedBufferStaysEnlargedWhenTheRefreshFails)
{
    auto sampler = Synthetic();
    Perf->Block = BuildBlock({ProcessObject()}, TestTime(10), 9000).Bytes;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
    EXPECT_EQ(sampler->BufferSize(), 12288u);
}

TEST_F(CpuSamplerNT, ReleaseDoesNothing)
{
    auto sampler = Synthetic();
    sampler->Release();
    sampler->Release();
    EXPECT_TRUE(Perf->Sizes.empty());
}

// --- NT path: failures ----------------------------------------------------------

TEST_F(CpuSamplerNT, NoProcessorObjectRaisesWithoutAFallback)
{
    auto sampler = Synthetic();
    Perf->Block = BuildBlock({}, TestTime(10)).Bytes;  // as Wine answers
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
    EXPECT_EQ(ErrorOf([&] { sampler->ProcessorCount(); }), NoProcessorObject);
    Perf->Block = BuildBlock({ProcessObject()}, TestTime(10)).Bytes;
    EXPECT_EQ(ErrorOf([&] { sampler->ProcessorUsage(0); }), NoProcessorObject);
}

TEST_F(CpuSamplerNT, NoIdleCounterRaisesButTheCountIsKnown)
{
    auto sampler = Synthetic();
    TTestObject processor = ProcessorObject({0, 0, 0});
    processor.Counters[2].TitleIndex = 7;
    Perf->Block = BuildBlock({ProcessObject(), processor}, TestTime(10)).Bytes;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoIdleCounter);
    Perf->Sizes.clear();
    EXPECT_EQ(sampler->ProcessorCount(), 3);  // set before the counter was sought
    EXPECT_TRUE(Perf->Sizes.empty());
}

TEST_F(CpuSamplerNT, AFailedQueryLeavesNoDataToWalk)
{
    auto sampler = Synthetic();
    Perf->Block = Block({0, 0}, 10);
    Perf->Result = ERROR_ACCESS_DENIED;
    Perf->ReportedBytes = 0;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
}

TEST_F(CpuSamplerNT, MalformedBlocksRaiseTheMatchingMessage)
{
    struct TCase {
        const char* Name;
        void (*Corrupt)(TBlock&);
        const std::string* Message;
    };
    const TCase cases[] = {
        {"header length", [](TBlock& b) { b.Put32(BlkHeaderLength, 0x00FFFFFFu); }, &NoProcessorObject},
        {"object step", [](TBlock& b) { b.Put32(b.Objects[0].Offset + ObjTotalByteLength, 0x40000000u); },
         &NoProcessorObject},
        {"object count", [](TBlock& b) { b.Put32(BlkNumObjectTypes, 3); b.Put32(b.Objects[1].Offset + ObjNameTitleIndex, 1); },
         &NoProcessorObject},
        {"instance count", [](TBlock& b) { b.Put32(b.Objects[1].Offset + ObjNumInstances, 0xFFFFFFFFu); },
         &NoProcessorObject},
        {"system time", [](TBlock& b) { b.Put16(BlkSystemTime + 2, 13); }, &NoProcessorObject},
        {"counter header", [](TBlock& b) { b.Put32(b.Objects[1].Offset + ObjHeaderLength, 0x80000000u); },
         &NoIdleCounter},
        {"counter step", [](TBlock& b) { b.Put32(b.Objects[1].Counters[1] + CtrByteLength, 0xFFFF0000u); },
         &NoIdleCounter},
        {"instance length", [](TBlock& b) { b.Put32(b.Objects[1].Instances[2] + InsByteLength, 0x01000000u); },
         &NoIdleCounter},
        {"counter block length", [](TBlock& b) { b.Put32(b.Objects[1].CounterBlocks[0] + CblByteLength, 0x7FFFFFFFu); },
         &NoIdleCounter},
        {"counter offset", [](TBlock& b) { b.Put32(b.Objects[1].Counters[2] + CtrCounterOffset, 0xFFFFFFF9u); },
         &NoIdleCounter},
    };
    for (const TCase& c : cases) {
        auto sampler = Synthetic();
        TBlock block = BuildBlock({ProcessObject(), ProcessorObject({0, 0, 0})}, TestTime(10));
        c.Corrupt(block);
        Perf->Block = block.Bytes;
        EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), *c.Message) << c.Name;
    }
}

TEST_F(CpuSamplerNT, TruncatedDataIsBoundedByTheBytesReturned)
{
    // The whole block lands in the buffer, but the query says fewer bytes came
    // back: what lies beyond that count is never read.
    auto sampler = Synthetic();
    const TBlock block = BuildBlock({ProcessObject(), ProcessorObject({0, 0, 0})}, TestTime(10));
    Perf->Block = block.Bytes;
    Perf->ReportedBytes = static_cast<long>(block.Objects[1].CounterBlocks[2] + 8 + 8 * 2 + 7);
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoIdleCounter);
    Perf->ReportedBytes = static_cast<long>(block.Objects[1].Offset + 10);
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
    Perf->ReportedBytes = 40;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
    // A count beyond the buffer is cut at the buffer.
    Perf->ReportedBytes = 0x7FFFFFFF;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), "(no error)");
}

TEST_F(CpuSamplerNT, AFailedRefreshKeepsTheLastSnapshot)
{
    auto sampler = Synthetic();
    Perf->Block = Block({0, 0}, 10);
    sampler->Refresh();
    Perf->Block = Block({Second / 4, Second / 2}, 11);
    sampler->Refresh();
    TBlock broken = BuildBlock({ProcessObject(), ProcessorObject({9 * Second, 9 * Second})}, TestTime(30));
    broken.Put32(broken.Objects[1].Instances[1] + InsByteLength, 0x7FFFFFF0u);
    Perf->Block = broken.Bytes;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoIdleCounter);
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(0), 0.75);
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(1), 0.5);
    Perf->Block = Block({Second / 4, Second / 2 + Second}, 13);
    sampler->Refresh();
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(0), 1.0);
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(1), 0.5);
}

// --- NT path: processor-times fallback ------------------------------------------------

using CpuSamplerFallback = TNtFixture;

TEST_F(CpuSamplerFallback, ABlockWithoutProcessorObjectUsesProcessorTimes)
{
    auto sampler = WithFallback();
    Perf->Block = BuildBlock({}, TestTime(10)).Bytes;
    Times->Times = {{100, 1000}, {200, 1000}, {300, 2000}};
    sampler->Refresh();
    EXPECT_TRUE(sampler->UsesProcessorTimes());
    ASSERT_EQ(sampler->ProcessorCount(), 3);
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(0), 0.9);  // against zero, like the first block reading
    Times->Times = {{100 + 250, 1000 + 1000}, {200 + 1000, 1000 + 1000}, {300, 2000 + 400}};
    sampler->Refresh();
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(0), 0.75);
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(1), 0.0);
    EXPECT_DOUBLE_EQ(sampler->ProcessorUsage(2), 1.0);
    EXPECT_EQ(AverageCpuPercent(*sampler), 0);  // nothing moved since: equal totals give 0.0
    EXPECT_EQ(ErrorOf([&] { sampler->ProcessorUsage(3); }), IndexOutOfBounds);
}

TEST_F(CpuSamplerFallback, TheFallbackIsKeptOnceTaken)
{
    auto sampler = WithFallback();
    Perf->Block = BuildBlock({}, TestTime(10)).Bytes;
    Times->Times = {{0, 0}, {0, 0}};
    sampler->Refresh();
    Perf->Block = Block({0, 0, 0, 0}, 11);
    sampler->Refresh();
    sampler->Refresh();
    EXPECT_EQ(Perf->Sizes.size(), 1u);  // the block is not asked again
    EXPECT_EQ(Times->Calls, 3);
    EXPECT_EQ(sampler->ProcessorCount(), 2);
}

TEST_F(CpuSamplerFallback, ABlockWithTheProcessorObjectIsPreferred)
{
    auto sampler = WithFallback();
    Perf->Block = Block({0, 0, 0, 0}, 10);
    sampler->Refresh();
    EXPECT_FALSE(sampler->UsesProcessorTimes());
    EXPECT_EQ(Times->Calls, 0);
    // Once counting from blocks, a block without the object is an error.
    Perf->Block = BuildBlock({}, TestTime(11)).Bytes;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
    EXPECT_EQ(Times->Calls, 0);
}

TEST_F(CpuSamplerFallback, AMalformedBlockIsNotAnsweredByTheFallback)
{
    auto sampler = WithFallback();
    TBlock block = BuildBlock({}, TestTime(10));
    block.Put32(BlkNumObjectTypes, 1);  // an object that is not there
    Perf->Block = block.Bytes;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
    EXPECT_EQ(Times->Calls, 0);
    EXPECT_FALSE(sampler->UsesProcessorTimes());
}

TEST_F(CpuSamplerFallback, UnavailableProcessorTimesRaise)
{
    auto sampler = WithFallback();
    Perf->Block = BuildBlock({}, TestTime(10)).Bytes;
    Times->Available = false;
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
    EXPECT_FALSE(sampler->UsesProcessorTimes());
    Times->Available = true;
    Times->Times = {{0, 0}};
    sampler->Refresh();
    EXPECT_TRUE(sampler->UsesProcessorTimes());
    Times->Times.clear();  // fewer processors than counted
    EXPECT_EQ(ErrorOf([&] { sampler->Refresh(); }), NoProcessorObject);
}

// --- 9x path ------------------------------------------------------------------

namespace {

struct CpuSampler9x : ::testing::Test {
    std::shared_ptr<TDynScript> Dyn = std::make_shared<TDynScript>();
    std::unique_ptr<TCpuUsageSampler> Sampler =
        std::make_unique<TCpuUsageSampler>(std::make_unique<TFakeDynSource>(Dyn));
};

}  // namespace

TEST_F(CpuSampler9x, OneProcessorWithoutRegistryAccess)
{
    EXPECT_FALSE(Sampler->IsNT());
    EXPECT_EQ(Sampler->ProcessorCount(), 1);
    EXPECT_EQ(Dyn->Starts + Dyn->Opens + Dyn->Reads, 0);
}

TEST_F(CpuSampler9x, AReadingOf37Is037)
{
    Dyn->StatValue = 37;
    Sampler->Refresh();
    EXPECT_EQ(Dyn->Starts, 1);
    EXPECT_EQ(Dyn->Opens, 1);
    EXPECT_EQ(Dyn->Reads, 1);
    EXPECT_DOUBLE_EQ(Sampler->ProcessorUsage(0), 0.37);
    Dyn->StatValue = 80;
    EXPECT_EQ(AverageCpuPercent(*Sampler), 80);
    EXPECT_EQ(Dyn->Starts, 1);  // started once, read each refresh
    EXPECT_EQ(Dyn->Reads, 2);
}

TEST_F(CpuSampler9x, OnlyIndexZeroIsValid)
{
    EXPECT_EQ(ErrorOf([&] { Sampler->ProcessorUsage(1); }), IndexOutOfBounds);
    EXPECT_EQ(ErrorOf([&] { Sampler->ProcessorUsage(-1); }), IndexOutOfBounds);
    EXPECT_EQ(Dyn->Starts, 0);
}

TEST_F(CpuSampler9x, ProcessorUsageWhileStoppedStartsFirst)
{
    Dyn->StatValue = 12;
    EXPECT_DOUBLE_EQ(Sampler->ProcessorUsage(0), 0.12);
    EXPECT_EQ(Dyn->Starts, 1);
    Dyn->StatValue = 50;
    EXPECT_DOUBLE_EQ(Sampler->ProcessorUsage(0), 0.12);  // started: no new reading
}

TEST_F(CpuSampler9x, ReleaseTwiceStopsOnce)
{
    Sampler->Refresh();
    Sampler->Release();
    EXPECT_EQ(Dyn->Closes, 1);
    EXPECT_EQ(Dyn->Stops, 1);
    Sampler->Release();
    EXPECT_EQ(Dyn->Closes, 1);
    EXPECT_EQ(Dyn->Stops, 1);
}

TEST_F(CpuSampler9x, ReleaseWhenNeverStartedDoesNothing)
{
    Sampler->Release();
    EXPECT_EQ(Dyn->Stops + Dyn->Closes, 0);
}

TEST_F(CpuSampler9x, ARefreshAfterReleaseStartsAgain)
{
    Sampler->Refresh();
    Sampler->Release();
    Sampler->Refresh();
    EXPECT_EQ(Dyn->Starts, 2);
    EXPECT_EQ(Dyn->Opens, 2);
}

TEST_F(CpuSampler9x, StartFailure)
{
    Dyn->StartOpens = false;
    EXPECT_EQ(ErrorOf([&] { Sampler->Refresh(); }), "Unable to start performance monitoring");
    EXPECT_EQ(Dyn->Opens, 0);
    Sampler->Release();
    EXPECT_EQ(Dyn->Stops, 0);  // never started
}

TEST_F(CpuSampler9x, StatDataFailure)
{
    Dyn->StatDataOpens = false;
    EXPECT_EQ(ErrorOf([&] { Sampler->Refresh(); }), "Unable to read performance data");
    EXPECT_EQ(ErrorOf([&] { Sampler->Refresh(); }), "Unable to read performance data");
    EXPECT_EQ(Dyn->Starts, 2);  // still stopped, so each refresh tries again
    EXPECT_EQ(Dyn->Reads, 0);
}

TEST_F(CpuSampler9x, DestructionReleases)
{
    Sampler->Refresh();
    Sampler.reset();
    EXPECT_EQ(Dyn->Stops, 1);
    EXPECT_EQ(Dyn->Closes, 1);
}

// --- creation -------------------------------------------------------------------

namespace {

DWORD SeenRecordSize = 0;
DWORD PlatformToAnswer = VER_PLATFORM_WIN32_NT;

int __stdcall FailingGetVersion(_OSVERSIONINFOA*) { return FALSE; }

int __stdcall FakeGetVersion(_OSVERSIONINFOA* info)
{
    SeenRecordSize = info->dwOSVersionInfoSize;
    info->dwPlatformId = PlatformToAnswer;
    return TRUE;
}

}  // namespace

TEST(CpuSamplerCreation, AFailedVersionQueryRaises)
{
    EXPECT_EQ(ErrorOf([] { TCpuUsageSampler sampler(&FailingGetVersion); }), "Can't get the Windows version");
}

TEST(CpuSamplerCreation, ThePlatformIdentifierChoosesThePath)
{
    PlatformToAnswer = VER_PLATFORM_WIN32_NT;
    TCpuUsageSampler nt(&FakeGetVersion);
    EXPECT_EQ(SeenRecordSize, 148u);
    EXPECT_TRUE(nt.IsNT());
    EXPECT_EQ(nt.BufferSize(), 8192u);

    PlatformToAnswer = VER_PLATFORM_WIN32_WINDOWS;
    TCpuUsageSampler old(&FakeGetVersion);
    EXPECT_FALSE(old.IsNT());
    EXPECT_EQ(old.ProcessorCount(), 1);
    EXPECT_EQ(ErrorOf([&] { old.ProcessorUsage(1); }), IndexOutOfBounds);
}
