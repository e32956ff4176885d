#pragma once
// COM on the calling thread for one scope. A thread that has COM already,
// in either apartment model, keeps it; both serve the callers here.
#include <windows.h>
#include <objbase.h>

namespace toolkit {

class ComScope {
public:
    ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // RPC_E_CHANGED_MODE: the thread has COM in the other model.
    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

}  // namespace toolkit
