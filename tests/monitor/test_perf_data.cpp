// The bounded walk through performance data blocks (monitor/uPerfData).
// Blocks are built byte by byte and held against an inaccessible page, so
// any read past the returned data would fault.
#include <gtest/gtest.h>

#include "monitor/uPerfData.h"
#include "tests/monitor/CpuTestSupport.h"
#include "tests/monitor/PerfBlockBuilder.h"

using namespace perfdata;
using namespace perftest;
using cputest::TGuardedBytes;

namespace {

TBlock StandardBlock()
{
    return BuildBlock({ProcessObject(), ProcessorObject({100, 200, 300, 400})}, TestTime(10));
}

struct TWalk {
    WalkStatus Object = WalkStatus::NotFound;
    WalkStatus Counter = WalkStatus::NotFound;
    bool Values = false;
    TPerfObject Found;
    uint32_t CounterOffset = 0;
    std::vector<int64_t> Idle;
};

// The sampler's whole walk over bytes (its first size bytes), guarded.
TWalk Walk(const std::vector<uint8_t>& bytes, size_t size, int32_t count = -1)
{
    const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    TGuardedBytes guarded(part);
    const TPerfDataView view(guarded.Data, guarded.Size);
    TWalk walk;
    walk.Object = view.FindObject(ProcessorObjectIndex, walk.Found);
    if (walk.Object != WalkStatus::Found) return walk;
    walk.Counter = view.FindCounter(walk.Found, IdleCounterIndex, walk.CounterOffset);
    if (walk.Counter != WalkStatus::Found) return walk;
    if (count < 0) count = walk.Found.Header.NumInstances;
    walk.Idle.assign(count, 0);
    walk.Values = view.ReadInstanceValues(walk.Found, walk.CounterOffset, walk.Idle.data(), count);
    return walk;
}

TWalk Walk(const TBlock& block) { return Walk(block.Bytes, block.Bytes.size()); }

}  // namespace

TEST(PerfDataWalk, FindsTheProcessorObjectBehindAnotherObject)
{
    const TBlock block = StandardBlock();
    const TWalk walk = Walk(block);
    ASSERT_EQ(walk.Object, WalkStatus::Found);
    EXPECT_EQ(walk.Found.Offset, block.Objects[1].Offset);
    EXPECT_EQ(walk.Found.Header.NumInstances, 4);
    EXPECT_EQ(walk.Found.Header.NumCounters, 4u);
}

TEST(PerfDataWalk, FindsTheIdleCounterBehindOtherCounters)
{
    const TWalk walk = Walk(StandardBlock());
    ASSERT_EQ(walk.Counter, WalkStatus::Found);
    EXPECT_EQ(walk.CounterOffset, 8u + 8u * 2u);  // the third counter of the block
}

TEST(PerfDataWalk, ReadsTheIdleValueOfEveryInstance)
{
    const TWalk walk = Walk(StandardBlock());
    ASSERT_TRUE(walk.Values);
    EXPECT_EQ(walk.Idle, (std::vector<int64_t>{100, 200, 300, 400}));
}

TEST(PerfDataWalk, ReadsOnlyTheFirstCountInstances)
{
    const TBlock block = StandardBlock();
    const TWalk walk = Walk(block.Bytes, block.Bytes.size(), 2);
    ASSERT_TRUE(walk.Values);
    EXPECT_EQ(walk.Idle, (std::vector<int64_t>{100, 200}));
}

TEST(PerfDataWalk, ReadsTheSystemTime)
{
    const TBlock block = StandardBlock();
    TGuardedBytes guarded(block.Bytes);
    SYSTEMTIME time{};
    ASSERT_TRUE(TPerfDataView(guarded.Data, guarded.Size).ReadSystemTime(time));
    EXPECT_EQ(FileTimeOf(time), FileTimeOf(TestTime(10)));
    EXPECT_FALSE(TPerfDataView(guarded.Data + guarded.Size - 10, 10).ReadSystemTime(time));
}

TEST(PerfDataWalk, ABlockWithoutObjectsHasNoProcessorObject)
{
    // What Wine answers: a sound header and no objects.
    const TWalk walk = Walk(BuildBlock({}, TestTime(0)));
    EXPECT_EQ(walk.Object, WalkStatus::NotFound);
}

TEST(PerfDataWalk, OtherObjectsOnlyIsNotFound)
{
    EXPECT_EQ(Walk(BuildBlock({ProcessObject()}, TestTime(0))).Object, WalkStatus::NotFound);
}

TEST(PerfDataWalk, AProcessorObjectWithoutTheIdleCounterIsNotFound)
{
    TTestObject processor = ProcessorObject({1, 2});
    for (TTestCounter& counter : processor.Counters)
        if (counter.TitleIndex == 6) counter.TitleIndex = 7;
    const TWalk walk = Walk(BuildBlock({ProcessObject(), processor}, TestTime(0)));
    EXPECT_EQ(walk.Object, WalkStatus::Found);
    EXPECT_EQ(walk.Counter, WalkStatus::NotFound);
}

TEST(PerfDataWalk, OnlyNumObjectTypesObjectsAreVisited)
{
    TBlock block = StandardBlock();
    block.Put32(BlkNumObjectTypes, 1);  // the processor object is the second
    EXPECT_EQ(Walk(block).Object, WalkStatus::NotFound);
}

TEST(PerfDataWalk, OnlyNumCountersDefinitionsAreVisited)
{
    TBlock block = StandardBlock();
    block.Put32(block.Objects[1].Offset + ObjNumCounters, 2);  // the idle counter is the third
    EXPECT_EQ(Walk(block).Counter, WalkStatus::NotFound);
}

// --- malformed blocks --------------------------------------------------------

TEST(PerfDataWalk, DataShorterThanTheBlockHeaderIsMalformed)
{
    const TBlock block = StandardBlock();
    EXPECT_EQ(Walk(block.Bytes, 0).Object, WalkStatus::Malformed);
    EXPECT_EQ(Walk(block.Bytes, BlkSize - 1).Object, WalkStatus::Malformed);
}

TEST(PerfDataWalk, AHeaderLengthOutsideTheDataIsMalformed)
{
    TBlock block = StandardBlock();
    block.Put32(BlkHeaderLength, static_cast<uint32_t>(block.Bytes.size()));
    EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
    block.Put32(BlkHeaderLength, 0xFFFFFFF0u);
    EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
}

TEST(PerfDataWalk, AnObjectStepOutsideTheDataIsMalformed)
{
    TBlock block = StandardBlock();
    block.Put32(block.Objects[0].Offset + ObjTotalByteLength, 0x7FFFFFF0u);
    EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
}

TEST(PerfDataWalk, MoreObjectTypesThanTheDataHoldsIsMalformed)
{
    TBlock block = BuildBlock({ProcessObject()}, TestTime(0));
    block.Put32(BlkNumObjectTypes, 2);
    EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
}

TEST(PerfDataWalk, AnObjectThatDoesNotAdvanceIsMalformedAtOnce)
{
    // A zero step with four billion objects would otherwise spin.
    TBlock block = StandardBlock();
    block.Put32(BlkNumObjectTypes, 0xFFFFFFFFu);
    block.Put32(block.Objects[0].Offset + ObjTotalByteLength, 0);
    EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
}

TEST(PerfDataWalk, AnImpossibleInstanceCountIsMalformed)
{
    TBlock block = StandardBlock();
    block.Put32(block.Objects[1].Offset + ObjNumInstances, static_cast<uint32_t>(PERF_NO_INSTANCES));
    EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
    block.Put32(block.Objects[1].Offset + ObjNumInstances, 1000000);
    EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
}

TEST(PerfDataWalk, ACounterDefinitionOutsideTheDataIsMalformed)
{
    TBlock block = StandardBlock();
    block.Put32(block.Objects[1].Offset + ObjHeaderLength, 0x10000000u);
    EXPECT_EQ(Walk(block).Counter, WalkStatus::Malformed);
}

TEST(PerfDataWalk, ACounterStepOutsideTheDataIsMalformed)
{
    TBlock block = StandardBlock();
    block.Put32(block.Objects[1].Counters[0] + CtrByteLength, 0xFFFFFFFFu);
    EXPECT_EQ(Walk(block).Counter, WalkStatus::Malformed);
    block.Put32(block.Objects[1].Counters[0] + CtrByteLength, 0);
    EXPECT_EQ(Walk(block).Counter, WalkStatus::Malformed);
}

TEST(PerfDataWalk, InstancesOutsideTheDataAreNotRead)
{
    {
        TBlock block = StandardBlock();
        block.Put32(block.Objects[1].Offset + ObjDefinitionLength, 0xFFFFFF00u);
        // The instance count no longer fits behind the definitions.
        EXPECT_EQ(Walk(block).Object, WalkStatus::Malformed);
    }
    {
        TBlock block = StandardBlock();
        block.Put32(block.Objects[1].Instances[1] + InsByteLength, 0x7FFFFFFFu);
        EXPECT_FALSE(Walk(block).Values);
    }
    {
        TBlock block = StandardBlock();
        block.Put32(block.Objects[1].CounterBlocks[2] + CblByteLength, 0xFFFFFFF0u);
        EXPECT_FALSE(Walk(block).Values);
    }
    {
        TBlock block = StandardBlock();
        block.Put32(block.Objects[1].Counters[2] + CtrCounterOffset, 0xFFFFFFFCu);
        EXPECT_FALSE(Walk(block).Values);
    }
    {
        // More instances read than the data holds: the fifth runs off the end.
        const TBlock block = StandardBlock();
        EXPECT_FALSE(Walk(block.Bytes, block.Bytes.size(), 5).Values);
    }
}

TEST(PerfDataWalk, EveryTruncationIsRefusedOrComplete)
{
    const TBlock block = StandardBlock();
    // The walk needs everything up to the last instance's idle value.
    const size_t needed = block.Objects[1].CounterBlocks[3] + 8 + 8 * 2 + 8;
    for (size_t size = 0; size <= block.Bytes.size(); ++size) {
        const TWalk walk = Walk(block.Bytes, size);
        const bool complete = walk.Object == WalkStatus::Found && walk.Counter == WalkStatus::Found && walk.Values;
        EXPECT_EQ(complete, size >= needed) << "size " << size;
        if (complete) {
            EXPECT_EQ(walk.Idle, (std::vector<int64_t>{100, 200, 300, 400}));
        }
    }
}

TEST(PerfDataWalk, NoCorruptedFieldLeadsOutsideTheData)
{
    const TBlock original = StandardBlock();
    const uint32_t size = static_cast<uint32_t>(original.Bytes.size());
    const uint32_t values[] = {0, 1, 8, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFF8u, size, size - 4, size - 8};
    for (size_t offset = 0; offset + 4 <= original.Bytes.size(); offset += 4) {
        for (uint32_t value : values) {
            TBlock block = original;
            block.Put32(offset, value);
            // The guard page turns any stray read into a crash of the test.
            const TWalk walk = Walk(block);
            (void)walk;
        }
    }
    SUCCEED();
}
