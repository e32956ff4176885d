#include "bench/ProcessCpu.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

const char* const ProcFolder = "Z:\\proc\\";

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> SubfolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != ".." && name.find_first_not_of("0123456789") == std::string::npos)
            names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

double FileTimeSeconds(const FILETIME& time)
{
    return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
}

// The name Linux gives a Wine process: its program's file name, cut to 15
// characters. It tells the process from the shells that started Wine with
// the same token.
std::string UnixProcessName(HANDLE process)
{
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!::QueryFullProcessImageNameA(process, 0, path, &size)) return {};
    std::string name = path;
    return name.substr(name.find_last_of("\\/") + 1).substr(0, 15);
}

}  // namespace

TProcessCpu::TProcessCpu(HANDLE process, const std::string& token) : process_(process)
{
    const std::string name = UnixProcessName(process);
    if (name.empty()) return;
    for (const std::string& pid : SubfolderNames(ProcFolder)) {
        std::string comm = ReadWholeFile(ProcFolder + pid + "\\comm");
        if (comm.substr(0, comm.find('\n')) != name) continue;
        std::string commandLine = ReadWholeFile(ProcFolder + pid + "\\cmdline");
        for (char& c : commandLine)
            if (c == '\0') c = ' ';
        if (commandLine.find(token) != std::string::npos) {
            unixTaskFolder_ = ProcFolder + pid + "\\task\\";
            return;
        }
    }
}

double TProcessCpu::Seconds() const
{
    if (!unixTaskFolder_.empty()) {
        // The first figure of each thread's schedstat: nanoseconds on a CPU.
        double total = 0;
        for (const std::string& task : SubfolderNames(unixTaskFolder_)) {
            std::istringstream figures(ReadWholeFile(unixTaskFolder_ + task + "\\schedstat"));
            unsigned long long nanoseconds = 0;
            if (figures >> nanoseconds) total += nanoseconds / 1e9;
        }
        return total;
    }
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process_, &created, &exited, &kernel, &user)) return 0;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

const char* TProcessCpu::Source() const
{
    return unixTaskFolder_.empty() ? "process times (10 ms steps under Wine)" : "scheduler statistics";
}
