// The main window of the real program, as a user meets it: a second start
// opens it, another program finds it, and closing it leaves the program
// running in the notification area.
#include "tests/app/RunningProgram.h"

#include <atomic>
#include <thread>

namespace program_test {
namespace {

// The visible main window of a process ("TfrmMain", captioned for the taskbar).
HWND MainWindowOf(DWORD processId)
{
    for (HWND window : TopLevelWindowsOf(processId)) {
        char className[64] = {};
        char caption[64] = {};
        GetClassNameA(window, className, sizeof(className));
        GetWindowTextA(window, caption, sizeof(caption));
        if (std::string(className).rfind("TfrmMain", 0) == 0 && std::string(caption) == "Kalvora Professional" &&
            IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM list)
{
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    char text[300] = {};
    GetWindowTextA(child, text, sizeof(text));
    if (lstrcmpiA(className, "Static") == 0 && text[0]) reinterpret_cast<std::vector<std::string>*>(list)->push_back(text);
    return TRUE;
}

// The texts of a dialog's static controls (a message box's text among them).
std::vector<std::string> StaticTexts(HWND dialog)
{
    std::vector<std::string> texts;
    EnumChildWindows(dialog, &CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

class MainWindowProgramTest : public RunningProgramTest {};

}  // namespace

TEST_F(MainWindowProgramTest, ASecondStartOpensTheMainWindowAndClosingItKeepsTheProgram)
{
    auto first = StartInstance();
    const HWND engine = EngineOf(first->Id());
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(MainWindowOf(first->Id()), nullptr) << "the program starts in the notification area only";

    // A start within the engine's first 2 seconds shows nothing; wait them out.
    WaitPumping([] { return false; }, 2100);
    Program second;
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(20000), std::optional<DWORD>(0));

    HWND main = nullptr;
    ASSERT_TRUE(WaitPumping([&] { return (main = MainWindowOf(first->Id())) != nullptr; }, 20000));
    const SIZE size = ClientSize(main);
    EXPECT_EQ(size.cx, 720) << "the default skin's window";
    EXPECT_EQ(size.cy, 480);
    EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "shown in the taskbar";

    // The same request from here returns the same window.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(engine, WM_ENGINE_SHOWMAIN, 0, 0, SMTO_NORMAL, 10000, &answer));
    EXPECT_EQ(reinterpret_cast<HWND>(answer), main);

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitPumping([main] { return !IsWindow(main); }, 10000));
    EXPECT_FALSE(first->Exited());
    EXPECT_EQ(EngineOf(first->Id()), engine) << "the engine still answers";
}

TEST_F(MainWindowProgramTest, AMissingSkinGivesTheFallbackViewAfterTheMessage)
{
    WriteString(OptionsSubKey, "Skin", "C:\\no such folder\\gone.skn");
    auto first = StartInstance();
    WaitPumping([] { return false; }, 2100);
    const HWND engine = EngineOf(first->Id());
    // The request is answered after the skin error box of the new window is
    // closed: it is sent from a thread, and the box is answered from here.
    DWORD_PTR answer = 0;
    std::atomic<bool> answered{false};
    std::thread request([&] {
        SendMessageTimeoutA(engine, WM_ENGINE_SHOWMAIN, 0, 0, SMTO_NORMAL, 30000, &answer);
        answered = true;
    });
    HWND box = nullptr;
    WaitPumping(
        [&] {
            for (HWND window : TopLevelWindowsOf(first->Id())) {
                char className[16] = {};
                GetClassNameA(window, className, sizeof(className));
                if (std::string(className) == "#32770" && IsWindowVisible(window)) box = window;
            }
            return box != nullptr;
        },
        20000);
    ASSERT_NE(box, nullptr) << "the skin error box";
    EXPECT_EQ(StaticTexts(box),
              std::vector<std::string>{"There was an error loading the skin (). Please load a different skin."});
    char caption[64] = {};
    GetWindowTextA(box, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Kalvora Professional");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitPumping([&] { return answered.load(); }, 20000);
    request.join();

    const HWND main = reinterpret_cast<HWND>(answer);
    ASSERT_NE(main, nullptr);
    const SIZE size = ClientSize(main);
    EXPECT_EQ(size.cx, 269);
    EXPECT_EQ(size.cy, 128);
    EXPECT_EQ(MainWindowOf(first->Id()), main);
}

}  // namespace program_test
