// One instance, however close together the starts come: starts that find
// another start holding the instance lock wait for its engine and hand over
// to it instead of running an engine of their own.
#include "tests/app/RunningProgram.h"

#include "app/uInstanceLock.h"
#include "toolkit/MessageWindow.h"

namespace program_test {
namespace {

// The instance lock held by the test itself, as by a start that has not
// shown its engine yet.
class HeldInstanceLock {
public:
    HeldInstanceLock() : mutex_(CreateMutexA(nullptr, FALSE, InstanceMutexName))
    {
        held_ = mutex_ && WaitForSingleObject(mutex_.Get(), 0) == WAIT_OBJECT_0;
    }
    ~HeldInstanceLock() { Release(); }
    HeldInstanceLock(const HeldInstanceLock&) = delete;
    HeldInstanceLock& operator=(const HeldInstanceLock&) = delete;

    bool Held() const { return held_; }
    void Release()
    {
        if (held_) ReleaseMutex(mutex_.Get());
        held_ = false;
        mutex_.Reset();
    }

private:
    toolkit::UniqueKernelHandle mutex_;
    bool held_ = false;
};

// Holds a running engine's user-interface thread still, as a long wait in one
// of its handlers does (stopping a worker): it answers no ping until let go.
class HeldEngineThread {
public:
    explicit HeldEngineThread(HWND engine)
    {
        const DWORD threadId = GetWindowThreadProcessId(engine, nullptr);
        thread_.Reset(OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId));
        held_ = thread_ && SuspendThread(thread_.Get()) != static_cast<DWORD>(-1);
    }
    ~HeldEngineThread() { Release(); }
    HeldEngineThread(const HeldEngineThread&) = delete;
    HeldEngineThread& operator=(const HeldEngineThread&) = delete;

    bool Held() const { return held_; }
    void Release()
    {
        if (held_) ResumeThread(thread_.Get());
        held_ = false;
    }

private:
    toolkit::UniqueKernelHandle thread_;
    bool held_ = false;
};

// Windows captioned "Memory Engine" in a program; found without a ping,
// which a held engine would not answer.
int EngineWindowsOf(const Program& program)
{
    int count = 0;
    for (HWND window : TopLevelWindowsOf(program.Id())) {
        char caption[100] = {};
        GetWindowTextA(window, caption, sizeof(caption));
        if (std::string(caption) == EngineCaption) ++count;
    }
    return count;
}

int EngineWindowsIn(const std::vector<std::unique_ptr<Program>>& programs)
{
    int count = 0;
    for (const auto& program : programs) count += EngineWindowsOf(*program);
    return count;
}

// A window captioned "Memory Engine" in this process. It answers the ping
// with the signature only once it is told to be an engine; until then it
// counts the pings of other processes, each one a look of a waiting start.
class StandInEngine {
public:
    StandInEngine()
        : window_(
              [this](UINT message, WPARAM, LPARAM, LRESULT& result) {
                  if (message == WM_ENGINE_PING) {
                      if (InSendMessage()) ++pings;
                      result = answering ? EngineSignature : 0;
                      return true;
                  }
                  if (message == WM_ENGINE_SHOWMAIN) {
                      ++showMainRequests;
                      result = 0;
                      return true;
                  }
                  return false;
              },
              EngineCaption)
    {
    }
    HWND Handle() const { return window_.Handle(); }

    bool answering = false;
    int pings = 0;
    int showMainRequests = 0;

private:
    toolkit::MessageWindow window_;
};

class InstancesTest : public RunningProgramTest {};

TEST_F(InstancesTest, TenStartsAtOnceLeaveExactlyOneEngine)
{
    std::vector<std::unique_ptr<Program>> programs;
    for (int i = 0; i < 10; ++i) {
        programs.push_back(std::make_unique<Program>("", StartMode::Suspended));
        ASSERT_TRUE(programs.back()->Started());
    }
    for (const auto& program : programs) program->Resume();
    // Each start either runs the engine or hands over and ends.
    const auto settled = [&programs] {
        for (const auto& program : programs)
            if (!program->Exited() && !EngineOf(program->Id())) return false;
        return true;
    };
    ASSERT_TRUE(WaitPumping(settled, 60000)) << "a start neither ended nor showed an engine";

    const std::vector<HWND> engines = RunningEngines();
    EXPECT_EQ(engines.size(), 1u);
    int ended = 0;
    for (const auto& program : programs) {
        if (!program->Exited()) continue;
        ++ended;
        EXPECT_EQ(program->WaitForExit(0), 0u);
    }
    EXPECT_EQ(ended, 9);

    for (HWND engine : engines) PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
    for (const auto& program : programs) EXPECT_EQ(program->WaitForExit(20000), 0u);
}

TEST_F(InstancesTest, StartsWhileTheEngineIsBusyBeyondThePingTimeoutWaitAndHandOverToIt)
{
    auto first = StartInstance();
    const HWND engine = EngineOf(first->Id());
    ASSERT_NE(engine, nullptr);
    StandInEngine standIn;  // sees how often the starts look
    HeldEngineThread busy(engine);
    ASSERT_TRUE(busy.Held());

    std::vector<std::unique_ptr<Program>> programs;
    for (int i = 0; i < 10; ++i) {
        programs.push_back(std::make_unique<Program>());
        ASSERT_TRUE(programs.back()->Started());
    }
    // Ten looks are the first of each start; one more means a start looked
    // again after its ping to the busy engine timed out, instead of running
    // an engine of its own.
    ASSERT_TRUE(WaitPumping([&] { return standIn.pings > 10 || EngineWindowsIn(programs) > 0; }, 60000));
    ASSERT_EQ(EngineWindowsIn(programs), 0) << "a start ran an engine beside the busy one";

    busy.Release();
    for (const auto& program : programs) EXPECT_EQ(program->WaitForExit(30000), 0u);
    EXPECT_EQ(RunningEngines(), std::vector<HWND>{engine});
    PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
    EXPECT_EQ(first->WaitForExit(20000), 0u);
}

TEST_F(InstancesTest, AStartWhileTheLockIsHeldWaitsForTheEngineAndHandsOverToIt)
{
    HeldInstanceLock lock;
    ASSERT_TRUE(lock.Held());
    StandInEngine standIn;
    Program program;
    ASSERT_TRUE(program.Started());

    // Two looks that found no engine, and no engine of its own in between.
    ASSERT_TRUE(WaitPumping(
        [&] { return standIn.pings >= 2 || program.Exited() || EngineWindowsOf(program) > 0; }, 20000));
    ASSERT_EQ(EngineWindowsOf(program), 0) << "no engine while another start holds the lock";
    EXPECT_FALSE(program.Exited());

    standIn.answering = true;  // the holder's engine is there now
    EXPECT_EQ(program.WaitForExit(20000), 0u);
    EXPECT_EQ(standIn.showMainRequests, 1) << "handed over as to any running instance";
}

TEST_F(InstancesTest, AStartThatGetsTheLockLateReadsTheSettingsItsHolderSavedMeanwhile)
{
    HeldInstanceLock lock;
    ASSERT_TRUE(lock.Held());
    auto standIn = std::make_unique<StandInEngine>();
    Program program;
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(WaitPumping(
        [&] { return standIn->pings >= 2 || program.Exited() || EngineWindowsOf(program) > 0; }, 20000));
    ASSERT_EQ(EngineWindowsOf(program), 0) << "no engine while another start holds the lock";
    ASSERT_FALSE(program.Exited());

    // The holder ends: its last save, then the lock goes.
    WriteDword(OptionsSubKey, "MemoryIconStyle", 3);
    standIn.reset();
    lock.Release();
    ASSERT_TRUE(WaitPumping([&] { return EngineOf(program.Id()) != nullptr; }, 20000));

    PostMessageA(EngineOf(program.Id()), WM_ENGINE_QUIT, 0, 0);
    EXPECT_EQ(program.WaitForExit(20000), 0u);
    EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 3u) << "not the value read when the start began";
}

}  // namespace
}  // namespace program_test
