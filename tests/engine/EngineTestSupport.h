#pragma once
// What the engine tests share: options of their own in a test key, an
// injected clock, a machine of a fixed memory size with a fixed reading, and
// workers that record what they were asked to do and free nothing (their
// block is never committed). Nothing depends on the machine the tests run
// on: the figures lie inside the 32-bit program's bound, and no critical
// free-up starts unless a test lowers the reading.
#include "engine/fEngineForm.h"
#include "engine/uDateTime.h"
#include "engine/uFreeThread.h"
#include "engine/uHistories.h"
#include "engine/uMemoryFigures.h"
#include "engine/uMessages.h"
#include "monitor/uCpuUsage.h"
#include "settings/uKalvoraOptions.h"
#include "settings/uKalvoraOptionsInit.h"
#include "tests/settings/OptionsTestSupport.h"
#include "tests/settings/RegTestKey.h"
#include "toolkit/Application.h"
#include "toolkit/ErrorBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A worker that runs the real body but never commits memory: every pass
// "fails to commit", so it posts progress 0, completion and end. Each one
// counts its own creation, so tests can tell workers apart.
class RecordingWorker : public TFreeThread {
public:
    explicit RecordingWorker(int number) : Number(number) {}
    ~RecordingWorker() override { StopAndWait(); }
    const int Number;
    bool HoldUntilStopped = false;  // a slow start: nothing happens until a stop request

protected:
    void Execute() override;
    void* CommitPiece(size_t) override { return nullptr; }
    bool MayCommitInPieces() const override { return false; }
    void WaitOneSecond() override { SleepUnlessTerminated(5); }
    void StartCpuBaseline() override {}
    int SampleCpuPercent() override { return 0; }
    void ReleaseCpuSampler() override {}
    void Notify(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The machine the engine tests see: 2000 MB, 1500 of them available.
constexpr int TestTotalMB = 2000;

struct EngineWorld {
    double Now = DateTimeFromSystemTime(SYSTEMTIME{2026, 12, 4, 10, 10, 15, 40, 0});
    uint64_t AvailBytes = uint64_t{1500} << 20;
    int CreatedCount = 0;
    bool HoldWorkers = false;
    std::atomic<bool> ReleaseHeld{false};  // lets held workers go on
    std::function<void(const std::string&)> OpenProgram;  // the shell's unless set
};
inline EngineWorld* World = nullptr;
// What the workers posted, as (worker number, message); written by worker
// threads, read by the test.
inline std::mutex WorkerPostsMutex;
inline std::vector<std::pair<int, UINT>> WorkerPosts;

inline void RecordingWorker::Execute()
{
    for (int waited = 0; HoldUntilStopped && waited < 60000 && !Terminated() && !World->ReleaseHeld; waited += 5)
        SleepUnlessTerminated(5);
    TFreeThread::Execute();
}

inline bool WorkerPosted(int number, UINT message)
{
    std::lock_guard lock(WorkerPostsMutex);
    return std::find(WorkerPosts.begin(), WorkerPosts.end(), std::make_pair(number, message)) != WorkerPosts.end();
}

inline void RecordingWorker::Notify(UINT message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard lock(WorkerPostsMutex);
        WorkerPosts.emplace_back(Number, message);
    }
    TFreeThread::Notify(message, wParam, lParam);
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        World = &world;
        {
            std::lock_guard lock(WorkerPostsMutex);
            WorkerPosts.clear();
        }
        InitMemoryState();
        realTotalMB = TotalPhysMB;
        TotalPhysMB = TestTotalMB;  // before the options: their first-start values follow it
        if (!WorkerCpuSampler) CreateCpuSamplers();
        Options = std::make_unique<TKalvoraOptions>(key.Path());
        toolkit::SetErrorBoxHandler([this](const std::string& text) { errorBoxes.push_back(text); });
    }
    void TearDown() override
    {
        engine.reset();
        FinishOptions(false);
        toolkit::SetErrorBoxHandler({});
        TotalPhysMB = realTotalMB;
        World = nullptr;
    }

    static TEngineEnvironment TestEnvironment()
    {
        TEngineEnvironment environment;
        environment.Now = [] { return World->Now; };
        environment.AvailPhysBytes = [] { return World->AvailBytes; };
        environment.OpenProgram = [](const std::string& file) {
            if (World->OpenProgram)
                World->OpenProgram(file);
            else
                DefaultEngineEnvironment().OpenProgram(file);
        };
        environment.CreateWorker = []() -> std::unique_ptr<TFreeThread> {
            auto worker = std::make_unique<RecordingWorker>(++World->CreatedCount);
            worker->HoldUntilStopped = World->HoldWorkers;
            return worker;
        };
        return environment;
    }

    // The engine as the program makes it, and its first options message handled.
    void StartEngine(const std::string& argument = {})
    {
        engine = std::make_unique<TfrmEngine>(argument, TestEnvironment());
        Pump();
    }
    static void Pump() { toolkit::Application::Instance().ProcessMessages(); }
    static bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000)
    {
        return toolkit::Application::Instance().ProcessMessagesUntil(done, ms);
    }
    // Waits until the current worker has ended and its messages are handled.
    bool WorkerDone() { return PumpUntil([this] { return engine->Worker() == nullptr; }); }

    const RecordingWorker* CurrentWorker() const
    {
        return static_cast<const RecordingWorker*>(engine->Worker());
    }

    RegTestKey key{"Software\\KalvoraTests\\Engine"};
    RunValueGuard runValue;
    EngineWorld world;
    std::unique_ptr<TfrmEngine> engine;
    std::vector<std::string> errorBoxes;
    int realTotalMB = 0;
};

// Another program of the tests, beside this one, started with arguments.
inline toolkit::UniqueKernelHandle StartBesideUs(const std::string& program, const std::string& arguments)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    folder.erase(folder.find_last_of('\\') + 1);
    std::string commandLine = "\"" + folder + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return {};
    toolkit::UniqueKernelHandle thread(info.hThread);
    return toolkit::UniqueKernelHandle(info.hProcess);
}

inline std::string BesideUs(const std::string& file)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}
