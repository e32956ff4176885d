#include "toolkit/Thread.h"

#include "toolkit/DebugOut.h"
#include "toolkit/Error.h"

#include <exception>

namespace toolkit {

Thread::Thread()
{
    stopEvent_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent_) throw Error("Cannot create a thread");
    DWORD id = 0;
    handle_.Reset(::CreateThread(nullptr, 0, &Thread::ThreadProc, this, CREATE_SUSPENDED, &id));
    if (!handle_) throw Error("Cannot create a thread");
}

Thread::~Thread() { StopAndWait(); }

void Thread::StopAndWait()
{
    Terminate();
    if (!resumed_) {
        skipBody_ = true;  // never started by its owner: end without running
        Resume();
    }
    WaitFor();
}

void Thread::Terminate()
{
    terminated_.store(true);
    ::SetEvent(stopEvent_.Get());
}

bool Thread::SleepUnlessTerminated(DWORD ms)
{
    return ::WaitForSingleObject(stopEvent_.Get(), ms) == WAIT_TIMEOUT;
}

void Thread::Resume()
{
    if (resumed_) return;
    resumed_ = true;
    ::ResumeThread(handle_.Get());
}

void Thread::WaitFor()
{
    if (resumed_) ::WaitForSingleObject(handle_.Get(), INFINITE);
}

DWORD WINAPI Thread::ThreadProc(void* parameter)
{
    auto* self = static_cast<Thread*>(parameter);
    if (!self->skipBody_) {
        try {
            self->Execute();
        } catch (const std::exception& error) {
            DebugOut(std::string("Thread ended by an error: ") + error.what());
        } catch (...) {
            DebugOut("Thread ended by an unknown error");
        }
    }
    self->finished_.store(true);
    return 0;
}

}  // namespace toolkit
