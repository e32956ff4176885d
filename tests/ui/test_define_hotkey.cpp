// The dialogs over the main window of a real engine: the shortcuts are
// suspended while the hotkey dialog reads keys and registered again after
// it, and the program ends cleanly when it is told to end while a dialog is
// open (the tray menu's exit item, "quit" from another instance).
#include "tests/engine/EngineTestSupport.h"
#include "tests/ui/DialogTestSupport.h"

#include "monitor/uTrayIconMemory.h"
#include "settings/uRegistry.h"
#include "ui/fAskDefaults.h"
#include "ui/fHotkey2.h"
#include "toolkit/OwnedDialogs.h"
#include "ui/fMainForm.h"

#include <array>

using namespace dialogtest;

namespace {

// A window that keeps the option changes posted to it.
class ChangeListener : public toolkit::Window {
public:
    ChangeListener() { Create(HiddenArgs("KalvoraDialogTestListener")); }
    std::vector<WPARAM> Changes;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_OPTIONS_CHANGED) Changes.push_back(wParam);
        return DefaultHandler(message, wParam, lParam);
    }
};

HWND VisibleMenu()
{
    HWND popup = ::FindWindowA("#32768", nullptr);
    return popup && ::IsWindowVisible(popup) ? popup : nullptr;
}

class DefineHotkeyTest : public EngineTest {
protected:
    // An engine that frees nothing by itself, with its main window open on
    // the default skin.
    TfrmMain* StartWithMainWindow()
    {
        Options->SetSkin(BesideUs("default.skn"));
        Options->SetCritical(false);
        Options->SetRegular(false);
        Options->SetStartup(false);
        StartEngine();
        engine->RunCommand(cmdShowKalvora);
        Pump();
        TfrmMain* main = engine->FindMainWindow();
        EXPECT_NE(main, nullptr);
        EXPECT_TRUE(main && main->SkinLoaded());
        return main;
    }

    static ModalScript::Step WhenReady(TfrmMain* main)
    {
        return [main] { return ReadyForInput(main->ActiveDialog()); };
    }

    static bool CanRegister(int code)
    {
        constexpr int TestId = 0xBFF0;
        if (!::RegisterHotKey(nullptr, TestId, HotkeyModifiers(code), HotkeyVirtualKey(code))) return false;
        ::UnregisterHotKey(nullptr, TestId);
        return true;
    }
};

}  // namespace

TEST_F(DefineHotkeyTest, DefiningPreset1sOwnCombinationChangesNothingAndTheEngineRegistersAgain)
{
    TfrmMain* main = StartWithMainWindow();
    ASSERT_NE(main, nullptr);
    const std::array<int, 3> codes{Options->Hotkey1(), Options->Hotkey2(), Options->Hotkey3()};
    ASSERT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{1, 2, 3})) << "another program holds a shortcut";
    ASSERT_FALSE(CanRegister(codes[0])) << "the engine holds preset 1's shortcut";

    ChangeListener listener;
    Options->RegisterNotifyWindow(listener.Handle());
    Pump();
    listener.Changes.clear();

    int shown = 0;
    ModalScript script({WhenReady(main),
                        [&] {
                            // Suspended: the combination is nobody's while the dialog reads keys.
                            EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{-1, -1, -1}));
                            EXPECT_EQ(engine->Hotkeys().RegisteredHotkeys, (std::array<int, 3>{0, 0, 0}));
                            EXPECT_TRUE(CanRegister(codes[0]));
                            // Preset 1's own combination, typed for real.
                            return TypeKeys({VK_CONTROL, VK_MENU, static_cast<WORD>(HotkeyVirtualKey(codes[0]))});
                        },
                        [&] {
                            auto* dialog = dynamic_cast<TfrmHotkey2*>(main->ActiveDialog());
                            if (!dialog || dialog->ShortCut() != codes[0] || ::GetKeyState(VK_MENU) < 0) return false;
                            shown = dialog->ShortCut();
                            return true;
                        },
                        [] { return TypeKeys({VK_RETURN}); }});
    main->DefineHotkey(1);
    Pump();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(shown, codes[0]) << "the control took the combination";
    EXPECT_EQ(world.CreatedCount, 0) << "and no free-up started";
    EXPECT_EQ(Options->Hotkey1(), codes[0]);
    EXPECT_TRUE(listener.Changes.empty()) << "nothing changed, nothing posted";
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{1, 2, 3})) << "registered again after the resume";
    EXPECT_EQ(engine->Hotkeys().RegisteredHotkeys, codes);
    EXPECT_FALSE(CanRegister(codes[0]));
    Options->UnregisterNotifyWindow(listener.Handle());
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(DefineHotkeyTest, TheProgramEndsCleanlyWhenToldToWhileADialogIsOpen)
{
    enum class How { TrayExit, Quit };
    struct Case {
        const char* what;
        bool hotkeyDialog;
        How how;
    };
    const Case cases[] = {
        {"hotkey dialog, tray menu's exit item", true, How::TrayExit},
        {"hotkey dialog, quit from another instance", true, How::Quit},
        {"ask-defaults dialog, tray menu's exit item", false, How::TrayExit},
        {"ask-defaults dialog, quit from another instance", false, How::Quit},
    };
    int interval = 4000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TfrmMain* main = StartWithMainWindow();
        ASSERT_NE(main, nullptr);
        // A change of this run that only the close saves.
        Options->SetChartInterval(++interval);
        Pump();
        const HWND engineWindow = engine->Handle();
        const int hotkey = Options->Hotkey1();
        bool menuSeen = false;
        std::vector<ModalScript::Step> steps{WhenReady(main)};
        if (c.how == How::Quit) {
            steps.push_back([&] { return ::PostMessageA(engineWindow, WM_ENGINE_QUIT, 0, 0) != FALSE; });
        } else {
            steps.push_back([&] {
                return ::PostMessageA(engine->MemoryTrayIcon()->Window(), WM_TRAYICON, 0, WM_RBUTTONUP) != FALSE;
            });
            steps.push_back([&] {
                HWND menu = VisibleMenu();
                if (!menu) return false;
                menuSeen = true;
                // "&Exit Kalvora Professional", chosen by its key.
                return ::PostMessageA(menu, WM_CHAR, 'e', 0) != FALSE;
            });
        }
        ModalScript script(std::move(steps));
        if (c.hotkeyDialog)
            main->DefineHotkey(1);
        else
            main->AskAutomaticSettings();
        // The dialog's loop has returned: only now may the main window and
        // the engine go, from the top of the queue.
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(menuSeen, c.how == How::TrayExit);
        EXPECT_TRUE(::IsWindow(engineWindow)) << "not closed from inside the dialog's loop";
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(engineWindow); }, 5000)) << "the close came afterwards";
        EXPECT_TRUE(VisibleSkinnedDialogs().empty());
        EXPECT_EQ(ReadRegInteger(key.Path(), "Chart Interval", 0), interval) << "the settings were saved";
        EXPECT_EQ(Options->ChartInterval(), interval) << "the dialog was ended as No or Cancel";
        EXPECT_EQ(Options->Hotkey1(), hotkey);
        engine.reset();
    }
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(DefineHotkeyTest, TheProgramEndsCleanlyWhileTheSwitchSkinFileDialogIsOpen)
{
    TfrmMain* main = StartWithMainWindow();
    ASSERT_NE(main, nullptr);
    const HWND engineWindow = engine->Handle();
    const HWND mainWindow = main->Handle();
    const std::string skin = Options->Skin();
    Options->SetChartInterval(4321);
    Pump();
    HWND fileDialog = nullptr;
    ModalScript script({
        [&] {
            const std::vector<HWND> shown = toolkit::OwnedDialogs(mainWindow, true);
            fileDialog = shown.empty() ? nullptr : shown.front();
            return fileDialog != nullptr;
        },
        [&] { return ::PostMessageA(engineWindow, WM_ENGINE_QUIT, 0, 0) != FALSE; },
    });
    // Returns once the skin switch, and so the file dialog's loop, is over.
    ::SendMessageA(mainWindow, WM_SWITCH_SKIN, 0, 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_NE(fileDialog, nullptr);
    EXPECT_FALSE(::IsWindow(fileDialog)) << "the file dialog was ended as Cancel";
    EXPECT_TRUE(::IsWindow(engineWindow)) << "not closed from inside the file dialog's loop";
    EXPECT_TRUE(::IsWindow(mainWindow)) << "the main window outlived the loop over it";
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(engineWindow); }, 5000)) << "the close came afterwards";
    EXPECT_FALSE(::IsWindow(mainWindow));
    EXPECT_EQ(ReadRegInteger(key.Path(), "Chart Interval", 0), 4321) << "the settings were saved";
    EXPECT_EQ(Options->Skin(), skin) << "a cancelled switch keeps the skin";
    engine.reset();
    EXPECT_TRUE(errorBoxes.empty());
}
