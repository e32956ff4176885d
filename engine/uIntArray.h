#pragma once
// A sample history: always exactly 1000 values, the oldest at index 0 and the
// newest at index 999. Slots not yet sampled hold the fill value.
#include <array>
#include <cstdint>

class TIntArray {
public:
    explicit TIntArray(uint64_t fill);

    // Drops the oldest value and stores this one as the newest.
    void Push(uint64_t value);
    // No range check: callers stay within 0..Capacity()-1.
    uint64_t Get(int index) const { return Items[static_cast<size_t>(index)]; }
    // Bytes to whole MB, truncated.
    uint32_t GetMB(int index) const { return static_cast<uint32_t>(Get(index) >> 20); }
    static constexpr int Capacity() { return 1000; }
    uint64_t Last() const { return Get(Capacity() - 1); }

    std::array<uint64_t, 1000> Items;
};
