#pragma once
// Builds performance data blocks byte by byte, at the published offsets of
// <winperf.h> written out by hand (and checked against the header below), so
// the tests do not share the sampler's view of the layout.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <winperf.h>

namespace perftest {

// PERF_DATA_BLOCK
constexpr size_t BlkSignature = 0, BlkLittleEndian = 8, BlkVersion = 12, BlkRevision = 16,
                 BlkTotalByteLength = 20, BlkHeaderLength = 24, BlkNumObjectTypes = 28, BlkDefaultObject = 32,
                 BlkSystemTime = 36, BlkPerfTime = 56, BlkPerfFreq = 64, BlkPerfTime100nSec = 72,
                 BlkSystemNameLength = 80, BlkSystemNameOffset = 84, BlkSize = 88;
// PERF_OBJECT_TYPE
constexpr size_t ObjTotalByteLength = 0, ObjDefinitionLength = 4, ObjHeaderLength = 8, ObjNameTitleIndex = 12,
                 ObjHelpTitleIndex = 20, ObjDetailLevel = 28, ObjNumCounters = 32, ObjDefaultCounter = 36,
                 ObjNumInstances = 40, ObjCodePage = 44, ObjSize = 64;
// PERF_COUNTER_DEFINITION
constexpr size_t CtrByteLength = 0, CtrNameTitleIndex = 4, CtrHelpTitleIndex = 12, CtrDefaultScale = 20,
                 CtrDetailLevel = 24, CtrCounterType = 28, CtrCounterSize = 32, CtrCounterOffset = 36,
                 CtrSize = 40;
// PERF_INSTANCE_DEFINITION
constexpr size_t InsByteLength = 0, InsParentObjectTitleIndex = 4, InsParentObjectInstance = 8,
                 InsUniqueID = 12, InsNameOffset = 16, InsNameLength = 20, InsSize = 24;
// PERF_COUNTER_BLOCK
constexpr size_t CblByteLength = 0;

static_assert(offsetof(PERF_DATA_BLOCK, TotalByteLength) == BlkTotalByteLength);
static_assert(offsetof(PERF_DATA_BLOCK, HeaderLength) == BlkHeaderLength);
static_assert(offsetof(PERF_DATA_BLOCK, NumObjectTypes) == BlkNumObjectTypes);
static_assert(offsetof(PERF_DATA_BLOCK, SystemTime) == BlkSystemTime);
static_assert(offsetof(PERF_DATA_BLOCK, PerfTime100nSec) == BlkPerfTime100nSec);
static_assert(offsetof(PERF_DATA_BLOCK, SystemNameOffset) == BlkSystemNameOffset);
static_assert(sizeof(PERF_DATA_BLOCK) == BlkSize);
static_assert(offsetof(PERF_OBJECT_TYPE, DefinitionLength) == ObjDefinitionLength);
static_assert(offsetof(PERF_OBJECT_TYPE, HeaderLength) == ObjHeaderLength);
static_assert(offsetof(PERF_OBJECT_TYPE, ObjectNameTitleIndex) == ObjNameTitleIndex);
static_assert(offsetof(PERF_OBJECT_TYPE, NumCounters) == ObjNumCounters);
static_assert(offsetof(PERF_OBJECT_TYPE, NumInstances) == ObjNumInstances);
static_assert(sizeof(PERF_OBJECT_TYPE) == ObjSize);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex) == CtrNameTitleIndex);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterSize) == CtrCounterSize);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterOffset) == CtrCounterOffset);
static_assert(sizeof(PERF_COUNTER_DEFINITION) == CtrSize);
static_assert(offsetof(PERF_INSTANCE_DEFINITION, NameOffset) == InsNameOffset);
static_assert(sizeof(PERF_INSTANCE_DEFINITION) == InsSize);

struct TTestCounter {
    uint32_t TitleIndex;
};

struct TTestObject {
    uint32_t TitleIndex = 238;
    std::vector<TTestCounter> Counters;
    // Per instance: its name and one 64-bit value per counter.
    std::vector<std::wstring> InstanceNames;
    std::vector<std::vector<int64_t>> Values;
};

// Where the builder put things, so tests can corrupt single fields.
struct TObjectLayout {
    size_t Offset = 0;
    std::vector<size_t> Counters;        // counter definitions
    std::vector<size_t> Instances;       // instance definitions
    std::vector<size_t> CounterBlocks;   // their counter blocks
};

struct TBlock {
    std::vector<uint8_t> Bytes;
    std::vector<TObjectLayout> Objects;

    void Put16(size_t offset, uint16_t v) { std::memcpy(&Bytes.at(offset + 1) - 1, &v, 2); }
    void Put32(size_t offset, uint32_t v) { std::memcpy(&Bytes.at(offset + 3) - 3, &v, 4); }
    void Put64(size_t offset, uint64_t v) { std::memcpy(&Bytes.at(offset + 7) - 7, &v, 8); }
    uint32_t Get32(size_t offset) const
    {
        uint32_t v;
        std::memcpy(&v, &Bytes.at(offset + 3) - 3, 4);
        return v;
    }
};

inline size_t Align8(size_t n) { return (n + 7) & ~size_t(7); }

// Appends n zero bytes and returns their offset.
inline size_t Grow(TBlock& block, size_t n)
{
    const size_t at = block.Bytes.size();
    block.Bytes.resize(at + n, 0);
    return at;
}

inline void PutWide(TBlock& block, size_t offset, const std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i) block.Put16(offset + 2 * i, static_cast<uint16_t>(text[i]));
}

inline void SetTime(TBlock& block, const SYSTEMTIME& time)
{
    const size_t t = BlkSystemTime;
    block.Put16(t + 0, time.wYear);
    block.Put16(t + 2, time.wMonth);
    block.Put16(t + 4, time.wDayOfWeek);
    block.Put16(t + 6, time.wDay);
    block.Put16(t + 8, time.wHour);
    block.Put16(t + 10, time.wMinute);
    block.Put16(t + 12, time.wSecond);
    block.Put16(t + 14, time.wMilliseconds);
}

// A time stamp seconds after 2024-03-01 12:00:00.000 (whole seconds below
// a minute, milliseconds as given).
inline SYSTEMTIME TestTime(int seconds, int milliseconds = 0)
{
    SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 3;
    time.wDay = 1;
    time.wDayOfWeek = 5;
    time.wHour = 12;
    time.wMinute = static_cast<WORD>(seconds / 60);
    time.wSecond = static_cast<WORD>(seconds % 60);
    time.wMilliseconds = static_cast<WORD>(milliseconds);
    return time;
}

inline uint64_t FileTimeOf(const SYSTEMTIME& time)
{
    FILETIME ft;
    SystemTimeToFileTime(&time, &ft);
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// The whole block: header with system name, then each object with its
// counter definitions, then its instances each followed by a counter block
// (ByteLength, 4 bytes of padding, then the 64-bit values in counter order).
// extraPadding bytes are added to the system name area to make the block
// large.
inline TBlock BuildBlock(const std::vector<TTestObject>& objects, const SYSTEMTIME& time, size_t extraPadding = 0)
{
    TBlock block;
    Grow(block, BlkSize);
    PutWide(block, BlkSignature, L"PERF");
    block.Put32(BlkLittleEndian, 1);
    block.Put32(BlkVersion, PERF_DATA_VERSION);
    block.Put32(BlkRevision, PERF_DATA_REVISION);
    block.Put32(BlkNumObjectTypes, static_cast<uint32_t>(objects.size()));
    block.Put32(BlkDefaultObject, 238);
    SetTime(block, time);
    block.Put64(BlkPerfFreq, 10000000);
    const std::wstring systemName = L"KALVORA-TEST";
    const size_t nameAt = Grow(block, Align8((systemName.size() + 1) * 2) + Align8(extraPadding));
    PutWide(block, nameAt, systemName);
    block.Put32(BlkSystemNameLength, static_cast<uint32_t>((systemName.size() + 1) * 2));
    block.Put32(BlkSystemNameOffset, static_cast<uint32_t>(nameAt));
    block.Put32(BlkHeaderLength, static_cast<uint32_t>(block.Bytes.size()));

    for (const TTestObject& object : objects) {
        TObjectLayout layout;
        layout.Offset = Grow(block, ObjSize);
        const size_t o = layout.Offset;
        block.Put32(o + ObjHeaderLength, ObjSize);
        block.Put32(o + ObjNameTitleIndex, object.TitleIndex);
        block.Put32(o + ObjHelpTitleIndex, object.TitleIndex + 1);
        block.Put32(o + ObjDetailLevel, PERF_DETAIL_NOVICE);
        block.Put32(o + ObjNumCounters, static_cast<uint32_t>(object.Counters.size()));
        block.Put32(o + ObjNumInstances, static_cast<uint32_t>(object.InstanceNames.size()));
        const size_t counterBlockSize = 8 + 8 * object.Counters.size();
        for (size_t c = 0; c < object.Counters.size(); ++c) {
            const size_t d = Grow(block, CtrSize);
            layout.Counters.push_back(d);
            block.Put32(d + CtrByteLength, CtrSize);
            block.Put32(d + CtrNameTitleIndex, object.Counters[c].TitleIndex);
            block.Put32(d + CtrHelpTitleIndex, object.Counters[c].TitleIndex + 1);
            block.Put32(d + CtrDetailLevel, PERF_DETAIL_NOVICE);
            block.Put32(d + CtrCounterType, PERF_100NSEC_TIMER_INV);
            block.Put32(d + CtrCounterSize, 8);
            block.Put32(d + CtrCounterOffset, static_cast<uint32_t>(8 + 8 * c));
        }
        block.Put32(o + ObjDefinitionLength, static_cast<uint32_t>(block.Bytes.size() - o));
        for (size_t i = 0; i < object.InstanceNames.size(); ++i) {
            const std::wstring& name = object.InstanceNames[i];
            const size_t nameBytes = (name.size() + 1) * 2;
            const size_t n = Grow(block, InsSize + Align8(nameBytes));
            layout.Instances.push_back(n);
            block.Put32(n + InsByteLength, static_cast<uint32_t>(InsSize + Align8(nameBytes)));
            block.Put32(n + InsUniqueID, static_cast<uint32_t>(PERF_NO_UNIQUE_ID));
            block.Put32(n + InsNameOffset, InsSize);
            block.Put32(n + InsNameLength, static_cast<uint32_t>(nameBytes));
            PutWide(block, n + InsSize, name);
            const size_t b = Grow(block, counterBlockSize);
            layout.CounterBlocks.push_back(b);
            block.Put32(b + CblByteLength, static_cast<uint32_t>(counterBlockSize));
            for (size_t c = 0; c < object.Counters.size(); ++c)
                block.Put64(b + 8 + 8 * c, static_cast<uint64_t>(object.Values.at(i).at(c)));
        }
        block.Put32(o + ObjTotalByteLength, static_cast<uint32_t>(block.Bytes.size() - o));
        block.Objects.push_back(layout);
    }
    block.Put32(BlkTotalByteLength, static_cast<uint32_t>(block.Bytes.size()));
    return block;
}

// A "Process" object (230) of two instances with two counters, before the
// processor object: the walk has to step over it.
inline TTestObject ProcessObject()
{
    TTestObject object;
    object.TitleIndex = 230;
    object.Counters = {{6}, {142}};  // 6 here is a process's "% Processor Time"
    object.InstanceNames = {L"Idle", L"kalvora"};
    object.Values = {{111, 222}, {333, 444}};
    return object;
}

// The processor object with the idle counter (6) not first: "% Processor
// Time" (142) and "% User Time" (144) come before it; one instance per
// entry of idle, named "0", "1", ...
inline TTestObject ProcessorObject(const std::vector<int64_t>& idle)
{
    TTestObject object;
    object.TitleIndex = 238;
    object.Counters = {{142}, {144}, {6}, {148}};
    for (size_t i = 0; i < idle.size(); ++i) {
        object.InstanceNames.push_back(std::to_wstring(i));
        object.Values.push_back({-1, -2, idle[i], -4});
    }
    return object;
}

}  // namespace perftest
