#include "engine/uFreeThread.h"

#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "monitor/uCpuUsage.h"
#include "toolkit/DebugOut.h"

#include <exception>

using toolkit::DebugOut;

TFreeThread::~TFreeThread() { StopAndWait(); }

void TFreeThread::Execute()
{
    try {
        Body();
    } catch (const std::exception& error) {
        DebugOut(std::string("Free-up ended by an error: ") + error.what());
    } catch (...) {
        DebugOut("Free-up ended by an unknown error");
    }
    // However the body ended: the block goes back and the engine hears of it.
    try {
        if (!Block.empty()) ReleaseHeldBlock();
    } catch (...) {
        DebugOut("Free-up could not release its block");
    }
    if (!Terminated()) Notify(WM_WORKER_COMPLETED, 0, 0);
    Notify(WM_WORKER_ENDED, 0, 0);
}

void TFreeThread::Body()
{
    if (DelaySeconds > 0) CountDown();
    if (Terminated()) return;
    const bool freeNow = !WaitIdle || WaitForIdle() || Enforce;
    if (freeNow && !Terminated()) FreePasses();
}

void TFreeThread::CountDown()
{
    for (uint32_t second = 0; second < DelaySeconds && !Terminated();) {
        ++second;
        Notify(WM_WORKER_DELAY, second, DelaySeconds);
        WaitOneSecond();
    }
}

bool TFreeThread::SampleIsIdle()
{
    const int percent = SampleCpuPercent();
    Notify(WM_WORKER_CPU, static_cast<WPARAM>(percent), CpuThreshold);
    return percent <= CpuThreshold;
}

bool TFreeThread::WaitForIdle()
{
    int32_t secondsLeft = IdleSeconds;
    // A reading covers the time since the sampler's last refresh, which may
    // be the previous free-up hours ago: from a fresh baseline, each reading
    // tells of the last second alone.
    StartCpuBaseline();
    WaitOneSecond();
    bool idle = SampleIsIdle();
    while (!idle && secondsLeft > 0 && !Terminated()) {
        Notify(WM_WORKER_IDLEWAIT, static_cast<WPARAM>(secondsLeft), 0);
        WaitOneSecond();
        --secondsLeft;
        idle = SampleIsIdle();
    }
    ReleaseCpuSampler();
    return idle;
}

void TFreeThread::FreePasses()
{
    Notify(WM_WORKER_PROGRESS, 0, 0);
    int lastPercent = 0;
    Block.clear();
    for (int32_t pass = 1;;) {
        if (CommitBlock()) {
            TouchBlock(lastPercent);
            ReleaseHeldBlock();
        } else {
            DebugOut("VirtualAlloc failed");
        }
        ++pass;
        // In this order: the target is never tested after the last pass.
        if (pass > Passes || TargetReached() || Terminated()) break;
    }
}

bool TFreeThread::CommitBlock()
{
    if (MayCommitInPieces()) return CommitInPieces();  // one piece where the address space allows
    void* whole = CommitPiece(BlockSize);
    if (whole) Block.push_back({whole, BlockSize});
    return whole != nullptr;
}

namespace {
constexpr size_t PieceUnit = 1u << 20;  // pieces are whole MB but for the last
constexpr size_t MaxPieces = 64;        // beyond that the address space is not worth the sweep
}  // namespace

// The address space's own answer decides: only VirtualAlloc knows where a
// piece fits (Wine, for one, shows the room it keeps for allocations as
// reserved to VirtualQuery).
bool TFreeThread::CommitInPieces()
{
    size_t left = BlockSize;
    while (left > 0 && Block.size() < MaxPieces) {
        size_t size = 0;
        void* piece = CommitLargestPiece(left, size);
        if (!piece) break;
        Block.push_back({piece, size});
        left -= size;
    }
    if (left == 0) return true;
    // Not all of it: nothing is kept, and the pass counts as a failed commit.
    for (const TMemoryPiece& piece : Block) FreeBlock(piece.Address, 0, MEM_RELEASE);
    Block.clear();
    return false;
}

// Commits the largest piece of at most `most` bytes that fits: all of it, or
// else the largest whole number of MB, found by halving the range between
// what fits and what does not.
void* TFreeThread::CommitLargestPiece(size_t most, size_t& size)
{
    if (void* all = CommitPiece(most)) {
        size = most;
        return all;
    }
    void* best = nullptr;
    size_t fits = 0, failsUnits = most / PieceUnit + (most % PieceUnit ? 1 : 0);
    while (failsUnits - fits > 1) {
        const size_t units = fits + (failsUnits - fits) / 2;
        if (void* piece = CommitPiece(units * PieceUnit)) {
            if (best) FreeBlock(best, 0, MEM_RELEASE);
            best = piece;
            fits = units;
        } else {
            failsUnits = units;
        }
    }
    size = fits * PieceUnit;
    return best;
}

void TFreeThread::TouchBlock(int& lastPercent)
{
    const double size = static_cast<double>(BlockSize);
    size_t done = 0;  // bytes of the whole block swept so far
    for (const TMemoryPiece& piece : Block) {
        volatile char* bytes = static_cast<volatile char*>(piece.Address);
        for (size_t offset = 0; offset < piece.Size; offset += 1024) {
            if (Terminated()) return;
            bytes[offset] = 0;
            done += 1024;
            const int percent = static_cast<int>(static_cast<double>(done) / size * 100.0);
            if (percent != lastPercent) {
                Notify(WM_WORKER_PROGRESS, static_cast<WPARAM>(percent), 0);
                lastPercent = percent;
            }
        }
    }
}

bool TFreeThread::TargetReached()
{
    const uint64_t available = ReadAvailPhysBytes();
    DebugOut("Free: " + std::to_string(available));
    DebugOut("ToFree: " + std::to_string(BlockSize));
    const bool reached = available > static_cast<uint64_t>(BlockSize);
    DebugOut(reached ? "Target reached" : "Target Not Reached");
    return reached;
}

void TFreeThread::ReleaseHeldBlock()
{
    const std::vector<TMemoryPiece> pieces = std::move(Block);
    Block.clear();
    bool fatal = false;
    for (const TMemoryPiece& piece : pieces) {
        if (!FreeBlock(piece.Address, piece.Size, MEM_DECOMMIT)) DebugOut("VirtualFree1 failed");
        if (!FreeBlock(piece.Address, 0, MEM_RELEASE)) {
            const DWORD code = ::GetLastError();
            DebugOut("VirtualFree2 failed... Fatal Exit Initiated");
            // One fatal report a block: the engine closes the program on the first.
            if (!fatal) Notify(WM_WORKER_FATAL, code, 0);
            fatal = true;
        }
    }
}

void TFreeThread::StartCpuBaseline() { WorkerCpuSampler->Refresh(); }

int TFreeThread::SampleCpuPercent() { return CpuLoadPercent(*WorkerCpuSampler); }

void TFreeThread::ReleaseCpuSampler() { WorkerCpuSampler->Release(); }

uint64_t TFreeThread::ReadAvailPhysBytes() { return AvailPhysBytes(); }

void* TFreeThread::CommitPiece(size_t size)
{
    return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

bool TFreeThread::FreeBlock(void* address, size_t size, DWORD freeType)
{
    return ::VirtualFree(address, size, freeType) != FALSE;
}

void TFreeThread::WaitOneSecond() { SleepUnlessTerminated(1000); }

void TFreeThread::Notify(UINT message, WPARAM wParam, LPARAM lParam)
{
    ::PostMessageA(NotifyWindow, message, wParam, lParam);
}
