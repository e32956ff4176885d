#pragma once
// A program of the benchmarks started beside the running one, ended by the
// benchmark: its handles are closed when the object goes.
#include "toolkit/Handles.h"

#include <windows.h>

#include <string>

class TChildProcess {
public:
    // Starts the program of that file name from this program's folder.
    TChildProcess(const std::string& fileName, const std::string& arguments);
    ~TChildProcess();  // ends a program still running
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    HANDLE Process() const { return process_.Get(); }
    DWORD Id() const { return id_; }
    // Asks its message loop to end (WM_QUIT to its main thread) and waits;
    // false when it had to be terminated.
    bool Quit(DWORD timeoutMs);
    bool WaitForExit(DWORD timeoutMs) const;

private:
    toolkit::UniqueKernelHandle process_;
    toolkit::UniqueKernelHandle thread_;
    DWORD id_ = 0;
    DWORD threadId_ = 0;
};

// The folder this program was started from, with a trailing backslash.
std::string ProgramFolder();
