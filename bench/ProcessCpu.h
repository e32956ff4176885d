#pragma once
// CPU time of another process, as precisely as the system tells it.
//
// Under Wine a process's times come in whole 10 ms ticks, too coarse for a
// program that is idle most of the time. There the Linux kernel's scheduler
// statistics of the process's threads give nanoseconds: the process is found
// in /proc (Wine's Z: drive) by its program's name and a token on its
// command line. Elsewhere, or when it is not found, GetProcessTimes answers.
#include <windows.h>

#include <string>

class TProcessCpu {
public:
    // The process must have been started with token on its command line.
    TProcessCpu(HANDLE process, const std::string& token);

    double Seconds() const;
    // "scheduler statistics" or "process times (10 ms steps under Wine)".
    const char* Source() const;

private:
    HANDLE process_;
    std::string unixTaskFolder_;  // empty: GetProcessTimes
};
