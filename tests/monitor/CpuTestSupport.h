#pragma once
// Fakes for the CPU usage sampler's seams and small helpers shared by the
// sampler tests.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "monitor/uCpuSources.h"
#include "toolkit/Error.h"

namespace cputest {

// The message of the toolkit::Error that f raises, or "(no error)".
template <class F>
std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const toolkit::Error& e) {
        return e.what();
    }
    return "(no error)";
}

inline const std::string NoProcessorObject = "Unable to locate the \"Processor\" performance object";
inline const std::string NoIdleCounter = "Unable to locate the \"% of CPU usage\" performance counter";
inline const std::string IndexOutOfBounds = "CPU index out of bounds";

// Answers like RegQueryValueExA on HKEY_PERFORMANCE_DATA: ERROR_MORE_DATA
// while the buffer is smaller than Block, else the block. The test owns the
// state, which outlives the sampler.
struct TPerfScript {
    std::vector<uint8_t> Block;
    long Result = ERROR_SUCCESS;     // answered once the buffer is large enough
    long ReportedBytes = -1;         // >= 0: the byte count reported instead of the block's size
    std::vector<unsigned long> Sizes;  // the buffer size of every call
};

class TFakePerfSource final : public IPerfDataSource {
public:
    explicit TFakePerfSource(std::shared_ptr<TPerfScript> script) : Script(std::move(script)) {}
    long Query(uint8_t* buffer, unsigned long& bytes) override
    {
        Script->Sizes.push_back(bytes);
        if (Script->Block.size() > bytes) {
            bytes = static_cast<unsigned long>(Script->Block.size());
            return ERROR_MORE_DATA;
        }
        if (!Script->Block.empty()) std::memcpy(buffer, Script->Block.data(), Script->Block.size());
        bytes = Script->ReportedBytes >= 0 ? static_cast<unsigned long>(Script->ReportedBytes)
                                           : static_cast<unsigned long>(Script->Block.size());
        return Script->Result;
    }

private:
    std::shared_ptr<TPerfScript> Script;
};

struct TTimesScript {
    bool Available = true;
    std::vector<TProcessorTimes> Times;
    int Calls = 0;
};

class TFakeTimesSource final : public IProcessorTimesSource {
public:
    explicit TFakeTimesSource(std::shared_ptr<TTimesScript> script) : Script(std::move(script)) {}
    bool Query(std::vector<TProcessorTimes>& times) override
    {
        ++Script->Calls;
        if (!Script->Available) return false;
        times = Script->Times;
        return true;
    }

private:
    std::shared_ptr<TTimesScript> Script;
};

struct TDynScript {
    bool StartOpens = true;
    bool StatDataOpens = true;
    uint32_t StartValue = 0;
    uint32_t StatValue = 0;
    uint32_t StopValue = 0;
    int Starts = 0, Opens = 0, Reads = 0, Closes = 0, Stops = 0;
    bool Open = false;  // StatData key held
};

class TFakeDynSource final : public IDynDataSource {
public:
    explicit TFakeDynSource(std::shared_ptr<TDynScript> script) : Script(std::move(script)) {}
    bool StartStats(uint32_t& value) override
    {
        ++Script->Starts;
        if (!Script->StartOpens) return false;
        value = Script->StartValue;
        return true;
    }
    bool OpenStatData() override
    {
        ++Script->Opens;
        Script->Open = Script->StatDataOpens;
        return Script->StatDataOpens;
    }
    void ReadStatData(uint32_t& value) override
    {
        ++Script->Reads;
        if (Script->Open) value = Script->StatValue;
    }
    void CloseStatData() override
    {
        ++Script->Closes;
        Script->Open = false;
    }
    void StopStats(uint32_t& value) override
    {
        ++Script->Stops;
        value = Script->StopValue;
    }

private:
    std::shared_ptr<TDynScript> Script;
};

// Holds bytes so that they end exactly where an inaccessible page begins: a
// read one byte past the end faults instead of passing unnoticed.
class TGuardedBytes {
public:
    explicit TGuardedBytes(const std::vector<uint8_t>& bytes) : Size(bytes.size())
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t dataPages = (Size + page - 1) / page + 1;
        Total = (dataPages + 1) * page;
        Base = static_cast<uint8_t*>(VirtualAlloc(nullptr, Total, MEM_RESERVE, PAGE_NOACCESS));
        VirtualAlloc(Base, dataPages * page, MEM_COMMIT, PAGE_READWRITE);
        uint8_t* data = Base + dataPages * page - Size;
        if (Size) std::memcpy(data, bytes.data(), Size);
        Data = data;
    }
    ~TGuardedBytes() { VirtualFree(Base, 0, MEM_RELEASE); }
    TGuardedBytes(const TGuardedBytes&) = delete;
    TGuardedBytes& operator=(const TGuardedBytes&) = delete;

    const uint8_t* Data = nullptr;
    size_t Size = 0;

private:
    uint8_t* Base = nullptr;
    size_t Total = 0;
};

}  // namespace cputest
