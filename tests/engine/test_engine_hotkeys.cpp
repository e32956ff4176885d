// The preset shortcuts, pressed for real from another process.
#include "tests/engine/EngineTestSupport.h"

namespace {

bool RunHelper(const std::string& arguments)
{
    toolkit::UniqueKernelHandle process = StartBesideUs("key_helper.exe", arguments);
    if (!process) return false;
    toolkit::Application::Instance().ProcessMessagesUntil(
        [&] { return WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0; }, 10000);
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);
    return code == 0;
}

}  // namespace

TEST_F(EngineTest, AFreshConfigurationRegistersTheThreePresetsAndAPressStartsOne)
{
    world.HoldWorkers = true;
    StartEngine();
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(engine->Hotkeys().RegisteredHotkeys, (std::array<int, 3>{0xC044, 0xC046, 0xC047}));

    ASSERT_TRUE(RunHelper("press " + std::to_string(0xC046)));  // Ctrl+Alt+F
    ASSERT_TRUE(PumpUntil([this] { return engine->Worker() != nullptr; }));
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->Amount2()) << 20);
    EXPECT_EQ(CurrentWorker()->Passes, 2);
}

TEST_F(EngineTest, AShortcutHeldElsewhereStaysUnregisteredWhileTheOthersWork)
{
    toolkit::UniqueKernelHandle holder = StartBesideUs("key_helper.exe", "hold " + std::to_string(0xC046) + " 8000");
    ASSERT_TRUE(holder);
    // It holds the shortcut once ours can no longer register it.
    const UINT modifiers = HotkeyModifiers(0xC046), key = HotkeyVirtualKey(0xC046);
    ASSERT_TRUE(PumpUntil([&] {
        if (WaitForSingleObject(holder.Get(), 0) == WAIT_OBJECT_0) return true;  // ended: fails below
        if (!RegisterHotKey(nullptr, 0xBFFF, modifiers, key)) return true;
        UnregisterHotKey(nullptr, 0xBFFF);
        return false;
    }, 10000));
    ASSERT_NE(WaitForSingleObject(holder.Get(), 0), WAIT_OBJECT_0) << "the holder could not register it";
    world.HoldWorkers = true;
    StartEngine();
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{1, -1, 3}));

    ASSERT_TRUE(RunHelper("press " + std::to_string(0xC044)));  // Ctrl+Alt+D still works
    ASSERT_TRUE(PumpUntil([this] { return engine->Worker() != nullptr; }));
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->Amount1()) << 20);
    TerminateProcess(holder.Get(), 0);
}

TEST_F(EngineTest, SuspendResumeAndChangedCodesReRegister)
{
    StartEngine();
    SendMessageA(engine->Handle(), WM_HOTKEYS_SUSPEND, 0, 0);
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{-1, -1, -1}));
    EXPECT_EQ(engine->Hotkeys().RegisteredHotkeys, (std::array<int, 3>{0, 0, 0}));
    SendMessageA(engine->Handle(), WM_HOTKEYS_RESUME, 0, 0);
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{1, 2, 3}));

    // A code without modifiers registers a plain key; the menu shows it.
    Options->SetHotkey3(VK_F9);
    Pump();
    EXPECT_EQ(engine->Hotkeys().RegisteredHotkeys[2], VK_F9);
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs[2], 3);
    char full[128] = {};
    GetMenuStringA(engine->IconMenu().Handle(), cmdFreeUp3, full, sizeof(full), MF_BYCOMMAND);
    EXPECT_NE(std::string(full).find("\tF9"), std::string::npos) << full;
}

TEST(PresetHotkeys, CodesBecomeModifiersKeysAndTexts)
{
    struct Case { int code; UINT modifiers; UINT key; const char* text; };
    const Case cases[] = {
        {0xC044, MOD_CONTROL | MOD_ALT, 'D', "Ctrl+Alt+D"},
        {0x2000 | 'X', MOD_SHIFT, 'X', "Shift+X"},
        {0xE000 | VK_F5, MOD_SHIFT | MOD_CONTROL | MOD_ALT, VK_F5, "Shift+Ctrl+Alt+F5"},
        {'7', 0, '7', "7"},
        {0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HotkeyModifiers(c.code), c.modifiers) << c.code;
        EXPECT_EQ(HotkeyVirtualKey(c.code), c.key) << c.code;
        EXPECT_EQ(HotkeyText(c.code), c.text) << c.code;
    }
}

TEST_F(EngineTest, WhileSuspendedOptionChangesRegisterNoShortcut)
{
    world.HoldWorkers = true;
    StartEngine();
    SendMessageA(engine->Handle(), WM_HOTKEYS_SUSPEND, 0, 0);
    Options->SetChartInterval(2000);  // an option change, as every regular cycle brings
    Options->SetHotkey1(0xC044);
    Pump();
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{-1, -1, -1}));
    // Nobody holds Ctrl+Alt+D: a press now reaches no preset.
    ASSERT_TRUE(RegisterHotKey(nullptr, 0xBFFE, MOD_CONTROL | MOD_ALT, 'D'));
    UnregisterHotKey(nullptr, 0xBFFE);

    SendMessageA(engine->Handle(), WM_HOTKEYS_RESUME, 0, 0);
    EXPECT_EQ(engine->Hotkeys().HotkeyIDs, (std::array<int, 3>{1, 2, 3}));
    ASSERT_TRUE(RunHelper("press " + std::to_string(0xC044)));
    ASSERT_TRUE(PumpUntil([this] { return engine->Worker() != nullptr; }));
    EXPECT_EQ(CurrentWorker()->BlockSize, static_cast<size_t>(TotalPhysMB - Options->Amount1()) << 20);
}
