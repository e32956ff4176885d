// The bounded walk through performance data blocks (monitor/uPerfData).
// Blocks are built byte by byte and held against an inaccessible page, so
// any read past the returned data would fault.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <set>

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

// What a walk came to, in the order the sampler takes its steps.
enum class Verdict { Complete, NoObject, ObjectMalformed, NoCounter, CounterMalformed, ValuesOutside };

const char* Name(Verdict v)
{
    switch (v) {
    case Verdict::Complete: return "complete";
    case Verdict::NoObject: return "no processor object";
    case Verdict::ObjectMalformed: return "objects malformed";
    case Verdict::NoCounter: return "no idle counter";
    case Verdict::CounterMalformed: return "counters malformed";
    case Verdict::ValuesOutside: return "values outside";
    }
    return "?";
}

Verdict VerdictOf(const TWalk& walk)
{
    if (walk.Object == WalkStatus::NotFound) return Verdict::NoObject;
    if (walk.Object == WalkStatus::Malformed) return Verdict::ObjectMalformed;
    if (walk.Counter == WalkStatus::NotFound) return Verdict::NoCounter;
    if (walk.Counter == WalkStatus::Malformed) return Verdict::CounterMalformed;
    return walk.Values ? Verdict::Complete : Verdict::ValuesOutside;
}

// A block missing a piece, or with one field broken, and what the walk must
// make of it. size and count: the bytes returned and the instances read
// (SIZE_MAX and -1: the whole block, its own instance count).
struct BrokenCase {
    const char* What;
    std::function<TBlock()> Make;
    Verdict Expected;
    size_t Size = SIZE_MAX;
    int32_t Count = -1;
};

TBlock Standard(const std::function<void(TBlock&)>& corrupt)
{
    TBlock block = StandardBlock();
    corrupt(block);
    return block;
}

TEST(PerfDataWalk, EachMissingOrBrokenPieceGetsItsVerdict)
{
    const BrokenCase cases[] = {
        // Sound blocks without what the sampler looks for.
        {"no objects at all, as Wine answers", [] { return BuildBlock({}, TestTime(0)); }, Verdict::NoObject},
        {"other objects only", [] { return BuildBlock({ProcessObject()}, TestTime(0)); }, Verdict::NoObject},
        {"a processor object without the idle counter",
         [] {
             TTestObject processor = ProcessorObject({1, 2});
             for (TTestCounter& counter : processor.Counters)
                 if (counter.TitleIndex == 6) counter.TitleIndex = 7;
             return BuildBlock({ProcessObject(), processor}, TestTime(0));
         },
         Verdict::NoCounter},
        {"NumObjectTypes stops before the processor object",
         [] { return Standard([](TBlock& b) { b.Put32(BlkNumObjectTypes, 1); }); }, Verdict::NoObject},
        {"NumCounters stops before the idle counter",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Offset + ObjNumCounters, 2); }); },
         Verdict::NoCounter},
        // Offsets and lengths that lead outside the returned data.
        {"no data", [] { return StandardBlock(); }, Verdict::ObjectMalformed, 0},
        {"shorter than the block header", [] { return StandardBlock(); }, Verdict::ObjectMalformed, BlkSize - 1},
        {"header length at the end of the data",
         [] { return Standard([](TBlock& b) { b.Put32(BlkHeaderLength, static_cast<uint32_t>(b.Bytes.size())); }); },
         Verdict::ObjectMalformed},
        {"header length far outside", [] { return Standard([](TBlock& b) { b.Put32(BlkHeaderLength, 0xFFFFFFF0u); }); },
         Verdict::ObjectMalformed},
        {"an object step outside",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[0].Offset + ObjTotalByteLength, 0x7FFFFFF0u); }); },
         Verdict::ObjectMalformed},
        {"more object types than the data holds",
         [] {
             TBlock block = BuildBlock({ProcessObject()}, TestTime(0));
             block.Put32(BlkNumObjectTypes, 2);
             return block;
         },
         Verdict::ObjectMalformed},
        // A zero step with four billion objects would otherwise spin.
        {"an object that does not advance",
         [] {
             return Standard([](TBlock& b) {
                 b.Put32(BlkNumObjectTypes, 0xFFFFFFFFu);
                 b.Put32(b.Objects[0].Offset + ObjTotalByteLength, 0);
             });
         },
         Verdict::ObjectMalformed},
        {"no instances (PERF_NO_INSTANCES)",
         [] {
             return Standard([](TBlock& b) {
                 b.Put32(b.Objects[1].Offset + ObjNumInstances, static_cast<uint32_t>(PERF_NO_INSTANCES));
             });
         },
         Verdict::ObjectMalformed},
        {"more instances than the data could hold",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Offset + ObjNumInstances, 1000000); }); },
         Verdict::ObjectMalformed},
        {"instances that no longer fit behind the definitions",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Offset + ObjDefinitionLength, 0xFFFFFF00u); }); },
         Verdict::ObjectMalformed},
        {"counter definitions outside",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Offset + ObjHeaderLength, 0x10000000u); }); },
         Verdict::CounterMalformed},
        {"a counter step outside",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Counters[0] + CtrByteLength, 0xFFFFFFFFu); }); },
         Verdict::CounterMalformed},
        {"a counter that does not advance",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Counters[0] + CtrByteLength, 0); }); },
         Verdict::CounterMalformed},
        {"an instance length outside",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Instances[1] + InsByteLength, 0x7FFFFFFFu); }); },
         Verdict::ValuesOutside},
        {"a counter block length outside",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].CounterBlocks[2] + CblByteLength, 0xFFFFFFF0u); }); },
         Verdict::ValuesOutside},
        {"a counter offset outside",
         [] { return Standard([](TBlock& b) { b.Put32(b.Objects[1].Counters[2] + CtrCounterOffset, 0xFFFFFFFCu); }); },
         Verdict::ValuesOutside},
        {"more instances read than the data holds", [] { return StandardBlock(); }, Verdict::ValuesOutside, SIZE_MAX, 5},
    };
    for (const BrokenCase& c : cases) {
        const TBlock block = c.Make();
        const size_t size = c.Size == SIZE_MAX ? block.Bytes.size() : c.Size;
        const Verdict verdict = VerdictOf(Walk(block.Bytes, size, c.Count));
        EXPECT_EQ(verdict, c.Expected) << c.What << ": " << Name(verdict) << " instead of " << Name(c.Expected);
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

// Whether value occurs as 8 bytes anywhere in the data: a value the walk
// reports must have been read from inside it.
bool ReadFromTheData(const std::vector<uint8_t>& bytes, int64_t value)
{
    for (size_t at = 0; at + 8 <= bytes.size(); ++at)
        if (std::memcmp(bytes.data() + at, &value, 8) == 0) return true;
    return false;
}

// Every 32-bit field of the block set in turn to values that point nowhere
// sensible. The guard page turns any read outside the data into a crash of
// the test; beyond that, each verdict is checked by the part the field plays.
TEST(PerfDataWalk, NoCorruptedFieldLeadsOutsideTheData)
{
    const TBlock original = StandardBlock();
    const TObjectLayout& process = original.Objects[0];
    const TObjectLayout& processor = original.Objects[1];
    const std::vector<int64_t> idle = {100, 200, 300, 400};
    const size_t idleAt = 8 + 8 * 2;  // the idle counter is the processor object's third

    // The fields that steer the walk: where it goes, how far, what it matches.
    // (The idle counter's own length and the last counter block's length are
    // read, but lead nowhere.)
    std::set<size_t> steering = {BlkHeaderLength,
                                 BlkNumObjectTypes,
                                 process.Offset + ObjTotalByteLength,
                                 process.Offset + ObjNameTitleIndex,
                                 processor.Offset + ObjDefinitionLength,
                                 processor.Offset + ObjHeaderLength,
                                 processor.Offset + ObjNameTitleIndex,
                                 processor.Offset + ObjNumCounters,
                                 processor.Offset + ObjNumInstances,
                                 processor.Counters[2] + CtrNameTitleIndex,
                                 processor.Counters[2] + CtrCounterOffset};
    for (size_t c = 0; c < 2; ++c) {
        steering.insert(processor.Counters[c] + CtrByteLength);
        steering.insert(processor.Counters[c] + CtrNameTitleIndex);
    }
    for (size_t i = 0; i < processor.Instances.size(); ++i) steering.insert(processor.Instances[i] + InsByteLength);
    for (size_t i = 0; i + 1 < processor.CounterBlocks.size(); ++i)
        steering.insert(processor.CounterBlocks[i] + CblByteLength);
    // The halves of each instance's idle value: what is read, not where.
    std::map<size_t, size_t> idleWords;
    for (size_t i = 0; i < processor.CounterBlocks.size(); ++i) {
        idleWords[processor.CounterBlocks[i] + idleAt] = i;
        idleWords[processor.CounterBlocks[i] + idleAt + 4] = i;
    }

    const uint32_t size = static_cast<uint32_t>(original.Bytes.size());
    const uint32_t values[] = {0, 1, 8, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFF8u, size, size - 4, size - 8};
    int steered = 0;
    for (size_t offset = 0; offset + 4 <= original.Bytes.size(); offset += 4) {
        for (uint32_t value : values) {
            TBlock block = original;
            block.Put32(offset, value);
            const TWalk walk = Walk(block);
            const Verdict verdict = VerdictOf(walk);
            const auto word = idleWords.find(offset);
            if (word != idleWords.end()) {
                std::vector<int64_t> expected = idle;
                std::memcpy(&expected[word->second], &block.Bytes[processor.CounterBlocks[word->second] + idleAt], 8);
                EXPECT_EQ(verdict, Verdict::Complete) << "offset " << offset << ", value " << value;
                EXPECT_EQ(walk.Idle, expected) << "offset " << offset << ", value " << value;
            } else if (!steering.count(offset)) {
                EXPECT_EQ(verdict, Verdict::Complete) << "offset " << offset << " is not read, value " << value;
                EXPECT_EQ(walk.Found.Offset, processor.Offset) << "offset " << offset << ", value " << value;
                EXPECT_EQ(walk.Idle, idle) << "offset " << offset << " is not read, value " << value;
            } else {
                ++steered;
                if (walk.Object == WalkStatus::Found) {
                    // What was found is a copy of a processor object header inside the data.
                    ASSERT_LE(walk.Found.Offset + ObjSize, block.Bytes.size()) << "offset " << offset;
                    EXPECT_EQ(std::memcmp(&walk.Found.Header, &block.Bytes[walk.Found.Offset], ObjSize), 0)
                        << "offset " << offset << ", value " << value;
                    EXPECT_EQ(walk.Found.Header.ObjectNameTitleIndex, ProcessorObjectIndex) << "offset " << offset;
                }
                if (verdict == Verdict::Complete) {
                    for (int64_t v : walk.Idle)
                        EXPECT_TRUE(ReadFromTheData(block.Bytes, v))
                            << "offset " << offset << ", value " << value << " gave " << v;
                }
            }
        }
    }
    // Each steering field was one of the 32-bit fields corrupted above.
    EXPECT_EQ(steered, static_cast<int>(steering.size() * std::size(values)));
}
