#pragma once
// Load that a CPU test can measure: threads that spin until they are
// stopped, and the processor time this process has really been given. A
// sampler must see at least that time as busy, however loaded the machine
// is, so tests compare with it instead of with a share of the wall clock.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

inline unsigned ProcessorsOfTheSystem()
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

// User plus kernel time of every thread of this process, in seconds.
inline double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

inline double WallSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

class BusyThreads {
public:
    explicit BusyThreads(unsigned count)
    {
        for (unsigned i = 0; i < count; ++i)
            threads_.emplace_back([this] {
                uint64_t spins = 0;
                while (!stop_.load(std::memory_order_relaxed)) ++spins;
                spins_.fetch_add(spins);
            });
    }
    ~BusyThreads() { Stop(); }
    BusyThreads(const BusyThreads&) = delete;
    BusyThreads& operator=(const BusyThreads&) = delete;

    void Stop()
    {
        stop_ = true;
        for (std::thread& thread : threads_)
            if (thread.joinable()) thread.join();
    }
    uint64_t Spins() const { return spins_.load(); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> spins_{0};
    std::vector<std::thread> threads_;
};

// Waits until this process has used seconds of processor time more than at
// from; false when that has not happened within timeoutMs of wall time (a
// machine that gives the test almost nothing).
inline bool WaitForProcessCpu(double from, double seconds, DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    while (ProcessCpuSeconds() - from < seconds) {
        if (GetTickCount64() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}
