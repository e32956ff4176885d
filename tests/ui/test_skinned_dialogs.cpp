// The skinned dialogs over the real main window with the real default
// skin: their base (owner, centring, skin, colour, destruction), the hotkey
// dialog with keys typed for real, the question about the automatic
// settings, and the main window's two openers with every way a dialog ends.
#include "tests/ui/DialogTestSupport.h"
#include "tests/ui/MainWindowTestSupport.h"

#include "engine/uMessages.h"
#include "settings/uPresetHotkeys.h"
#include "skin/SkinError.h"
#include "ui/fAskDefaults.h"
#include "ui/fHotkey2.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

using namespace mainwindowtest;
using namespace dialogtest;

namespace {

// Counts every skinned dialog of this thread that is being shown.
class ShowWatcher {
public:
    ShowWatcher()
    {
        current_ = this;
        hook_ = ::SetWindowsHookExA(WH_CALLWNDPROC, &ShowWatcher::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~ShowWatcher()
    {
        if (hook_) ::UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    ShowWatcher(const ShowWatcher&) = delete;
    ShowWatcher& operator=(const ShowWatcher&) = delete;
    bool Hooked() const { return hook_ != nullptr; }
    int Shown = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && current_ && sent->message == WM_SHOWWINDOW && sent->wParam) {
            char className[32] = {};
            ::GetClassNameA(sent->hwnd, className, sizeof(className));
            if (std::string(className) == "TfrmSkinned") ++current_->Shown;
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_ = nullptr;
    static inline ShowWatcher* current_ = nullptr;
};

std::vector<UINT> MessagesOf(const EngineStandIn& window, UINT message)
{
    std::vector<UINT> found;
    for (const auto& [m, w] : window.Messages)
        if (m == message) found.push_back(m);
    return found;
}

std::vector<UINT> HotkeyMessages(const EngineStandIn& engine)
{
    std::vector<UINT> found;
    for (const auto& [m, w] : engine.Messages)
        if (m == WM_HOTKEYS_SUSPEND || m == WM_HOTKEYS_RESUME) found.push_back(m);
    return found;
}

const std::vector<UINT> SuspendThenResume = {WM_HOTKEYS_SUSPEND, WM_HOTKEYS_RESUME};

class SkinnedDialogTest : public MainWindowTest {
protected:
    TfrmHotkey2* HotkeyDialog() const { return dynamic_cast<TfrmHotkey2*>(Window->ActiveDialog()); }
    TfrmAskDefaults* AskDialog() const { return dynamic_cast<TfrmAskDefaults*>(Window->ActiveDialog()); }

    // The step that waits until the main window's dialog takes real input,
    // and checks what holds while it runs.
    ModalScript::Step WhenReady()
    {
        return [this] {
            if (!ReadyForInput(Window->ActiveDialog())) return false;
            EXPECT_FALSE(::IsWindowEnabled(Window->Handle())) << "modal to the main window";
            EXPECT_EQ(::GetWindow(Window->ActiveDialog()->Handle(), GW_OWNER), Window->Handle());
            return true;
        };
    }
};

std::string SkinErrorText(const std::string& skin)
{
    return "There was an error loading the skin (" + skin + "). Please load a different skin.";
}

}  // namespace

// ---- the two dialogs as they are made

TEST_F(SkinnedDialogTest, TheDialogsHaveTheirTitlesTextsButtonsAndSizes)
{
    TfrmMain& window = Open();
    {
        TfrmHotkey2 dialog(window.Handle());
        EXPECT_EQ(TextOf(dialog.Handle()), "Define Hotkey");
        EXPECT_EQ(ClientSize(dialog.Handle()).cx, 259);
        EXPECT_EQ(ClientSize(dialog.Handle()).cy, 121);
        EXPECT_EQ(dialog.ExplainLabel().Caption(), L"Here you can define the shortcut (hotkey) for the preset free-up.");
        EXPECT_EQ(TextOf(dialog.OkButton()), "OK");
        EXPECT_EQ(TextOf(dialog.CancelButton()), "Cancel");
        EXPECT_EQ(::GetDlgCtrlID(dialog.OkButton()), IDOK);
        EXPECT_EQ(::GetDlgCtrlID(dialog.CancelButton()), IDCANCEL);
        EXPECT_EQ(::SendMessageA(dialog.Handle(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID)) << "OK is the default";
        char className[32] = {};
        ::GetClassNameA(dialog.HotKeyControl(), className, sizeof(className));
        EXPECT_STREQ(className, HOTKEY_CLASSA);
        EXPECT_FALSE(dialog.Accepted());
        // The control spans the dialog's width, below the text.
        RECT control{}, label{};
        ::GetWindowRect(dialog.HotKeyControl(), &control);
        ::GetWindowRect(dialog.ExplainLabel().Handle(), &label);
        EXPECT_GE(control.top, label.bottom);
        EXPECT_GE(control.right - control.left, 259 - 20);
        EXPECT_FALSE(::IsWindowVisible(dialog.Handle())) << "made hidden";
    }
    {
        TfrmAskDefaults dialog(window.Handle());
        EXPECT_EQ(TextOf(dialog.Handle()), "Kalvora Professional");
        EXPECT_EQ(ClientSize(dialog.Handle()).cx, 341);
        EXPECT_EQ(ClientSize(dialog.Handle()).cy, 98);
        EXPECT_EQ(dialog.ExplainLabel().Caption(),
                  L"Do you like Kalvora Professional to automatically adjust all values to good settings for your "
                  L"computer?");
        EXPECT_EQ(TextOf(dialog.YesButton()), "Yes");
        EXPECT_EQ(TextOf(dialog.NoButton()), "No");
        EXPECT_EQ(::GetDlgCtrlID(dialog.YesButton()), IDOK);
        EXPECT_EQ(::GetDlgCtrlID(dialog.NoButton()), IDCANCEL);
        EXPECT_EQ(::SendMessageA(dialog.Handle(), DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID)) << "Yes is the default";
    }
    EXPECT_TRUE(ErrorBoxes.empty());
}

// ---- the base: owner, place, skin, colour, destruction

TEST_F(SkinnedDialogTest, OnlyAWindowOfThisProgramBecomesTheOwner)
{
    TfrmMain& window = Open();
    HWND gone = nullptr;
    {
        EngineStandIn destroyed;
        gone = destroyed.Handle();
    }
    struct Case {
        const char* what;
        HWND owner;
        HWND expected;
    };
    const Case cases[] = {
        {"the main window", window.Handle(), window.Handle()},
        {"the desktop, a window of another process", ::GetDesktopWindow(), nullptr},
        {"a window that is gone", gone, nullptr},
        {"none", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TfrmAskDefaults dialog(c.owner);
        EXPECT_EQ(dialog.Owner(), c.expected);
        EXPECT_EQ(::GetWindow(dialog.Handle(), GW_OWNER), c.expected);
    }
}

TEST_F(SkinnedDialogTest, ADialogOwnedByTheMainWindowIsCentredOnItAndStaysAboveIt)
{
    TfrmMain& window = Open();
    // Away from the screen's centre, so that centring on the screen shows.
    ::SetWindowPos(window.Handle(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (bool hotkey : {true, false}) {
        SCOPED_TRACE(hotkey ? "hotkey dialog" : "ask-defaults dialog");
        std::unique_ptr<TfrmSkinned> dialog;
        if (hotkey)
            dialog = std::make_unique<TfrmHotkey2>(window.Handle());
        else
            dialog = std::make_unique<TfrmAskDefaults>(window.Handle());
        dialog->LoadSkinFile(DefaultSkinPath());
        dialog->Show();
        PumpUntil([] { return false; }, 100);
        ASSERT_TRUE(::IsWindowVisible(dialog->Handle()));
        const POINT centre = WindowCentre(dialog->Handle());
        const POINT ownerCentre = WindowCentre(window.Handle());
        EXPECT_NEAR(centre.x, ownerCentre.x, 1);
        EXPECT_NEAR(centre.y, ownerCentre.y, 1);
        EXPECT_TRUE(IsAbove(dialog->Handle(), window.Handle()));

        // Above it because the system keeps an owned window above its owner.
        EXPECT_EQ(::GetWindow(dialog->Handle(), GW_OWNER), window.Handle());
    }
    EXPECT_TRUE(ErrorBoxes.empty());
}

TEST_F(SkinnedDialogTest, ADialogWithoutOwnerIsCentredOnTheScreen)
{
    TfrmHotkey2 dialog(nullptr);
    dialog.Show();
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const POINT centre = WindowCentre(dialog.Handle());
    EXPECT_NEAR(centre.x, (work.left + work.right) / 2, 1);
    EXPECT_NEAR(centre.y, (work.top + work.bottom) / 2, 1);
}

TEST_F(SkinnedDialogTest, TheShowStepTakesTheColourOfTheSkinsDefaultWindow)
{
    SkinFile skin("dialog_colour.skn",
                  "window Kalvora { size = 300 200; static chart { rect = 0 0 100 100 } }\n"
                  "window dialog { default = yes; frame = keep; color = #123456 }\n");
    const COLORREF plain = ::GetSysColor(COLOR_BTNFACE);
    struct Case {
        const char* what;
        bool load;
        COLORREF expected;
        bool skinned;
    };
    const Case cases[] = {
        {"a skin with a dialog window", true, RGB(0x12, 0x34, 0x56), true},
        {"no skin: its own colour", false, plain, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TfrmHotkey2 dialog(nullptr);
        if (c.load) dialog.LoadSkinFile(skin.Path());
        EXPECT_EQ(dialog.WindowObject(), nullptr) << "nothing before the show step";
        dialog.Show();
        EXPECT_EQ(dialog.WindowObject() != nullptr, c.skinned);
        EXPECT_EQ(dialog.BackgroundColor(), c.expected);
        // What the dialog draws: a point of its face away from every control.
        PumpUntil([] { return false; }, 100);
        ::UpdateWindow(dialog.Handle());
        HDC dc = ::GetDC(dialog.Handle());
        const COLORREF drawn = ::GetPixel(dc, 4, 100);
        ::ReleaseDC(dialog.Handle(), dc);
        EXPECT_EQ(drawn, c.expected);
    }
}

TEST_F(SkinnedDialogTest, DestroyingADialogWhoseSkinWasNeverAppliedRaisesNothing)
{
    TfrmMain& window = Open();
    enum class Stage { NothingLoaded, LoadedNotShown, LoadFailed, Shown };
    for (Stage stage : {Stage::NothingLoaded, Stage::LoadedNotShown, Stage::LoadFailed, Stage::Shown}) {
        for (bool hotkey : {true, false}) {
            SCOPED_TRACE(static_cast<int>(stage));
            SCOPED_TRACE(hotkey ? "hotkey dialog" : "ask-defaults dialog");
            std::unique_ptr<TfrmSkinned> dialog;
            if (hotkey)
                dialog = std::make_unique<TfrmHotkey2>(window.Handle());
            else
                dialog = std::make_unique<TfrmAskDefaults>(window.Handle());
            const HWND handle = dialog->Handle();
            if (stage == Stage::LoadFailed) {
                EXPECT_THROW(dialog->LoadSkinFile(""), skin::SkinError);
            }
            if (stage == Stage::LoadedNotShown || stage == Stage::Shown) dialog->LoadSkinFile(DefaultSkinPath());
            if (stage == Stage::Shown) dialog->Show();
            EXPECT_NO_THROW(dialog.reset());
            EXPECT_FALSE(::IsWindow(handle));
        }
    }
    EXPECT_TRUE(ErrorBoxes.empty());
    EXPECT_TRUE(::IsWindowEnabled(window.Handle()));
}

// ---- a skin that cannot be loaded

TEST_F(SkinnedDialogTest, ASkinThatCannotBeLoadedLeavesTheDialogUnshown)
{
    SkinFile broken("broken_dialog.skn", "window Kalvora { size = 300 200; static chart { rect = 0 0 100 }");
    TfrmMain& window = Open();
    ASSERT_TRUE(window.SkinLoaded());
    struct Case {
        const char* what;
        std::string skin;
    };
    const Case cases[] = {
        {"empty Skin option", ""},
        {"a file that does not exist", TestFolder() + "no_such_skin.skn"},
        {"no valid skin", broken.Path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Options->SetSkin(c.skin);
        HandleQueued();
        EXPECT_THROW(TfrmHotkey2(window.Handle()).LoadSkinFile(Options->SkinFilePath()), skin::SkinError);

        const int before = Options->Hotkey1();
        const std::vector<int> values = OptionValues();
        ErrorBoxes.clear();
        Engine.Messages.clear();
        ShowWatcher shows;
        ASSERT_TRUE(shows.Hooked());
        window.DefineHotkey(1);
        EXPECT_EQ(shows.Shown, 0);
        ASSERT_EQ(ErrorBoxes.size(), 1u);
        EXPECT_EQ(ErrorBoxes[0], SkinErrorText(c.skin)) << "the Skin option, not the path looked for";
        EXPECT_EQ(HotkeyMessages(Engine), SuspendThenResume) << "the resume comes after a skin error too";
        EXPECT_EQ(Options->Hotkey1(), before);
        EXPECT_EQ(window.ActiveDialog(), nullptr);
        EXPECT_TRUE(::IsWindowEnabled(window.Handle()));

        // The question lets the error go to its caller and changes nothing.
        Engine.Messages.clear();
        EXPECT_THROW(window.AskAutomaticSettings(), skin::SkinError);
        EXPECT_EQ(shows.Shown, 0);
        EXPECT_EQ(OptionValues(), values);
        EXPECT_TRUE(HotkeyMessages(Engine).empty());
        EXPECT_TRUE(VisibleSkinnedDialogs().empty());
        EXPECT_EQ(window.ActiveDialog(), nullptr);
    }
}

// ---- the hotkey dialog

TEST(HotkeyCodes, TheControlsWordAndTheShortcutCodeConvertBothWays)
{
    struct Case {
        const char* what;
        int code;
        WORD word;
    };
    const Case cases[] = {
        {"Ctrl+Alt+D", 0xC044, MAKEWORD('D', HOTKEYF_CONTROL | HOTKEYF_ALT)},
        {"Alt+Shift+A", 0xA041, MAKEWORD('A', HOTKEYF_ALT | HOTKEYF_SHIFT)},
        {"Ctrl+F5", 0x4074, MAKEWORD(VK_F5, HOTKEYF_CONTROL)},
        {"Ctrl+Insert, an extended key", 0x4000 | VK_INSERT, MAKEWORD(VK_INSERT, HOTKEYF_CONTROL | HOTKEYF_EXT)},
        {"Alt+Num 0, not extended", 0x8000 | VK_NUMPAD0, MAKEWORD(VK_NUMPAD0, HOTKEYF_ALT)},
        {"a plain key", 'Q', MAKEWORD('Q', 0)},
        {"none", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(HotkeyControlWordFromCode(c.code), c.word);
        EXPECT_EQ(HotkeyCodeFromControlWord(c.word), c.code);
    }
    // Bits the code does not know are dropped; modifiers alone are no shortcut.
    EXPECT_EQ(HotkeyControlWordFromCode(0x1000 | 0xC044), MAKEWORD('D', HOTKEYF_CONTROL | HOTKEYF_ALT));
    EXPECT_EQ(HotkeyCodeFromControlWord(MAKEWORD(0, HOTKEYF_CONTROL)), 0);
}

TEST(HotkeyCodes, AKeyWithoutCtrlOrAltGetsAlt)
{
    struct Case {
        const char* what;
        WORD typed;
        WORD ruled;
    };
    const Case cases[] = {
        {"plain", MAKEWORD('A', 0), MAKEWORD('A', HOTKEYF_ALT)},
        {"Shift alone", MAKEWORD('A', HOTKEYF_SHIFT), MAKEWORD('A', HOTKEYF_SHIFT | HOTKEYF_ALT)},
        {"plain extended", MAKEWORD(VK_HOME, HOTKEYF_EXT), MAKEWORD(VK_HOME, HOTKEYF_EXT | HOTKEYF_ALT)},
        {"Ctrl", MAKEWORD('A', HOTKEYF_CONTROL), MAKEWORD('A', HOTKEYF_CONTROL)},
        {"Ctrl+Shift", MAKEWORD('A', HOTKEYF_CONTROL | HOTKEYF_SHIFT), MAKEWORD('A', HOTKEYF_CONTROL | HOTKEYF_SHIFT)},
        {"Alt", MAKEWORD('A', HOTKEYF_ALT), MAKEWORD('A', HOTKEYF_ALT)},
        {"modifiers alone", MAKEWORD(0, HOTKEYF_SHIFT), MAKEWORD(0, HOTKEYF_SHIFT)},
        {"nothing", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(HotkeyControlWordWithRule(c.typed), c.ruled);
    }
}

TEST_F(SkinnedDialogTest, TheShortcutPropertyUsesTheLow16BitsThroughTheRealControl)
{
    TfrmHotkey2 dialog(nullptr);
    for (int code : {0xC044, 0x4074, 0xA041, 0}) {
        dialog.SetShortCut(code);
        EXPECT_EQ(dialog.ShortCut(), code);
    }
    dialog.SetShortCut(0x7C046);  // bits above the low 16 are not looked at
    EXPECT_EQ(dialog.ShortCut(), 0xC046);
}

TEST_F(SkinnedDialogTest, CombinationsTypedForRealComeOutWithAltWhereNeeded)
{
    TfrmMain& window = Open();
    struct Case {
        const char* what;
        std::initializer_list<WORD> keys;
        int expected;
    };
    const Case cases[] = {
        {"a plain letter", {'A'}, HotkeyAlt | 'A'},
        {"Shift and a letter", {VK_SHIFT, 'A'}, HotkeyAlt | HotkeyShift | 'A'},
        {"a plain function key", {VK_F7}, HotkeyAlt | VK_F7},
        {"Ctrl and a letter", {VK_CONTROL, 'B'}, HotkeyCtrl | 'B'},
        {"Alt and a letter", {VK_MENU, 'X'}, HotkeyAlt | 'X'},
        {"Ctrl, Shift and a function key", {VK_CONTROL, VK_SHIFT, VK_F5}, HotkeyCtrl | HotkeyShift | VK_F5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WORD key = *(std::end(c.keys) - 1);
        int shown = -1;
        Engine.Messages.clear();
        ModalScript script({WhenReady(),
                            [&] {
                                // The control has the focus and takes the keys.
                                EXPECT_EQ(::GetFocus(), HotkeyDialog()->HotKeyControl());
                                return TypeKeys(c.keys);
                            },
                            [&] {
                                // Once the key and every modifier are up again.
                                if ((HotkeyDialog()->ShortCut() & 0xFF) != key) return false;
                                for (WORD k : c.keys)
                                    if (::GetKeyState(k) < 0) return false;
                                shown = HotkeyDialog()->ShortCut();
                                return true;
                            },
                            [] { return TypeKeys({VK_RETURN}); }});
        window.DefineHotkey(2);
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(shown, c.expected);
        EXPECT_EQ(Options->Hotkey2(), c.expected);
        EXPECT_EQ(HotkeyMessages(Engine), SuspendThenResume);
    }
    EXPECT_TRUE(ErrorBoxes.empty());
}

TEST_F(SkinnedDialogTest, OnlyOkKeepsTheTypedShortcutAndTheResumeIsSentWhateverEndsTheDialog)
{
    TfrmMain& window = Open();
    struct Case {
        Ending ending;
        bool kept;
    };
    const Case cases[] = {
        {Ending::OkButton, true},   {Ending::EnterKey, true},      {Ending::CancelButton, false},
        {Ending::EscKey, false},    {Ending::CloseBox, false},     {Ending::TabToSecondThenEnter, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(EndingName(c.ending));
        Options->SetHotkey3(0xC047);
        HandleQueued();
        const int typed = HotkeyCtrl | HotkeyAlt | 'K';
        Engine.Messages.clear();
        ShowWatcher shows;
        bool ended = false;
        ModalScript script({WhenReady(),
                            [&] {
                                EXPECT_EQ(HotkeyDialog()->ShortCut(), 0xC047) << "the preset's shortcut is shown";
                                EXPECT_EQ(HotkeyMessages(Engine), std::vector<UINT>{WM_HOTKEYS_SUSPEND})
                                    << "suspended before the dialog shows";
                                return TypeKeys({VK_CONTROL, VK_MENU, 'K'});
                            },
                            [&] { return HotkeyDialog()->ShortCut() == typed && ::GetKeyState(VK_MENU) >= 0; },
                            EndDialog(c.ending, [&] { return HotkeyDialog()->OkButton(); },
                                      [&] { return HotkeyDialog()->CancelButton(); },
                                      [&] { return HotkeyDialog()->Handle(); }),
                            [&] { return ended = true; }});
        window.DefineHotkey(3);
        EXPECT_TRUE(script.StepsDone() >= 4);
        EXPECT_EQ(shows.Shown, 1);
        EXPECT_EQ(Options->Hotkey3(), c.kept ? typed : 0xC047);
        EXPECT_EQ(HotkeyMessages(Engine), SuspendThenResume);
        EXPECT_EQ(window.ActiveDialog(), nullptr);
        EXPECT_TRUE(::IsWindowEnabled(window.Handle()));
        EXPECT_TRUE(VisibleSkinnedDialogs().empty()) << "the dialog is gone";
        (void)ended;
    }
    EXPECT_TRUE(ErrorBoxes.empty());
}

// ---- the question about the automatic settings

class AskDefaultsTest : public SkinnedDialogTest {
protected:
    // Values that the automatic settings all change.
    void SetOtherValues()
    {
        Options->SetChartInterval(5000);
        Options->SetAmount1(100);
        Options->SetCriticalFreeUpMB(50);
        Options->SetMemoryIconStyle(1);
        Options->SetStartupWait(30);
        HandleQueued();
    }
    void RegisterListeners()
    {
        for (auto& listener : Listeners) Options->RegisterNotifyWindow(listener.Handle());
        HandleQueued();
        for (auto& listener : Listeners) listener.Messages.clear();
    }
    void TearDown() override
    {
        if (Options)
            for (auto& listener : Listeners) Options->UnregisterNotifyWindow(listener.Handle());
        SkinnedDialogTest::TearDown();
    }
    // Two windows that keep what the options post them.
    EngineStandIn Listeners[2];
};

TEST_F(AskDefaultsTest, YesAppliesTheAutomaticSettingsWithOneNotificationToEachWindow)
{
    TfrmMain& window = Open();
    RegisterListeners();
    for (Ending ending : {Ending::OkButton, Ending::EnterKey}) {
        SCOPED_TRACE(EndingName(ending));
        SetOtherValues();
        const int hotkey1 = Options->Hotkey1();
        for (auto& listener : Listeners) listener.Messages.clear();
        ModalScript script({WhenReady(),
                            EndDialog(ending, [&] { return AskDialog()->YesButton(); },
                                      [&] { return AskDialog()->NoButton(); }, [&] { return AskDialog()->Handle(); })});
        window.AskAutomaticSettings();
        EXPECT_TRUE(script.Finished());
        HandleQueued();
        for (const auto& listener : Listeners) {
            const auto changes = MessagesOf(listener, WM_OPTIONS_CHANGED);
            ASSERT_EQ(changes.size(), 1u);
            const auto found = std::find_if(listener.Messages.begin(), listener.Messages.end(),
                                            [](const auto& m) { return m.first == WM_OPTIONS_CHANGED; });
            EXPECT_EQ(found->second, 63u);
        }
        const int t = TestTotalMB;
        EXPECT_EQ(Options->ChartInterval(), 1000);
        EXPECT_EQ(Options->Amount1(), static_cast<uint32_t>(t / 2));
        EXPECT_EQ(Options->CriticalFreeUpMB(), t * 6 / 10);
        EXPECT_EQ(Options->CriticalTriggerMB(), t * 8 / 10);
        EXPECT_EQ(Options->MemoryIconStyle(), 2);
        EXPECT_EQ(Options->StartupWait(), 5);
        EXPECT_EQ(Options->Hotkey1(), hotkey1) << "shortcuts are no automatic setting";
        EXPECT_EQ(window.ActiveDialog(), nullptr);
        EXPECT_TRUE(VisibleSkinnedDialogs().empty());
    }
    EXPECT_TRUE(ErrorBoxes.empty());
}

TEST_F(AskDefaultsTest, NoEscAndTheCloseBoxChangeNothing)
{
    TfrmMain& window = Open();
    RegisterListeners();
    SetOtherValues();
    for (Ending ending : {Ending::CancelButton, Ending::EscKey, Ending::CloseBox, Ending::TabToSecondThenEnter}) {
        SCOPED_TRACE(EndingName(ending));
        const std::vector<int> values = OptionValues();
        for (auto& listener : Listeners) listener.Messages.clear();
        ShowWatcher shows;
        ModalScript script({WhenReady(),
                            EndDialog(ending, [&] { return AskDialog()->YesButton(); },
                                      [&] { return AskDialog()->NoButton(); }, [&] { return AskDialog()->Handle(); })});
        window.AskAutomaticSettings();
        EXPECT_TRUE(script.Finished());
        HandleQueued();
        EXPECT_EQ(shows.Shown, 1);
        EXPECT_EQ(OptionValues(), values);
        for (const auto& listener : Listeners) EXPECT_TRUE(MessagesOf(listener, WM_OPTIONS_CHANGED).empty());
        EXPECT_TRUE(::IsWindowEnabled(window.Handle()));
        EXPECT_TRUE(VisibleSkinnedDialogs().empty());
    }
    EXPECT_TRUE(ErrorBoxes.empty());
}

TEST_F(SkinnedDialogTest, TheMainWindowBroughtForwardGivesTheActivationBackToItsDialog)
{
    TfrmMain& window = Open();
    bool back = false;
    ModalScript script({WhenReady(),
                        [&] {
                            // As a second start of the program shows the main window.
                            window.ShowAndActivate();
                            return true;
                        },
                        [&] {
                            TfrmSkinned* dialog = window.ActiveDialog();
                            back = ::GetForegroundWindow() == dialog->Handle() &&
                                   IsAbove(dialog->Handle(), window.Handle());
                            return back;
                        },
                        [] { return TypeKeys({VK_ESCAPE}); }});
    window.AskAutomaticSettings();
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(back) << "the dialog is the active window again, above the main window";
    EXPECT_TRUE(::IsWindowEnabled(window.Handle()));
}

// ---- the colour and font of the dialogs' texts

namespace {

// How many pixels of the window's client area have exactly that colour.
int PixelsOf(HWND window, COLORREF color)
{
    ::UpdateWindow(window);
    RECT client{};
    ::GetClientRect(window, &client);
    HDC dc = ::GetDC(window);
    int count = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            if (::GetPixel(dc, x, y) == color) ++count;
    ::ReleaseDC(window, dc);
    return count;
}

LOGFONTA FontOf(HWND window)
{
    LOGFONTA lf{};
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
    if (font) ::GetObjectA(font, sizeof(lf), &lf);
    return lf;
}

}  // namespace

TEST_F(SkinnedDialogTest, ADarkSkinsDialogTextTakesItsLightColourAndFont)
{
    const COLORREF dark = RGB(0x20, 0x22, 0x28);
    const COLORREF light = RGB(0xF0, 0xE0, 0xA0);
    SkinFile skin("dialog_text.skn",
                  "font dlg { face = Arial; size = 14; weight = bold }\n"
                  "window Kalvora { size = 300 200; static chart { rect = 0 0 100 100 } }\n"
                  "window dialog { default = yes; frame = keep; color = #202228\n"
                  "  static dialog_text { rect = 0 0 0 0; visible = no; color = #f0e0a0; font = dlg }\n"
                  "}\n");
    TfrmAskDefaults dialog(nullptr);
    dialog.LoadSkinFile(skin.Path());
    dialog.Show();
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(dialog.BackgroundColor(), dark);
    EXPECT_EQ(dialog.TextColor(), light);

    const HWND label = dialog.ExplainLabel().Handle();
    EXPECT_GT(PixelsOf(label, light), 20) << "the explanation is drawn in the skin's text colour";
    EXPECT_EQ(PixelsOf(label, ::GetSysColor(COLOR_BTNTEXT)), 0) << "and nowhere in the system's";
    const LOGFONTA font = FontOf(label);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_LT(font.lfHeight, -11) << "14 points are more than the dialog font's 11 pixels";
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(::GetDlgItem(dialog.Handle(), IDOK), WM_GETFONT, 0, 0)), dialog.DialogFont())
        << "buttons keep the dialog font";

    // Static controls of a dialog ask their parent for the colour too.
    HDC dc = ::GetDC(label);
    ::SendMessageA(dialog.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(::GetTextColor(dc), light);
    ::ReleaseDC(label, dc);
}

TEST_F(SkinnedDialogTest, WithoutDialogTextTheDialogsKeepTheSystemsTextAndFont)
{
    SkinFile colourOnly("dialog_text_colour.skn",
                        "window Kalvora { size = 300 200; static chart { rect = 0 0 100 100 } }\n"
                        "window dialog { default = yes; frame = keep; color = #ffffff\n"
                        "  static dialog_text { rect = 0 0 0 0; visible = no; color = #c00000 }\n"
                        "}\n");
    SkinFile fontOnly("dialog_text_font.skn",
                      "font dlg { face = Arial; size = 14; weight = bold }\n"
                      "window Kalvora { size = 300 200; static chart { rect = 0 0 100 100 } }\n"
                      "window dialog { default = yes; frame = keep; color = #ffffff\n"
                      "  static dialog_text { rect = 0 0 0 0; visible = no; font = dlg }\n"
                      "}\n");
    const COLORREF system = ::GetSysColor(COLOR_BTNTEXT);
    struct Case {
        const char* what;
        std::string skin;  // empty: none loaded
        COLORREF text;
        bool dialogFont;
    };
    const Case cases[] = {
        {"the default skin", DefaultSkinPath(), system, true},
        {"no skin", "", system, true},
        {"a colour without a font", colourOnly.Path(), RGB(0xC0, 0, 0), true},
        {"a font without a colour", fontOnly.Path(), system, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TfrmAskDefaults dialog(nullptr);
        if (!c.skin.empty()) dialog.LoadSkinFile(c.skin);
        dialog.Show();
        PumpUntil([] { return false; }, 100);
        EXPECT_EQ(dialog.TextColor(), c.text);
        const HWND label = dialog.ExplainLabel().Handle();
        EXPECT_GT(PixelsOf(label, c.text), 20) << "the explanation's text colour";
        const auto font = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
        EXPECT_EQ(font == dialog.DialogFont(), c.dialogFont);
        EXPECT_EQ(dialog.TextFont() == dialog.DialogFont(), c.dialogFont);
    }
}
