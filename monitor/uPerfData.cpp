#include "monitor/uPerfData.h"

#include <cstring>

namespace perfdata {

// The published layout is the same for 32- and 64-bit programs (the title
// pointers of the object and counter definitions are DWORDs on Win64).
static_assert(sizeof(PERF_DATA_BLOCK) == 88);
static_assert(offsetof(PERF_DATA_BLOCK, SystemTime) == 36);
static_assert(sizeof(PERF_OBJECT_TYPE) == 64);
static_assert(offsetof(PERF_OBJECT_TYPE, NumInstances) == 40);
static_assert(sizeof(PERF_COUNTER_DEFINITION) == 40);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterOffset) == 36);
static_assert(sizeof(PERF_INSTANCE_DEFINITION) == 24);
static_assert(sizeof(PERF_COUNTER_BLOCK) == 4);

template <class T>
bool TPerfDataView::ReadAt(uint64_t offset, T& out) const
{
    // 64-bit positions: a sum of 32-bit offsets cannot wrap around.
    if (offset > Size || sizeof(T) > Size - offset) return false;
    std::memcpy(&out, Data + offset, sizeof(T));
    return true;
}

WalkStatus TPerfDataView::FindObject(uint32_t titleIndex, TPerfObject& object) const
{
    PERF_DATA_BLOCK block;
    if (!ReadAt(0, block)) return WalkStatus::Malformed;
    uint64_t position = block.HeaderLength;
    for (DWORD i = 0; i < block.NumObjectTypes; ++i) {
        PERF_OBJECT_TYPE header;
        if (!ReadAt(position, header)) return WalkStatus::Malformed;
        if (header.ObjectNameTitleIndex == titleIndex) {
            // Each instance needs at least its definition and a counter block.
            const uint64_t first = position + header.DefinitionLength;
            const uint64_t room = first <= Size ? Size - first : 0;
            const uint64_t perInstance = sizeof(PERF_INSTANCE_DEFINITION) + sizeof(PERF_COUNTER_BLOCK);
            if (header.NumInstances < 0 || static_cast<uint64_t>(header.NumInstances) > room / perInstance)
                return WalkStatus::Malformed;
            object.Offset = position;
            object.Header = header;
            return WalkStatus::Found;
        }
        // An object shorter than its own header would not move the walk on;
        // with a huge NumObjectTypes the loop would spin for a long time.
        if (header.TotalByteLength < sizeof(PERF_OBJECT_TYPE)) return WalkStatus::Malformed;
        position += header.TotalByteLength;
    }
    return WalkStatus::NotFound;
}

WalkStatus TPerfDataView::FindCounter(const TPerfObject& object, uint32_t titleIndex,
                                      uint32_t& counterOffset) const
{
    uint64_t position = object.Offset + object.Header.HeaderLength;
    for (DWORD i = 0; i < object.Header.NumCounters; ++i) {
        PERF_COUNTER_DEFINITION definition;
        if (!ReadAt(position, definition)) return WalkStatus::Malformed;
        if (definition.CounterNameTitleIndex == titleIndex) {
            counterOffset = definition.CounterOffset;
            return WalkStatus::Found;
        }
        if (definition.ByteLength < sizeof(PERF_COUNTER_DEFINITION)) return WalkStatus::Malformed;
        position += definition.ByteLength;
    }
    return WalkStatus::NotFound;
}

bool TPerfDataView::ReadInstanceValues(const TPerfObject& object, uint32_t counterOffset, int64_t* values,
                                       int32_t count) const
{
    uint64_t position = object.Offset + object.Header.DefinitionLength;
    for (int32_t i = 0; i < count; ++i) {
        PERF_INSTANCE_DEFINITION instance;
        if (!ReadAt(position, instance)) return false;
        const uint64_t counterBlock = position + instance.ByteLength;
        PERF_COUNTER_BLOCK block;
        if (!ReadAt(counterBlock, block)) return false;
        if (!ReadAt(counterBlock + counterOffset, values[i])) return false;
        position = counterBlock + block.ByteLength;
    }
    return true;
}

bool TPerfDataView::ReadSystemTime(SYSTEMTIME& time) const
{
    PERF_DATA_BLOCK block;
    if (!ReadAt(0, block)) return false;
    time = block.SystemTime;
    return true;
}

}  // namespace perfdata
