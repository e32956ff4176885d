// The tray menu, the icons and the status icon as the options make them.
#include "tests/engine/EngineTestSupport.h"

#include "engine/uSizeText.h"
#include "monitor/uTrayIconCPU.h"
#include "monitor/uTrayIconMemory.h"
#include "monitor/uTrayIconResource.h"

TEST_F(EngineTest, TheMenuFollowsTheDisplayOptions)
{
    StartEngine();  // first start: memory icon as a number, no CPU monitoring
    const toolkit::PopupMenu& menu = engine->IconMenu();
    ASSERT_NE(engine->MemoryTrayIcon(), nullptr);
    EXPECT_EQ(engine->MemoryTrayIcon()->Style(), 2);
    EXPECT_EQ(engine->CpuTrayIcon(), nullptr);
    EXPECT_EQ(engine->StatusTrayIcon(), nullptr) << "idle, a monitor icon on, status item off";
    EXPECT_TRUE(menu.Checked(cmdMemoryNumber));
    EXPECT_FALSE(menu.Checked(cmdMemoryChart));
    EXPECT_FALSE(menu.Checked(cmdMemoryOff));
    EXPECT_TRUE(menu.Checked(cmdCpuOff));
    EXPECT_FALSE(menu.Checked(cmdStatus));
    EXPECT_TRUE(menu.Enabled(cmdStatus));
    EXPECT_TRUE(menu.Checked(cmdBackgroundActivity));
    EXPECT_EQ(menu.Caption(cmdShowKalvora), "&Show Kalvora Professional");
    EXPECT_EQ(menu.Caption(cmdExit), "&Exit Kalvora Professional");
    EXPECT_EQ(menu.Caption(cmdFreeUp2), "Free up " + FreeUpSizeText(static_cast<int>(Options->Amount2())));
    char full[128] = {};
    GetMenuStringA(menu.Handle(), cmdFreeUp1, full, sizeof(full), MF_BYCOMMAND);
    EXPECT_EQ(std::string(full), "Free up " + FreeUpSizeText(static_cast<int>(Options->Amount1())) + "\tCtrl+Alt+D");

    // "Number" in the CPU submenu while monitoring is off switches it on.
    engine->RunCommand(cmdCpuNumber);
    Pump();
    EXPECT_TRUE(Options->CPUMonitoring());
    ASSERT_NE(engine->CpuTrayIcon(), nullptr);
    EXPECT_EQ(engine->CpuTrayIcon()->Style(), 2);
    EXPECT_TRUE(menu.Checked(cmdCpuNumber));
    EXPECT_FALSE(menu.Checked(cmdCpuOff));

    // Both monitors off: the status icon shows and its item is disabled.
    engine->RunCommand(cmdCpuOff);
    engine->RunCommand(cmdMemoryOff);
    Pump();
    EXPECT_EQ(engine->MemoryTrayIcon(), nullptr);
    EXPECT_EQ(engine->CpuTrayIcon(), nullptr);
    ASSERT_NE(engine->StatusTrayIcon(), nullptr);
    EXPECT_EQ(engine->StatusTrayIcon()->IconName(), "STATUSNORMAL");
    EXPECT_EQ(engine->StatusTrayIcon()->Hint(), "Kalvora is monitoring your system.");
    EXPECT_FALSE(menu.Enabled(cmdStatus));
    EXPECT_TRUE(menu.Checked(cmdMemoryOff));

    engine->RunCommand(cmdBackgroundActivity);
    Pump();
    EXPECT_FALSE(Options->BackgroundActivity());
    EXPECT_FALSE(menu.Checked(cmdBackgroundActivity));
    ASSERT_NE(engine->StatusTrayIcon(), nullptr);
    EXPECT_EQ(engine->StatusTrayIcon()->IconName(), "STATUSOFF");
}

TEST_F(EngineTest, TheStatusIconComesWithAFreeUpAndGoesAfterIt)
{
    StartEngine();
    ASSERT_EQ(engine->StatusTrayIcon(), nullptr);
    world.HoldWorkers = true;
    engine->RunCommand(cmdFreeUp1);
    ASSERT_NE(engine->StatusTrayIcon(), nullptr);
    EXPECT_EQ(engine->StatusTrayIcon()->IconName(), "STATUSWORK");
    EXPECT_EQ(engine->StatusTrayIcon()->Hint(), "Kalvora is working.");
    world.ReleaseHeld = true;
    ASSERT_TRUE(WorkerDone());
    EXPECT_EQ(engine->StatusTrayIcon(), nullptr);
}

TEST_F(EngineTest, TheFreeAndRunSubmenuHoldsEachEntryOnce)
{
    StartEngine();
    HMENU submenu = GetSubMenu(engine->IconMenu().Handle(), 2);
    ASSERT_NE(submenu, nullptr);
    EXPECT_EQ(GetMenuItemCount(submenu), 1) << "only \"Manage entries...\", no separator";
    for (const char* name : {"Editor", "Game"}) {
        auto entry = std::make_unique<TFreeAndRunItem>();
        entry->Name = name;
        entry->FileToRun = std::string("C:\\") + name + ".exe";
        Options->AddFreeAndRunItem(std::move(entry));
    }
    Pump();
    Options->NotifyChange(ChangeFreeAndRun);  // rebuilt twice
    Pump();
    ASSERT_EQ(GetMenuItemCount(submenu), 4);
    char text[64] = {};
    GetMenuStringA(submenu, 2, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "Editor");
    GetMenuStringA(submenu, 3, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "Game");
    EXPECT_EQ(GetMenuState(submenu, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
}

namespace {

bool menuWasOpen = false;

// Runs inside the menu's own message loop: notes the open popup menu and
// closes it again.
void CALLBACK LookForTheMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup && IsWindowVisible(popup)) {
        menuWasOpen = true;
        KillTimer(nullptr, id);
        EndMenu();
    }
}

}  // namespace

TEST_F(EngineTest, ARightClickOnAnyIconOpensTheTrayMenu)
{
    StartEngine();
    ASSERT_NE(engine->MemoryTrayIcon(), nullptr);
    for (bool memoryIcon : {true, false}) {
        SCOPED_TRACE(memoryIcon ? "memory icon" : "status icon alone");
        Options->SetMemoryIcon(memoryIcon);
        Pump();
        const TTrayIcon* icon = memoryIcon ? static_cast<const TTrayIcon*>(engine->MemoryTrayIcon())
                                           : static_cast<const TTrayIcon*>(engine->StatusTrayIcon());
        ASSERT_NE(icon, nullptr);
        menuWasOpen = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &LookForTheMenu);
        PostMessageA(icon->Window(), WM_TRAYICON, 0, WM_RBUTTONUP);
        PumpUntil([] { return menuWasOpen; }, 5000);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(menuWasOpen);
    }
}

namespace {

// What runs inside the status icon's open menu, once it is seen open.
std::function<bool()> whileMenuOpen;  // true: close the menu now

void CALLBACK RunWhileMenuOpen(HWND, UINT, UINT_PTR, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup && IsWindowVisible(popup) && whileMenuOpen()) EndMenu();
}

}  // namespace

TEST_F(EngineTest, TheStatusIconsMenuMayOutliveTheIconAndTheEngine)
{
    struct Case { const char* name; bool quit; };
    for (const Case c : {Case{"the free-up ends", false}, Case{"quit arrives", true}}) {
        SCOPED_TRACE(c.name);
        world.HoldWorkers = true;
        world.ReleaseHeld = false;
        StartEngine();  // the memory icon on, the status icon only while a free-up runs
        engine->RunCommand(cmdFreeUp1);
        ASSERT_NE(engine->StatusTrayIcon(), nullptr);
        HWND engineWindow = engine->Handle();
        bool asked = false;
        whileMenuOpen = [&] {
            if (!asked) {
                asked = true;
                if (c.quit)
                    PostMessageA(engineWindow, WM_ENGINE_QUIT, 0, 0);
                else
                    world.ReleaseHeld = true;
            }
            // Closed once the icon whose click opened it is gone.
            return engine->StatusTrayIcon() == nullptr;
        };
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &RunWhileMenuOpen);
        PostMessageA(engine->StatusTrayIcon()->Window(), WM_TRAYICON, 0, WM_RBUTTONUP);
        PumpUntil([&] { return asked && engine->StatusTrayIcon() == nullptr; }, 10000);
        KillTimer(nullptr, timer);
        Pump();
        EXPECT_TRUE(asked) << "the menu opened";
        EXPECT_EQ(engine->StatusTrayIcon(), nullptr);
        EXPECT_EQ(IsWindow(engineWindow) != FALSE, !c.quit);
        engine.reset();
    }
}

TEST_F(EngineTest, EndingTheSessionSavesTheSettingsOnce)
{
    StartEngine();
    Options->SetChartInterval(4321);
    Pump();
    EXPECT_EQ(ReadRegInteger(key.Path(), "Chart Interval", 0), 0) << "not saved before";
    EXPECT_EQ(SendMessageA(engine->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageA(engine->Handle(), WM_ENDSESSION, FALSE, 0);  // cancelled: nothing
    EXPECT_EQ(ReadRegInteger(key.Path(), "Chart Interval", 0), 0);
    SendMessageA(engine->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ReadRegInteger(key.Path(), "Chart Interval", 0), 4321);
    WriteRegInteger(key.Path(), "Chart Interval", 777);
    SendMessageA(engine->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ReadRegInteger(key.Path(), "Chart Interval", 0), 777) << "saved once";
}
