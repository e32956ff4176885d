// The engine's timer and the free-ups it starts on its own, with the clock
// and the memory reading injected.
#include "tests/engine/EngineTestSupport.h"

#include "toolkit/DebugOut.h"

#include <climits>

namespace {

constexpr uint64_t Marker = 1;  // never a real memory sample

int SamplesSinceMarked()
{
    int count = 0;
    for (int i = 0; i < TIntArray::Capacity(); ++i)
        if (MemoryHistory->Get(i) != Marker) ++count;
    return count;
}

void MarkHistory()
{
    for (int i = 0; i < TIntArray::Capacity(); ++i) MemoryHistory->Push(Marker);
}

double At(WORD hour, WORD minute, WORD second)
{
    return DateTimeFromSystemTime(SYSTEMTIME{2026, 12, 4, 10, hour, minute, second, 0});
}

}  // namespace

TEST_F(EngineTest, SamplesEveryCeilOfTheChartIntervalOverTicks)
{
    struct Case { int chartInterval; int ticks; int samples; };
    const Case cases[] = {{1000, 12, 3}, {300, 12, 6}, {250, 5, 5}, {60000, 240, 1}};
    StartEngine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chartInterval);
        Options->SetChartInterval(c.chartInterval);
        MarkHistory();
        while (engine->TickCount() != 0) engine->TimerTimer();  // start from a fresh count
        MarkHistory();
        for (int tick = 0; tick < c.ticks; ++tick) engine->TimerTimer();
        EXPECT_EQ(SamplesSinceMarked(), c.samples);
    }
}

TEST_F(EngineTest, RegularFreeUpFallsDueOnTheWholeMinuteAfterTheInterval)
{
    Options->SetRegular(true);
    Options->SetRegularInterval(60);
    world.Now = At(10, 15, 40);
    StartEngine();
    EXPECT_DOUBLE_EQ(Options->NextRegularTime(), At(11, 15, 0));

    // Another option change does not reschedule; a new interval does, from now.
    world.Now = At(10, 20, 5);
    Options->SetRegularIdlePercent(30);
    Pump();
    EXPECT_DOUBLE_EQ(Options->NextRegularTime(), At(11, 15, 0));
    Options->SetRegularInterval(30);
    Pump();
    EXPECT_DOUBLE_EQ(Options->NextRegularTime(), At(10, 50, 0));

    // Not yet due, then due: a worker with the regular settings.
    Options->SetCritical(false);
    engine->TimerTimer();
    EXPECT_EQ(engine->Worker(), nullptr);
    world.Now = At(10, 50, 0);
    engine->TimerTimer();
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->Passes, 2);
    EXPECT_EQ(CurrentWorker()->DelaySeconds, 0u);
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->RegularFreeUpMB()) << 20);
    EXPECT_DOUBLE_EQ(Options->NextRegularTime(), At(11, 20, 0));
}

TEST_F(EngineTest, CriticalFreeUpStartsWhenUsedMemoryReachesTheTriggerAndWaitsForARunningWorker)
{
    Options->SetRegular(false);
    Options->SetCritical(true);
    Options->SetCriticalIdle(true);
    Options->SetCriticalIdleSeconds(7);
    Options->SetCriticalIdlePercent(33);
    StartEngine();
    const uint64_t triggerUsedAvail = static_cast<uint64_t>(TotalPhysMB - Options->CriticalTriggerMB()) << 20;

    world.AvailBytes = triggerUsedAvail + (1u << 20);  // used one MB below the trigger
    engine->TimerTimer();
    EXPECT_EQ(engine->Worker(), nullptr);

    world.AvailBytes = triggerUsedAvail + (1u << 20) - 1;  // a byte less: whole MB, so at the trigger
    engine->TimerTimer();
    ASSERT_NE(CurrentWorker(), nullptr);
    const RecordingWorker* critical = CurrentWorker();
    EXPECT_EQ(critical->Passes, 1);
    EXPECT_EQ(critical->DelaySeconds, 1u);
    EXPECT_TRUE(critical->WaitIdle);
    EXPECT_EQ(critical->IdleSeconds, 7);
    EXPECT_EQ(critical->CpuThreshold, 33);
    EXPECT_EQ(critical->BlockSize, static_cast<size_t>(TotalPhysMB - Options->CriticalFreeUpMB()) << 20);

    engine->TimerTimer();  // still critical: the running worker is left alone
    EXPECT_EQ(CurrentWorker(), critical);
    ASSERT_TRUE(WorkerDone());
    engine->TimerTimer();  // and the next tick after its end starts the next one
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->Number, 2);
}

TEST_F(EngineTest, ARegularFreeUpDueWhileAWorkerRunsStartsAfterItsEnd)
{
    Options->SetCritical(false);
    Options->SetRegular(true);
    Options->SetRegularInterval(60);
    world.Now = At(10, 15, 40);
    StartEngine();
    world.HoldWorkers = true;
    engine->RunCommand(cmdFreeUp1);  // a preset's worker, held in its start
    ASSERT_NE(CurrentWorker(), nullptr);
    const int preset = CurrentWorker()->Number;

    world.Now = At(11, 15, 0);  // due now
    engine->TimerTimer();
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->Number, preset) << "the running worker is left alone";
    EXPECT_DOUBLE_EQ(Options->NextRegularTime(), At(11, 15, 0)) << "still due";

    world.HoldWorkers = false;
    world.ReleaseHeld = true;
    ASSERT_TRUE(WorkerDone());
    engine->TimerTimer();
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->Number, preset + 1);
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->RegularFreeUpMB()) << 20);
    EXPECT_DOUBLE_EQ(Options->NextRegularTime(), At(12, 15, 0));
}

TEST_F(EngineTest, WithoutBackgroundActivityNothingStartsAndADueRegularTimeMovesOn)
{
    Options->SetRegular(true);
    Options->SetRegularInterval(60);
    Options->SetCritical(true);
    Options->SetBackgroundActivity(false);
    world.Now = At(10, 15, 40);
    StartEngine();
    world.AvailBytes = 1;  // memory critically used
    world.Now = At(11, 15, 30);
    engine->TimerTimer();
    EXPECT_EQ(engine->Worker(), nullptr);
    EXPECT_EQ(world.CreatedCount, 0);
    EXPECT_DOUBLE_EQ(Options->NextRegularTime(), At(12, 15, 0));
}

TEST_F(EngineTest, StartupFreeUpRunsOnlyAfterAnAutostart)
{
    Options->SetStartup(true);
    Options->SetStartupWait(4);
    Options->SetCritical(false);
    Options->SetRegular(false);
    for (const std::string argument : {"", "Autostart", "autostart"}) {
        SCOPED_TRACE(argument);
        world.CreatedCount = 0;
        world.HoldWorkers = true;
        StartEngine(argument);
        engine->TimerTimer();
        engine->TimerTimer();  // decided once, on the first tick
        if (argument == "autostart") {
            ASSERT_NE(CurrentWorker(), nullptr);
            EXPECT_EQ(CurrentWorker()->DelaySeconds, 4u);
            EXPECT_EQ(CurrentWorker()->Passes, 2);
        } else {
            EXPECT_EQ(engine->Worker(), nullptr);
        }
        EXPECT_EQ(world.CreatedCount, argument == "autostart" ? 1 : 0);
        engine.reset();
    }
}

TEST_F(EngineTest, TheFreeUpBoundFollowsTheBuild)
{
    StartEngine();
    const bool is32 = sizeof(void*) == 4;
    EXPECT_EQ(MaxFreeUpMB(), is32 ? 2045 : TestTotalMB);
    // Requested amounts and the MB the worker gets (0: none starts). Above the
    // bound the 32-bit program frees its bound, the 64-bit one nothing.
    struct Case { int mb; int worker32; int worker64; };
    const Case cases[] = {
        {0, 0, 0},
        {-5, 0, 0},
        {1, 1, 1},
        {TestTotalMB, TestTotalMB, TestTotalMB},
        {TestTotalMB + 1, TestTotalMB + 1, 0},
        {2045, 2045, 0},
        {2046, 2045, 0},
        {INT_MAX, 2045, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mb);
        const int expected = is32 ? c.worker32 : c.worker64;
        EXPECT_EQ(BoundedFreeUpMB(c.mb), expected);
        world.HoldWorkers = true;
        engine->FreeStored(Options->Amount1());  // a running worker that a refused amount still stops
        ASSERT_NE(engine->Worker(), nullptr);
        PostMessageA(engine->Handle(), WM_ENGINE_FREE, static_cast<WPARAM>(c.mb), 0);
        Pump();
        if (expected == 0) {
            EXPECT_EQ(engine->Worker(), nullptr);
        } else {
            ASSERT_NE(engine->Worker(), nullptr);
            EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(expected) << 20);
            EXPECT_EQ(CurrentWorker()->Passes, 1);
            EXPECT_TRUE(CurrentWorker()->Enforce);
        }
        engine->StopWorker();
    }
}

namespace {

std::mutex debugMutex;
std::vector<std::string> debugLines;  // also written by worker threads

void CollectDebugLine(const std::string& line)
{
    std::lock_guard lock(debugMutex);
    debugLines.push_back(line);
}

bool DebugLineWritten(const std::string& line)
{
    std::lock_guard lock(debugMutex);
    return std::find(debugLines.begin(), debugLines.end(), line) != debugLines.end();
}

}  // namespace

TEST_F(EngineTest, ExtremeStoredLevelsFreeWithinTheBoundOrNothing)
{
    toolkit::SetDebugSink(&CollectDebugLine);
    StartEngine();
    const bool is32 = sizeof(void*) == 4;
    const int T = TestTotalMB;
    // A stored level and the MB its preset frees: the total minus the level,
    // computed without overflow, then bounded by the build.
    struct Case { int level; int worker32; int worker64; };
    const Case cases[] = {
        {INT_MIN, 2045, 0}, {-1, T + 1, 0}, {0, T, T}, {T, 0, 0}, {T + 1, 0, 0}, {INT_MAX, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        {
            std::lock_guard lock(debugMutex);
            debugLines.clear();
        }
        world.HoldWorkers = true;
        engine->FreeStored(c.level);
        const int expected = is32 ? c.worker32 : c.worker64;
        if (expected == 0) {
            EXPECT_EQ(engine->Worker(), nullptr);
        } else {
            ASSERT_NE(engine->Worker(), nullptr);
            EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(expected) << 20);
        }
        const std::string cappedLine =
            "Free-up of " + std::to_string(int64_t{T} - c.level) + " MB capped at 2045 MB";
        EXPECT_EQ(DebugLineWritten(cappedLine), is32 && c.level == INT_MIN);
        engine->StopWorker();
    }
    toolkit::SetDebugSink(nullptr);
}
