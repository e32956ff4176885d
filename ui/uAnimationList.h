#pragma once
// The main window's queue of animation requests, run batch by batch from its
// timer.
#include <cstddef>
#include <deque>
#include <string>

// Not an animation: stands for "show all option values now".
inline constexpr wchar_t OptionsRefreshMarker[] = L"___OPTIONS";

struct TSkinAnimation {
    std::wstring Name;
    // Run the next request in the same timer tick.
    bool Chained = false;
};

// An ordered list that owns its requests.
class TSkinAnimationList {
public:
    void Add(const std::wstring& name, bool chained);
    bool Empty() const { return items_.empty(); }
    std::size_t Count() const { return items_.size(); }
    const TSkinAnimation& Item(std::size_t index) const { return items_.at(index); }
    // Removes the first request and hands it over; the list must not be empty.
    TSkinAnimation TakeFirst();
    void Clear() { items_.clear(); }

private:
    std::deque<TSkinAnimation> items_;
};
