#pragma once
// A thread object: created suspended so that its owner can set its fields,
// resumed once, stopped by request (the body checks Terminated at its own
// pace), waited for and destroyed by its owner. The object never destroys
// itself.
#include "toolkit/Handles.h"

#include <atomic>

namespace toolkit {

class Thread {
public:
    Thread();  // the thread exists, suspended
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Resume();
    void Terminate();  // the stop request; also cuts short a SleepUnlessTerminated
    bool Terminated() const { return terminated_.load(); }
    void WaitFor();  // until the body has ended; at once if it never started
    bool Finished() const { return finished_.load(); }

protected:
    // The body; it runs even when a stop was requested before Resume, and
    // checks Terminated itself. An exception that leaves it is written to the debug output;
    // the thread then ends normally.
    virtual void Execute() = 0;

    // Sleeps up to ms milliseconds, less when a stop is requested meanwhile;
    // returns false when it was cut short.
    bool SleepUnlessTerminated(DWORD ms);

    // Derived destructors call this first, so that the body never runs on
    // a half-destroyed object.
    void StopAndWait();

private:
    static DWORD WINAPI ThreadProc(void* self);

    UniqueKernelHandle handle_;
    UniqueKernelHandle stopEvent_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    bool resumed_ = false;
    bool skipBody_ = false;
};

}  // namespace toolkit
