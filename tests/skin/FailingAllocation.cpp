#include "tests/skin/FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local long countdown = 0;  // 0: unarmed
thread_local bool failed = false;

void* Allocate(std::size_t size)
{
    if (countdown > 0 && --countdown == 0) {
        failed = true;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

namespace skintest {

FailingAllocation::FailingAllocation(long nth)
{
    failed = false;
    countdown = nth > 0 ? nth : 1;
}

FailingAllocation::~FailingAllocation()
{
    countdown = 0;
}

bool FailingAllocation::Happened() const
{
    return failed;
}

}  // namespace skintest

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
