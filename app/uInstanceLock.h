#pragma once
// The right to run the engine: a named mutex of the user's session. A start
// takes it before it looks for a running engine and keeps it until the
// process has saved its settings for the last time, so two starts at the
// same moment cannot both find no engine and both start one.
#include "toolkit/Handles.h"

// "Local\": one instance per session; another user's session has its own.
inline const char* const InstanceMutexName = "Local\\Orlandek Kalvora Professional 5 Instance";

class TInstanceLock {
public:
    TInstanceLock() = default;
    // Releases the lock if held. Must run on the thread that took it.
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // True when this process may run the engine: it holds the lock now (also
    // when the last holder ended without releasing it), or the system gave no
    // mutex of that name, in which case the window search alone decides, as
    // it did before there was a lock. Never waits.
    bool TryAcquire();

private:
    toolkit::UniqueKernelHandle mutex_;
    bool held_ = false;
    bool unavailable_ = false;
};
