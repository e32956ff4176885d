#include "bench/ChildProcess.h"

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

TChildProcess::TChildProcess(const std::string& fileName, const std::string& arguments)
{
    const std::string program = ProgramFolder() + fileName;
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return;
    process_.Reset(info.hProcess);
    thread_.Reset(info.hThread);
    id_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
}

TChildProcess::~TChildProcess()
{
    if (process_ && !WaitForExit(0)) Quit(10000);
}

bool TChildProcess::WaitForExit(DWORD timeoutMs) const
{
    return process_ && ::WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool TChildProcess::Quit(DWORD timeoutMs)
{
    if (!process_) return true;
    ::PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    if (WaitForExit(timeoutMs)) return true;
    ::TerminateProcess(process_.Get(), 1);
    WaitForExit(5000);
    return false;
}
