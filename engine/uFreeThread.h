#pragma once
// The free-up worker: commits one block of the requested size, writes one
// byte in every 1024 so that the system must back all of it with physical
// memory, and gives it back, for up to Passes passes until more memory is
// available than the block holds. Optionally waits first (a start delay, then
// for an idle processor). Reports every step by posted messages to
// NotifyWindow and touches nothing else of the program.
//
// The 32-bit program commits the block in several pieces when its address
// space holds no single free region that large (the largest that fits
// first); the pieces are touched in one sweep, with one progress sequence,
// and all given back at the end of the pass.
#include "toolkit/Thread.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TMemoryPiece {
    void* Address = nullptr;
    size_t Size = 0;
};

class TFreeThread : public toolkit::Thread {
public:
    TFreeThread() = default;  // suspended: set the fields, then Resume
    ~TFreeThread() override;

    HWND NotifyWindow = nullptr;
    bool WaitIdle = false;
    int32_t IdleSeconds = 0;
    int32_t CpuThreshold = 0;  // idle means a load at or below this percent
    bool Enforce = false;      // free even when no idle moment came
    // Wide enough for the largest block of the build: the 64-bit program
    // frees more than 2 GB at once.
    size_t BlockSize = 0;
    int32_t Passes = 1;
    uint32_t DelaySeconds = 0;
    std::vector<TMemoryPiece> Block;  // held only during a pass; empty otherwise

protected:
    void Execute() override;

    // Where the worker meets the system. Tests override these to inject a
    // busy processor, a target already reached or a failing release.
    virtual void StartCpuBaseline();  // WorkerCpuSampler: refresh
    virtual int SampleCpuPercent();   // WorkerCpuSampler: refresh and average, 0 to 100
    virtual void ReleaseCpuSampler();
    virtual uint64_t ReadAvailPhysBytes();
    virtual void* CommitPiece(size_t size);  // VirtualAlloc, reserving and committing
    virtual bool FreeBlock(void* address, size_t size, DWORD freeType);  // VirtualFree
    // Whether a block that cannot be committed whole may be split: only the
    // 32-bit program runs short of address space.
    virtual bool MayCommitInPieces() const { return sizeof(void*) == 4; }
    virtual void WaitOneSecond();
    virtual void Notify(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Body();
    void CountDown();
    bool WaitForIdle();
    bool SampleIsIdle();
    void FreePasses();
    bool CommitBlock();
    bool CommitInPieces();
    void* CommitLargestPiece(size_t most, size_t& size);
    void TouchBlock(int& lastPercent);
    bool TargetReached();
    void ReleaseHeldBlock();
};
