#pragma once
// A bounded reader of the platform's performance data block (the answer of
// HKEY_PERFORMANCE_DATA, laid out as in <winperf.h>). Every structure is
// copied out of the data only after its whole extent has been checked
// against the number of bytes the query really returned, so a block whose
// offsets point elsewhere is reported as malformed and never read outside.
//
// The walk: objects from the block's
// HeaderLength, stepping by TotalByteLength, at most NumObjectTypes of them;
// counter definitions from the object's HeaderLength, stepping by ByteLength,
// at most NumCounters; instances from the object's DefinitionLength, each
// followed by its counter block.
#include <cstddef>
#include <cstdint>

#include <windows.h>
#include <winperf.h>

namespace perfdata {

constexpr uint32_t ProcessorObjectIndex = 238;  // the "Processor" object
constexpr uint32_t IdleCounterIndex = 6;        // its idle-time counter

enum class WalkStatus {
    Found,
    NotFound,   // the block is sound but holds no such item
    Malformed,  // an offset or length leads outside the returned data
};

// An object located in the block: where it starts and a copy of its header.
struct TPerfObject {
    uint64_t Offset = 0;  // from the start of the block
    PERF_OBJECT_TYPE Header{};
};

class TPerfDataView {
public:
    // data: the block; size: the bytes the query returned (never more than
    // the buffer holds).
    TPerfDataView(const uint8_t* data, size_t size) : Data(data), Size(size) {}

    // The first of at most NumObjectTypes objects whose ObjectNameTitleIndex
    // is titleIndex. A found object whose NumInstances is negative (no
    // instances) or larger than its data could hold counts as malformed, so
    // the count can safely size the sampler's arrays.
    WalkStatus FindObject(uint32_t titleIndex, TPerfObject& object) const;

    // The CounterOffset of the first of the object's at most NumCounters
    // counter definitions whose CounterNameTitleIndex is titleIndex.
    WalkStatus FindCounter(const TPerfObject& object, uint32_t titleIndex, uint32_t& counterOffset) const;

    // The 64-bit counter value at counterOffset in the counter block of each
    // of the object's first count instances. False, with values partly
    // written, when an instance, counter block or value lies outside.
    bool ReadInstanceValues(const TPerfObject& object, uint32_t counterOffset, int64_t* values,
                            int32_t count) const;

    // The block header's SystemTime; false when the data is shorter than the
    // header.
    bool ReadSystemTime(SYSTEMTIME& time) const;

private:
    // Copies sizeof(T) bytes at offset into out when they all lie inside.
    template <class T>
    bool ReadAt(uint64_t offset, T& out) const;

    const uint8_t* Data;
    size_t Size;
};

}  // namespace perfdata
