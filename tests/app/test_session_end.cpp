// Logoff and shutdown: Windows asks every top-level window of the program
// whether the session may end, tells each that it ends, and then ends the
// process without any of the program's own exit code running. The settings
// changed since the start must be in the registry by then.
#include "tests/app/RunningProgram.h"

#include "engine/fEngineForm.h"

namespace program_test {
namespace {

class SessionEndTest : public RunningProgramTest {
protected:
    // A change through the tray menu, as the user makes it.
    static void ChooseMemoryBar(HWND engine)
    {
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutA(engine, WM_COMMAND, MAKEWPARAM(cmdMemoryBar, 0), 0, SMTO_NORMAL, 5000,
                                        &answer));
    }

    // Sends one message to every top-level window of the process, as the
    // system does at the end of a session; returns how many answered TRUE.
    static int SendToEveryWindow(DWORD processId, UINT message, WPARAM wParam, LPARAM lParam)
    {
        const std::vector<HWND> windows = TopLevelWindowsOf(processId);
        EXPECT_GE(windows.size(), 2u) << "the start-up window and the engine at least";
        int agreed = 0;
        for (HWND window : windows) {
            DWORD_PTR answer = 0;
            EXPECT_TRUE(SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 10000, &answer));
            if (answer) ++agreed;
        }
        return agreed;
    }
};

TEST_F(SessionEndTest, LogoffAndShutdownSaveTheSettingsOnceAndLeaveTheEndToWindows)
{
    struct Case { const char* what; DWORD reason; };  // the lParam of both messages
    const Case cases[] = {{"logoff", ENDSESSION_LOGOFF}, {"shutdown", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreQuietSettings();
        auto program = StartInstance();
        const HWND engine = EngineOf(program->Id());
        ASSERT_NE(engine, nullptr);
        ChooseMemoryBar(engine);
        EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 1u) << "nothing is saved before the end";

        const auto windows = TopLevelWindowsOf(program->Id());
        EXPECT_EQ(SendToEveryWindow(program->Id(), WM_QUERYENDSESSION, 0, c.reason),
                  static_cast<int>(windows.size()))
            << "no window refuses the end of the session";
        EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 1u) << "asking is not ending";

        SendToEveryWindow(program->Id(), WM_ENDSESSION, TRUE, c.reason);
        EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 3u);
        EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIcon"), 1u);
        EXPECT_EQ(ReadDword(OptionsSubKey, "Use Defaults"), 0u);
        EXPECT_EQ(ReadDword(OptionsSubKey, "Critical"), 0u);
        EXPECT_FALSE(program->Exited()) << "the program waits for Windows to end it";

        // Saved once: a second notice writes nothing over what is stored.
        WriteDword(OptionsSubKey, "MemoryIconStyle", 2);
        SendToEveryWindow(program->Id(), WM_ENDSESSION, TRUE, c.reason);
        EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 2u);

        program->Terminate(0);
        EXPECT_TRUE(program->Exited());
        EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 2u);
    }
}

TEST_F(SessionEndTest, ACancelledSessionEndSavesNothingAndTheProgramGoesOn)
{
    auto program = StartInstance();
    const HWND engine = EngineOf(program->Id());
    ASSERT_NE(engine, nullptr);
    ChooseMemoryBar(engine);

    SendToEveryWindow(program->Id(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    SendToEveryWindow(program->Id(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 1u);
    EXPECT_EQ(EngineOf(program->Id()), engine) << "still running, still answering";

    PostMessageA(engine, WM_ENGINE_QUIT, 0, 0);
    EXPECT_EQ(program->WaitForExit(20000), 0u);
    EXPECT_EQ(ReadDword(OptionsSubKey, "MemoryIconStyle"), 3u) << "an orderly exit still saves";
}

}  // namespace
}  // namespace program_test
