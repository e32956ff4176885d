#pragma once
// Runs a piece of code as if the memory ran out at one chosen allocation: a
// machine with plenty of memory never reaches those paths for real. Linking
// FailingAllocation.cpp into a test program replaces that program's global
// operator new; unarmed it allocates as usual.
namespace skintest {

class FailingAllocation {
public:
    // The nth allocation of this thread from now on (1: the next) throws
    // std::bad_alloc; later ones succeed again, as after a real shortage
    // once the failed work has been given back.
    explicit FailingAllocation(long nth);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;

    // Whether that allocation came (and failed).
    bool Happened() const;
};

}  // namespace skintest
