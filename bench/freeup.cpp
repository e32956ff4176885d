// Frees N MB with the free-up worker and compares it with the floor: a fresh
// block of the same size committed, one byte written in every page, and
// released, with no messages. Prints the best of several runs of each.
//   bench_freeup [MB ...]   (default 256 1024)
#include "engine/uFreeThread.h"
#include "engine/uMessages.h"
#include "toolkit/Application.h"
#include "toolkit/MessageWindow.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double FreeWithWorker(HWND notify, size_t bytes)
{
    TFreeThread worker;
    worker.NotifyWindow = notify;
    worker.BlockSize = bytes;
    worker.Passes = 1;
    const auto start = Clock::now();
    worker.Resume();
    worker.WaitFor();
    const double elapsed = Milliseconds(start);
    toolkit::Application::Instance().ProcessMessages();  // drop the progress messages
    return elapsed;
}

double Floor(size_t bytes)
{
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const auto start = Clock::now();
    auto* block = static_cast<volatile char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
    if (!block) return -1;
    for (size_t offset = 0; offset < bytes; offset += system.dwPageSize) block[offset] = 0;
    VirtualFree(const_cast<char*>(block), 0, MEM_RELEASE);
    return Milliseconds(start);
}

const char* Arch() { return sizeof(void*) == 8 ? "x86_64" : "i686"; }

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {256, 1024};

    toolkit::MessageWindow window([](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
    constexpr int runs = 7;
    for (int mb : sizes) {
        const size_t bytes = static_cast<size_t>(mb) << 20;
        double worker = 1e300, floor = 1e300;
        // Alternate the two so that neither profits from a warmer system.
        for (int run = 0; run < runs; ++run) {
            worker = std::min(worker, FreeWithWorker(window.Handle(), bytes));
            const double measured = Floor(bytes);
            if (measured < 0) {
                std::printf("freeup %s %d MB: cannot commit the block\n", Arch(), mb);
                return 1;
            }
            floor = std::min(floor, measured);
        }
        std::printf("freeup %s %d MB: %.1f ms, floor %.1f ms, ratio %.2f\n", Arch(), mb, worker, floor,
                    worker / floor);
    }
    return 0;
}
