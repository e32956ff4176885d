// The icons in Wine's real notification area: seen from another process,
// clicked there, lost by the shell and added again. These tests look into
// the windows of Wine's own tray and are skipped, saying so, where there is
// no such tray (on Windows, or under a desktop with a tray of its own).
#include "TrayTestSupport.h"

#include "monitor/uTrayIconCPU.h"
#include "monitor/uTrayIconMemory.h"
#include "monitor/uTrayIconResource.h"
#include "toolkit/Application.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <set>

namespace {

// Runs the helper program built beside this test and returns its exit code.
DWORD Probe(const std::string& arguments)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program = path;
    program = program.substr(0, program.find_last_of("\\/") + 1) + "tray_probe.exe";
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << program;
        return 999;
    }
    toolkit::UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 999;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

std::string Number(HWND window) { return std::to_string(reinterpret_cast<uintptr_t>(window)); }
bool InNotificationArea(HWND owner) { return Probe("exists " + Number(owner)) == 1; }

// The number of icons in Wine's tray, as the probe counts them from outside.
int IconCount()
{
    const DWORD count = Probe("count");
    EXPECT_NE(count, 200u) << "the probe found no Wine tray window";
    return static_cast<int>(count);
}

BOOL CALLBACK CollectTrayIconWindow(HWND child, LPARAM found)
{
    char name[64] = {};
    GetClassNameA(child, name, sizeof(name));
    if (std::string(name) == traytest::TrayIconClass) reinterpret_cast<std::set<HWND>*>(found)->insert(child);
    return TRUE;
}

// The windows of the icons in Wine's tray.
std::set<HWND> TrayIconWindows()
{
    std::set<HWND> found;
    if (HWND tray = FindWindowA(traytest::WineTrayClass, nullptr))
        EnumChildWindows(tray, &CollectTrayIconWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

class NotificationArea : public traytest::HistoryTest {
protected:
    void SetUp() override
    {
        traytest::HistoryTest::SetUp();
        const std::string missing = traytest::WineTrayMissing();
        if (!missing.empty()) GTEST_SKIP() << "Wine's tray windows are not here: " << missing;
    }
};

}  // namespace

TEST_F(NotificationArea, IconsAreThereWhileTheyLiveAndGoneAfterwards)
{
    const int before = IconCount();
    HWND owners[3];
    {
        TTrayIconMemory memory;
        TTrayIconCPU cpu(TTrayIcon::StyleNumber);
        TTrayIconResource status;
        owners[0] = memory.Window();
        owners[1] = cpu.Window();
        owners[2] = status.Window();
        for (HWND owner : owners) EXPECT_TRUE(InNotificationArea(owner));
        EXPECT_EQ(IconCount(), before + 3);
    }
    for (HWND owner : owners) EXPECT_FALSE(InNotificationArea(owner));
    EXPECT_EQ(IconCount(), before);
}

TEST_F(NotificationArea, OnlyARefreshWithReAddBringsBackAnIconTheShellLost)
{
    TTrayIconMemory memory;
    ASSERT_TRUE(InNotificationArea(memory.Window()));
    ASSERT_EQ(Probe("remove " + Number(memory.Window())), 1u);
    EXPECT_FALSE(InNotificationArea(memory.Window()));
    memory.Refresh(false);
    EXPECT_FALSE(InNotificationArea(memory.Window())) << "a plain refresh only modifies";
    memory.Refresh(true);
    EXPECT_TRUE(InNotificationArea(memory.Window()));
}

TEST_F(NotificationArea, MouseActionsOnTheShownIconReachTheirEvents)
{
    const std::set<HWND> before = TrayIconWindows();
    TTrayIconResource status;
    HWND shown = nullptr;
    for (HWND window : TrayIconWindows())
        if (!before.count(window)) shown = window;
    ASSERT_TRUE(shown) << "the icon's window in Wine's tray";

    int left = 0, doubleClick = 0, right = 0;
    status.OnLeftButtonDown = [&](TTrayIcon&) { ++left; };
    status.OnDoubleClick = [&](TTrayIcon&) { ++doubleClick; };
    status.OnRightButtonUp = [&](TTrayIcon&) { ++right; };
    // The tray passes each mouse message on by posting to the icon's window,
    // in the order they came. So once the event of a later message has
    // arrived, an earlier one that should call nothing has been handled too.
    auto click = [&](std::initializer_list<UINT> messages, const std::function<bool()>& arrived) {
        for (UINT message : messages) PostMessageA(shown, message, 0, MAKELPARAM(8, 8));
        return toolkit::Application::Instance().ProcessMessagesUntil(arrived, 10000);
    };

    // A press calls nothing: the left press after it is the first event.
    ASSERT_TRUE(click({WM_RBUTTONDOWN, WM_LBUTTONDOWN}, [&] { return left == 1; }));
    EXPECT_EQ(right, 0);
    EXPECT_EQ(doubleClick, 0);
    ASSERT_TRUE(click({WM_RBUTTONUP}, [&] { return right == 1; }));
    EXPECT_EQ(left, 1);
    // A double click calls only its own event: the release after it shows
    // that nothing else came in between.
    ASSERT_TRUE(click({WM_LBUTTONDBLCLK, WM_RBUTTONUP}, [&] { return right == 2; }));
    EXPECT_EQ(doubleClick, 1);
    EXPECT_EQ(left, 1);
}
