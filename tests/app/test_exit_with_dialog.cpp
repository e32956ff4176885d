// The real program told to end while one of its dialogs is open: the tray
// menu's "Exit Kalvora Professional", or "quit" from a second start, while
// the hotkey dialog or the question about the automatic settings is up. The
// dialog ends as Cancel or No, the settings are saved, and the process ends
// in order.
#include "tests/app/RunningProgram.h"

#include "engine/fEngineForm.h"
#include "skin/TSkin.h"
#include "toolkit/Window.h"
#include "toolkit/WideText.h"

namespace program_test {
namespace {

std::string CaptionOf(HWND window)
{
    char text[128] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// A visible top-level window of the process of that class (and caption).
HWND VisibleWindowOf(DWORD processId, const std::string& className, const char* caption = nullptr)
{
    for (HWND window : TopLevelWindowsOf(processId))
        if (ClassOf(window) == className && IsWindowVisible(window) && (!caption || CaptionOf(window) == caption))
            return window;
    return nullptr;
}

// Where the default skin puts an element in the main window's client area,
// read from the skin file the program uses.
POINT ElementCentre(const std::wstring& name)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string skinFile(path);
    skinFile = skinFile.substr(0, skinFile.find_last_of('\\') + 1) + "default.skn";
    toolkit::Window host;
    host.Create(toolkit::Window::HiddenArgs("KalvoraExitTestHost"));
    skin::TSkin skin;
    skin.LoadSkin(toolkit::WideFromAnsi(skinFile));
    skin.ApplySkinWindow(host.Handle(), L"Kalvora");
    skin::ISkinObject* root = skin.GetWindowObject(host.Handle());
    auto* element = dynamic_cast<skin::ISkinElement*>(root->FindObject(name));
    EXPECT_NE(element, nullptr) << toolkit::AnsiFromWide(name);
    POINT centre{};
    if (element) {
        const RECT r = element->GetRect(root);
        centre = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    skin.RemoveSkin(host.Handle());
    return centre;
}

void PostClick(HWND window, POINT at)
{
    const LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageA(window, WM_MOUSEMOVE, 0, where);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(window, WM_LBUTTONUP, 0, where);
}

enum class How { TrayExit, Quit };

struct DialogCase {
    const char* what;
    const wchar_t* pageButton;
    const wchar_t* opener;
    const char* caption;
};

class ExitWithDialogTest : public RunningProgramTest {
protected:
    // Opens the main window as a second start does, and the dialog with
    // clicks on the skin's elements.
    static HWND OpenDialog(DWORD processId, HWND engine, const DialogCase& dialog)
    {
        HWND main = nullptr;
        EXPECT_TRUE(WaitPumping(
            [&] {
                DWORD_PTR answer = 0;
                if (SendMessageTimeoutA(engine, WM_ENGINE_SHOWMAIN, 0, 0, SMTO_NORMAL, 5000, &answer))
                    main = reinterpret_cast<HWND>(answer);
                return main != nullptr;
            },
            20000))
            << "no main window";
        if (!main) return nullptr;
        const POINT page = ElementCentre(dialog.pageButton);
        const POINT opener = ElementCentre(dialog.opener);
        PostClick(main, page);
        HWND found = nullptr;
        // The page opens with an animation: the opener answers once it shows.
        WaitPumping(
            [&] {
                found = VisibleWindowOf(processId, "TfrmSkinned", dialog.caption);
                if (!found) {
                    PostClick(main, opener);
                    WaitPumping([] { return false; }, 400);
                    found = VisibleWindowOf(processId, "TfrmSkinned", dialog.caption);
                }
                return found != nullptr;
            },
            20000);
        EXPECT_NE(found, nullptr) << "the dialog did not open";
        if (found) {
            EXPECT_EQ(GetWindow(found, GW_OWNER), main);
        }
        return found;
    }
};

}  // namespace

TEST_F(ExitWithDialogTest, EndingTheProgramWhileADialogIsOpenSavesTheSettingsAndEndsIt)
{
    const DialogCase dialogs[] = {
        {"hotkey dialog", L"manual", L"set_hotkey1", "Define Hotkey"},
        {"ask-defaults dialog", L"misc", L"default_settings", "Kalvora Professional"},
    };
    for (const DialogCase& dialog : dialogs) {
        for (How how : {How::TrayExit, How::Quit}) {
            SCOPED_TRACE(dialog.what);
            SCOPED_TRACE(how == How::TrayExit ? "tray menu's exit item" : "quit from a second start");
            StoreQuietSettings();
            auto program = StartInstance();
            const HWND engine = EngineOf(program->Id());
            ASSERT_NE(engine, nullptr);
            // A change that only the orderly end saves.
            DWORD_PTR answer = 0;
            ASSERT_TRUE(SendMessageTimeoutA(engine, WM_COMMAND, MAKEWPARAM(cmdMemoryBar, 0), 0, SMTO_NORMAL, 5000,
                                            &answer));
            EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 1u);

            const HWND open = OpenDialog(program->Id(), engine, dialog);
            ASSERT_NE(open, nullptr);

            if (how == How::TrayExit) {
                const HWND icon = WaitForTrayIconWindow(program->Id());
                ASSERT_NE(icon, nullptr);
                PostMessageA(icon, WM_TRAYICON, 0, WM_RBUTTONUP);
                HWND menu = nullptr;
                ASSERT_TRUE(WaitPumping([&] { return (menu = VisibleWindowOf(program->Id(), "#32768")) != nullptr; },
                                        10000))
                    << "the tray menu did not open over the dialog";
                // "&Exit Kalvora Professional", chosen by its key.
                PostMessageA(menu, WM_CHAR, 'e', 0);
            } else {
                Program quit("quit");
                ASSERT_TRUE(quit.Started());
                EXPECT_EQ(quit.WaitForExit(20000), std::optional<DWORD>(0));
            }
            EXPECT_EQ(program->WaitForExit(20000), std::optional<DWORD>(0)) << "ended in order";
            EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 3u) << "the settings were saved";
            // The dialog ended as Cancel or No.
            EXPECT_EQ(ReadDword(OptionsSubKey, "Hotkey1"), 0xC044u);
            EXPECT_NE(ReadDword(OptionsSubKey, "Chart Interval"), std::optional<DWORD>(1000));
        }
    }
}

}  // namespace program_test
