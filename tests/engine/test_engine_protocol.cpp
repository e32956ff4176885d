// The engine's messages: worker reports, other instances, option changes and
// the fatal path.
#include "tests/engine/EngineTestSupport.h"

#include "engine/uWindowHandles.h"

TEST_F(EngineTest, AnswersOtherInstances)
{
    StartEngine();
    EXPECT_EQ(SendMessageA(engine->Handle(), WM_ENGINE_PING, 0, 0), 140971);
    EXPECT_EQ(SendMessageA(engine->Handle(), WM_ENGINE_SHOWMAIN, 0, 0), 0) << "no main window to show";
    EXPECT_EQ(EngineWindowHandle, engine->Handle());
    char caption[100] = {};
    GetWindowTextA(engine->Handle(), caption, sizeof(caption));
    EXPECT_STREQ(caption, "Memory Engine");
    EXPECT_FALSE(IsWindowVisible(engine->Handle()));
}

TEST_F(EngineTest, WorkerReportsBecomeTheStatusLine)
{
    StartEngine();
    struct Case { UINT message; WPARAM wParam; LPARAM lParam; const char* line; };
    // A worker exists (held in its start), so each report moves the status.
    world.HoldWorkers = true;
    engine->FreeStored(Options->Amount1());
    const Case cases[] = {
        {WM_WORKER_DELAY, 3, 5, "waiting for 5 seconds (3)."},
        {WM_WORKER_CPU, 42, 25, "waiting for 5 seconds (3)."},  // the flags stay as they are
        {WM_WORKER_IDLEWAIT, 7, 0, "detecting idle (7 sec, CPU 42%/25%)"},
        {WM_WORKER_PROGRESS, 64, 0, "working (64% done)"},
    };
    for (const Case& c : cases) {
        PostMessageA(engine->Handle(), c.message, c.wParam, c.lParam);
        Pump();
        EXPECT_EQ(engine->StatusLine(), c.line);
    }
    engine->StopWorker();
    engine->UpdateStatus();
    EXPECT_EQ(engine->StatusLine(), "monitoring");
    Options->SetBackgroundActivity(false);
    Pump();
    EXPECT_EQ(engine->StatusLine(), "monitoring - no background activity");
}

TEST_F(EngineTest, APresetReplacesARunningWorkerAndTheStoppedOnesEndCannotStopIt)
{
    StartEngine();
    world.HoldWorkers = true;
    engine->FreeStored(Options->Amount1());
    ASSERT_NE(CurrentWorker(), nullptr);
    ASSERT_EQ(CurrentWorker()->Number, 1);
    world.HoldWorkers = false;
    // The second preset stops the first worker, whose end message is then
    // still queued; it must not stop the worker that replaced it.
    engine->RunCommand(cmdFreeUp2);
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->Number, 2);
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->Amount2()) << 20);
    ASSERT_TRUE(WorkerDone());
    EXPECT_TRUE(WorkerPosted(2, WM_WORKER_COMPLETED)) << "the second worker ran to its own end";
}

TEST_F(EngineTest, ACompletedWorkersLateMessagesDoNotTouchTheNextOne)
{
    StartEngine();
    engine->FreeStored(Options->Amount1());
    // Worker 1 ends on its own; its completion and end wait in the queue
    // while a menu command starts worker 2.
    for (int waited = 0; waited < 5000 && !WorkerPosted(1, WM_WORKER_ENDED); ++waited) Sleep(1);
    ASSERT_TRUE(WorkerPosted(1, WM_WORKER_ENDED));
    world.HoldWorkers = true;
    engine->RunCommand(cmdFreeUp3);
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->Amount3()) << 20);
    const ULONGLONG before = GetTickCount64();
    Pump();  // the late messages of worker 1
    EXPECT_LT(GetTickCount64() - before, 5000u) << "nothing waited for worker 2";
    ASSERT_NE(CurrentWorker(), nullptr);
    EXPECT_EQ(CurrentWorker()->Number, 2);
}

TEST_F(EngineTest, TheFatalPathTellsTheUserSavesAndEnds)
{
    StartEngine();
    Options->SetChartInterval(4321);
    Pump();
    HWND window = engine->Handle();
    PostMessageA(window, WM_WORKER_FATAL, 487, 0);
    Pump();
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_EQ(errorBoxes[0],
              "Fatal error in memory management. Kalvora Professional will be closed.\r\n"
              "The Code returned was: 487");
    EXPECT_FALSE(engine->TimerEnabled());
    EXPECT_FALSE(IsWindow(window)) << "the engine window closed";
    EXPECT_EQ(ReadRegInteger(key.Path(), "Chart Interval", 0), 4321) << "settings saved";
    EXPECT_EQ(engine->MemoryTrayIcon(), nullptr);
    EXPECT_EQ(engine->StatusTrayIcon(), nullptr);
}

TEST_F(EngineTest, WhileTheFatalBoxIsOpenOptionChangesHaveNoEffect)
{
    Options->SetMemoryIcon(false);
    StartEngine();
    ASSERT_EQ(engine->MemoryTrayIcon(), nullptr);
    bool iconDuringBox = true;
    // The box's own message loop delivers what arrives meanwhile.
    toolkit::SetErrorBoxHandler([&](const std::string&) {
        Options->SetMemoryIcon(true);
        Pump();
        iconDuringBox = engine->MemoryTrayIcon() != nullptr;
    });
    PostMessageA(engine->Handle(), WM_WORKER_FATAL, 5, 0);
    Pump();
    EXPECT_FALSE(iconDuringBox);
}

TEST_F(EngineTest, AFailingSaveAtCloseIsToldAndTheEngineStillCloses)
{
    StartEngine();
    HWND window = engine->Handle();
    // A key name the registry refuses makes the first write fail.
    Options = std::make_unique<TKalvoraOptions>(key.Path() + "\\" + std::string(300, 'k'));
    engine->Close();
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_EQ(errorBoxes[0].rfind("Cannot create Key: ", 0), 0u) << errorBoxes[0];
    EXPECT_FALSE(IsWindow(window));
}
