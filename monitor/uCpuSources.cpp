#include "monitor/uCpuSources.h"

#include <windows.h>

namespace {

class TRegistryPerfDataSource final : public IPerfDataSource {
public:
    long Query(uint8_t* buffer, unsigned long& bytes) override
    {
        DWORD size = bytes;
        const LONG result = ::RegQueryValueExA(HKEY_PERFORMANCE_DATA, "238", nullptr, nullptr, buffer, &size);
        bytes = size;
        return result;
    }
};

// SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION of <winternl.h>; KernelTime
// includes IdleTime. 48 bytes in 32- and 64-bit programs alike.
struct TProcessorPerformance {
    LARGE_INTEGER IdleTime;
    LARGE_INTEGER KernelTime;
    LARGE_INTEGER UserTime;
    LARGE_INTEGER Reserved1[2];
    ULONG Reserved2;
};
static_assert(sizeof(TProcessorPerformance) == 48);

class TNtProcessorTimesSource final : public IProcessorTimesSource {
public:
    TNtProcessorTimesSource()
    {
        // Loaded by name so that no import library for ntdll is needed.
        if (HMODULE ntdll = ::GetModuleHandleA("ntdll.dll")) {
            // Through void(*)(): the one function type GCC lets any other
            // convert to without -Wcast-function-type.
            const auto proc = reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "NtQuerySystemInformation"));
            QuerySystemInformation = reinterpret_cast<TQuerySystemInformation>(proc);
        }
        SYSTEM_INFO info{};
        ::GetSystemInfo(&info);
        Buffer.resize(info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1);
    }

    bool Query(std::vector<TProcessorTimes>& times) override
    {
        if (!QuerySystemInformation) return false;
        constexpr ULONG SystemProcessorPerformanceInformation = 8;
        constexpr LONG StatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
        ULONG returned = 0;
        LONG status = 0;
        for (int attempt = 0; attempt < 4; ++attempt) {
            returned = 0;
            status = QuerySystemInformation(SystemProcessorPerformanceInformation, Buffer.data(),
                                            static_cast<ULONG>(Buffer.size() * sizeof(TProcessorPerformance)),
                                            &returned);
            if (status != StatusInfoLengthMismatch) break;
            const size_t wanted = returned / sizeof(TProcessorPerformance);
            Buffer.resize(wanted > Buffer.size() ? wanted : Buffer.size() * 2);
        }
        if (status < 0) return false;
        size_t count = returned / sizeof(TProcessorPerformance);
        if (count > Buffer.size()) count = Buffer.size();
        times.resize(count);
        for (size_t i = 0; i < count; ++i) {
            times[i].Idle = Buffer[i].IdleTime.QuadPart;
            times[i].Total = Buffer[i].KernelTime.QuadPart + Buffer[i].UserTime.QuadPart;
        }
        return count > 0;
    }

private:
    using TQuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    TQuerySystemInformation QuerySystemInformation = nullptr;
    std::vector<TProcessorPerformance> Buffer;  // kept: no allocation per refresh
};

constexpr const char* CpuUsageValue = "KERNEL\\CPUUsage";

void ReadCpuUsage(HKEY key, uint32_t& value)
{
    DWORD size = sizeof(value);
    ::RegQueryValueExA(key, CpuUsageValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
}

// Opens key under HKEY_DYN_DATA with full access, reads the value, closes.
bool ReadOnce(const char* key, uint32_t& value)
{
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(HKEY_DYN_DATA, key, 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return false;
    ReadCpuUsage(handle, value);
    ::RegCloseKey(handle);
    return true;
}

class TRegistryDynDataSource final : public IDynDataSource {
public:
    ~TRegistryDynDataSource() override { CloseStatData(); }

    bool StartStats(uint32_t& value) override { return ReadOnce("PerfStats\\StartStat", value); }

    bool OpenStatData() override
    {
        CloseStatData();
        return ::RegOpenKeyExA(HKEY_DYN_DATA, "PerfStats\\StatData", 0, KEY_READ, &StatDataKey) == ERROR_SUCCESS;
    }

    void ReadStatData(uint32_t& value) override
    {
        if (StatDataKey) ReadCpuUsage(StatDataKey, value);
    }

    void CloseStatData() override
    {
        if (StatDataKey) ::RegCloseKey(StatDataKey);
        StatDataKey = nullptr;
    }

    void StopStats(uint32_t& value) override { ReadOnce("PerfStats\\StopStat", value); }

private:
    HKEY StatDataKey = nullptr;
};

}  // namespace

std::unique_ptr<IPerfDataSource> CreateRegistryPerfDataSource()
{
    return std::make_unique<TRegistryPerfDataSource>();
}

std::unique_ptr<IProcessorTimesSource> CreateNtProcessorTimesSource()
{
    return std::make_unique<TNtProcessorTimesSource>();
}

std::unique_ptr<IDynDataSource> CreateRegistryDynDataSource()
{
    return std::make_unique<TRegistryDynDataSource>();
}
