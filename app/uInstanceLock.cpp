#include "app/uInstanceLock.h"

#include "toolkit/DebugOut.h"

#include <windows.h>

#include <string>

TInstanceLock::~TInstanceLock()
{
    if (held_) ::ReleaseMutex(mutex_.Get());
}

bool TInstanceLock::TryAcquire()
{
    if (held_ || unavailable_) return true;
    if (!mutex_) {
        mutex_.Reset(::CreateMutexA(nullptr, FALSE, InstanceMutexName));
        if (!mutex_) {
            // Another kind of object under our name, or no resources left.
            toolkit::DebugOut("Instance lock unavailable, error " + std::to_string(::GetLastError()));
            unavailable_ = true;
            return true;
        }
    }
    const DWORD result = ::WaitForSingleObject(mutex_.Get(), 0);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held_;
}
