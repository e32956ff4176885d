// The engine's side of the main window: opened from the tray and from a
// second start, never twice, fed with samples and status lines, closed from
// the taskbar alone, and gone with the engine.
#include "tests/engine/EngineTestSupport.h"

#include "monitor/uTrayIconMemory.h"
#include "ui/fMainForm.h"

namespace {

// The main windows of this process, found as another program finds them.
BOOL CALLBACK CollectMainWindow(HWND window, LPARAM list)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (process == GetCurrentProcessId() && std::string(className).rfind(MainWindowClass, 0) == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> OurMainWindows()
{
    std::vector<HWND> found;
    EnumWindows(&CollectMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

int MainWindowsOfProcess() { return static_cast<int>(OurMainWindows().size()); }

HWND FindOurMainWindow()
{
    const std::vector<HWND> found = OurMainWindows();
    return found.size() == 1 ? found[0] : nullptr;
}

class EngineMainWindowTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        savedLeft = RememberedLeft;
        savedTop = RememberedTop;
        StartEngine();
    }
    void TearDown() override
    {
        EngineTest::TearDown();
        RememberedLeft = savedLeft;
        RememberedTop = savedTop;
    }
    void DoubleClickMemoryIcon()
    {
        ASSERT_NE(engine->MemoryTrayIcon(), nullptr);
        PostMessageA(engine->MemoryTrayIcon()->Window(), WM_TRAYICON, 0, WM_LBUTTONDBLCLK);
        PumpUntil([this] { return engine->MainWindowHandle() != nullptr; });
    }
    int32_t savedLeft = -1;
    int32_t savedTop = -1;
};

}  // namespace

TEST_F(EngineMainWindowTest, EveryWayInOpensOneWindow)
{
    DoubleClickMemoryIcon();
    const HWND main = engine->MainWindowHandle();
    ASSERT_NE(main, nullptr) << "a double-click on the memory icon opens the main window";
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(FindOurMainWindow(), main);

    // The tray menu's item and another double-click bring back the same one.
    engine->RunCommand(cmdShowKalvora);
    DoubleClickMemoryIcon();
    Pump();
    EXPECT_EQ(engine->MainWindowHandle(), main);
    EXPECT_EQ(MainWindowsOfProcess(), 1);

    // A second start: once the engine is older than 2 seconds the request
    // is answered with the open window.
    PumpUntil([] { return false; }, 2100);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(engine->Handle(), WM_ENGINE_SHOWMAIN, 0, 0)), main);
    EXPECT_EQ(MainWindowsOfProcess(), 1);
}

TEST_F(EngineMainWindowTest, ASecondStartOpensAClosedWindowAgainAtItsPlace)
{
    PumpUntil([] { return false; }, 2100);
    const HWND first = reinterpret_cast<HWND>(SendMessageA(engine->Handle(), WM_ENGINE_SHOWMAIN, 0, 0));
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(SetWindowPos(first, nullptr, 123, 87, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));

    PostMessageA(first, WM_CLOSE, 0, 0);
    PumpUntil([first] { return !IsWindow(first); });
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(engine->MainWindowHandle(), nullptr);
    EXPECT_TRUE(IsWindow(engine->Handle())) << "the program stays in the notification area";
    EXPECT_NE(engine->MemoryTrayIcon(), nullptr);

    const HWND second = reinterpret_cast<HWND>(SendMessageA(engine->Handle(), WM_ENGINE_SHOWMAIN, 0, 0));
    ASSERT_NE(second, nullptr);
    Pump();
    RECT place{};
    GetWindowRect(second, &place);
    EXPECT_EQ(place.left, 123);
    EXPECT_EQ(place.top, 87);
}

TEST_F(EngineMainWindowTest, SamplesRepaintTheChartAndStatusLinesReachTheWindow)
{
    engine->RunCommand(cmdShowKalvora);
    TfrmMain* main = engine->FindMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->SkinLoaded()) << "the default skin lies beside the tests";
    HWND chart = main->PerformanceChart().Handle();
    ASSERT_NE(chart, nullptr);

    // Each sample asks for a repaint: the chart is invalid again right after it.
    for (int sample = 0; sample < 3; ++sample) {
        UpdateWindow(chart);
        ASSERT_FALSE(GetUpdateRect(chart, nullptr, FALSE));
        Options->SetChartInterval(250);
        engine->TimerTimer();
        EXPECT_TRUE(GetUpdateRect(chart, nullptr, FALSE)) << "sample " << sample;
    }

    // A status change reaches the window and is shown at its next tick.
    world.HoldWorkers = true;
    engine->FreeStored(Options->Amount1());
    const std::string working = engine->StatusLine();
    EXPECT_EQ(main->PendingStatus(), working);
    PumpUntil([main] { return main->PendingStatus().empty(); });
    EXPECT_TRUE(main->PendingStatus().empty()) << "shown by the window's timer";
    auto* status = dynamic_cast<skin::ISkinStatic*>(main->RootObject()->FindObject(L"StatusStatic"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->GetText(), std::wstring(working.begin(), working.end()));
    world.ReleaseHeld = true;
    engine->StopWorker();
}

TEST_F(EngineMainWindowTest, TheTaskbarClosesTheMainWindowOnly)
{
    engine->RunCommand(cmdShowKalvora);
    const HWND main = engine->MainWindowHandle();
    ASSERT_NE(main, nullptr);
    // The taskbar's "Close window" arrives as a posted system command.
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpUntil([main] { return !IsWindow(main); });
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(IsWindow(engine->Handle()));
    EXPECT_TRUE(engine->TimerEnabled());
}

TEST_F(EngineMainWindowTest, TheEngineTakesAnOpenMainWindowWithIt)
{
    struct Case {
        const char* how;
        std::function<void(TfrmEngine&)> end;
    };
    const Case cases[] = {
        {"tray Exit", [](TfrmEngine& e) { e.RunCommand(cmdExit); }},
        {"quit from another start", [](TfrmEngine& e) { SendMessageA(e.Handle(), WM_ENGINE_QUIT, 0, 0); }},
        {"fatal error", [](TfrmEngine& e) { PostMessageA(e.Handle(), WM_WORKER_FATAL, 8, 0); }},
        {"engine object deleted", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        if (!engine) StartEngine();
        engine->RunCommand(cmdShowKalvora);
        const HWND main = engine->MainWindowHandle();
        const HWND chart = engine->FindMainWindow()->PerformanceChart().Handle();
        ASSERT_NE(main, nullptr);
        if (c.end) {
            c.end(*engine);
            PumpUntil([this] { return !engine->Exists(); });
        }
        engine.reset();
        EXPECT_FALSE(IsWindow(main));
        EXPECT_FALSE(IsWindow(chart));
        EXPECT_EQ(MainWindowsOfProcess(), 0);
    }
    ASSERT_FALSE(errorBoxes.empty());
    EXPECT_NE(errorBoxes.back().find("Fatal error in memory management"), std::string::npos);
}
