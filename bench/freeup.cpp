// Frees N MB with the free-up worker and compares it with the floor: fresh
// memory of the same size committed, one byte written in every page, and
// released, with no messages. Prints the best of several runs of each, one
// line per size, whatever became of the others.
//
// When this program's address space holds no single free region of the
// size (a 32-bit program), the floor commits it in pieces, the largest that
// fit first, as the worker itself then does; only the commit, touch and
// release are timed, not the search for room. A size that even pieces
// cannot hold gets a line saying so.
//   bench_freeup [MB ...]   (default 256 1024 2045)
#include "engine/uFreeThread.h"
#include "engine/uMessages.h"
#include "toolkit/Application.h"
#include "toolkit/MessageWindow.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* Arch() { return sizeof(void*) == 8 ? "x86_64" : "i686"; }

// The highest progress the worker reported, and whether it reported its end.
struct TWorkerReport {
    int LastPercent = -1;
    bool Completed = false;
};

std::optional<double> FreeWithWorker(HWND notify, size_t bytes, TWorkerReport& report)
{
    report = {};
    TFreeThread worker;
    worker.NotifyWindow = notify;
    worker.BlockSize = bytes;
    worker.Passes = 1;
    const auto start = Clock::now();
    worker.Resume();
    worker.WaitFor();
    const double elapsed = Milliseconds(start);
    toolkit::Application::Instance().ProcessMessages();  // the progress, read into report
    // A commit that failed reports nothing but a progress that stays short.
    if (report.LastPercent != 100) return std::nullopt;
    return elapsed;
}

using TPieces = std::vector<std::pair<char*, size_t>>;

void* Commit(void* address, size_t size) { return VirtualAlloc(address, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

void ReleaseAll(const TPieces& pieces)
{
    for (const auto& piece : pieces) VirtualFree(piece.first, 0, MEM_RELEASE);
}

// Where bytes fit in at most 64 pieces: all in one, or else again and again
// the largest whole number of MB that VirtualAlloc still finds room for (the
// address space's own answer: Wine shows room it keeps for allocations as
// reserved to VirtualQuery). Nothing is kept committed; empty when it does
// not fit.
TPieces PlacePieces(size_t bytes)
{
    constexpr size_t unit = 1u << 20;
    TPieces pieces;
    size_t left = bytes;
    while (left > 0 && pieces.size() < 64) {
        void* piece = Commit(nullptr, left);
        size_t size = left;
        if (!piece) {
            size_t fits = 0, fails = (left + unit - 1) / unit;
            while (fails - fits > 1) {
                const size_t units = fits + (fails - fits) / 2;
                if (void* tried = Commit(nullptr, units * unit)) {
                    VirtualFree(tried, 0, MEM_RELEASE);
                    fits = units;
                } else {
                    fails = units;
                }
            }
            if (fits == 0) break;
            size = fits * unit;
            piece = Commit(nullptr, size);
            if (!piece) break;
        }
        pieces.emplace_back(static_cast<char*>(piece), size);  // held, so the next piece goes elsewhere
        left -= size;
    }
    ReleaseAll(pieces);
    if (left > 0) pieces.clear();
    return pieces;
}

// Commits bytes where PlacePieces found room (one piece when one region
// holds it), touches one byte a page and releases it all: the search for
// room is not timed. Nothing when it cannot be committed.
std::optional<double> Floor(size_t bytes, size_t& pieceCount)
{
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const TPieces places = PlacePieces(bytes);
    pieceCount = places.size();
    if (places.empty()) return std::nullopt;
    const auto start = Clock::now();
    TPieces pieces;
    for (const auto& [base, size] : places) {
        void* committed = Commit(base, size);
        if (!committed) {
            ReleaseAll(pieces);
            return std::nullopt;
        }
        pieces.emplace_back(static_cast<char*>(committed), size);
    }
    for (const auto& [base, size] : pieces) {
        volatile char* bytesOfPiece = base;
        for (size_t offset = 0; offset < size; offset += system.dwPageSize) bytesOfPiece[offset] = 0;
    }
    ReleaseAll(pieces);
    return Milliseconds(start);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line as soon as it is known
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {256, 1024, 2045};

    TWorkerReport report;
    toolkit::MessageWindow window([&report](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        if (message == WM_WORKER_PROGRESS) report.LastPercent = std::max(report.LastPercent, static_cast<int>(wParam));
        if (message == WM_WORKER_COMPLETED) report.Completed = true;
        return false;
    });
    constexpr int runs = 7;
    int failures = 0;
    for (int mb : sizes) {
        if (mb <= 0) {
            std::printf("freeup %s %d MB: not run, the size must be positive\n", Arch(), mb);
            ++failures;
            continue;
        }
        const size_t bytes = static_cast<size_t>(mb) << 20;
        double worker = 1e300, floor = 1e300;
        size_t pieces = 0;
        bool failed = false;
        // Alternate the two so that neither profits from a warmer system.
        for (int run = 0; run < runs && !failed; ++run) {
            const std::optional<double> freed = FreeWithWorker(window.Handle(), bytes, report);
            if (!freed) {
                std::printf("freeup %s %d MB: failed, the worker stopped at %d %% of the block (%s)\n", Arch(), mb,
                            std::max(report.LastPercent, 0), report.Completed ? "completed" : "not completed");
                failed = true;
                break;
            }
            worker = std::min(worker, *freed);
            const std::optional<double> measured = Floor(bytes, pieces);
            if (!measured) {
                std::printf("freeup %s %d MB: worker %.1f ms, floor not measured: the memory cannot be committed, "
                            "not even in pieces\n",
                            Arch(), mb, worker);
                failed = true;
                break;
            }
            floor = std::min(floor, *measured);
        }
        if (failed) {
            ++failures;
            continue;
        }
        char inPieces[32] = "";
        if (pieces > 1) std::snprintf(inPieces, sizeof(inPieces), " (floor in %u pieces)", static_cast<unsigned>(pieces));
        std::printf("freeup %s %d MB: %.1f ms, floor %.1f ms, ratio %.2f%s\n", Arch(), mb, worker, floor,
                    worker / floor, inPieces);
    }
    return failures == 0 ? 0 : 1;
}
