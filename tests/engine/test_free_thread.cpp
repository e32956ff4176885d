// The free-up worker on a real thread, posting to a real hidden window, with
// real VirtualAlloc blocks of a few MB. Only the processor load, the
// available memory, the largest block the address space takes and the
// release call are injected where a case needs them.
#include "engine/uFreeThread.h"
#include "engine/uHistories.h"
#include "engine/uMessages.h"
#include "monitor/uCpuUsage.h"
#include "toolkit/Application.h"
#include "toolkit/DebugOut.h"
#include "toolkit/MessageWindow.h"
#include "tests/monitor/PerfBlockBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace {

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Posted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Posted& p)
{
    return out << "{" << (p.message - WM_USER) << ", " << p.wParam << ", " << p.lParam << "}";
}

std::mutex debugMutex;
std::vector<std::string> debugLines;

void CollectDebugLine(const std::string& line)
{
    std::lock_guard lock(debugMutex);
    debugLines.push_back(line);
}

constexpr size_t MB = 1u << 20;

// A worker whose contact with the system can be scripted.
class ScriptedFreeThread : public TFreeThread {
public:
    std::vector<int> cpuLoads;  // one per sample; the last repeats
    std::optional<uint64_t> availableBytes;
    size_t refuseAbove = 0;                 // as if no free region held more; 0: no limit
    std::optional<bool> mayCommitInPieces;  // the build's rule unless set
    bool failRelease = false;
    int stopAtProgress = -1;   // requests a stop when this percent is posted
    int stopAtDelay = -1;
    int throwAtProgress = -1;  // an error leaves the body when this percent is posted

    int samples = 0;
    int baselines = 0;
    int samplerReleases = 0;
    std::vector<void*> committed;
    std::vector<void*> released;
    std::vector<ULONGLONG> delayPostedAt;  // the worker's own clock
    std::vector<TMemoryPiece> sweptPieces;  // the block as the sweep found it

protected:
    void StartCpuBaseline() override { ++baselines; }
    int SampleCpuPercent() override
    {
        int load = cpuLoads.empty() ? 0 : cpuLoads[std::min<size_t>(samples, cpuLoads.size() - 1)];
        ++samples;
        return load;
    }
    void ReleaseCpuSampler() override { ++samplerReleases; }
    uint64_t ReadAvailPhysBytes() override
    {
        return availableBytes ? *availableBytes : TFreeThread::ReadAvailPhysBytes();
    }
    void* CommitPiece(size_t size) override
    {
        if (refuseAbove && size > refuseAbove) return nullptr;
        void* block = TFreeThread::CommitPiece(size);
        if (block) committed.push_back(block);
        return block;
    }
    bool MayCommitInPieces() const override
    {
        return mayCommitInPieces ? *mayCommitInPieces : TFreeThread::MayCommitInPieces();
    }
    bool FreeBlock(void* address, size_t size, DWORD freeType) override
    {
        bool freed = TFreeThread::FreeBlock(address, size, freeType);
        if (freeType == MEM_RELEASE) {
            released.push_back(address);
            if (failRelease) {
                SetLastError(ERROR_INVALID_ADDRESS);
                return false;
            }
        }
        return freed;
    }
    void WaitOneSecond() override { SleepUnlessTerminated(5); }
    void Notify(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_WORKER_DELAY) delayPostedAt.push_back(GetTickCount64());
        if (message == WM_WORKER_PROGRESS && wParam == 1) sweptPieces = Block;
        TFreeThread::Notify(message, wParam, lParam);
        if (message == WM_WORKER_PROGRESS && static_cast<int>(wParam) == stopAtProgress) Terminate();
        if (message == WM_WORKER_DELAY && static_cast<int>(wParam) == stopAtDelay) Terminate();
        if (message == WM_WORKER_PROGRESS && static_cast<int>(wParam) == throwAtProgress)
            throw std::runtime_error("injected");
    }
};

Posted Progress(int percent) { return {WM_WORKER_PROGRESS, static_cast<WPARAM>(percent), 0}; }
Posted Cpu(int load, int threshold) { return {WM_WORKER_CPU, static_cast<WPARAM>(load), threshold}; }
Posted IdleWait(int seconds) { return {WM_WORKER_IDLEWAIT, static_cast<WPARAM>(seconds), 0}; }
Posted Delay(int elapsed, int total) { return {WM_WORKER_DELAY, static_cast<WPARAM>(elapsed), total}; }
const Posted Completed{WM_WORKER_COMPLETED, 0, 0};
const Posted Ended{WM_WORKER_ENDED, 0, 0};

class FreeThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        debugLines.clear();
        toolkit::SetDebugSink(&CollectDebugLine);
        window = std::make_unique<toolkit::MessageWindow>(
            [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
                if (message < WM_WORKER_ENDED || message > WM_ENGINE_QUIT) return false;
                posted.push_back({message, wParam, lParam});
                return true;
            });
        worker.NotifyWindow = window->Handle();
        worker.BlockSize = 4 * MB;
    }
    void TearDown() override { toolkit::SetDebugSink(nullptr); }

    // Runs the worker to its end and pumps its messages until WM_WORKER_ENDED.
    void RunWorker()
    {
        worker.Resume();
        bool ended = toolkit::Application::Instance().ProcessMessagesUntil(
            [this] { return !posted.empty() && posted.back().message == WM_WORKER_ENDED; }, 20000);
        ASSERT_TRUE(ended) << "no WM_WORKER_ENDED";
        worker.WaitFor();
        toolkit::Application::Instance().ProcessMessages();
    }

    // Runs a worker of a table case on this fixture's window to its end.
    void RunCase(ScriptedFreeThread& caseWorker)
    {
        posted.clear();
        caseWorker.NotifyWindow = window->Handle();
        caseWorker.Resume();
        ASSERT_TRUE(toolkit::Application::Instance().ProcessMessagesUntil(
            [this] { return !posted.empty() && posted.back() == Ended; }, 10000));
        caseWorker.WaitFor();
    }

    std::vector<std::string> Debug()
    {
        std::lock_guard lock(debugMutex);
        return debugLines;
    }

    std::unique_ptr<toolkit::MessageWindow> window;
    ScriptedFreeThread worker;
    std::vector<Posted> posted;
};


// Progress of one whole pass of a block of a few MB: every percent once.
void AppendPass(std::vector<Posted>& sequence, int from = 0, int to = 100)
{
    for (int percent = from; percent <= to; ++percent) sequence.push_back(Progress(percent));
}

// A worker's whole report: what comes first, then one pass after another,
// then the completion and the end.
std::vector<Posted> Reported(std::vector<Posted> before, size_t passes, std::vector<Posted> after = {})
{
    for (size_t pass = 0; pass < passes; ++pass) AppendPass(before);  // each restarts from 0
    before.insert(before.end(), after.begin(), after.end());
    before.push_back(Completed);
    before.push_back(Ended);
    return before;
}

// Released, not only decommitted: free, or (under Wine, which keeps room for
// later allocations reserved) part of a reservation that is not its own.
bool IsFreeInMemory(void* address)
{
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(address, &info, sizeof(info))) return false;
    return info.State == MEM_FREE || (info.State == MEM_RESERVE && info.AllocationBase != address);
}

}  // namespace

TEST_F(FreeThreadTest, OnePassTouchesAndReleasesARealBlock)
{
    worker.Passes = 1;
    RunWorker();

    EXPECT_EQ(posted, Reported({}, 1));
    ASSERT_EQ(worker.committed.size(), 1u);
    EXPECT_EQ(worker.released, worker.committed);
    EXPECT_TRUE(IsFreeInMemory(worker.committed[0]));
    EXPECT_TRUE(worker.Block.empty());
    for (const std::string& line : Debug()) EXPECT_NE(line.rfind("Free: ", 0), 0u) << "no target test after the last pass";
}

TEST_F(FreeThreadTest, StartDelayCountsWholeSecondsBeforeAnythingElse)
{
    class RealSeconds : public ScriptedFreeThread {
        void WaitOneSecond() override { TFreeThread::WaitOneSecond(); }
    };
    RealSeconds realWorker;
    realWorker.NotifyWindow = window->Handle();
    realWorker.BlockSize = 2 * MB;
    realWorker.DelaySeconds = 3;
    realWorker.Resume();
    ASSERT_TRUE(toolkit::Application::Instance().ProcessMessagesUntil(
        [this] { return !posted.empty() && posted.back() == Ended; }, 10000));

    ASSERT_GE(posted.size(), 4u);
    EXPECT_EQ(posted[0], Delay(1, 3));
    EXPECT_EQ(posted[1], Delay(2, 3));
    EXPECT_EQ(posted[2], Delay(3, 3));
    EXPECT_EQ(posted[3], Progress(0));
    // Seconds on the worker's own clock: the pump may see them late, never early.
    realWorker.WaitFor();
    ASSERT_EQ(realWorker.delayPostedAt.size(), 3u);
    EXPECT_GE(realWorker.delayPostedAt[1] - realWorker.delayPostedAt[0], 950u);
    EXPECT_GE(realWorker.delayPostedAt[2] - realWorker.delayPostedAt[1], 950u);
}

TEST_F(FreeThreadTest, IdleWaitSequences)
{
    struct Case {
        const char* name;
        std::vector<int> loads;
        int idleSeconds;
        bool enforce;
        std::vector<Posted> wait;  // what comes before any freeing
        bool frees;
    };
    const Case cases[] = {
        {"busy, no enforce", {80}, 2, false,
         {Cpu(80, 10), IdleWait(2), Cpu(80, 10), IdleWait(1), Cpu(80, 10)}, false},
        {"busy, enforced", {80}, 2, true,
         {Cpu(80, 10), IdleWait(2), Cpu(80, 10), IdleWait(1), Cpu(80, 10)}, true},
        {"busy, no time to wait", {80}, 0, false, {Cpu(80, 10)}, false},
        {"idle at once", {3}, 5, false, {Cpu(3, 10)}, true},
        {"idle at the threshold", {10}, 5, false, {Cpu(10, 10)}, true},
        {"idle on the second look", {80, 5}, 5, false, {Cpu(80, 10), IdleWait(5), Cpu(5, 10)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedFreeThread caseWorker;
        caseWorker.BlockSize = 2 * MB;
        caseWorker.WaitIdle = true;
        caseWorker.CpuThreshold = 10;
        caseWorker.IdleSeconds = c.idleSeconds;
        caseWorker.Enforce = c.enforce;
        caseWorker.cpuLoads = c.loads;
        RunCase(caseWorker);

        EXPECT_EQ(posted, Reported(c.wait, c.frees ? 1 : 0));
        EXPECT_EQ(caseWorker.committed.size(), c.frees ? 1u : 0u);
        EXPECT_EQ(caseWorker.baselines, 1);
        EXPECT_EQ(caseWorker.samplerReleases, 1);
    }
}

TEST_F(FreeThreadTest, SecondPassRunsOnlyWhileTheTargetIsNotReached)
{
    struct Case { uint64_t available; size_t passes; const char* verdict; };
    const Case cases[] = {
        {4 * MB + 1, 1, "Target reached"},  // strictly more than the block
        {4 * MB, 2, "Target Not Reached"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.verdict);
        debugLines.clear();
        ScriptedFreeThread caseWorker;
        caseWorker.BlockSize = 4 * MB;
        caseWorker.Passes = 2;
        caseWorker.availableBytes = c.available;
        RunCase(caseWorker);

        EXPECT_EQ(caseWorker.committed.size(), c.passes);
        EXPECT_EQ(posted, Reported({}, c.passes));
        const std::vector<std::string> lines = Debug();
        const std::vector<std::string> targetLines = {
            "Free: " + std::to_string(c.available), "ToFree: " + std::to_string(4 * MB), c.verdict};
        EXPECT_EQ(lines, targetLines);
    }
}

TEST_F(FreeThreadTest, StopRequestsEndEachStage)
{
    struct Case {
        const char* name;
        int stopAtDelay;
        int stopAtProgress;
        std::vector<Posted> expected;
        size_t commits;
    };
    std::vector<Posted> halfPass;
    AppendPass(halfPass, 0, 50);
    halfPass.push_back(Ended);
    const Case cases[] = {
        {"in the start delay", 1, -1, {Delay(1, 2), Ended}, 0},
        {"while touching", -1, 50, halfPass, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedFreeThread caseWorker;
        caseWorker.BlockSize = 4 * MB;
        caseWorker.Passes = 2;
        caseWorker.DelaySeconds = c.stopAtDelay > 0 ? 2 : 0;
        caseWorker.availableBytes = 0;  // the target is never reached
        caseWorker.stopAtDelay = c.stopAtDelay;
        caseWorker.stopAtProgress = c.stopAtProgress;
        RunCase(caseWorker);

        EXPECT_EQ(posted, c.expected);  // no WM_WORKER_COMPLETED after a stop
        EXPECT_EQ(caseWorker.committed.size(), c.commits);
        EXPECT_EQ(caseWorker.released, caseWorker.committed);
        for (void* block : caseWorker.committed) EXPECT_TRUE(IsFreeInMemory(block));
    }
}

// More than any address space holds: the 32-bit one is 4 GB at most, the
// 64-bit one far below 256 TB.
constexpr size_t Uncommittable = sizeof(void*) == 4 ? size_t{0xFFF00000u} : size_t{1} << 48;

TEST_F(FreeThreadTest, CommitFailureCountsAsAPass)
{
    worker.BlockSize = Uncommittable;  // a real VirtualAlloc failure
    worker.Passes = 2;
    worker.availableBytes = 0;
    RunWorker();

    EXPECT_EQ(posted, (std::vector<Posted>{Progress(0), Completed, Ended}));
    const std::vector<std::string> lines = Debug();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VirtualAlloc failed"), 2);
}

TEST_F(FreeThreadTest, ReleaseFailureIsReportedAsFatalAndTheWorkerCarriesOn)
{
    worker.failRelease = true;
    worker.Passes = 1;
    RunWorker();

    EXPECT_EQ(posted, Reported({}, 1, {{WM_WORKER_FATAL, ERROR_INVALID_ADDRESS, 0}}));
    const std::vector<std::string> lines = Debug();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "VirtualFree2 failed... Fatal Exit Initiated"), lines.end());
    EXPECT_TRUE(worker.Block.empty());
}

TEST_F(FreeThreadTest, AnErrorInTheBodyStillReleasesTheBlockAndEnds)
{
    worker.throwAtProgress = 30;
    worker.Passes = 2;
    RunWorker();

    ASSERT_EQ(worker.committed.size(), 1u);
    EXPECT_EQ(worker.released, worker.committed);
    EXPECT_TRUE(IsFreeInMemory(worker.committed[0]));
    ASSERT_GE(posted.size(), 3u);
    EXPECT_EQ(posted[posted.size() - 3], Progress(30));
    EXPECT_EQ(posted[posted.size() - 2], Completed);
    EXPECT_EQ(posted.back(), Ended);
}

TEST_F(FreeThreadTest, AStopBeforeTheStartRunsNoBodyButStillEnds)
{
    worker.Terminate();
    worker.Passes = 1;
    RunWorker();
    EXPECT_EQ(posted, (std::vector<Posted>{Ended}));
    EXPECT_TRUE(worker.committed.empty());
}

namespace {

size_t TotalSize(const std::vector<TMemoryPiece>& pieces)
{
    size_t total = 0;
    for (const TMemoryPiece& piece : pieces) total += piece.Size;
    return total;
}

}  // namespace

TEST_F(FreeThreadTest, ABlockThatNoRegionHoldsWholeIsSweptInPiecesWithOneProgressSequence)
{
    // No more than 2 MB fits in one piece: 5 MB become 2 + 2 + 1.
    worker.mayCommitInPieces = true;
    worker.refuseAbove = 2 * MB;
    worker.BlockSize = 5 * MB;
    worker.Passes = 1;
    worker.failRelease = true;  // each piece's release fails
    RunWorker();

    // One progress sequence over all pieces, one fatal report a block.
    EXPECT_EQ(posted, Reported({}, 1, {{WM_WORKER_FATAL, ERROR_INVALID_ADDRESS, 0}}));
    ASSERT_EQ(worker.sweptPieces.size(), 3u);
    EXPECT_EQ(worker.sweptPieces[0].Size, 2 * MB) << "the largest that fits first";
    EXPECT_EQ(worker.sweptPieces[1].Size, 2 * MB);
    EXPECT_EQ(worker.sweptPieces[2].Size, 1 * MB);
    std::vector<void*> committed = worker.committed, released = worker.released;
    std::sort(committed.begin(), committed.end());
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, committed) << "every piece and every trial piece goes back";
    for (void* piece : committed) EXPECT_TRUE(IsFreeInMemory(piece));
    const std::vector<std::string> lines = Debug();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VirtualFree2 failed... Fatal Exit Initiated"), 3);
    EXPECT_TRUE(worker.Block.empty());
}

TEST_F(FreeThreadTest, PiecesThatCannotHoldTheWholeAmountAreAFailedCommit)
{
    worker.mayCommitInPieces = true;
    worker.refuseAbove = 1;  // nothing fits
    worker.BlockSize = 3 * MB;
    worker.Passes = 1;
    RunWorker();
    EXPECT_EQ(posted, (std::vector<Posted>{Progress(0), Completed, Ended}));
    EXPECT_TRUE(worker.committed.empty());
    const std::vector<std::string> lines = Debug();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VirtualAlloc failed"), 1);
}

TEST_F(FreeThreadTest, TheSixtyFourBitProgramKeepsOneBlock)
{
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 32-bit program may split a block";
    worker.refuseAbove = 2 * MB;
    worker.BlockSize = 3 * MB;
    worker.Passes = 1;
    RunWorker();
    EXPECT_TRUE(worker.committed.empty());
    EXPECT_EQ(posted, (std::vector<Posted>{Progress(0), Completed, Ended}));
}

namespace {

// Fills this process's address space with reservations of `chunk` bytes and
// gives back a few of them, far apart: no free region then holds more than
// one chunk. Everything goes back at the end.
class FragmentedAddressSpace {
public:
    FragmentedAddressSpace(size_t chunk, int holes)
    {
        reserved_.reserve(65536);  // more than a 4 GB space holds: nothing grows while it is full
        std::vector<void*> chunks = Fill(chunk);
        // The rest too, so that no hole below joins a smaller free region.
        for (size_t rest = chunk / 2; rest >= 64 * 1024; rest /= 2) Fill(rest);
        std::sort(chunks.begin(), chunks.end());
        const size_t step = chunks.size() / (holes + 1);
        for (int hole = 1; hole <= holes && step >= 2; ++hole) {
            void* reserved = chunks[hole * step];
            VirtualFree(reserved, 0, MEM_RELEASE);
            *std::find(reserved_.begin(), reserved_.end(), reserved) = nullptr;
        }
    }
    ~FragmentedAddressSpace()
    {
        for (void* reserved : reserved_)
            if (reserved) VirtualFree(reserved, 0, MEM_RELEASE);
    }
    FragmentedAddressSpace(const FragmentedAddressSpace&) = delete;
    FragmentedAddressSpace& operator=(const FragmentedAddressSpace&) = delete;

private:
    std::vector<void*> Fill(size_t size)
    {
        std::vector<void*> filled;
        filled.reserve(8192);
        while (filled.size() < filled.capacity() && reserved_.size() < reserved_.capacity())
            if (void* reserved = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) {
                filled.push_back(reserved);
                reserved_.push_back(reserved);
            } else {
                break;
            }
        return filled;
    }

    std::vector<void*> reserved_;
};

}  // namespace

TEST_F(FreeThreadTest, TheThirtyTwoBitProgramFreesAcrossAFragmentedAddressSpace)
{
    if (sizeof(void*) != 4) GTEST_SKIP() << "a 64-bit address space cannot be filled";
    posted.reserve(1000);  // nothing here may need new address space while it is full
    worker.BlockSize = 40 * MB;
    worker.Passes = 1;
    {
        FragmentedAddressSpace fragmented(16 * MB, 6);
        void* tooLarge = VirtualAlloc(nullptr, 17 * MB, MEM_RESERVE, PAGE_NOACCESS);
        if (tooLarge) VirtualFree(tooLarge, 0, MEM_RELEASE);
        ASSERT_EQ(tooLarge, nullptr) << "the address space still holds a region above 16 MB";
        RunWorker();
    }
    EXPECT_EQ(posted, Reported({}, 1));
    EXPECT_GE(worker.sweptPieces.size(), 3u) << "40 MB in regions of 16 MB at most";
    EXPECT_EQ(TotalSize(worker.sweptPieces), 40 * MB);
    for (const TMemoryPiece& piece : worker.sweptPieces) EXPECT_TRUE(IsFreeInMemory(piece.Address));
}

TEST(LargeAddressSpace, TheProgramIsLargeAddressAware)
{
    // Read from the file: what the loader will give the program on 64-bit Windows.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string program(path);
    program = program.substr(0, program.find_last_of('\\') + 1) + "kalvora.exe";
    HANDLE file = CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << program;
    std::vector<char> header(4096);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, header.data(), static_cast<DWORD>(header.size()), &read, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok);
    ASSERT_GE(read, sizeof(IMAGE_DOS_HEADER));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(header.data());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LE(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS), read);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(header.data() + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
    EXPECT_EQ(nt->FileHeader.Machine, sizeof(void*) == 4 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}

namespace {

// Processor times that move on by one step a query: what the sampler sees
// as the clock runs.
class SteppedTimes final : public IProcessorTimesSource {
public:
    explicit SteppedTimes(std::vector<TProcessorTimes> steps) : steps_(std::move(steps)) {}
    bool Query(std::vector<TProcessorTimes>& times) override
    {
        times = {steps_[std::min(next_++, steps_.size() - 1)]};
        return true;
    }

private:
    std::vector<TProcessorTimes> steps_;
    size_t next_ = 0;
};

// Answers like Wine: a sound performance block with no processor object, so
// the sampler turns to the processor times.
class EmptyPerfData final : public IPerfDataSource {
public:
    long Query(uint8_t* buffer, unsigned long& bytes) override
    {
        if (block_.size() > bytes) {
            bytes = static_cast<unsigned long>(block_.size());
            return ERROR_MORE_DATA;
        }
        std::memcpy(buffer, block_.data(), block_.size());
        bytes = static_cast<unsigned long>(block_.size());
        return ERROR_SUCCESS;
    }

private:
    std::vector<uint8_t> block_ = perftest::BuildBlock({}, perftest::TestTime(10)).Bytes;
};

// A worker whose processor load comes from WorkerCpuSampler as in the
// program; only its seconds are short.
class SampledFreeThread : public TFreeThread {
protected:
    void WaitOneSecond() override { SleepUnlessTerminated(5); }
};

// Swaps WorkerCpuSampler for the length of a test.
class WorkerSamplerSwap {
public:
    explicit WorkerSamplerSwap(std::unique_ptr<TCpuUsageSampler> sampler) : saved_(std::move(WorkerCpuSampler))
    {
        WorkerCpuSampler = std::move(sampler);
    }
    ~WorkerSamplerSwap() { WorkerCpuSampler = std::move(saved_); }

private:
    std::unique_ptr<TCpuUsageSampler> saved_;
};

}  // namespace

TEST_F(FreeThreadTest, TheIdleWaitJudgesTheLastSecondNotTheTimeSinceTheLastFreeUp)
{
    constexpr int64_t Second = 10000000;  // 100-ns units
    // The last free-up's sample, an hour of idle since, then a busy second.
    auto sampler = std::make_unique<TCpuUsageSampler>(
        std::make_unique<EmptyPerfData>(),
        std::make_unique<SteppedTimes>(std::vector<TProcessorTimes>{
            {0, 0}, {3600 * Second, 3600 * Second}, {3600 * Second, 3601 * Second}}));
    sampler->Refresh();  // the previous worker's last look
    WorkerSamplerSwap swap(std::move(sampler));

    SampledFreeThread busy;
    busy.NotifyWindow = window->Handle();
    busy.BlockSize = 2 * MB;
    busy.WaitIdle = true;
    busy.CpuThreshold = 10;
    busy.IdleSeconds = 0;
    posted.clear();
    busy.Resume();
    ASSERT_TRUE(toolkit::Application::Instance().ProcessMessagesUntil(
        [this] { return !posted.empty() && posted.back() == Ended; }, 10000));
    EXPECT_EQ(posted, (std::vector<Posted>{Cpu(100, 10), Completed, Ended})) << "busy now: nothing freed";
}

TEST_F(FreeThreadTest, TheRealSamplerTellsALoadWithinZeroToHundred)
{
    WorkerSamplerSwap swap(std::make_unique<TCpuUsageSampler>());
    SampledFreeThread real;
    real.NotifyWindow = window->Handle();
    real.BlockSize = 2 * MB;
    real.Passes = 1;
    real.WaitIdle = true;
    real.CpuThreshold = 100;  // any load is idle enough
    posted.clear();
    real.Resume();
    ASSERT_TRUE(toolkit::Application::Instance().ProcessMessagesUntil(
        [this] { return !posted.empty() && posted.back() == Ended; }, 10000));
    ASSERT_GE(posted.size(), 4u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_WORKER_CPU));
    EXPECT_LE(posted[0].wParam, 100u);
    EXPECT_EQ(posted[0].lParam, 100);
    EXPECT_EQ(posted[1], Progress(0)) << "then it frees";
    EXPECT_EQ(posted[posted.size() - 2], Completed);
}

TEST(CpuLoad, ReadingsStayWithinZeroToHundredOnTheirWayIntoTheHistory)
{
    constexpr int64_t Second = 10000000;
    struct Case { const char* name; TProcessorTimes next; uint64_t load; };
    const Case cases[] = {
        {"idle time runs ahead of the clock", {2 * Second, 1 * Second}, 0},
        {"half busy", {Second / 2, 1 * Second}, 50},
        {"the clock steps back", {1 * Second, -1 * Second}, 100},
    };
    InitMemoryState();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto sampler = std::make_unique<TCpuUsageSampler>(
            std::make_unique<EmptyPerfData>(), std::make_unique<SteppedTimes>(std::vector<TProcessorTimes>{{0, 0}, c.next}));
        sampler->Refresh();
        std::unique_ptr<TCpuUsageSampler> saved = std::move(MainCpuSampler);
        MainCpuSampler = std::move(sampler);
        CpuHistory = std::make_unique<TIntArray>(0);
        SampleHistories();
        EXPECT_EQ(CpuHistory->Get(TIntArray::Capacity() - 1), c.load);
        MainCpuSampler = std::move(saved);
    }
    FinishMemoryState();
}
