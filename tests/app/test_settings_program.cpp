// Settings made in the main window of the real program, as a user makes
// them: the window opened through the instance protocol, clicks and thumb
// drags posted at the places the default skin gives its elements, the
// program ended with "quit", and every change found in the registry. The
// tray icons follow the display choices while it runs.
#include "tests/app/RunningProgram.h"

#include "engine/uMemoryFigures.h"
#include "skin/SkinNodes.h"
#include "skin/SkinScrollLayout.h"
#include "skin/TSkin.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace program_test {
namespace {

std::string BesideTheTests(const std::string& file)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}

BOOL CALLBACK CountTrayIcon(HWND window, LPARAM count)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "__winex11_tray_icon") ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// The icons in Wine's tray window; none where there is no such window.
std::optional<int> TrayIconCount()
{
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    if (!tray) return std::nullopt;
    int count = 0;
    EnumChildWindows(tray, &CountTrayIcon, reinterpret_cast<LPARAM>(&count));
    return count;
}

// The default skin laid over a hidden window of the test's own, the size of
// the program's: where the program's window shows each element, and how its
// scroll bars turn mouse points into positions.
class SkinTwin {
public:
    SkinTwin()
    {
        window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 720, 480, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
        const std::string path = BesideTheTests("default.skn");
        skin_.LoadSkin(std::wstring(path.begin(), path.end()));
        skin_.ApplySkinWindow(window_, L"Kalvora");
        root_ = skin_.GetWindowObject(window_);
    }
    ~SkinTwin()
    {
        try {
            skin_.RemoveSkin(window_);
            skin_.UnloadSkin();
        } catch (...) {
        }
        DestroyWindow(window_);
    }
    SkinTwin(const SkinTwin&) = delete;
    SkinTwin& operator=(const SkinTwin&) = delete;

    POINT Centre(const wchar_t* name) const
    {
        auto* element = dynamic_cast<skin::ISkinElement*>(root_->FindObject(name));
        if (!element) {
            ADD_FAILURE() << "the default skin has no element " << std::string(name, name + wcslen(name));
            return {};
        }
        const RECT r = element->GetRect(root_);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // The bar as the program sets it up, at the position it shows now.
    skin::SkinScrollBarNode* Bar(const wchar_t* name, std::optional<int> min, int max, int page, int position) const
    {
        auto* bar = dynamic_cast<skin::SkinScrollBarNode*>(root_->FindObject(name));
        if (!bar) {
            ADD_FAILURE() << "the default skin has no scroll bar " << std::string(name, name + wcslen(name));
            return nullptr;
        }
        if (min) bar->SetMin(*min);
        bar->SetMax(max);
        bar->SetPage(page);
        bar->SetPosition(position);
        return bar;
    }

private:
    HWND window_ = nullptr;
    skin::TSkin skin_;
    skin::ISkinObject* root_ = nullptr;
};

// The visible top-level window of the process with that caption.
HWND DialogOf(DWORD processId, const std::string& caption)
{
    for (HWND window : TopLevelWindowsOf(processId)) {
        char text[100] = {};
        GetWindowTextA(window, text, sizeof(text));
        if (caption == text && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

class SettingsProgramTest : public RunningProgramTest {
protected:
    void Post(UINT message, WPARAM keys, POINT at) const
    {
        PostMessageA(main_, message, keys, MAKELPARAM(at.x, at.y));
    }
    // Lets the program handle what was posted, and a page's animations run.
    static void Settle(DWORD ms = 700) { WaitPumping([] { return false; }, ms); }

    void Click(const wchar_t* name) const
    {
        const POINT at = twin_->Centre(name);
        Post(WM_MOUSEMOVE, 0, at);
        Post(WM_LBUTTONDOWN, MK_LBUTTON, at);
        Post(WM_LBUTTONUP, 0, at);
        Settle();
    }
    void OpenPage(const wchar_t* button) const
    {
        Click(button);
        Settle(1000);
    }
    // Grabs the thumb of a bar set up as the program sets it and lets go
    // where it stands for the position nearest to wanted; answers the
    // position the program's bar then takes.
    int Drag(skin::SkinScrollBarNode* bar, int wanted) const
    {
        if (!bar) return INT_MIN;
        const skin::ScrollLayout layout = skin::LayoutScrollBar(*bar);
        const POINT grab{(layout.thumb.left + layout.thumb.right) / 2, (layout.thumb.top + layout.thumb.bottom) / 2};
        const int grabOffset = grab.x - layout.thumb.left;
        POINT best = grab;
        int reached = bar->GetPosition();
        long long distance = LLONG_MAX;
        for (int x = layout.track.left; x < layout.track.right; ++x) {
            const int position = skin::ScrollPositionAt(*bar, layout, x - grabOffset);
            if (std::llabs(static_cast<long long>(position) - wanted) < distance) {
                distance = std::llabs(static_cast<long long>(position) - wanted);
                best = POINT{x, grab.y};
                reached = position;
            }
        }
        Post(WM_MOUSEMOVE, 0, grab);
        Post(WM_LBUTTONDOWN, MK_LBUTTON, grab);
        Post(WM_MOUSEMOVE, MK_LBUTTON, POINT{(grab.x + best.x) / 2, grab.y});
        Post(WM_MOUSEMOVE, MK_LBUTTON, best);
        Post(WM_LBUTTONUP, 0, best);
        Settle();
        return reached;
    }

    HWND main_ = nullptr;
    std::unique_ptr<SkinTwin> twin_;
};

}  // namespace

TEST_F(SettingsProgramTest, SettingsMadeInTheWindowAreInTheRegistryAfterQuit)
{
    InitMemoryFigures();
    const int total = TotalPhysMB;
    ASSERT_GT(total, 100);
    auto program = StartInstance();
    ASSERT_TRUE(program->Started());
    // A start within the engine's first 2 seconds shows nothing; wait them out.
    WaitPumping([] { return false; }, 2100);
    const HWND engine = EngineOf(program->Id());
    ASSERT_NE(engine, nullptr);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(engine, WM_ENGINE_SHOWMAIN, 0, 0, SMTO_NORMAL, 20000, &answer));
    main_ = reinterpret_cast<HWND>(answer);
    ASSERT_TRUE(IsWindow(main_));
    RECT client{};
    GetClientRect(main_, &client);
    ASSERT_EQ(client.right, 720) << "the default skin's face";
    ASSERT_EQ(client.bottom, 480);
    twin_ = std::make_unique<SkinTwin>();
    Settle(1000);
    const std::optional<int> iconsBefore = TrayIconCount();
    if (!iconsBefore) std::printf("No tray window of Wine's here: the icons are not counted.\n");

    // Page 1: the manual amount, from the lowest level up to about a third.
    OpenPage(L"manual");
    const int manual = Drag(twin_->Bar(L"manual_scroll", std::nullopt, total + total / 20 - 1, total / 20, 1), total / 3);
    ASSERT_GT(manual, 1);
    // The first preset takes it.
    Click(L"set_preset1");
    // Its shortcut through the dialog: a plain K typed into the hotkey
    // control, which adds Alt to a key without a modifier, then OK.
    Click(L"set_hotkey1");
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitPumping([&] { return (dialog = DialogOf(program->Id(), "Define Hotkey")) != nullptr; }, 10000))
        << "the hotkey dialog did not open";
    HWND control = FindWindowExA(dialog, nullptr, "msctls_hotkey32", nullptr);
    ASSERT_NE(control, nullptr);
    PostMessageA(control, WM_KEYDOWN, 'K', 0x00250001);
    PostMessageA(control, WM_KEYUP, 'K', static_cast<LPARAM>(0xC0250001u));
    Settle(500);
    const HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(ok, nullptr);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    EXPECT_TRUE(WaitPumping([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000)) << "the dialog stays";
    Settle();

    // Page 3: the trigger, and the critical free-up's enforce check (off
    // here after on by default).
    OpenPage(L"critical");
    const int trigger = Drag(twin_->Bar(L"critical_adjust_scroll", std::nullopt, total + total / 20 - 1, total / 20,
                                        (total / 10) * 9),
                             total * 2 / 3);
    Click(L"idleforce_check");

    // Page 5: the chart interval to 30 s, the CPU icon as a number, and the
    // program icon always on; the icons follow at once.
    OpenPage(L"monitor");
    EXPECT_EQ(Drag(twin_->Bar(L"intervall_scroll", 1, 11, 1, 4), 9), 9);
    Click(L"cpu_tray_icon_number");
    if (iconsBefore) {
        EXPECT_TRUE(WaitPumping([&] { return TrayIconCount() == *iconsBefore + 1; }, 10000))
            << "the CPU icon came: " << TrayIconCount().value_or(-1) << " icons, " << *iconsBefore << " before";
    }
    Click(L"enforce_tray_icon_check");
    if (iconsBefore) {
        EXPECT_TRUE(WaitPumping([&] { return TrayIconCount() == *iconsBefore + 2; }, 10000))
            << "the program icon came: " << TrayIconCount().value_or(-1) << " icons";
    }
    Click(L"memory_tray_icon_off");
    if (iconsBefore) {
        EXPECT_TRUE(WaitPumping([&] { return TrayIconCount() == *iconsBefore + 1; }, 10000))
            << "the memory icon went: " << TrayIconCount().value_or(-1) << " icons";
    }
    Click(L"memory_tray_icon_bar");
    if (iconsBefore) {
        EXPECT_TRUE(WaitPumping([&] { return TrayIconCount() == *iconsBefore + 2; }, 10000))
            << "the memory icon came back: " << TrayIconCount().value_or(-1) << " icons";
    }

    // Ended from outside, as a second start with "quit" ends it.
    Program quit("quit");
    ASSERT_TRUE(quit.Started());
    EXPECT_EQ(quit.WaitForExit(20000), std::optional<DWORD>(0));
    EXPECT_EQ(program->WaitForExit(20000), std::optional<DWORD>(0));

    EXPECT_EQ(ReadDword(OptionsSubKey, "Manual"), std::optional<DWORD>(manual));
    EXPECT_EQ(ReadDword(OptionsSubKey, "Amount1"), std::optional<DWORD>(manual));
    EXPECT_EQ(ReadDword(OptionsSubKey, "Hotkey1"), std::optional<DWORD>(0x8000 | 'K')) << "Alt+K";
    EXPECT_EQ(ReadDword(OptionsSubKey, "Hotkey2"), std::optional<DWORD>(49222)) << "as it was";
    EXPECT_EQ(ReadDword(OptionsSubKey, "CriticalTriggerMB"), std::optional<DWORD>(trigger));
    EXPECT_EQ(ReadDword(OptionsSubKey, "CriticalIdleEnforce"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadDword(OptionsSubKey, "Chart Interval"), std::optional<DWORD>(30000));
    EXPECT_EQ(ReadDword(OptionsSubKey, "CPU Monitoring"), std::optional<DWORD>(1));
    EXPECT_EQ(ReadDword(OptionsSubKey, "CPUIconStyle"), std::optional<DWORD>(2));
    EXPECT_EQ(ReadDword(OptionsSubKey, "ProgramIcon"), std::optional<DWORD>(1));
    EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIcon"), std::optional<DWORD>(1));
    EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), std::optional<DWORD>(3));
    // What was not touched stays as stored.
    EXPECT_EQ(ReadDword(OptionsSubKey, "Critical"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadDword(OptionsSubKey, "Regular"), std::optional<DWORD>(0));
}

}  // namespace program_test
